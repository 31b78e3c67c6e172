#pragma once

// The tree pane's view of a folder tree model: one column of folders, each
// indented by its depth under an expand button, every folder open unless the
// user closed it. It keeps the shown rows as one list of node ids in the
// order they are drawn, so that a row's place and a place's row take no
// walk, and rebuilds that list in one pass over the tree after the tree
// changes. A change in a large tree thus costs one cheap pass, where a
// QTreeView lays out every row again through the model and keeps a
// persistent index per open folder that every removal of rows must visit.
// It asks the model only through FolderRows, by node id.
//
// The names of the QTreeView functions it stands in for are kept.

#include "gui/models/FolderRows.h"

#include <QAbstractItemView>
#include <QElapsedTimer>

#include <functional>
#include <unordered_set>
#include <vector>

namespace edamaki {

class FolderTreeView : public QAbstractItemView {
    Q_OBJECT

public:
    using NodeId = FolderRows::NodeId;
    static constexpr NodeId NoNode = FolderRows::NoNode;

    explicit FolderTreeView(FolderRows& model, QWidget* parent = nullptr);

    // True for a folder with children that shows them.
    bool isExpanded(QModelIndex const& index) const;
    void setExpanded(QModelIndex const& index, bool expanded);
    void expand(QModelIndex const& index) { setExpanded(index, true); }
    void collapse(QModelIndex const& index) { setExpanded(index, false); }
    // Opens the folder and everything below it.
    void expandRecursively(QModelIndex const& index);
    void expandAll();
    void collapseAll();
    // Asked before a folder closes; a folder the rule refuses stays open.
    void SetCollapseRule(std::function<bool(QModelIndex const&)> rule) { m_may_collapse = std::move(rule); }
    // True for a folder with children that may open or close now.
    bool MayToggle(QModelIndex const& index) const;

    int indentation() const { return m_indentation; }
    void setIndentation(int indentation);
    // The column's width: the viewport's, or the minimum when that is wider
    // (the view then scrolls sideways).
    int ColumnWidth() const;
    void SetMinimumColumnWidth(int width);
    int MinimumColumnWidth() const { return m_minimum_column_width; }

    // The shown rows, top to bottom: the folders not inside a closed one.
    int RowCount() const;
    // The folder on shown row `row`, or an invalid index.
    QModelIndex IndexOfRow(int row) const;
    // The shown row of a folder, or -1.
    int RowOf(QModelIndex const& index) const;
    int RowOf(NodeId node) const;
    // The folder on shown row `row`, or NoNode.
    NodeId NodeOfRow(int row) const;
    FolderRows const& Model() const { return m_model; }
    // Changes whenever the shown rows may have.
    unsigned RowsRevision() const { return m_rows_revision; }

    QRect visualRect(QModelIndex const& index) const override;
    void scrollTo(QModelIndex const& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(QPoint const& point) const override;
    // Letters typed in quick succession move the cursor to the next shown
    // folder whose label starts with them; one letter typed again moves on to
    // the next such folder.
    void keyboardSearch(QString const& search) override;
    void reset() override;
    void doItemsLayout() override;

protected slots:
    void currentChanged(QModelIndex const& current, QModelIndex const& previous) override;
    void selectionChanged(QItemSelection const& selected, QItemSelection const& deselected) override;
    void rowsInserted(QModelIndex const& parent, int first, int last) override;

protected:
    // Besides moving the cursor, "+" opens the current folder, "-" closes
    // it and "*" opens it and everything below it.
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(QModelIndex const& index) const override;
    void setSelection(QRect const& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(QItemSelection const& selection) const override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void changeEvent(QEvent* event) override;

private:
    // The shown rows are rebuilt at the next use and the scroll bars set
    // again with the next layout.
    void RowsChanged();
    void EnsureRows() const;
    bool IsCollapsed(NodeId node) const { return !m_collapsed.empty() && m_collapsed.contains(node); }
    bool HasChildren(NodeId node) const { return m_model.HasChildren(node); }
    // Screen readers hear at once that a shown folder opened or closed, and
    // which rows' selection changed.
    void AnnounceExpansion(QModelIndex const& index, bool was_expanded);
    void AnnounceSelection(QItemSelection const& selected, QItemSelection const& deselected);
    void AnnounceSelectionOfRows(QItemSelection const& ranges);
    int RowHeight() const;
    // Rows [first, last] that `rect` of the viewport covers; empty when first > last.
    std::pair<int, int> RowsIn(QRect const& rect) const;
    QRect RowRect(int row) const;

    FolderRows& m_model;
    std::function<bool(QModelIndex const&)> m_may_collapse;
    // The folders the user closed.
    std::unordered_set<NodeId> m_collapsed;
    int m_indentation = 20;
    int m_minimum_column_width = 0;
    // Rebuilt on use after a change of the tree, of its shown folders or of the font.
    mutable bool m_rows_stale = true;
    unsigned m_rows_revision = 0;
    mutable std::vector<NodeId> m_rows;
    mutable std::vector<int> m_row_of; // by node id, -1 for a node not shown
    mutable int m_row_height = 0;
    QString m_typed; // by keyboardSearch
    QElapsedTimer m_typed_clock;
};

} // namespace edamaki
