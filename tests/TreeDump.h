#pragma once

// Test helper: a compact picture of a folder tree, "a(b,c(d)),e", so that a
// whole tree is checked in one comparison.

#include "core/tree/FolderTree.h"

#include <string>

namespace edamaki::testing {

inline std::string DumpChildren(FolderTree const& tree, NodeId node)
{
    std::string out;
    int previous_depth = 0;
    tree.WalkDescendants(node, [&](NodeId child, int depth) {
        if (depth > previous_depth)
            out += '(';
        for (int close = depth; close < previous_depth; ++close)
            out += ')';
        if (depth <= previous_depth && previous_depth != 0)
            out += ',';
        out += tree.Name(child);
        previous_depth = depth;
    });
    for (int close = 1; close < previous_depth; ++close)
        out += ')';
    if (previous_depth > 0 && out.front() == '(')
        out.erase(0, 1);
    return out;
}

inline std::string Dump(FolderTree const& tree)
{
    return tree.HasRoot() ? DumpChildren(tree, tree.Root()) : "";
}

} // namespace edamaki::testing
