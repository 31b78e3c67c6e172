#include "gui/widgets/FolderTreeAccessible.h"

#include "gui/models/FolderRows.h"
#include "gui/qt/AtSpiEvents.h"
#include "gui/widgets/FolderTreeView.h"

#include <QAccessibleWidget>
#include <QPointer>

#include <unordered_map>

namespace edamaki {

namespace {

using NodeId = FolderRows::NodeId;

// One shown row, known by its folder: it keeps its place in the accessible
// cache (and so its id) for as long as the folder is shown, wherever the
// folder's row moves as other folders open and close.
class FolderRowAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    FolderRowAccessible(FolderTreeView* view, NodeId node)
        : m_view(view)
        , m_node(node)
    {
    }

    bool isValid() const override { return m_view && m_view->RowOf(m_node) >= 0; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_view); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(QAccessibleInterface const*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::TreeItem; }
    void setText(QAccessible::Text, QString const&) override { }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return {};
        if (kind == QAccessible::Name)
            return m_view->Model().LabelOf(m_node);
        if (kind != QAccessible::Description)
            return {};
        // What the creation run would do with the folder, when the model knows.
        QString const state = Index().data(Qt::AccessibleDescriptionRole).toString();
        return state.isEmpty() ? Place() : state + Place();
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        QRect const row = m_view->visualRect(Index());
        return { m_view->viewport()->mapToGlobal(row.topLeft()), row.size() };
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        QModelIndex const index = Index();
        state.selectable = true;
        state.focusable = true;
        state.selected = m_view->selectionModel()->isSelected(index);
        state.focused = m_view->hasFocus() && m_view->currentIndex() == index;
        state.offscreen = !m_view->viewport()->rect().intersects(m_view->visualRect(index));
        bool const folder_with_children = m_view->Model().HasChildren(m_node);
        state.expandable = folder_with_children;
        state.expanded = folder_with_children && m_view->isExpanded(index);
        state.collapsed = folder_with_children && !state.expanded;
        return state;
    }

    // A folder with children opens or closes, as with "+" and "-".
    QStringList actionNames() const override
    {
        return isValid() && m_view->MayToggle(Index()) ? QStringList { toggleAction() } : QStringList();
    }

    QString localizedActionDescription(QString const& name) const override
    {
        if (name != toggleAction() || !isValid())
            return {};
        return m_view->isExpanded(Index()) ? QStringLiteral("フォルダを閉じる")
                                           : QStringLiteral("フォルダを開く");
    }

    void doAction(QString const& name) override
    {
        if (name == toggleAction() && isValid() && m_view->MayToggle(Index()))
            m_view->setExpanded(Index(), !m_view->isExpanded(Index()));
    }

    QStringList keyBindingsForAction(QString const& name) const override
    {
        if (name != toggleAction() || !isValid())
            return {};
        return { m_view->isExpanded(Index()) ? QStringLiteral("-") : QStringLiteral("+") };
    }

    NodeId Node() const { return m_node; }

private:
    QModelIndex Index() const { return m_view->Model().IndexOfNode(m_node); }

    // Whether the folder is open, its level (the top folder is 1) and its
    // place among its siblings. The AT-SPI bridge of Qt 6.4 passes on no
    // object attributes, so readers get them with the row's description; the
    // view also announces opening and closing as a description change.
    QString Place() const
    {
        FolderRows const& rows = m_view->Model();
        QModelIndex const index = Index();
        NodeId const parent = rows.ParentOf(m_node);
        int const siblings
            = parent == FolderRows::NoNode ? 1 : static_cast<int>(rows.ChildrenOf(parent).size());
        QString const place = QStringLiteral("階層 %1、%2 個中 %3 番目")
                                  .arg(rows.DepthOf(m_node) + 1)
                                  .arg(siblings)
                                  .arg(index.row() + 1);
        if (!rows.HasChildren(m_node) || m_node == rows.RootNode())
            return place;
        return (m_view->isExpanded(index) ? QStringLiteral("開いています、")
                                          : QStringLiteral("閉じています、"))
            + place;
    }

    QPointer<FolderTreeView> m_view;
    NodeId const m_node;
};

class FolderTreeAccessible final : public QAccessibleWidget {
public:
    explicit FolderTreeAccessible(FolderTreeView* view)
        : QAccessibleWidget(view, QAccessible::Tree)
    {
    }
    ~FolderTreeAccessible() override
    {
        for (auto const& [node, id] : m_rows)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return View()->RowCount(); }

    QAccessibleInterface* child(int row) const override
    {
        NodeId const node = View()->NodeOfRow(row);
        if (node == FolderRows::NoNode)
            return nullptr;
        ForgetHiddenRows();
        auto const found = m_rows.find(node);
        if (found != m_rows.end())
            return QAccessible::accessibleInterface(found->second);
        auto* row_interface = new FolderRowAccessible(View(), node);
        m_rows.emplace(node, QAccessible::registerAccessibleInterface(row_interface));
        return row_interface;
    }

    int indexOfChild(QAccessibleInterface const* child) const override
    {
        auto const* row = dynamic_cast<FolderRowAccessible const*>(child);
        return row && row->isValid() ? View()->RowOf(row->Node()) : -1;
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

    // Rows whose folder is no longer shown (closed over, or gone from the
    // tree) are let go once the shown rows have changed; the others keep
    // their ids. The work grows with the rows a reader asked for, not with
    // the rows shown.
    void ForgetHiddenRows() const
    {
        if (m_revision == View()->RowsRevision())
            return;
        m_revision = View()->RowsRevision();
        for (auto row = m_rows.begin(); row != m_rows.end();) {
            if (View()->RowOf(row->first) >= 0) {
                ++row;
                continue;
            }
            QAccessible::deleteAccessibleInterface(row->second);
            row = m_rows.erase(row);
        }
    }

    mutable std::unordered_map<NodeId, QAccessible::Id> m_rows;
    mutable unsigned m_revision = 0;
};

} // namespace

namespace {
ScreenReaderTap screen_reader_tap = nullptr;
}

bool ScreenReaderListens()
{
    return screen_reader_tap != nullptr || QAccessible::isActive();
}

void TellScreenReaders(QAccessibleEvent& event)
{
    QAccessible::updateAccessibility(&event);
    // Qt's AT-SPI bridge drops an expanded state change; it goes on its own.
    if (event.type() == QAccessible::StateChanged && QAccessible::isActive()
        && static_cast<QAccessibleStateChangeEvent&>(event).changedStates().expanded) {
        if (QAccessibleInterface* row = event.accessibleInterface())
            SendExpandedChange(*row);
    }
    if (screen_reader_tap != nullptr)
        screen_reader_tap(event);
}

void SetScreenReaderTap(ScreenReaderTap tap)
{
    screen_reader_tap = tap;
}

QAccessibleInterface* FolderTreeAccessibleFactory(QString const& class_name, QObject* object)
{
    if (class_name != QLatin1String(FolderTreeView::staticMetaObject.className()) || !object
        || !object->isWidgetType())
        return nullptr;
    return new FolderTreeAccessible(static_cast<FolderTreeView*>(object));
}

} // namespace edamaki
