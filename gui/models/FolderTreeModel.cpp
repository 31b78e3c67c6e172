#include "gui/models/FolderTreeModel.h"

#include "gui/qt/QtShiftJis.h"

namespace edamaki {

FolderTreeModel::FolderTreeModel(FolderTree& tree, QObject* parent)
    : QAbstractItemModel(parent)
    , m_tree(tree)
{
}

void FolderTreeModel::SetFolderIcon(QIcon const& icon)
{
    m_folder_icon = icon;
    if (m_tree.HasRoot())
        emit dataChanged(IndexOfNode(m_tree.Root()), IndexOfNode(m_tree.Root()), { Qt::DecorationRole });
}

int FolderTreeModel::RowOfNode(NodeId node) const
{
    NodeId const parent = m_tree.Parent(node);
    if (parent == NoNode)
        return 0;
    if (static_cast<std::size_t>(node) >= m_row_hint.size())
        m_row_hint.resize(static_cast<std::size_t>(node) + 1, 0);
    auto const& siblings = m_tree.Children(parent);
    int& hint = m_row_hint[static_cast<std::size_t>(node)];
    if (hint >= 0 && static_cast<std::size_t>(hint) < siblings.size()
        && siblings[static_cast<std::size_t>(hint)] == node)
        return hint;
    // The hint is stale (a sibling was removed or the tree rebuilt): mend every
    // sibling's hint at once, so a walk over the siblings stays linear.
    for (std::size_t row = 0; row < siblings.size(); ++row) {
        auto const sibling = static_cast<std::size_t>(siblings[row]);
        if (sibling >= m_row_hint.size())
            m_row_hint.resize(sibling + 1, 0);
        m_row_hint[sibling] = static_cast<int>(row);
    }
    return m_row_hint[static_cast<std::size_t>(node)];
}

QModelIndex FolderTreeModel::IndexOfNode(NodeId node) const
{
    if (node == NoNode || !m_tree.IsInTree(node))
        return {};
    return createIndex(RowOfNode(node), 0, static_cast<quintptr>(node));
}

NodeId FolderTreeModel::NodeOfIndex(QModelIndex const& index) const
{
    if (!index.isValid() || index.model() != this)
        return NoNode;
    return static_cast<NodeId>(index.internalId());
}

void FolderTreeModel::BeginRebuild()
{
    beginResetModel();
}

void FolderTreeModel::EndRebuild()
{
    m_row_hint.clear();
    endResetModel();
}

void FolderTreeModel::NotifyNodeChanged(NodeId node)
{
    QModelIndex const index = IndexOfNode(node);
    if (index.isValid())
        emit dataChanged(index, index, { Qt::DisplayRole });
}

void FolderTreeModel::BeginAppendChild(NodeId parent)
{
    int const row = static_cast<int>(m_tree.Children(parent).size());
    beginInsertRows(IndexOfNode(parent), row, row);
}

void FolderTreeModel::EndAppendChild()
{
    endInsertRows();
}

void FolderTreeModel::BeginRemoveNode(NodeId node)
{
    int const row = RowOfNode(node);
    beginRemoveRows(IndexOfNode(m_tree.Parent(node)), row, row);
}

void FolderTreeModel::EndRemoveNode()
{
    endRemoveRows();
}

QModelIndex FolderTreeModel::index(int row, int column, QModelIndex const& parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid()) {
        if (row != 0 || !m_tree.HasRoot())
            return {};
        return createIndex(0, 0, static_cast<quintptr>(m_tree.Root()));
    }
    auto const& children = m_tree.Children(NodeOfIndex(parent));
    if (static_cast<std::size_t>(row) >= children.size())
        return {};
    NodeId const child = children[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(child) >= m_row_hint.size())
        m_row_hint.resize(static_cast<std::size_t>(child) + 1, 0);
    m_row_hint[static_cast<std::size_t>(child)] = row;
    return createIndex(row, 0, static_cast<quintptr>(child));
}

QModelIndex FolderTreeModel::parent(QModelIndex const& child) const
{
    NodeId const node = NodeOfIndex(child);
    if (node == NoNode)
        return {};
    NodeId const parent_node = m_tree.Parent(node);
    if (parent_node == NoNode)
        return {};
    return createIndex(RowOfNode(parent_node), 0, static_cast<quintptr>(parent_node));
}

int FolderTreeModel::rowCount(QModelIndex const& parent) const
{
    if (!parent.isValid())
        return m_tree.HasRoot() ? 1 : 0;
    if (parent.column() != 0)
        return 0;
    return static_cast<int>(m_tree.Children(NodeOfIndex(parent)).size());
}

int FolderTreeModel::columnCount(QModelIndex const&) const
{
    return 1;
}

QVariant FolderTreeModel::data(QModelIndex const& index, int role) const
{
    NodeId const node = NodeOfIndex(index);
    if (node == NoNode)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return ShiftJisToQString(m_tree.Name(node));
    case Qt::DecorationRole:
        return m_folder_icon;
    default:
        return {};
    }
}

Qt::ItemFlags FolderTreeModel::flags(QModelIndex const& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace edamaki
