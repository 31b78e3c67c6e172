#pragma once

// Rules of the source document that the desktop program and the command line
// share: the mode taken from the first line, the parent folder line, reading
// a source into the tree, converting it into the other mode, and the checks
// before a creation run.

#include "core/document/SourceFile.h"
#include "core/text/SourceLines.h"
#include "core/tree/FolderTree.h"
#include "core/tree/SourceMap.h"
#include "core/tree/SourceWriters.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace edamaki {

enum class SourceMode {
    Text,
    Macro,
};

// Macro mode when the first line, trimmed, is the macro header byte for byte.
SourceMode DetectSourceMode(SourceLines const& lines);

// The document's test for a parent folder line, the readers' own: trimmed of
// blanks, it begins with a drive ("C:", two backslashes) or with "/".
bool IsParentFolderLine(std::string_view line);

// Reads the lines into the tree with the reader of their mode, which it
// returns; `map` records the mode and where each line stands.
SourceMode ReadSource(FolderTree& tree, SourceMap& map, SourceLines const& lines);
// The same, for a caller that needs no map of the lines.
SourceMode ReadSource(FolderTree& tree, SourceLines const& lines);

// The line where a source of `mode` names its parent folder (0-based): line 1
// of a text source, line 2 of a macro source.
std::size_t ParentFolderLineIndex(SourceMode mode);

// The index of the source's parent folder line, or nullopt when it has none.
std::optional<std::size_t> FindParentFolderLine(SourceLines const& lines);

// Where a conversion into the other mode carries the parent folder line of
// the old source. The converted source is written without it; the caller
// puts it in (InsertCarriedLine) as it holds the old line.
struct ParentFolderCarry {
    std::optional<std::size_t> CarriedFrom; // the parent folder line of the old source, if any
    std::size_t CarriedTo = 0;              // the index it takes in the converted source
};

// Line 1 of a text source or line 2 of a macro source goes to line 1 of a
// text result or line 2 of a macro result.
ParentFolderCarry FindParentFolderCarry(SourceLines const& lines, SourceMode to);

// The index the carried line takes among `written` lines of a conversion:
// its own place, or after the last line when fewer were written.
constexpr std::size_t CarriedLineIndex(ParentFolderCarry const& carry, std::size_t written)
{
    return std::min(carry.CarriedTo, written);
}

// Puts the carried line (the old source's line CarriedFrom, in whatever form
// the caller holds lines) among the written lines of a conversion, at
// CarriedLineIndex; nothing when the old source had no parent folder line.
// Any list with size(), begin() and insert(iterator, line) will do.
template<typename LineList, typename Line>
void InsertCarriedLine(LineList& written, ParentFolderCarry const& carry, Line&& carried_line)
{
    if (!carry.CarriedFrom)
        return;
    using Difference = typename LineList::difference_type;
    auto const at = CarriedLineIndex(carry, static_cast<std::size_t>(written.size()));
    written.insert(written.begin() + static_cast<Difference>(at), std::forward<Line>(carried_line));
}

// The tree written out as a source, and where its parent folder line goes.
struct SourceConversion : ParentFolderCarry {
    std::vector<std::string> Lines; // the written source, without the parent folder line
};

// Writes the tree (already read from `lines`) as a source of mode `to`,
// without the parent folder line. The tree stays as it is: the converted
// source, once it stands in the old one's place, reads as the same tree.
SourceConversion ConvertSourceLines(
    FolderTree const& tree, std::vector<std::string> const& lines, SourceMode to);

// The conversion with the parent folder line carried over in its place,
// handed to `sink` line by line as it is written; nothing of it is held.
void WriteConvertedSource(
    FolderTree const& tree, SourceLines const& lines, SourceMode to, LineSink const& sink);

// Why a creation run of the tree must not start.
struct RunRefusal {
    enum class Kind {
        NoParentFolder,
        UnusableParentFolder, // not an absolute folder path in this host's style (a Windows-style one here)
        // The read stopped at one of its limits: the tree is not the whole source.
        TooManyFolders,
    };
    using enum Kind;

    explicit RunRefusal(Kind reason, ReadStop stop = {})
        : Reason(reason)
        , Stop(stop)
    {
    }

    Kind Reason;
    ReadStop Stop; // with TooManyFolders: the limit the read stopped at, with its figure

    bool operator==(RunRefusal const&) const = default;
};

// The checks before a creation run, in their order: a parent folder is set,
// it is one this host can create folders below, then the tree holds the whole
// source.
std::optional<RunRefusal> CheckCreationRun(FolderTree const& tree);

} // namespace edamaki
