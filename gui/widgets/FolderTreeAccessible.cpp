#include "gui/widgets/FolderTreeAccessible.h"

#include "gui/widgets/FolderTreeView.h"

#include <QAccessibleWidget>
#include <QPersistentModelIndex>
#include <QPointer>

#include <unordered_map>

namespace edamaki {

namespace {

// One shown row. It stays valid while its folder does.
class FolderRowAccessible final : public QAccessibleInterface {
public:
    FolderRowAccessible(FolderTreeView* view, QModelIndex const& index)
        : m_view(view)
        , m_index(index)
    {
    }

    bool isValid() const override { return m_view && m_index.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_view); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(QAccessibleInterface const*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::TreeItem; }
    void setText(QAccessible::Text, QString const&) override { }

    QString text(QAccessible::Text kind) const override
    {
        return isValid() && kind == QAccessible::Name ? m_index.data().toString() : QString();
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        QRect const row = m_view->visualRect(m_index);
        return { m_view->viewport()->mapToGlobal(row.topLeft()), row.size() };
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.focusable = true;
        state.selected = m_view->selectionModel()->isSelected(m_index);
        state.focused = m_view->hasFocus() && m_view->currentIndex() == m_index;
        state.invisible = m_view->RowOf(m_index) < 0;
        state.offscreen = !m_view->viewport()->rect().intersects(m_view->visualRect(m_index));
        bool const folder_with_children = m_index.model()->rowCount(m_index) > 0;
        state.expandable = folder_with_children;
        state.expanded = folder_with_children && m_view->isExpanded(m_index);
        state.collapsed = folder_with_children && !state.expanded;
        return state;
    }

    QModelIndex Index() const { return m_index; }

private:
    QPointer<FolderTreeView> m_view;
    QPersistentModelIndex m_index;
};

class FolderTreeAccessible final : public QAccessibleWidget {
public:
    explicit FolderTreeAccessible(FolderTreeView* view)
        : QAccessibleWidget(view, QAccessible::Tree)
    {
    }
    ~FolderTreeAccessible() override { ForgetRows(); }

    int childCount() const override { return View()->RowCount(); }

    QAccessibleInterface* child(int row) const override
    {
        QModelIndex const index = View()->IndexOfRow(row);
        if (!index.isValid())
            return nullptr;
        // Rows made before the shown rows last changed may stand elsewhere now.
        if (m_revision != View()->RowsRevision()) {
            ForgetRows();
            m_revision = View()->RowsRevision();
        }
        auto const key = index.internalId();
        auto const found = m_rows.find(key);
        if (found != m_rows.end())
            return QAccessible::accessibleInterface(found->second);
        auto* row_interface = new FolderRowAccessible(View(), index);
        m_rows.emplace(key, QAccessible::registerAccessibleInterface(row_interface));
        return row_interface;
    }

    int indexOfChild(QAccessibleInterface const* child) const override
    {
        auto const* row = dynamic_cast<FolderRowAccessible const*>(child);
        return row && row->isValid() ? View()->RowOf(row->Index()) : -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        QPoint const point = View()->viewport()->mapFromGlobal(QPoint(x, y));
        return child(View()->RowOf(View()->indexAt(point)));
    }

    QAccessibleInterface* focusChild() const override
    {
        return View()->hasFocus() ? child(View()->RowOf(View()->currentIndex())) : nullptr;
    }

private:
    FolderTreeView* View() const { return static_cast<FolderTreeView*>(widget()); }

    void ForgetRows() const
    {
        for (auto const& [key, id] : m_rows)
            QAccessible::deleteAccessibleInterface(id);
        m_rows.clear();
    }

    mutable std::unordered_map<quintptr, QAccessible::Id> m_rows;
    mutable unsigned m_revision = 0;
};

} // namespace

QAccessibleInterface* FolderTreeAccessibleFactory(QString const& class_name, QObject* object)
{
    if (class_name != QLatin1String(FolderTreeView::staticMetaObject.className()) || !object
        || !object->isWidgetType())
        return nullptr;
    return new FolderTreeAccessible(static_cast<FolderTreeView*>(object));
}

} // namespace edamaki
