#pragma once

// Shows the core folder tree in a QTreeView: one column, the node's name as
// its text and the folder icon on every node. The model only asks the tree;
// whoever changes the tree tells the model through the notifications below
// (a read resets the whole model at once).

#include "core/tree/FolderTree.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <vector>

namespace edamaki {

class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit FolderTreeModel(FolderTree& tree, QObject* parent = nullptr);

    void SetFolderIcon(QIcon const& icon);

    QModelIndex IndexOfNode(NodeId node) const;
    // NoNode for an invalid index.
    NodeId NodeOfIndex(QModelIndex const& index) const;

    // A rebuild of the whole tree (a read of the source) happens between these two.
    void BeginRebuild();
    void EndRebuild();
    // The node's name (or the root node's caption) changed.
    void NotifyNodeChanged(NodeId node);
    // A child is about to be appended to `parent`, and has been.
    void BeginAppendChild(NodeId parent);
    void EndAppendChild();
    // `node` and its subtree are about to be removed, and have been.
    void BeginRemoveNode(NodeId node);
    void EndRemoveNode();

    QModelIndex index(int row, int column, QModelIndex const& parent = {}) const override;
    QModelIndex parent(QModelIndex const& child) const override;
    int rowCount(QModelIndex const& parent = {}) const override;
    int columnCount(QModelIndex const& parent = {}) const override;
    QVariant data(QModelIndex const& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(QModelIndex const& index) const override;

private:
    int RowOfNode(NodeId node) const;

    FolderTree& m_tree;
    QIcon m_folder_icon;
    // Row of each node among its siblings, checked before use and mended on a miss.
    mutable std::vector<int> m_row_hint;
};

} // namespace edamaki
