#pragma once

// Shows the core folder tree in an item view: one column, the node's name as
// its text and the folder icon on every node. The model only asks the tree.
// With a forecast of the creation run, each folder also shows what the run
// would do with it: one there already is grey with a check on its icon, one
// that would fail red with a cross, and a tool tip says why; the root node
// tells how the parent folder stands.
// A change to the tree while a view shows it goes through the model, which
// tells the view with the proper begin and end calls: a read reaches the view
// as the rows it inserted, removed or renamed (the first read resets the
// model), and the tree pane's edits insert, remove or change one row. The
// tree pane's view asks it through FolderRows.

#include "core/disk/FolderForecast.h"
#include "core/tree/FolderTree.h"
#include "core/tree/TreeRefresh.h"
#include "gui/models/FolderRows.h"

#include <QIcon>
#include <QString>

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace edamaki {

class FolderTreeModel : public FolderRows {
    Q_OBJECT

public:
    explicit FolderTreeModel(FolderTree& tree, QObject* parent = nullptr);

    void SetFolderIcon(QIcon const& icon);
    // The marks of `forecast`, a forecast of this tree (null: no marks).
    // `current` is false while a forecast of the tree as it stands is still
    // to come: the marks are then an earlier tree's and show dimmed.
    void SetForecast(std::shared_ptr<FolderForecast const> forecast, bool current);
    FolderForecast const* Forecast() const { return m_forecast.get(); }
    // Folders whose source line left a part out for its name: each shows the
    // failing mark, whatever the forecast, and `notes` as its tool tip.
    void SetLeftOutNotes(std::unordered_map<NodeId, QString> notes);
    FolderTree const& Tree() const { return m_tree; }

    NodeId RootNode() const override { return m_tree.HasRoot() ? m_tree.Root() : NoNode; }
    bool Contains(NodeId node) const override { return m_tree.IsInTree(node); }
    std::span<NodeId const> ChildrenOf(NodeId node) const override { return m_tree.Children(node); }
    NodeId ParentOf(NodeId node) const override { return m_tree.Parent(node); }
    int DepthOf(NodeId node) const override { return m_tree.Depth(node); }
    std::string_view NameBytesOf(NodeId node) const override { return m_tree.Name(node); }
    // A name that can't be made shows the mark where its character can't be.
    QString LabelOf(NodeId node) const override;
    QModelIndex IndexOfNode(NodeId node) const override;
    NodeId NodeOfIndex(QModelIndex const& index) const override;

    // A rebuild of the whole tree (a read of the source) happens between these two.
    void BeginRebuild();
    void EndRebuild();
    // Shows the tree read into `fresh`, a tree of its own: the view hears of
    // what differs from the tree it shows (see RefreshTree).
    TreeRefresh ShowRead(FolderTree& fresh, ReadDelta const* delta = nullptr);

    // Appends a new last child of `parent` (NoNode when `parent` is not in
    // the tree; outside a read the folder budget refuses nothing).
    NodeId AppendChild(NodeId parent, std::string_view name, std::int32_t data);
    // Removes a folder with its subtree; the root node stays.
    void RemoveNode(NodeId node);
    // Removes folders with their subtrees. Several at once reach the view as
    // one change of the layout: each removal of rows makes the model move
    // every persistent index below it, which for many removals would cost far
    // more than the removals.
    void RemoveNodes(std::vector<NodeId> const& nodes);
    void Rename(NodeId node, std::string_view name);
    // Sets the parent folder, which the root node's caption shows.
    void SetRootPath(std::string_view path);

    QModelIndex index(int row, int column, QModelIndex const& parent = {}) const override;
    QModelIndex parent(QModelIndex const& child) const override;
    int rowCount(QModelIndex const& parent = {}) const override;
    int columnCount(QModelIndex const& parent = {}) const override;
    QVariant data(QModelIndex const& index, int role = Qt::DisplayRole) const override;
    // A label edit confirmed in the view: the model hands the text on with
    // LabelEdited and leaves the node as it is; the tree pane decides.
    bool setData(QModelIndex const& index, QVariant const& value, int role = Qt::EditRole) override;
    // Every folder's label can be edited, the root node's cannot.
    Qt::ItemFlags flags(QModelIndex const& index) const override;

signals:
    void LabelEdited(edamaki::NodeId node, QString const& text);
    // Marks were put on the folders or taken off; the rows say nothing else:
    // a view repaints the rows it shows.
    void MarksChanged();

private:
    class RefreshNotifier;

    int RowOfNode(NodeId node) const;
    void NotifyNodeChanged(NodeId node, QList<int> const& roles);
    // Every node's icon changed.
    void NotifyIconsChanged();

    // What a row shows of the forecast: a parent folder that may be used has
    // the check alone.
    enum class Shown : std::uint8_t { Plain, There, Failing, UsableParent, LeftOut };
    // The tool tip: what was left out of the node's line, and the forecast's word.
    QString Explanation(NodeId node, int role) const;
    Shown ShownMark(NodeId node) const;

    FolderTree& m_tree;
    QIcon m_folder_icon;
    // The folder icon with each mark, bright and dimmed.
    QIcon m_there_icon[2];
    QIcon m_failing_icon[2];
    std::shared_ptr<FolderForecast const> m_forecast;
    std::unordered_map<NodeId, QString> m_left_out_notes;
    bool m_forecast_current = false;
    // Row of each node among its siblings, checked before use and mended on a miss.
    mutable std::vector<int> m_row_hint;
};

} // namespace edamaki
