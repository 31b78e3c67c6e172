#pragma once

// Multi-selection among siblings for a tree view: remembers the order in which
// the items were selected, and keeps the selection to the children of one
// parent, the parent of the current item (an item selected under another
// parent leaves the selection again).

#include <QItemSelection>
#include <QList>
#include <QObject>
#include <QPersistentModelIndex>

class QAbstractItemView;

namespace edamaki {

class SiblingSelection : public QObject {
    Q_OBJECT

public:
    // Follows the view's selection model; set the view's model first.
    explicit SiblingSelection(QAbstractItemView& view);

    // The selected items, the first selected first.
    QList<QModelIndex> InOrder() const;
    qsizetype Count() const;

private:
    void SelectionChanged(QItemSelection const& selected, QItemSelection const& deselected);
    void DeselectStrays();

    QAbstractItemView& m_view;
    QList<QPersistentModelIndex> m_order;
};

} // namespace edamaki
