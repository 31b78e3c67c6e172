#include "gui/widgets/WidestLabel.h"

namespace edamaki {

WidestLabel::WidestLabel(FolderRows& model, QFont const& font, int indentation, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_widths(font)
    , m_indentation(indentation)
{
    auto const measure_all = [this] {
        int const before = Widest();
        MeasureAll();
        NotifyIfChanged(before);
    };
    connect(&model, &QAbstractItemModel::modelReset, this, measure_all);
    // Folders removed many at once come as a change of the layout.
    connect(&model, &QAbstractItemModel::layoutChanged, this, measure_all);
    connect(&model, &QAbstractItemModel::rowsInserted, this,
        [this](QModelIndex const& parent, int first, int last) {
            int const before = Widest();
            ForEachRow(parent, first, last, &WidestLabel::AddSubtree);
            NotifyIfChanged(before);
        });
    connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
        [this](QModelIndex const& parent, int first, int last) {
            int const before = Widest();
            ForEachRow(parent, first, last, &WidestLabel::RemoveSubtree);
            NotifyIfChanged(before);
        });
    connect(&model, &QAbstractItemModel::dataChanged, this,
        [this](QModelIndex const& top_left, QModelIndex const& bottom_right, QList<int> const& roles) {
            if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole))
                return;
            int const before = Widest();
            for (int row = top_left.row(); row <= bottom_right.row(); ++row) {
                NodeId const node = m_model.NodeOfIndex(top_left.siblingAtRow(row));
                Remove(node);
                Add(node);
            }
            NotifyIfChanged(before);
        });
    MeasureAll();
}

int WidestLabel::Widest() const
{
    return m_counts.empty() ? 0 : m_counts.rbegin()->first;
}

void WidestLabel::NotifyIfChanged(int before)
{
    if (Widest() != before)
        emit WidestChanged();
}

void WidestLabel::MeasureAll()
{
    m_node_width.assign(m_node_width.size(), -1);
    m_counts.clear();
    if (m_model.RootNode() != NoNode)
        AddSubtree(m_model.RootNode());
}

void WidestLabel::ForEachRow(QModelIndex const& parent, int first, int last, void (WidestLabel::*act)(NodeId))
{
    for (int row = first; row <= last; ++row) {
        NodeId const node = m_model.NodeOfIndex(m_model.index(row, 0, parent));
        if (node != NoNode)
            (this->*act)(node);
    }
}

void WidestLabel::AddSubtree(NodeId node)
{
    ForEachInSubtree(node, &WidestLabel::Add);
}

void WidestLabel::RemoveSubtree(NodeId node)
{
    ForEachInSubtree(node, &WidestLabel::Remove);
}

void WidestLabel::ForEachInSubtree(NodeId node, void (WidestLabel::*act)(NodeId))
{
    if (!m_model.Contains(node))
        return;
    // Iterative, so that a tree of any depth is walked without deep recursion.
    m_pending.assign(1, node);
    while (!m_pending.empty()) {
        NodeId const next = m_pending.back();
        m_pending.pop_back();
        (this->*act)(next);
        auto const children = m_model.ChildrenOf(next);
        m_pending.insert(m_pending.end(), children.begin(), children.end());
    }
}

void WidestLabel::Add(NodeId node)
{
    if (node == NoNode)
        return;
    auto const slot = static_cast<std::size_t>(node);
    if (slot >= m_node_width.size())
        m_node_width.resize(slot + 1, -1);
    if (m_node_width[slot] >= 0)
        return;
    int const width
        = m_model.DepthOf(node) * m_indentation + m_widths.ShiftJisWidth(m_model.NameBytesOf(node));
    m_node_width[slot] = width;
    ++m_counts[width];
}

void WidestLabel::Remove(NodeId node)
{
    auto const slot = static_cast<std::size_t>(node);
    if (node == NoNode || slot >= m_node_width.size() || m_node_width[slot] < 0)
        return;
    auto const count = m_counts.find(m_node_width[slot]);
    if (count != m_counts.end() && --count->second == 0)
        m_counts.erase(count);
    m_node_width[slot] = -1;
}

} // namespace edamaki
