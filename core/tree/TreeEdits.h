#pragma once

// The tree pane's edits: what a new folder is called, what a typed name
// becomes, the edit flags, and how each edit is written back into the source.
// In macro mode an edit appends one tag line that repeats it when the source
// is read again; in text mode the whole source is written anew from the tree,
// after its parent folder line and its comment lines, which it keeps.
//
// The pane changes the tree itself (through its view's model, so that the
// view hears of it); these functions decide and write. A tag names a folder
// by its path, so an edit the tags cannot repeat exactly (a folder hidden
// behind an earlier sibling of the same name, a rename whose path holds a
// ",") is refused in macro mode rather than written as a line that would
// change another folder; so is a name that a text line cannot hold (one that
// would read as a comment) in text mode.

#include "core/text/ProgramTexts.h"
#include "core/tree/FolderTree.h"
#include "core/tree/SourceMap.h"
#include "core/tree/TreeEditState.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

// The name of a folder the pane adds (Shift-JIS).
constexpr std::string_view NewFolderName = NewFolderText.ShiftJis;

// The tree the pane edits, the map of the source it was read from, and the
// state the pane's edits leave: an edit changes all three together.
struct EditedTree {
    FolderTree& Tree;
    SourceMap& Map;
    TreeEditState& State;

    bool IsMacro() const { return Map.IsMacro(); }
};

// The source text the pane writes into, as lines.
class SourceSink {
public:
    virtual ~SourceSink() = default;
    // Appends each line after the last line of the source, on a line of its
    // own; returns the offset at which the first of them begins.
    virtual std::size_t AppendLines(std::vector<std::string> const& lines) = 0;
    // The lines of the source as the readers take them.
    virtual std::vector<std::string> Lines() const = 0;
    // Replaces the whole source: the lines of the old source at `kept`
    // (ascending indices into Lines()), exactly as they stand, then `lines`.
    virtual void ReplaceLines(std::vector<std::size_t> const& kept, std::vector<std::string> const& lines)
        = 0;
};

// `name` when no child of `parent` but `except` has it; otherwise `name`
// followed by "(1)", "(2)", ... whichever comes first that no such child has.
std::string MakeUniqueName(
    FolderTree const& tree, NodeId parent, std::string_view name, NodeId except = NoNode);

// The node's path as a tag writes it, or none when a tag cannot reach the
// node: a tag finds the first child of each name on its way. The root node's
// path is empty; a path whose last name is empty gets one more "/", since a
// tag drops a final "/".
std::optional<std::string> TagPathOf(FolderTree const& tree, NodeId node);

// A folder that Add or Add child is about to append.
struct NewFolder {
    NodeId Parent = NoNode;
    std::string Name;
    std::int32_t Data = 0;
};

// The folder that Add (beside `selected`) or Add child (`inside` it) makes;
// none when refused: beside the root node, or in macro mode inside a folder
// that no tag can reach or whose path holds a "," (no rename tag could then
// give the new folder its name).
std::optional<NewFolder> PlanAddition(FolderTree const& tree, bool macro, NodeId selected, bool inside);
// Whether the node's name may be edited: never the root node's, and in macro
// mode only when a rename tag can name the node.
bool CanRename(FolderTree const& tree, bool macro, NodeId node);
// Whether Delete takes the node: never the root node, and in macro mode only
// when a delete tag can reach the node.
bool CanDelete(FolderTree const& tree, bool macro, NodeId node);

// Add or Add child appended a folder: its first label edit writes it.
void NoteNodeAdded(EditedTree const& edited);

// A label edit begins on `node`: the edit path becomes its path, and a folder
// just added is written back now, with its range recorded for a later click.
void BeginLabelEdit(EditedTree const& edited, NodeId node, SourceSink& source);

enum class LabelOutcome {
    Kept,     // nothing changes and nothing is written (an empty name)
    Refused,  // the name is not a folder name: the user is told, the old name stays
    Accepted, // the node takes Name
};

struct LabelDecision {
    LabelOutcome Outcome = LabelOutcome::Kept;
    std::string Name;       // the node's name from now on
    bool WriteBack = false; // whether FinishLabelEdit writes a rename
};

// A label edit of `node` (still carrying its old name) confirmed with
// `typed`. Blanks at both ends do not count; an empty name keeps the old one
// silently; a name with an invalid name character or one that Shift-JIS
// lacks, "." or "..", or in text mode one that its line could not hold, is
// refused; an accepted name is made unique among the siblings and sets
// the tree edited.
LabelDecision ConfirmLabelEdit(EditedTree const& edited, NodeId node, std::string_view typed);
// After the node took the decided name: writes the rename back (also an
// unchanged or refused one) and ends the edit.
void FinishLabelEdit(
    EditedTree const& edited, NodeId node, LabelDecision const& decision, SourceSink& source);

// The delete tag line of a node that CanDelete takes, taken before it goes.
std::string DeleteTagLine(FolderTree const& tree, NodeId node);
// The deleted nodes, one tag line each, have left the tree: appends the lines
// (macro mode) or writes the source anew (text mode); with none deleted,
// writes nothing. Marks the tree edited either way.
void WriteDeletions(EditedTree const& edited, std::vector<std::string> const& tag_lines, SourceSink& source);

} // namespace edamaki
