#include "gui/widgets/SiblingSelection.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

SiblingSelection::SiblingSelection(QAbstractItemView& view)
    : QObject(&view)
    , m_view(view)
{
    connect(view.selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &SiblingSelection::SelectionChanged);
    connect(view.model(), &QAbstractItemModel::modelReset, this, [this] { m_order.clear(); });
}

QList<QModelIndex> SiblingSelection::InOrder() const
{
    QItemSelectionModel const* selection = m_view.selectionModel();
    QList<QModelIndex> indexes;
    for (QPersistentModelIndex const& index : m_order) {
        if (index.isValid() && selection->isSelected(index))
            indexes.append(index);
    }
    return indexes;
}

qsizetype SiblingSelection::Count() const
{
    return InOrder().size();
}

void SiblingSelection::SelectionChanged(QItemSelection const& selected, QItemSelection const& deselected)
{
    // Items that went (rows removed with them included) leave the order.
    m_order.removeIf(
        [&](QPersistentModelIndex const& index) { return !index.isValid() || deselected.contains(index); });
    for (QModelIndex const& index : selected.indexes())
        m_order.append(index);
    DeselectStrays();
}

void SiblingSelection::DeselectStrays()
{
    if (m_order.isEmpty())
        return;
    QItemSelectionModel* selection = m_view.selectionModel();
    QModelIndex const current = selection->currentIndex();
    QModelIndex const parent
        = current.isValid() && selection->isSelected(current) ? current.parent() : m_order.back().parent();
    QItemSelection strays;
    for (QPersistentModelIndex const& index : m_order) {
        if (index.isValid() && index.parent() != parent)
            strays.select(index, index);
    }
    if (!strays.isEmpty())
        selection->select(strays, QItemSelectionModel::Deselect);
}
