#include "gui/widgets/FolderTreeView.h"

#include "gui/qt/QtShiftJis.h"
#include "gui/widgets/FolderTreeAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <span>

namespace edamaki {

namespace {

// Visits `top` and the folders below it in the order the rows are drawn:
// depth first, each folder before its children. `visit` returns whether the
// walk goes on below the folder. Keeps a range of siblings per level, never
// a frame, so any depth is safe.
template<typename Visit> void WalkInRowOrder(FolderRows const& rows, FolderRows::NodeId top, Visit&& visit)
{
    std::vector<std::span<FolderRows::NodeId const>> pending;
    auto const enter = [&](FolderRows::NodeId node) {
        if (!visit(node))
            return;
        std::span<FolderRows::NodeId const> const children = rows.ChildrenOf(node);
        if (!children.empty())
            pending.push_back(children);
    };
    enter(top);
    while (!pending.empty()) {
        std::span<FolderRows::NodeId const>& siblings = pending.back();
        FolderRows::NodeId const node = siblings.front();
        siblings = siblings.subspan(1);
        if (siblings.empty())
            pending.pop_back();
        enter(node);
    }
}

} // namespace

FolderTreeView::FolderTreeView(FolderRows& model, QWidget* parent)
    : QAbstractItemView(parent)
    , m_model(model)
{
    static bool const accessible = (QAccessible::installFactory(&FolderTreeAccessibleFactory), true);
    Q_UNUSED(accessible);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
    setModel(&model);
    // Rows removed and layouts changed have no overridable slot of the base.
    // Closed folders that went are forgotten with them.
    auto const rows_went = [this] {
        std::erase_if(m_collapsed, [this](NodeId node) { return !m_model.Contains(node); });
        RowsChanged();
    };
    connect(&model, &QAbstractItemModel::rowsRemoved, this, rows_went);
    connect(&model, &QAbstractItemModel::layoutChanged, this, rows_went);
}

void FolderTreeView::RowsChanged()
{
    m_rows_stale = true;
    ++m_rows_revision;
    scheduleDelayedItemsLayout();
    viewport()->update();
}

void FolderTreeView::EnsureRows() const
{
    if (!m_rows_stale)
        return;
    m_rows_stale = false;
    m_rows.clear();
    std::fill(m_row_of.begin(), m_row_of.end(), -1);
    NodeId const root = m_model.RootNode();
    if (root == NoNode)
        return;
    // A closed folder's children are skipped.
    WalkInRowOrder(m_model, root, [this](NodeId node) {
        auto const id = static_cast<std::size_t>(node);
        if (id >= m_row_of.size())
            m_row_of.resize(std::max(id + 1, m_row_of.size() * 2), -1);
        m_row_of[id] = static_cast<int>(m_rows.size());
        m_rows.push_back(node);
        return !IsCollapsed(node);
    });
}

int FolderTreeView::RowOf(NodeId node) const
{
    EnsureRows();
    auto const id = static_cast<std::size_t>(node);
    return node != NoNode && id < m_row_of.size() ? m_row_of[id] : -1;
}

int FolderTreeView::RowOf(QModelIndex const& index) const
{
    return RowOf(m_model.NodeOfIndex(index));
}

FolderTreeView::NodeId FolderTreeView::NodeOfRow(int row) const
{
    EnsureRows();
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? m_rows[static_cast<std::size_t>(row)] : NoNode;
}

int FolderTreeView::RowCount() const
{
    EnsureRows();
    return static_cast<int>(m_rows.size());
}

int FolderTreeView::RowHeight() const
{
    if (m_row_height > 0 || m_model.RootNode() == NoNode)
        return std::max(m_row_height, 1);
    // Every row is as high as the first: one icon and one line of text.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    m_row_height = std::max(itemDelegate()->sizeHint(option, IndexOfRow(0)).height(), 1);
    return m_row_height;
}

QModelIndex FolderTreeView::IndexOfRow(int row) const
{
    NodeId const node = NodeOfRow(row);
    return node == NoNode ? QModelIndex() : m_model.IndexOfNode(node);
}

std::pair<int, int> FolderTreeView::RowsIn(QRect const& rect) const
{
    int const height = RowHeight();
    int const first = std::max(0, (rect.top() + verticalOffset()) / height);
    int const last = std::min(RowCount() - 1, (rect.bottom() + verticalOffset()) / height);
    return { first, last };
}

QRect FolderTreeView::RowRect(int row) const
{
    int const height = RowHeight();
    int const indent = m_model.DepthOf(m_rows[static_cast<std::size_t>(row)]) * m_indentation;
    return { indent - horizontalOffset(), row * height - verticalOffset(), ColumnWidth() - indent, height };
}

bool FolderTreeView::isExpanded(QModelIndex const& index) const
{
    NodeId const node = m_model.NodeOfIndex(index);
    return HasChildren(node) && !IsCollapsed(node);
}

bool FolderTreeView::MayToggle(QModelIndex const& index) const
{
    NodeId const node = m_model.NodeOfIndex(index);
    return HasChildren(node) && (IsCollapsed(node) || !m_may_collapse || m_may_collapse(index));
}

void FolderTreeView::setExpanded(QModelIndex const& index, bool expanded)
{
    NodeId const node = m_model.NodeOfIndex(index);
    if (!HasChildren(node) || expanded == isExpanded(index))
        return;
    if (expanded)
        m_collapsed.erase(node);
    else if (!m_may_collapse || m_may_collapse(index))
        m_collapsed.insert(node);
    else
        return;
    RowsChanged();
    AnnounceExpansion(index, !expanded);
}

void FolderTreeView::AnnounceExpansion(QModelIndex const& index, bool was_expanded)
{
    if (!ScreenReaderListens() || isExpanded(index) == was_expanded)
        return;
    int const row = RowOf(index);
    if (row < 0)
        return;
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent event(this, changed);
    event.setChild(row);
    TellScreenReaders(event);
    // The row's description says whether it is open: readers that get no
    // expanded state change hear this one.
    QAccessibleEvent description(this, QAccessible::DescriptionChanged);
    description.setChild(row);
    TellScreenReaders(description);
}

void FolderTreeView::expandRecursively(QModelIndex const& index)
{
    NodeId const top = m_model.NodeOfIndex(index);
    if (top == NoNode)
        return;
    auto const below_top = [this, top](NodeId node) {
        for (; node != NoNode; node = m_model.ParentOf(node)) {
            if (node == top)
                return true;
        }
        return false;
    };
    bool const was_expanded = isExpanded(index);
    if (std::erase_if(m_collapsed, below_top) > 0)
        RowsChanged();
    AnnounceExpansion(index, was_expanded);
}

void FolderTreeView::expandAll()
{
    if (m_collapsed.empty())
        return;
    bool const was_expanded = isExpanded(currentIndex());
    m_collapsed.clear();
    RowsChanged();
    AnnounceExpansion(currentIndex(), was_expanded);
}

void FolderTreeView::collapseAll()
{
    NodeId const root = m_model.RootNode();
    if (root == NoNode)
        return;
    bool const was_expanded = isExpanded(currentIndex());
    WalkInRowOrder(m_model, root, [this](NodeId node) {
        if (HasChildren(node) && (!m_may_collapse || m_may_collapse(m_model.IndexOfNode(node))))
            m_collapsed.insert(node);
        return true;
    });
    RowsChanged();
    AnnounceExpansion(currentIndex(), was_expanded);
}

void FolderTreeView::setIndentation(int indentation)
{
    m_indentation = indentation;
    updateGeometries();
    viewport()->update();
}

int FolderTreeView::ColumnWidth() const
{
    return std::max(m_minimum_column_width, viewport()->width());
}

void FolderTreeView::SetMinimumColumnWidth(int width)
{
    if (width == m_minimum_column_width)
        return;
    m_minimum_column_width = width;
    updateGeometries();
    viewport()->update();
}

QRect FolderTreeView::visualRect(QModelIndex const& index) const
{
    int const row = RowOf(index);
    return row < 0 ? QRect() : RowRect(row);
}

void FolderTreeView::scrollTo(QModelIndex const& index, ScrollHint hint)
{
    // The scroll bars must cover rows added since the last layout.
    executeDelayedItemsLayout();
    int const row = RowOf(index);
    if (row < 0)
        return;
    int const height = RowHeight();
    int const top = row * height;
    int const shown = viewport()->height();
    QScrollBar* vertical = verticalScrollBar();
    switch (hint) {
    case EnsureVisible:
        if (top < vertical->value())
            vertical->setValue(top);
        else if (top + height > vertical->value() + shown)
            vertical->setValue(top + height - shown);
        break;
    case PositionAtTop:
        vertical->setValue(top);
        break;
    case PositionAtBottom:
        vertical->setValue(top + height - shown);
        break;
    case PositionAtCenter:
        vertical->setValue(top - (shown - height) / 2);
        break;
    }
    // Sideways, the folder's button and the start of its label come into view.
    int const left = (m_model.DepthOf(m_rows[static_cast<std::size_t>(row)]) - 1) * m_indentation;
    QScrollBar* horizontal = horizontalScrollBar();
    if (left < horizontal->value() || left + 2 * m_indentation > horizontal->value() + viewport()->width())
        horizontal->setValue(left);
}

QModelIndex FolderTreeView::indexAt(QPoint const& point) const
{
    if (point.y() < 0 || point.x() + horizontalOffset() >= ColumnWidth())
        return {};
    return IndexOfRow((point.y() + verticalOffset()) / RowHeight());
}

void FolderTreeView::keyboardSearch(QString const& search)
{
    if (search.isEmpty() || RowCount() == 0)
        return;
    bool const going_on
        = m_typed_clock.isValid() && m_typed_clock.elapsed() < QApplication::keyboardInputInterval();
    m_typed_clock.restart();
    m_typed = going_on ? m_typed + search : search;
    bool const one_letter_again = m_typed.size() > 1 && m_typed.count(m_typed.front()) == m_typed.size();
    QString const wanted = one_letter_again ? m_typed.left(1) : m_typed;
    // A longer prefix may still fit the current folder; anything else starts below it.
    int const current = RowOf(currentIndex());
    int const first = going_on && !one_letter_again ? std::max(current, 0) : current + 1;
    // Most labels are told apart by their first byte, without converting them.
    std::string const wanted_start = QStringToShiftJisForReading(wanted.left(1).toLower())
        + QStringToShiftJisForReading(wanted.left(1).toUpper());
    for (int step = 0; step < RowCount(); ++step) {
        int const row = (first + step) % RowCount();
        NodeId const node = m_rows[static_cast<std::size_t>(row)];
        std::string_view const name = m_model.NameBytesOf(node);
        if (name.empty() || wanted_start.find(name.front()) == std::string::npos)
            continue;
        if (m_model.LabelOf(node).startsWith(wanted, Qt::CaseInsensitive)) {
            setCurrentIndex(IndexOfRow(row));
            return;
        }
    }
}

void FolderTreeView::reset()
{
    m_collapsed.clear();
    m_row_height = 0;
    RowsChanged();
    QAbstractItemView::reset();
}

void FolderTreeView::doItemsLayout()
{
    EnsureRows();
    QAbstractItemView::doItemsLayout();
}

void FolderTreeView::rowsInserted(QModelIndex const& parent, int first, int last)
{
    RowsChanged();
    QAbstractItemView::rowsInserted(parent, first, last);
}

void FolderTreeView::keyPressEvent(QKeyEvent* event)
{
    QModelIndex const current = currentIndex();
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        // Shift+F10 opens the context menu, as the Menu key does, at the cursor's row.
        QRect const row = visualRect(current);
        QPoint const point = row.isValid() ? row.center() : QPoint(0, 0);
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, point, viewport()->mapToGlobal(point));
        QCoreApplication::sendEvent(viewport(), &menu);
        return;
    }
    if (current.isValid()
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        switch (event->key()) {
        case Qt::Key_Plus:
            expand(current);
            return;
        case Qt::Key_Minus:
            collapse(current);
            return;
        case Qt::Key_Asterisk:
            expandRecursively(current);
            return;
        default:
            break;
        }
    }
    QAbstractItemView::keyPressEvent(event);
}

void FolderTreeView::currentChanged(QModelIndex const& current, QModelIndex const& previous)
{
    QAbstractItemView::currentChanged(current, previous);
    // Screen readers follow the cursor.
    if (!ScreenReaderListens() || !hasFocus())
        return;
    if (int const row = RowOf(current); row >= 0) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(row);
        TellScreenReaders(event);
    }
}

void FolderTreeView::selectionChanged(QItemSelection const& selected, QItemSelection const& deselected)
{
    QAbstractItemView::selectionChanged(selected, deselected);
    if (ScreenReaderListens())
        AnnounceSelection(selected, deselected);
}

void FolderTreeView::AnnounceSelection(QItemSelection const& selected, QItemSelection const& deselected)
{
    // Each shown row whose selection changed says so, up to a few; a larger
    // change (Shift+End over many rows) is told once, for the whole tree, so
    // that it costs no more than a small one.
    constexpr int each_row_up_to = 64;
    int changed = 0;
    for (QItemSelection const* ranges : { &selected, &deselected }) {
        for (QItemSelectionRange const& range : *ranges)
            changed += changed > each_row_up_to ? 0 : range.height();
    }
    if (changed <= each_row_up_to) {
        AnnounceSelectionOfRows(selected);
        AnnounceSelectionOfRows(deselected);
    }
    QAccessibleEvent within(this, QAccessible::SelectionWithin);
    TellScreenReaders(within);
}

void FolderTreeView::AnnounceSelectionOfRows(QItemSelection const& ranges)
{
    for (QItemSelectionRange const& range : ranges) {
        for (int model_row = range.top(); model_row <= range.bottom(); ++model_row) {
            int const row = RowOf(m_model.index(model_row, 0, range.parent()));
            if (row < 0)
                continue;
            QAccessibleEvent event(this, QAccessible::Selection);
            event.setChild(row);
            TellScreenReaders(event);
        }
    }
}

QModelIndex FolderTreeView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    QModelIndex const current = currentIndex();
    int const row = RowOf(current);
    if (row < 0)
        return IndexOfRow(0);
    int const page = std::max(1, viewport()->height() / RowHeight() - 1);
    switch (action) {
    case MoveUp:
    case MovePrevious:
        return row > 0 ? IndexOfRow(row - 1) : current;
    case MoveDown:
    case MoveNext:
        return row + 1 < RowCount() ? IndexOfRow(row + 1) : current;
    case MovePageUp:
        return IndexOfRow(std::max(0, row - page));
    case MovePageDown:
        return IndexOfRow(std::min(RowCount() - 1, row + page));
    case MoveHome:
        return IndexOfRow(0);
    case MoveEnd:
        return IndexOfRow(RowCount() - 1);
    case MoveLeft:
        // An open folder closes; otherwise the cursor goes to the parent.
        if (isExpanded(current)) {
            collapse(current);
            if (!isExpanded(current))
                return current;
        }
        return current.parent().isValid() ? current.parent() : current;
    case MoveRight:
        // A closed folder opens; an open one passes the cursor to its first child.
        if (!HasChildren(m_model.NodeOfIndex(current)))
            return current;
        if (!isExpanded(current)) {
            expand(current);
            return current;
        }
        return m_model.index(0, 0, current);
    }
    return current;
}

int FolderTreeView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int FolderTreeView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

bool FolderTreeView::isIndexHidden(QModelIndex const&) const
{
    return false;
}

void FolderTreeView::setSelection(QRect const& rect, QItemSelectionModel::SelectionFlags command)
{
    auto const [first, last] = RowsIn(rect.normalized());
    // Siblings on consecutive rows (folders without open children) make one range.
    QItemSelection selection;
    for (int row = first; row <= last; ++row) {
        QModelIndex const index = IndexOfRow(row);
        if (!selection.isEmpty() && selection.back().parent() == index.parent()
            && selection.back().bottom() + 1 == index.row())
            selection.back() = QItemSelectionRange(selection.back().topLeft(), index);
        else
            selection.append(QItemSelectionRange(index, index));
    }
    selectionModel()->select(selection, command);
}

QRegion FolderTreeView::visualRegionForSelection(QItemSelection const& selection) const
{
    // Only the rows in view can need a repaint; a selected row is marked from
    // the left edge, so its whole width.
    auto const [first, last] = RowsIn(viewport()->rect());
    int const width = viewport()->width();
    QRegion region;
    for (QItemSelectionRange const& range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            int const shown = RowOf(m_model.index(row, 0, range.parent()));
            if (shown >= first && shown <= last) {
                QRect const rect = RowRect(shown);
                region += QRect(0, rect.top(), std::max(width, rect.right() + 1), rect.height());
            }
        }
    }
    return region;
}

void FolderTreeView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    QStyleOptionViewItem base;
    initViewItemOption(&base);
    base.showDecorationSelected
        = style()->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, nullptr, this);
    bool const focused = hasFocus() || viewport()->hasFocus();
    QModelIndex const current = currentIndex();
    QItemSelectionModel const* selection = selectionModel();
    NodeId const root = m_model.RootNode();
    auto const [first, last] = RowsIn(event->rect());
    for (int row = first; row <= last; ++row) {
        NodeId const node = m_rows[static_cast<std::size_t>(row)];
        QModelIndex const index = m_model.IndexOfNode(node);
        QStyleOptionViewItem option = base;
        option.rect = RowRect(row);
        if (selection->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (focused && index == current)
            option.state |= QStyle::State_HasFocus;
        if (option.showDecorationSelected && (option.state & QStyle::State_Selected)) {
            // A selected row is marked from the left edge, its indent included.
            QStyleOptionViewItem indent = option;
            indent.rect = QRect(-horizontalOffset(), option.rect.top(),
                option.rect.left() + horizontalOffset(), option.rect.height());
            style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &indent, &painter, this);
        }
        if (HasChildren(node) && node != root) {
            QStyleOption button;
            button.initFrom(this);
            button.rect = QRect(
                option.rect.left() - m_indentation, option.rect.top(), m_indentation, option.rect.height());
            button.state = QStyle::State_Item | QStyle::State_Children
                | (IsCollapsed(node) ? QStyle::State_None : QStyle::State_Open);
            style()->drawPrimitive(QStyle::PE_IndicatorBranch, &button, &painter, this);
        }
        itemDelegate()->paint(&painter, option, index);
    }
}

void FolderTreeView::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
}

void FolderTreeView::updateGeometries()
{
    int const height = RowHeight();
    QSize const shown = viewport()->size();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setSingleStep(height);
    vertical->setPageStep(shown.height());
    vertical->setRange(0, std::max(0, RowCount() * height - shown.height()));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setSingleStep(m_indentation);
    horizontal->setPageStep(shown.width());
    horizontal->setRange(0, std::max(0, m_minimum_column_width - shown.width()));
    QAbstractItemView::updateGeometries();
}

void FolderTreeView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_row_height = 0;
        scheduleDelayedItemsLayout();
    }
    QAbstractItemView::changeEvent(event);
}

} // namespace edamaki
