#pragma once

// Brings the tree that a view shows in line with a fresh read of the source,
// changing only what differs: a node that both trees hold at the same place
// keeps its id (and so its row, its expansion and its selection in a view);
// renamed nodes are renamed, and only the children that differ are removed
// or copied in. A listener hears of each change as it happens, so a view
// can follow. Typing changes a line or two of a large source, and a view
// told of the whole tree again would redo far more than the read.
//
// Comparing two large trees node by node still costs a good part of a read.
// A caller that reads away from the view can compare the fresh read with the
// read before it there (CompareReads); the refresh then passes over every
// part that the comparison found unchanged.

#include "core/tree/FolderTree.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace edamaki {

class TreeRefreshListener {
public:
    // The whole tree is about to be swapped for the fresh one, and has been.
    virtual void TreeAboutToBeReplaced() = 0;
    virtual void TreeReplaced() = 0;
    // `count` children of `parent` from `row` on are about to come, and have come.
    virtual void ChildrenAboutToBeInserted(NodeId parent, std::size_t row, std::size_t count) = 0;
    virtual void ChildrenInserted() = 0;
    // `count` children of `parent` from `row` on are about to go, and have gone.
    virtual void ChildrenAboutToBeRemoved(NodeId parent, std::size_t row, std::size_t count) = 0;
    virtual void ChildrenRemoved() = 0;
    virtual void NodeRenamed(NodeId node) = 0;

protected:
    ~TreeRefreshListener() = default;
};

// How a read differs from the read before it.
struct ReadDelta {
    // By node id of the fresh tree: the node and everything below it are as
    // they were (names, order, placeholders, and data values once renumbered).
    std::vector<bool> Unchanged;
    // The data value that each former data value became (lines came or went
    // before the line that made a node); values without an entry stay.
    std::vector<std::int32_t> Renumbered;
    bool DataMoved = false;
};

// Compares a read with the read before it, both trees of the caller's own;
// the read before recorded `previous_lines` lines (see SourceMap).
ReadDelta CompareReads(FolderTree const& previous, std::size_t previous_lines, FolderTree const& fresh);

struct TreeRefresh {
    // The fresh tree was swapped in whole (the first read, or when the
    // records of removed nodes outgrow the tree).
    bool Replaced = false;
};

// Makes `shown` hold what `fresh` holds: its nodes, data values, parent
// folder and read stop (the map of the source's lines is the caller's to
// take along). `fresh` must be another tree; unless it was swapped in whole
// (then it holds the former tree), it keeps its nodes. `delta`, when given,
// compares `fresh` with a tree that holds just what `shown` holds.
TreeRefresh RefreshTree(
    FolderTree& shown, FolderTree& fresh, TreeRefreshListener& listener, ReadDelta const* delta = nullptr);

} // namespace edamaki
