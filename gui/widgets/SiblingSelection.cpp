#include "gui/widgets/SiblingSelection.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

#include <algorithm>
#include <vector>

namespace edamaki {

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

void SiblingSelection::SelectionChanged(QItemSelection const& selected, QItemSelection const&)
{
    // Items that went (rows removed with them included) leave the order. The
    // selection model is asked, not the deselected ranges: a selection of
    // many single rows would make that a search per item.
    QItemSelectionModel const* selection = m_view.selectionModel();
    m_order.removeIf([&](QPersistentModelIndex const& index) {
        return !index.isValid() || !selection->isSelected(index);
    });
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
    std::vector<int> kept_rows;
    bool strays = false;
    for (QPersistentModelIndex const& index : m_order) {
        if (!index.isValid())
            continue;
        if (index.parent() == parent)
            kept_rows.push_back(index.row());
        else
            strays = true;
    }
    if (!strays)
        return;
    // The siblings are selected again as runs of rows rather than the strays
    // deselected one by one: the model compares every range with every other.
    std::sort(kept_rows.begin(), kept_rows.end());
    QItemSelection kept;
    QAbstractItemModel const* model = m_view.model();
    for (std::size_t first = 0; first < kept_rows.size();) {
        std::size_t last = first;
        while (last + 1 < kept_rows.size() && kept_rows[last + 1] == kept_rows[last] + 1)
            ++last;
        kept.append(QItemSelectionRange(
            model->index(kept_rows[first], 0, parent), model->index(kept_rows[last], 0, parent)));
        first = last + 1;
    }
    selection->select(kept, QItemSelectionModel::ClearAndSelect);
}

} // namespace edamaki
