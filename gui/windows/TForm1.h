#pragma once

// The tree pane: shows the folder tree that the current source describes.
// The tree (with the parent folder and the source ranges) belongs to the
// program's document; the pane shows it, and the main window reads the source
// into it through the pane after every change, so the view hears of it. A
// read goes into a tree of its own first; the view then hears only of the
// rows that differ, so a key stroke in a large source redoes little of it.
//
// Once a parent folder is set, the pane marks what a creation run would do
// with each folder (there already, to be made, or failing, and why), from a
// forecast made off this thread once changes pause, and counts them on a
// status line below the tree.
//
// The pane also edits the tree: rename, add beside, add inside and delete,
// from its context menu (and F2 to rename). Each edit is written back into
// the source editor at once, and in macro mode a click on a node selects the
// source text that made it.

#include "core/document/SourceDocument.h"
#include "core/tree/FolderTree.h"
#include "core/tree/TreeRefresh.h"
#include "gui/qt/SourceEditorLink.h"
#include "gui/qt/SourceReadScheduler.h"

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QFileSystemWatcher;
class QKeyEvent;
class QLabel;
class QMenu;
class QMouseEvent;
class QPlainTextEdit;
class QModelIndex;

namespace edamaki {

class FolderForecast;
class FolderForecaster;
class SiblingSelection;
class TForm4;
struct Document;
class FolderTreeModel;
class FolderTreeView;
class WidestLabel;

class TForm1 : public QWidget, public ReadView {
    Q_OBJECT

public:
    // Shows the document's tree. Runs FormCreate, whose last step calls
    // `start_up` with this pane.
    TForm1(Document& document, std::function<void(TForm1&)> const& start_up, QWidget* parent = nullptr);
    ~TForm1() override;

    FolderTreeModel& Model() { return *m_model; }

    // Shows a read made elsewhere into `fresh` (which began with the shown
    // tree's kept state, see FolderTree::CopyKeptState), with `map`, the map of
    // its source's lines, as a read of the pane would. `fresh` is left ready
    // for the next read.
    // `delta`, when given, compares `fresh` with a tree that holds just what
    // the shown tree holds (see edamaki::RefreshTree).
    TreeRefresh ShowRead(FolderTree& fresh, SourceMap map, ReadDelta const* delta) override;
    // Called before a click, a key or the context menu reaches the tree view,
    // so that the tree is the one of the source as it stands.
    void SetBeforeTreeUse(std::function<void()> before_tree_use)
    {
        m_before_tree_use = std::move(before_tree_use);
    }
    // Writes the tree as a source of mode `to`; the tree stays as it is (the
    // main window reads the converted text once it stands in the editor).
    SourceConversion ConvertSource(std::vector<std::string> const& lines, SourceMode to) const;

    void SetRootPath(std::string_view shift_jis_path);
    std::string GetRootPath() const;
    bool IsTreeModified() const;

    // Makes the column as wide as the widest label at its depth, so long
    // names scroll sideways instead of being cut. The widths are kept as the
    // tree changes, and the column follows every change of the widest.
    void FitColumnToNames();

    // Switches the folder marks and their status line on or off; off, no
    // forecast runs.
    void ShowFolderMarks(bool shown);
    bool FolderMarksShown() const;
    // The disk may have changed (a run made folders): the marks are made again.
    void RefreshFolderMarks();
    FolderForecaster& Forecaster() { return *m_forecaster; }
    // The stand-ins of the placeholders that have no value yet ("《顧客名》"):
    // the folders whose names hold one are counted apart.
    void SetUnfilledStandIns(std::function<std::vector<std::string>()> stand_ins)
    {
        m_unfilled_stand_ins = std::move(stand_ins);
    }

    // False for the root node: it never collapses.
    bool Tree1Collapsing(QModelIndex const& index) const;

    // The tag dialog whose path field a left click on a node fills while it
    // shows one of its folder tabs.
    void SetTagDialog(TForm4* tag_dialog) { m_tag_dialog = tag_dialog; }
    // The source editor the pane writes its edits into and selects in.
    void LinkEditor(QPlainTextEdit& editor) { m_editor.SetEditor(&editor); }
    // The reads of the editor's text, which leave the pane's write-backs
    // alone and mark the folders that took a placeholder's value.
    void LinkReads(SourceReadScheduler& reads)
    {
        m_editor.SetReads(&reads);
        m_reads = &reads;
    }

    // A mouse button pressed on the view: the selection and the links to the
    // editor and the tag dialog. True when the view must not see the press.
    bool Tree1MouseDown(QMouseEvent const& event);
    // F2 renames the one selected node. True for a key the pane took.
    bool Tree1KeyDown(QKeyEvent const& event);
    // Enables the context menu's items for the selection.
    void PopupMenu1Popup();
    void mEditNodeClick();
    void mAddNodeClick();
    void mAddCNodeClick();
    void mDelNodeClick();
    // A label edit begins on `node` / is confirmed with `text`.
    void Tree1Editing(NodeId node);
    void Tree1Edited(NodeId node, QString const& text);

    // The selected nodes, the first selected first.
    std::vector<NodeId> SelectedNodes() const;
    bool IsEditingLabel() const;

    FolderTreeView* Tree1 = nullptr;
    // The counts of the marks, or that they are being made.
    QLabel* MarksStatus = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* mEditNode = nullptr;
    QAction* mAddNode = nullptr;
    QAction* mAddCNode = nullptr;
    QAction* mDelNode = nullptr;
    // The node images; every node shows the folder icon at FolderIconIndex.
    QList<QIcon> IconList;
    int FolderIconIndex = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(std::function<void(TForm1&)> const& start_up);
    void CreatePopupMenu();
    // Shows the forecaster's marks and counts.
    void ShowMarks();
    // Marks the folders whose lines left a part out for its name.
    void ShowLeftOutParts();
    // Watches the folders on disk whose changes would change the marks.
    void WatchShownFolders(FolderForecast const* forecast);

    // The one node the menu commands act on, or NoNode when there is not
    // exactly one selected or a label edit is going on.
    NodeId ReadyNode() const;
    // The node whose icon or label is at `point` of the viewport, or NoNode.
    NodeId NodeAtLabel(QPoint const& point) const;
    bool IsOnExpandButton(QPoint const& point) const;
    void SelectOnly(NodeId node);
    void ToggleSelection(NodeId node);
    void SelectSiblingsTo(NodeId node);
    void FillTagDialogPath(NodeId node);
    void AddFolder(bool inside);
    void StartLabelEdit(NodeId node);
    // Makes `node` the one selected folder and gives the view the focus.
    void FocusNode(NodeId node);
    // Whether an edit that writes the paths of `written` back may go ahead; a
    // source that would lose a placeholder, or lose or spread a character
    // Shift-JIS lacks, refuses it, and the user is told why.
    bool MayWriteEdit(std::span<NodeId const> written);

    Document& m_document;
    FolderTreeModel* m_model = nullptr;
    WidestLabel* m_widest_label = nullptr;
    SiblingSelection* m_selection = nullptr;
    FolderForecaster* m_forecaster = nullptr;
    QFileSystemWatcher* m_disk_watch = nullptr;
    SourceEditorLink m_editor;
    QPointer<SourceReadScheduler> m_reads;
    TForm4* m_tag_dialog = nullptr;
    NodeId m_anchor = NoNode; // where a Shift-click range starts
    bool m_confirming = false;
    std::function<void()> m_before_tree_use;
    std::function<std::vector<std::string>()> m_unfilled_stand_ins;
};

} // namespace edamaki
