#include "core/tree/SourceWriters.h"

namespace edamaki {

void MakeTextChild(
    FolderTree const& tree, std::vector<std::string>& lines, std::string_view path, NodeId node)
{
    if (tree.Children(node).empty()) {
        lines.emplace_back(path);
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
            lines.push_back(current);
    });
}

void MakeText(FolderTree& tree, std::vector<std::string>& lines)
{
    lines.clear();
    if (tree.HasRoot()) {
        for (NodeId const child : tree.Children(tree.Root()))
            MakeTextChild(tree, lines, tree.Name(child), child);
    }
    tree.TreeEdited = false;
    tree.MacroMode = false;
}

void MakeScriptChild(
    FolderTree const& tree, std::vector<std::string>& lines, std::string_view markers, NodeId node)
{
    std::string line;
    tree.WalkDescendants(node, [&](NodeId child, int depth) {
        line.assign(markers);
        line.append(static_cast<std::size_t>(depth - 1), '>');
        line += tree.Name(child);
        lines.push_back(line);
    });
}

void MakeScript(FolderTree& tree, std::vector<std::string>& lines)
{
    if (!tree.HasRoot())
        return;
    lines.clear();
    lines.emplace_back(MacroHeader);
    MakeScriptChild(tree, lines, {}, tree.Root());
    tree.TreeEdited = false;
    tree.MacroMode = true;
}

} // namespace edamaki
