#include "core/tree/TreeEdits.h"

#include "core/text/ShiftJis.h"
#include "core/text/SourceOffsets.h"
#include "core/tree/SourceWriters.h"
#include "core/tree/TagSyntax.h"
#include "core/tree/TextSourceReader.h"

#include <algorithm>

namespace edamaki {

namespace {

// Whether a child of `parent` other than `except` is named `name`.
bool IsNameTaken(FolderTree const& tree, NodeId parent, std::string_view name, NodeId except)
{
    NodeId const first = tree.FindChildNode(parent, name);
    if (first == NoNode)
        return false;
    if (first != except)
        return true;
    auto const& children = tree.Children(parent);
    return std::any_of(children.begin(), children.end(),
        [&](NodeId child) { return child != except && tree.Name(child) == name; });
}

// A rename tag reads its path up to the first ",".
bool CanNameInRenameTag(std::string_view path)
{
    return !path.empty() && FindCharacter(path, ',') == std::string_view::npos;
}

// The lines of a text source that outlive its rewrite: the parent folder line
// (so the source still says where it creates) and the comment lines, in their
// order, ahead of the folder lines.
std::vector<std::size_t> KeptTextLines(SourceLines const& lines)
{
    std::vector<std::size_t> kept;
    std::size_t index = 0;
    for (std::string_view const line : lines) {
        TextLineKind const kind = ClassifyTextLine(TrimBlanks(line), index == 0);
        if (kind == TextLineKind::ParentFolder || kind == TextLineKind::Comment)
            kept.push_back(index);
        ++index;
    }
    return kept;
}

// The text mode writes the whole source anew: the source holds the tree as it is.
void RewriteText(EditedTree const& edited, SourceSink& source)
{
    std::vector<std::string> lines;
    MakeText(edited.Tree, lines);
    source.ReplaceLines(KeptTextLines(source.Lines()), lines);
    edited.State.NoteWritten();
}

// Appends a tag line written for `node`; a later click on the node selects it.
void AppendTagLine(EditedTree const& edited, NodeId node, std::string const& line, SourceSink& source)
{
    std::size_t const start = source.AppendLines({ line });
    edited.Tree.SetData(node, edited.Map.AddLine({ ClampOffset(start), ClampOffset(line.size()) }));
}

} // namespace

std::string MakeUniqueName(FolderTree const& tree, NodeId parent, std::string_view name, NodeId except)
{
    if (!IsNameTaken(tree, parent, name, except))
        return std::string(name);
    std::string candidate;
    for (std::size_t number = 1;; ++number) {
        candidate.assign(name);
        candidate += '(';
        candidate += std::to_string(number);
        candidate += ')';
        if (!IsNameTaken(tree, parent, candidate, except))
            return candidate;
    }
}

std::optional<std::string> TagPathOf(FolderTree const& tree, NodeId node)
{
    if (!tree.IsInTree(node))
        return std::nullopt;
    for (NodeId step = node; step != tree.Root(); step = tree.Parent(step)) {
        if (tree.FindChildNode(tree.Parent(step), tree.Name(step)) != step)
            return std::nullopt;
    }
    if (node == tree.Root())
        return std::string();
    std::string path = tree.GetNodePath(node);
    if (tree.Name(node).empty())
        path += '/';
    return path;
}

std::optional<NewFolder> PlanAddition(FolderTree const& tree, bool macro, NodeId selected, bool inside)
{
    if (!tree.IsInTree(selected))
        return std::nullopt;
    if (!inside && selected == tree.Root())
        return std::nullopt;
    NodeId const parent = inside ? selected : tree.Parent(selected);
    if (macro) {
        auto const path = TagPathOf(tree, parent);
        // Inside a path with a ",", no rename tag could name the new folder.
        if (!path || FindCharacter(*path, ',') != std::string_view::npos)
            return std::nullopt;
    }
    // A folder that is not written yet has no source range.
    return NewFolder { parent, MakeUniqueName(tree, parent, NewFolderName), macro ? -1 : 0 };
}

bool CanRename(FolderTree const& tree, bool macro, NodeId node)
{
    if (!tree.IsInTree(node) || node == tree.Root())
        return false;
    if (!macro)
        return true;
    auto const path = TagPathOf(tree, node);
    return path && CanNameInRenameTag(*path);
}

bool CanDelete(FolderTree const& tree, bool macro, NodeId node)
{
    if (!tree.IsInTree(node) || node == tree.Root())
        return false;
    return !macro || TagPathOf(tree, node).has_value();
}

void NoteNodeAdded(EditedTree const& edited)
{
    edited.State.NoteAddition();
}

void BeginLabelEdit(EditedTree const& edited, NodeId node, SourceSink& source)
{
    FolderTree const& tree = edited.Tree;
    edited.State.BeginEdit(TagPathOf(tree, node).value_or(tree.GetNodePath(node)));
    if (edited.State.IsAdditionPending()) {
        if (edited.IsMacro())
            AppendTagLine(edited, node, FormatTag(AddTag { std::string(edited.State.EditPath()) }), source);
        else
            RewriteText(edited, source);
    }
    edited.State.NoteAdditionWritten();
}

LabelDecision ConfirmLabelEdit(EditedTree const& edited, NodeId node, std::string_view typed)
{
    FolderTree const& tree = edited.Tree;
    std::string const old_name(tree.Name(node));
    std::string_view const name = TrimBlanks(typed);
    if (name.empty()) {
        edited.State.EndEdit();
        return { LabelOutcome::Kept, old_name, false };
    }
    bool const writable = !edited.IsMacro() || CanNameInRenameTag(edited.State.EditPath());
    if (!writable && name == old_name) {
        edited.State.EndEdit();
        return { LabelOutcome::Kept, old_name, false };
    }
    bool const top_level = tree.Parent(node) == tree.Root();
    if (!writable || !IsValidFolderName(name) || FindRefusedNameCharacter(name)
        || (!edited.IsMacro() && !IsTextModeName(name, top_level)))
        return { LabelOutcome::Refused, old_name, writable };
    edited.State.NoteEdited();
    return { LabelOutcome::Accepted, MakeUniqueName(tree, tree.Parent(node), name, node), true };
}

void FinishLabelEdit(EditedTree const& edited, NodeId node, LabelDecision const& decision, SourceSink& source)
{
    if (decision.WriteBack) {
        if (edited.IsMacro())
            AppendTagLine(edited, node,
                FormatTag(RenameTag { std::string(edited.State.EditPath()), decision.Name }), source);
        else
            RewriteText(edited, source);
    }
    edited.State.EndEdit();
}

std::string DeleteTagLine(FolderTree const& tree, NodeId node)
{
    return FormatTag(DeleteTag { TagPathOf(tree, node).value_or(std::string()) });
}

void WriteDeletions(EditedTree const& edited, std::vector<std::string> const& tag_lines, SourceSink& source)
{
    if (!tag_lines.empty()) {
        if (edited.IsMacro())
            source.AppendLines(tag_lines);
        else
            RewriteText(edited, source);
    }
    edited.State.NoteEdited();
}

} // namespace edamaki
