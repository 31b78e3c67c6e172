#pragma once

// What a view of the folder tree asks of its model, by node id: the root, a
// folder's children in order, its parent, its depth, its name and label, and
// the model index that stands for it. The tree pane's view walks the tree
// through these alone, without a QModelIndex or a QVariant per row, so that
// laying out a large tree stays one cheap pass. FolderTreeModel answers them
// from the core's folder tree.

#include <QAbstractItemModel>
#include <QString>

#include <cstdint>
#include <span>
#include <string_view>

namespace edamaki {

class FolderRows : public QAbstractItemModel {
public:
    // A folder's id in the tree (the core tree's NodeId).
    using NodeId = std::int32_t;
    static constexpr NodeId NoNode = -1;

    using QAbstractItemModel::QAbstractItemModel;

    // NoNode while the tree is empty.
    virtual NodeId RootNode() const = 0;
    // False for NoNode and for a folder removed from the tree.
    virtual bool Contains(NodeId node) const = 0;
    // The rest ask about a folder of the tree.
    virtual std::span<NodeId const> ChildrenOf(NodeId node) const = 0;
    // NoNode for the root node.
    virtual NodeId ParentOf(NodeId node) const = 0;
    // The root node's is 0.
    virtual int DepthOf(NodeId node) const = 0;
    // The name as the tree holds it, in Shift-JIS: cheap to look at, not to show.
    virtual std::string_view NameBytesOf(NodeId node) const = 0;
    // The name as the view shows it.
    virtual QString LabelOf(NodeId node) const = 0;

    // An invalid index for a folder not in the tree.
    virtual QModelIndex IndexOfNode(NodeId node) const = 0;
    // NoNode for an invalid index.
    virtual NodeId NodeOfIndex(QModelIndex const& index) const = 0;

    bool HasChildren(NodeId node) const { return Contains(node) && !ChildrenOf(node).empty(); }
};

} // namespace edamaki
