#pragma once

// The desktop program's tree pane shows a source with placeholders as its folders would be
// made: each placeholder filled with the value it starts with in the values
// dialog (the one last given for the source file, else its default, else its
// built-in value), or while it has none with a stand-in that shows its name,
// "《顧客名》". The filled text has the source's lines one for one, so the
// map of its read goes back to the editor's text line by line.
//
// The folders whose names took a value are marked. The pane's edits write
// folder paths back into the source: one that would write a value where the
// source holds its placeholder is refused, since the placeholder would be
// lost (in text mode, where an edit writes the whole source anew, every edit
// of a source whose folder lines hold one).
//
// Names, values and lines are Shift-JIS.

#include "core/document/SourceDocument.h"
#include "core/text/Placeholders.h"
#include "core/tree/FolderTree.h"
#include "core/tree/SourceMap.h"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace edamaki {

using PlaceholderValues = std::map<std::string, std::string>;

// Whether the lines may hold a placeholder at all; a text without "<%" is
// read as it stands, at no extra cost.
bool MayHoldPlaceholders(std::vector<std::string> const& lines);

// The placeholders the lines use (see FindPlaceholders).
std::vector<Placeholder> FindSourcePlaceholders(std::vector<std::string> const& lines);
// Fills the placeholders of the lines (see FillPlaceholders), no larger than
// a source may be; the lines stay one for one, as a value never holds a line
// break.
std::vector<PlaceholderRefusal> FillSourceLines(
    std::vector<std::string>& lines, PlaceholderValues const& values, CalendarDate date);

// The value a placeholder starts with: the one last given, else its
// default, else its built-in value for `today`.
std::optional<std::string> StartingValue(
    Placeholder const& placeholder, PlaceholderValues const& last, CalendarDate today);

// "《NAME》": the name in full-width brackets, each character a folder name
// can't hold (nor a tag's list) as "_", one Shift-JIS lacks as "〓".
std::string PlaceholderStandIn(std::string_view name);

// The values the pane fills a source with.
struct PreviewValues {
    PlaceholderValues Last;
    CalendarDate Today;
};

// A folder line of a text-mode source that holds a placeholder.
struct FilledTextLine {
    std::string Written; // as the source holds it
    std::string Filled;
};

// What a read of a filled source leaves for the marks.
struct FilledRead {
    // Some line that makes folders holds a placeholder.
    bool Filled = false;
    bool Macro = false;
    // Macro mode: by the map's data value, whether its line holds one.
    std::vector<bool> FilledLines;
    // Text mode: the folder lines that hold one.
    std::vector<FilledTextLine> TextLines;
};

// Reads the editor's lines into `tree` (and `map`) with their placeholders
// filled as the pane shows them; `map` holds the ranges of the editor's
// lines. Without `values`, or without a placeholder, the lines are read as
// they stand.
SourceMode ReadPreview(FolderTree& tree, SourceMap& map, std::vector<std::string> const& lines,
    PreviewValues const* values, FilledRead& read);

// The marks of the read the pane shows.
class PlaceholderMarks {
public:
    // The read in `shown` (the pane's tree) is the one `read` describes.
    void Take(FilledRead read, FolderTree const& shown);
    bool IsEmpty() const { return !m_read.Filled; }

    // The node's name took a placeholder's value.
    bool HoldsValue(FolderTree const& tree, NodeId node) const;
    // An edit that writes the paths of `written` back into the source would
    // write a value over its placeholder.
    bool WritesValue(FolderTree const& tree, std::span<NodeId const> written) const;

private:
    FilledRead m_read;
    std::unordered_set<NodeId> m_text_nodes;
};

} // namespace edamaki
