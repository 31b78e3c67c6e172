#include "core/tree/SourceWriters.h"

#include "core/text/ShiftJis.h"
#include "core/tree/TextSourceReader.h"

namespace edamaki {

namespace {

// A sink that appends each line to `lines`.
LineSink AppendingTo(std::vector<std::string>& lines)
{
    return [&lines](std::string_view line) { lines.emplace_back(line); };
}

} // namespace

void MakeTextChild(FolderTree const& tree, LineSink const& sink, std::string_view path, NodeId node)
{
    if (tree.Children(node).empty()) {
        sink(path);
        return;
    }
    // The path of the node being visited is kept in one buffer; `lengths[d]`
    // is its length at relative depth d.
    std::string current(path);
    std::vector<std::size_t> lengths { current.size() };
    tree.WalkDescendants(node, [&](NodeId child, int depth) {
        lengths.resize(depth);
        current.resize(lengths.back());
        current += '\\';
        current += tree.Name(child);
        lengths.push_back(current.size());
        if (tree.Children(child).empty())
            sink(current);
    });
}

void MakeTextChild(
    FolderTree const& tree, std::vector<std::string>& lines, std::string_view path, NodeId node)
{
    MakeTextChild(tree, AppendingTo(lines), path, node);
}

void MakeText(FolderTree const& tree, LineSink const& sink)
{
    if (tree.HasRoot()) {
        for (NodeId const child : tree.Children(tree.Root()))
            MakeTextChild(tree, sink, tree.Name(child), child);
    }
}

void MakeText(FolderTree const& tree, std::vector<std::string>& lines)
{
    lines.clear();
    MakeText(tree, AppendingTo(lines));
}

bool IsTextModeName(std::string_view name, bool top_level)
{
    if (!IsValidFolderName(name) || TrimBlanks(name) != name)
        return false;
    return !top_level || ClassifyTextLine(name, true) == TextLineKind::Folder;
}

void MakeScriptChild(FolderTree const& tree, LineSink const& sink, std::string_view markers, NodeId node)
{
    std::string line;
    tree.WalkDescendants(node, [&](NodeId child, int depth) {
        line.assign(markers);
        line.append(static_cast<std::size_t>(depth - 1), '>');
        line += tree.Name(child);
        sink(line);
    });
}

void MakeScriptChild(
    FolderTree const& tree, std::vector<std::string>& lines, std::string_view markers, NodeId node)
{
    MakeScriptChild(tree, AppendingTo(lines), markers, node);
}

void MakeScript(FolderTree const& tree, LineSink const& sink)
{
    if (!tree.HasRoot())
        return;
    sink(MacroHeader);
    MakeScriptChild(tree, sink, {}, tree.Root());
}

void MakeScript(FolderTree const& tree, std::vector<std::string>& lines)
{
    if (!tree.HasRoot())
        return;
    lines.clear();
    MakeScript(tree, AppendingTo(lines));
}

} // namespace edamaki
