#include "gui/models/FolderTreeModel.h"

#include "gui/models/FolderOutcomeText.h"
#include "gui/qt/QtShiftJis.h"

#include <QBrush>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <type_traits>
#include <utility>

namespace edamaki {

namespace {

QColor const ThereColour(128, 128, 128);
QColor const FailingColour(200, 0, 0);
// The marks of an earlier tree, while the tree's own are to come.
constexpr qreal DimmedOpacity = 0.4;

enum class Badge { Check, Cross };

// `base` with a small round badge over its lower right corner.
QPixmap BadgedPixmap(QIcon const& base, int size, Badge badge, qreal opacity)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    base.paint(&painter, QRect(0, 0, size, size));
    painter.setOpacity(opacity);
    qreal const diameter = size * 0.625;
    QRectF const disc(size - diameter, size - diameter, diameter, diameter);
    painter.setPen(QPen(Qt::white, size / 16.0));
    painter.setBrush(badge == Badge::Check ? QColor(46, 125, 50) : QColor(211, 47, 47));
    painter.drawEllipse(disc.adjusted(size / 32.0, size / 32.0, -size / 32.0, -size / 32.0));
    painter.setPen(QPen(Qt::white, size / 9.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    auto const at = [&disc](qreal x, qreal y) {
        return QPointF(disc.left() + x * disc.width(), disc.top() + y * disc.height());
    };
    QPainterPath path;
    if (badge == Badge::Check) {
        path.moveTo(at(0.27, 0.52));
        path.lineTo(at(0.44, 0.69));
        path.lineTo(at(0.74, 0.33));
    } else {
        path.moveTo(at(0.3, 0.3));
        path.lineTo(at(0.7, 0.7));
        path.moveTo(at(0.7, 0.3));
        path.lineTo(at(0.3, 0.7));
    }
    painter.drawPath(path);
    return pixmap;
}

QIcon BadgedIcon(QIcon const& base, Badge badge, qreal opacity)
{
    QIcon icon;
    for (int const size : { 16, 32 })
        icon.addPixmap(BadgedPixmap(base, size, badge, opacity));
    return icon;
}

QBrush MarkBrush(QColor colour, bool current)
{
    if (!current)
        colour.setAlphaF(static_cast<float>(DimmedOpacity));
    return colour;
}

} // namespace

static_assert(std::is_same_v<FolderRows::NodeId, edamaki::NodeId> && FolderRows::NoNode == edamaki::NoNode);

FolderTreeModel::FolderTreeModel(FolderTree& tree, QObject* parent)
    : FolderRows(parent)
    , m_tree(tree)
{
}

void FolderTreeModel::SetFolderIcon(QIcon const& icon)
{
    m_folder_icon = icon;
    for (int dimmed = 0; dimmed < 2; ++dimmed) {
        qreal const opacity = dimmed ? DimmedOpacity : 1.0;
        m_there_icon[dimmed] = BadgedIcon(icon, Badge::Check, opacity);
        m_failing_icon[dimmed] = BadgedIcon(icon, Badge::Cross, opacity);
    }
    NotifyIconsChanged();
}

void FolderTreeModel::SetForecast(std::shared_ptr<FolderForecast const> forecast, bool current)
{
    if (forecast == m_forecast && current == m_forecast_current)
        return;
    m_forecast = std::move(forecast);
    m_forecast_current = current;
    emit MarksChanged();
}

void FolderTreeModel::SetLeftOutNotes(std::unordered_map<NodeId, QString> notes)
{
    if (notes.empty() && m_left_out_notes.empty())
        return;
    m_left_out_notes = std::move(notes);
    emit MarksChanged();
}

FolderTreeModel::Shown FolderTreeModel::ShownMark(NodeId node) const
{
    if (m_left_out_notes.contains(node))
        return Shown::LeftOut;
    if (!m_forecast)
        return Shown::Plain;
    if (node == m_tree.Root()) {
        switch (m_forecast->Parent) {
        case ParentFolderState::None:
            return Shown::Plain;
        case ParentFolderState::Usable:
            return Shown::UsableParent;
        default:
            return Shown::Failing;
        }
    }
    switch (m_forecast->MarkOf(node)) {
    case FolderMark::Existing:
        return Shown::There;
    case FolderMark::Failing:
        return Shown::Failing;
    case FolderMark::New:
    case FolderMark::Pending:
        break;
    }
    return Shown::Plain;
}

QString FolderTreeModel::Explanation(NodeId node, int role) const
{
    auto const note = m_left_out_notes.find(node);
    QString const left_out = note == m_left_out_notes.end() ? QString() : note->second;
    // Readers hear the marks of the tree as it stands only.
    if (!m_forecast || (role == Qt::AccessibleDescriptionRole && !m_forecast_current))
        return left_out;
    QString const forecast = node == m_tree.Root() ? ParentFolderStateText(m_forecast->Parent)
                                                   : ForecastExplanation(*m_forecast, node);
    if (left_out.isEmpty() || forecast.isEmpty())
        return left_out + forecast;
    return left_out + u'\n' + forecast;
}

void FolderTreeModel::NotifyIconsChanged()
{
    if (!m_tree.HasRoot())
        return;
    NodeId const root = m_tree.Root();
    NotifyNodeChanged(root, { Qt::DecorationRole });
    // One range per folder that has children: a range never spans two parents.
    auto const notify_children = [this](NodeId node) {
        auto const& children = m_tree.Children(node);
        if (children.empty())
            return;
        auto const last = static_cast<int>(children.size()) - 1;
        emit dataChanged(createIndex(0, 0, static_cast<quintptr>(children.front())),
            createIndex(last, 0, static_cast<quintptr>(children.back())), { Qt::DecorationRole });
    };
    notify_children(root);
    m_tree.WalkDescendants(root, [&](NodeId node, int) { notify_children(node); });
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

QString FolderTreeModel::LabelOf(NodeId node) const
{
    return ShiftJisToQString(m_tree.Name(node));
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

// Tells the views of each change a refresh makes to the tree.
class FolderTreeModel::RefreshNotifier final : public TreeRefreshListener {
public:
    explicit RefreshNotifier(FolderTreeModel& model)
        : m_model(model)
    {
    }

    void TreeAboutToBeReplaced() override { m_model.BeginRebuild(); }
    void TreeReplaced() override { m_model.EndRebuild(); }
    void ChildrenAboutToBeInserted(NodeId parent, std::size_t row, std::size_t count) override
    {
        auto const first = static_cast<int>(row);
        m_model.beginInsertRows(m_model.IndexOfNode(parent), first, first + static_cast<int>(count) - 1);
    }
    void ChildrenInserted() override { m_model.endInsertRows(); }
    void ChildrenAboutToBeRemoved(NodeId parent, std::size_t row, std::size_t count) override
    {
        auto const first = static_cast<int>(row);
        m_model.beginRemoveRows(m_model.IndexOfNode(parent), first, first + static_cast<int>(count) - 1);
    }
    void ChildrenRemoved() override { m_model.endRemoveRows(); }
    void NodeRenamed(NodeId node) override
    {
        m_model.NotifyNodeChanged(node, { Qt::DisplayRole, Qt::EditRole });
    }

private:
    FolderTreeModel& m_model;
};

TreeRefresh FolderTreeModel::ShowRead(FolderTree& fresh, ReadDelta const* delta)
{
    RefreshNotifier notifier(*this);
    return RefreshTree(m_tree, fresh, notifier, delta);
}

void FolderTreeModel::NotifyNodeChanged(NodeId node, QList<int> const& roles)
{
    QModelIndex const index = IndexOfNode(node);
    if (index.isValid())
        emit dataChanged(index, index, roles);
}

NodeId FolderTreeModel::AppendChild(NodeId parent, std::string_view name, std::int32_t data)
{
    if (!m_tree.IsInTree(parent))
        return NoNode;
    int const row = static_cast<int>(m_tree.Children(parent).size());
    beginInsertRows(IndexOfNode(parent), row, row);
    NodeId const child = m_tree.AppendChild(parent, name, data);
    endInsertRows();
    return child;
}

void FolderTreeModel::RemoveNode(NodeId node)
{
    if (!m_tree.IsInTree(node) || node == m_tree.Root())
        return;
    int const row = RowOfNode(node);
    beginRemoveRows(IndexOfNode(m_tree.Parent(node)), row, row);
    m_tree.RemoveNode(node);
    endRemoveRows();
}

void FolderTreeModel::RemoveNodes(std::vector<NodeId> const& nodes)
{
    if (nodes.size() <= 1) {
        if (!nodes.empty())
            RemoveNode(nodes.front());
        return;
    }
    emit layoutAboutToBeChanged();
    QModelIndexList const before = persistentIndexList();
    for (NodeId const node : nodes) {
        if (node != m_tree.Root())
            m_tree.RemoveNode(node);
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (QModelIndex const& index : before)
        after.append(IndexOfNode(NodeOfIndex(index)));
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void FolderTreeModel::Rename(NodeId node, std::string_view name)
{
    if (!m_tree.IsInTree(node))
        return;
    m_tree.Rename(node, name);
    NotifyNodeChanged(node, { Qt::DisplayRole, Qt::EditRole });
}

void FolderTreeModel::SetRootPath(std::string_view path)
{
    m_tree.SetRootPath(path);
    if (m_tree.HasRoot())
        NotifyNodeChanged(m_tree.Root(), { Qt::DisplayRole, Qt::EditRole });
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
    NodeId const parent_node = NodeOfIndex(parent);
    if (!m_tree.IsInTree(parent_node))
        return {};
    auto const& children = m_tree.Children(parent_node);
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
    if (!m_tree.IsInTree(node))
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
    NodeId const node = NodeOfIndex(parent);
    if (parent.column() != 0 || !m_tree.IsInTree(node))
        return 0;
    return static_cast<int>(m_tree.Children(node).size());
}

int FolderTreeModel::columnCount(QModelIndex const&) const
{
    return 1;
}

QVariant FolderTreeModel::data(QModelIndex const& index, int role) const
{
    NodeId const node = NodeOfIndex(index);
    if (!m_tree.IsInTree(node))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return LabelOf(node);
    case Qt::DecorationRole:
        switch (ShownMark(node)) {
        case Shown::There:
        case Shown::UsableParent:
            return m_there_icon[m_forecast_current ? 0 : 1];
        case Shown::Failing:
            return m_failing_icon[m_forecast_current ? 0 : 1];
        case Shown::LeftOut:
            return m_failing_icon[0];
        case Shown::Plain:
            break;
        }
        return m_folder_icon;
    case Qt::ForegroundRole:
        switch (ShownMark(node)) {
        case Shown::There:
            return MarkBrush(ThereColour, m_forecast_current);
        case Shown::Failing:
            return MarkBrush(FailingColour, m_forecast_current);
        case Shown::LeftOut:
            return MarkBrush(FailingColour, true);
        case Shown::UsableParent:
        case Shown::Plain:
            break;
        }
        return {};
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole: {
        QString const explanation = Explanation(node, role);
        return explanation.isEmpty() ? QVariant() : QVariant(explanation);
    }
    default:
        return {};
    }
}

bool FolderTreeModel::setData(QModelIndex const& index, QVariant const& value, int role)
{
    NodeId const node = NodeOfIndex(index);
    if (role != Qt::EditRole || !m_tree.IsInTree(node) || node == m_tree.Root())
        return false;
    emit LabelEdited(node, value.toString());
    return true;
}

Qt::ItemFlags FolderTreeModel::flags(QModelIndex const& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags const flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (NodeOfIndex(index) == m_tree.Root())
        return flags;
    return flags | Qt::ItemIsEditable;
}

} // namespace edamaki
