#include "gui/windows/TForm1.h"

#include "core/document/Document.h"
#include "core/text/ShiftJis.h"
#include "core/tree/MacroSourceReader.h"
#include "core/tree/SourceWriters.h"
#include "core/tree/TextSourceReader.h"
#include "core/tree/TreeEdits.h"
#include "core/tree/TreeRefresh.h"
#include "gui/models/FolderTreeModel.h"
#include "gui/qt/FolderForecaster.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/widgets/FolderTreeView.h"
#include "gui/widgets/JapaneseFont.h"
#include "gui/widgets/MessageBoxes.h"
#include "gui/widgets/SiblingSelection.h"
#include "gui/widgets/TTabStrip.h"
#include "gui/widgets/WidestLabel.h"
#include "gui/windows/SourceErrorText.h"
#include "gui/windows/TForm4.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QScopedValueRollback>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <utility>

namespace edamaki {

namespace {

QString const InvalidNameText = QStringLiteral("フォルダ名が不正です");
QString const PlaceholderLineText = QStringLiteral("プレースホルダを含む行は、テキストで編集してください。");
QString const MacroPlaceholderEditText
    = QStringLiteral("このフォルダのパスにはプレースホルダの値が入っているため、ツリーでは編集できません。\n")
    + PlaceholderLineText;
// A text-mode edit writes every folder line anew.
QString const TextPlaceholderEditText
    = QStringLiteral("ソースにプレースホルダを含む行があるため、ツリーでは編集できません"
                     "（テキストモードでは、ツリーの編集がソース全体を書き直します）。\n")
    + PlaceholderLineText;
// A folder whose name took a placeholder's value.
QColor const ValueNameColour(0x1e, 0x5a, 0xa0);

// Why a typed name is refused: a character no name may hold is named.
QString RefusedNameText(std::string_view typed)
{
    auto const refused = FindRefusedNameCharacter(TrimBlanks(typed));
    return refused ? InvalidNameText + u'\n' + RefusedCharacterText(*refused) : InvalidNameText;
}

// Draws and edits the labels as any item view does, knows whether a label
// edit is open, and tells where a node's icon and label are, so that a click
// beside them selects nothing.
class FolderLabelDelegate : public QStyledItemDelegate {
public:
    FolderLabelDelegate(std::function<bool(QModelIndex const&)> holds_value, QObject* parent)
        : QStyledItemDelegate(parent)
        , m_holds_value(std::move(holds_value))
    {
    }

    QWidget* createEditor(
        QWidget* parent, QStyleOptionViewItem const& option, QModelIndex const& index) const override
    {
        m_editor = QStyledItemDelegate::createEditor(parent, option, index);
        return m_editor;
    }
    void destroyEditor(QWidget* editor, QModelIndex const& index) const override
    {
        if (editor == m_editor)
            m_editor = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }
    bool IsEditing() const { return !m_editor.isNull(); }

    QRect LabelRect(QAbstractItemView const& view, QModelIndex const& index) const
    {
        QStyleOptionViewItem option;
        option.initFrom(view.viewport());
        option.rect = view.visualRect(index);
        option.font = view.font();
        option.decorationSize = view.iconSize();
        initStyleOption(&option, index);
        QStyle const* style = view.style();
        QRect const icon = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, &view);
        QRect const text = style->subElementRect(QStyle::SE_ItemViewItemText, &option, &view);
        int const margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, &view) + 1;
        int const text_width = option.fontMetrics.horizontalAdvance(option.text) + 2 * margin;
        QRect const label(text.left(), option.rect.top(), text_width, option.rect.height());
        return icon.united(label);
    }

protected:
    // A name that took a placeholder's value shows in italics, in a colour of
    // its own unless the model gives it one.
    void initStyleOption(QStyleOptionViewItem* option, QModelIndex const& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!m_holds_value(index))
            return;
        option->font.setItalic(true);
        option->fontMetrics = QFontMetrics(option->font);
        if (!index.data(Qt::ForegroundRole).isValid())
            option->palette.setColor(QPalette::Text, ValueNameColour);
    }

private:
    std::function<bool(QModelIndex const&)> m_holds_value;
    mutable QPointer<QWidget> m_editor;
};

FolderLabelDelegate const& LabelDelegateOf(QAbstractItemView const& view)
{
    return *static_cast<FolderLabelDelegate const*>(view.itemDelegate());
}

QIcon SystemFolderIcon(QStyle const* style)
{
    QIcon icon = QFileIconProvider().icon(QAbstractFileIconProvider::Folder);
    if (icon.isNull() || icon.pixmap(16, 16).isNull())
        icon = style->standardIcon(QStyle::SP_DirIcon);
    return icon;
}

} // namespace

TForm1::TForm1(Document& document, std::function<void(TForm1&)> const& start_up, QWidget* parent)
    : QWidget(parent)
    , m_document(document)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("フォルダツリー"));
    resize(181, 400);

    m_model = new FolderTreeModel(m_document.Tree, this);

    Tree1 = new FolderTreeView(*m_model, this);
    Tree1->setObjectName(QStringLiteral("Tree1"));
    // Embedded in the main window the pane has no title of its own to name it.
    Tree1->setAccessibleName(windowTitle());
    Tree1->setFont(JapaneseFont(ProportionalFamily, 13));
    Tree1->setIndentation(20);
    Tree1->setIconSize(QSize(16, 16));
    Tree1->setTextElideMode(Qt::ElideNone);
    Tree1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Label edits begin from the pane's own commands only.
    Tree1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tree1->setItemDelegate(new FolderLabelDelegate(
        [this](QModelIndex const& index) {
            return m_reads && m_reads->Marks().HoldsValue(m_document.Tree, m_model->NodeOfIndex(index));
        },
        Tree1));
    Tree1->SetCollapseRule([this](QModelIndex const& index) { return Tree1Collapsing(index); });
    m_widest_label = new WidestLabel(*m_model, Tree1->font(), Tree1->indentation(), this);
    connect(m_widest_label, &WidestLabel::WidestChanged, this, &TForm1::FitColumnToNames);
    Tree1->installEventFilter(this);
    Tree1->viewport()->installEventFilter(this);
    m_selection = new SiblingSelection(*Tree1);
    connect(m_model, &FolderTreeModel::LabelEdited, this, &TForm1::Tree1Edited);

    MarksStatus = new QLabel(this);
    MarksStatus->setObjectName(QStringLiteral("MarksStatus"));
    MarksStatus->setAccessibleName(QStringLiteral("フォルダの状態"));
    MarksStatus->setFont(JapaneseFont(ProportionalFamily, 12));
    MarksStatus->setTextFormat(Qt::PlainText);
    MarksStatus->setContentsMargins(4, 0, 4, 0);
    MarksStatus->setFixedHeight(20);
    // Its text never widens the pane.
    MarksStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    MarksStatus->hide();

    // Every change of the tree, a read's or the pane's own edit, reaches the
    // model, and so the forecaster.
    m_forecaster = new FolderForecaster(m_document.Tree, this);
    auto const tree_changed = [this] { m_forecaster->TreeChanged(); };
    connect(m_model, &QAbstractItemModel::rowsInserted, m_forecaster, tree_changed);
    connect(m_model, &QAbstractItemModel::rowsRemoved, m_forecaster, tree_changed);
    connect(m_model, &QAbstractItemModel::layoutChanged, m_forecaster, tree_changed);
    connect(m_model, &QAbstractItemModel::dataChanged, m_forecaster, tree_changed);
    connect(m_model, &QAbstractItemModel::modelReset, m_forecaster, [this] { m_forecaster->TreeReplaced(); });
    connect(m_forecaster, &FolderForecaster::Changed, this, &TForm1::ShowMarks);
    // A folder made or removed on disk behind the program's back changes the marks.
    m_disk_watch = new QFileSystemWatcher(this);
    connect(
        m_disk_watch, &QFileSystemWatcher::directoryChanged, m_forecaster, [this] { RefreshFolderMarks(); });
    connect(m_model, &FolderTreeModel::MarksChanged, Tree1->viewport(), qOverload<>(&QWidget::update));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Tree1);
    layout->addWidget(MarksStatus);
    CreatePopupMenu();

    FormCreate(start_up);
}

void TForm1::CreatePopupMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto add_item = [this](char const* name, QString const& caption, void (TForm1::*handler)()) {
        QAction* item = PopupMenu1->addAction(caption);
        item->setObjectName(QString::fromLatin1(name));
        connect(item, &QAction::triggered, this, handler);
        return item;
    };
    mEditNode = add_item("mEditNode", QStringLiteral("名前変更(&R)"), &TForm1::mEditNodeClick);
    mAddNode = add_item("mAddNode", QStringLiteral("追 加(&A)"), &TForm1::mAddNodeClick);
    mAddCNode = add_item("mAddCNode", QStringLiteral("子追加(&C)"), &TForm1::mAddCNodeClick);
    mDelNode = add_item("mDelNode", QStringLiteral("削 除(&D)"), &TForm1::mDelNodeClick);
    mEditNode->setEnabled(false);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TForm1::PopupMenu1Popup);
    Tree1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Tree1, &QWidget::customContextMenuRequested, this,
        [this](QPoint const& point) { PopupMenu1->popup(Tree1->viewport()->mapToGlobal(point)); });
}

TForm1::~TForm1() = default;

namespace {

// Events that act on the tree: the tree must be the one of the source first.
bool UsesTree(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

} // namespace

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == Tree1 || watched == Tree1->viewport()) && m_before_tree_use && UsesTree(event->type()))
        m_before_tree_use();
    if (watched == Tree1 && event->type() == QEvent::KeyPress)
        return Tree1KeyDown(*static_cast<QKeyEvent const*>(event));
    if (watched != Tree1->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return Tree1MouseDown(*static_cast<QMouseEvent const*>(event));
    case QEvent::MouseButtonDblClick: {
        // A double click on a folder opens or closes it, as one on its button does.
        QPoint const point = static_cast<QMouseEvent const*>(event)->position().toPoint();
        NodeId const node = m_model->NodeOfIndex(Tree1->indexAt(point));
        if (node != NoNode && (IsOnExpandButton(point) || NodeAtLabel(point) == node))
            Tree1->setExpanded(Tree1->indexAt(point), !Tree1->isExpanded(Tree1->indexAt(point)));
        return true;
    }
    case QEvent::MouseMove:
        // The pane selects by clicks alone: dragging selects nothing.
        return static_cast<QMouseEvent const*>(event)->buttons() != Qt::NoButton;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

bool TForm1::Tree1MouseDown(QMouseEvent const& event)
{
    FolderTree const& tree = m_document.Tree;
    bool const left = event.button() == Qt::LeftButton;
    // The selection stays for the context menu.
    if (event.button() == Qt::RightButton && m_selection->Count() > 1)
        return true;
    QPoint const point = event.position().toPoint();
    NodeId const node = NodeAtLabel(point);
    bool const on_folder = node != NoNode && node != tree.Root();
    if (left && (event.modifiers() & Qt::ControlModifier)) {
        if (on_folder)
            ToggleSelection(node);
        return true;
    }
    if (left && (event.modifiers() & Qt::ShiftModifier) && on_folder && tree.IsInTree(m_anchor)
        && tree.Parent(m_anchor) == tree.Parent(node)) {
        SelectSiblingsTo(node);
        return true;
    }

    Tree1->selectionModel()->clearSelection();
    if (!on_folder) {
        if (IsOnExpandButton(point)) {
            QModelIndex const index = Tree1->indexAt(point);
            Tree1->setExpanded(index, !Tree1->isExpanded(index));
        }
        return true;
    }
    SelectOnly(node);
    if (m_document.Map.IsMacro()) {
        if (auto const range = m_document.Map.Find(tree.Data(node)))
            m_editor.SelectRange(*range);
    }
    if (left)
        FillTagDialogPath(node);
    return true;
}

bool TForm1::Tree1KeyDown(QKeyEvent const& event)
{
    if (event.key() != Qt::Key_F2 || event.modifiers() != Qt::NoModifier)
        return false;
    mEditNodeClick();
    return true;
}

NodeId TForm1::NodeAtLabel(QPoint const& point) const
{
    QModelIndex const index = Tree1->indexAt(point);
    if (!index.isValid())
        return NoNode;
    if (!LabelDelegateOf(*Tree1).LabelRect(*Tree1, index).contains(point))
        return NoNode;
    return m_model->NodeOfIndex(index);
}

bool TForm1::IsOnExpandButton(QPoint const& point) const
{
    QModelIndex const index = Tree1->indexAt(point);
    if (!index.isValid() || m_model->rowCount(index) == 0)
        return false;
    QRect const item = Tree1->visualRect(index);
    return point.x() < item.left() && point.x() >= item.left() - Tree1->indentation();
}

void TForm1::SelectOnly(NodeId node)
{
    Tree1->selectionModel()->setCurrentIndex(m_model->IndexOfNode(node), QItemSelectionModel::ClearAndSelect);
    m_anchor = node;
}

void TForm1::ToggleSelection(NodeId node)
{
    Tree1->selectionModel()->setCurrentIndex(m_model->IndexOfNode(node), QItemSelectionModel::Toggle);
    m_anchor = node;
}

void TForm1::SelectSiblingsTo(NodeId node)
{
    QModelIndex const anchor = m_model->IndexOfNode(m_anchor);
    QModelIndex const target = m_model->IndexOfNode(node);
    QItemSelection const range(
        anchor.row() < target.row() ? anchor : target, anchor.row() < target.row() ? target : anchor);
    Tree1->selectionModel()->select(range, QItemSelectionModel::ClearAndSelect);
    Tree1->selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
}

void TForm1::FillTagDialogPath(NodeId node)
{
    if (!m_tag_dialog || !m_tag_dialog->isVisible() || m_tag_dialog->TagTab->TabIndex() < TForm4::FolderTabs)
        return;
    m_tag_dialog->SetSourcePath(ShiftJisToQString(m_document.Tree.GetNodePath(node)));
}

std::vector<NodeId> TForm1::SelectedNodes() const
{
    std::vector<NodeId> nodes;
    for (QModelIndex const& index : m_selection->InOrder())
        nodes.push_back(m_model->NodeOfIndex(index));
    return nodes;
}

bool TForm1::IsEditingLabel() const
{
    return LabelDelegateOf(*Tree1).IsEditing();
}

NodeId TForm1::ReadyNode() const
{
    if (IsEditingLabel())
        return NoNode;
    std::vector<NodeId> const nodes = SelectedNodes();
    return nodes.size() == 1 ? nodes.front() : NoNode;
}

void TForm1::PopupMenu1Popup()
{
    FolderTree const& tree = m_document.Tree;
    NodeId const ready = ReadyNode();
    bool const is_ready = ready != NoNode;
    bool const macro = m_document.Map.IsMacro();
    mEditNode->setEnabled(is_ready && CanRename(tree, macro, ready));
    mAddNode->setEnabled(is_ready && PlanAddition(tree, macro, ready, false).has_value());
    mAddCNode->setEnabled(is_ready && PlanAddition(tree, macro, ready, true).has_value());
    mDelNode->setEnabled(m_selection->Count() > 0);
}

void TForm1::mEditNodeClick()
{
    NodeId const node = ReadyNode();
    if (node != NoNode && CanRename(m_document.Tree, m_document.Map.IsMacro(), node)
        && MayWriteEdit({ &node, 1 }))
        StartLabelEdit(node);
}

void TForm1::mAddNodeClick()
{
    AddFolder(false);
}

void TForm1::mAddCNodeClick()
{
    AddFolder(true);
}

void TForm1::AddFolder(bool inside)
{
    NodeId const selected = ReadyNode();
    if (selected == NoNode)
        return;
    auto const plan = PlanAddition(m_document.Tree, m_document.Map.IsMacro(), selected, inside);
    if (!plan || !MayWriteEdit({ &plan->Parent, 1 }))
        return;
    NodeId const node = m_model->AppendChild(plan->Parent, plan->Name, plan->Data);
    if (node == NoNode)
        return;
    NoteNodeAdded(m_document.Edited());
    if (inside)
        Tree1->expandRecursively(m_model->IndexOfNode(selected));
    StartLabelEdit(node);
}

void TForm1::StartLabelEdit(NodeId node)
{
    QModelIndex const index = m_model->IndexOfNode(node);
    SelectOnly(node);
    Tree1->scrollTo(index);
    Tree1Editing(node);
    Tree1->edit(index);
}

bool TForm1::MayWriteEdit(std::span<NodeId const> written)
{
    if (m_reads && m_reads->Marks().WritesValue(m_document.Tree, written)) {
        ShowMessage(this, QMessageBox::Warning,
            m_document.Map.IsMacro() ? MacroPlaceholderEditText : TextPlaceholderEditText);
        return false;
    }
    return true;
}

void TForm1::Tree1Editing(NodeId node)
{
    std::optional<SourceEditorLink::WriteBack> write_back;
    if (m_document.PaneEdit.IsAdditionPending())
        write_back.emplace(m_editor);
    BeginLabelEdit(m_document.Edited(), node, m_editor);
}

void TForm1::Tree1Edited(NodeId node, QString const& text)
{
    // The warning takes the focus from the edit box, which confirms again.
    if (m_confirming || !m_document.Tree.IsInTree(node))
        return;
    QScopedValueRollback<bool> const confirming(m_confirming, true);
    std::string const typed = QStringToShiftJisForReading(text);
    LabelDecision const decision = ConfirmLabelEdit(m_document.Edited(), node, typed);
    if (decision.Outcome == LabelOutcome::Kept)
        return;
    bool const refused = decision.Outcome == LabelOutcome::Refused;
    if (refused)
        ShowMessage(this, QMessageBox::Warning, RefusedNameText(typed));
    m_model->Rename(node, decision.Name);
    {
        std::optional<SourceEditorLink::WriteBack> write_back;
        if (decision.WriteBack)
            write_back.emplace(m_editor);
        FinishLabelEdit(m_document.Edited(), node, decision, m_editor);
    }
    // The message took the focus from the edit box, which has closed since:
    // the focus goes back to the folder, where F2 opens it again.
    if (refused)
        FocusNode(node);
}

void TForm1::FocusNode(NodeId node)
{
    SelectOnly(node);
    Tree1->scrollTo(m_model->IndexOfNode(node));
    Tree1->activateWindow();
    Tree1->setFocus(Qt::OtherFocusReason);
}

void TForm1::mDelNodeClick()
{
    std::vector<NodeId> const selected = SelectedNodes();
    if (selected.empty())
        return;
    FolderTree& tree = m_document.Tree;
    // The selection holds siblings: each path is the same before and after
    // the others go, so all are taken first and the folders go together.
    std::vector<NodeId> deleted;
    std::vector<std::string> tag_lines;
    for (auto node = selected.rbegin(); node != selected.rend(); ++node) {
        if (!CanDelete(tree, m_document.Map.IsMacro(), *node))
            continue;
        deleted.push_back(*node);
        tag_lines.push_back(DeleteTagLine(tree, *node));
    }
    if (!deleted.empty() && !MayWriteEdit(deleted))
        return;
    // The deleted nodes leave the selection anyway; dropping it first spares
    // the model from moving each selected index.
    Tree1->selectionModel()->clearSelection();
    SourceEditorLink::WriteBack const write_back(m_editor);
    m_model->RemoveNodes(deleted);
    WriteDeletions(m_document.Edited(), tag_lines, m_editor);
}

void TForm1::FormCreate(std::function<void(TForm1&)> const& start_up)
{
    IconList.append(SystemFolderIcon(style()));
    FolderIconIndex = static_cast<int>(IconList.size()) - 1;
    m_model->SetFolderIcon(IconList[FolderIconIndex]);
    m_document.Tree.SetRootPath({});
    m_document.Map = {};
    m_document.PaneEdit.NoteWritten();
    if (start_up)
        start_up(*this);
}

TreeRefresh TForm1::ShowRead(FolderTree& fresh, SourceMap map, ReadDelta const* delta)
{
    TreeRefresh refresh = m_model->ShowRead(fresh, delta);
    m_document.TakeRead(std::move(map));
    ShowLeftOutParts();
    // A read that changed nothing is a moment to look at the disk again all the same.
    m_forecaster->TreeChanged();
    // A read shows every folder open again.
    Tree1->expandAll();
    Tree1->scrollToTop();
    return refresh;
}

namespace {

// What a line left out and why, in the words of the run's log.
QString LeftOutText(LeftOutPart const& left_out)
{
    QString const part = ShiftJisToQString(left_out.Part);
    QString invalid;
    for (QChar const character : part) {
        if (QStringView(u"\\/:*?\"<>|").contains(character) || character.category() == QChar::Other_Control)
            invalid += character.category() == QChar::Other_Control ? QStringLiteral("制御文字")
                                                                    : QString(character);
    }
    QString text
        = QStringLiteral("%1 行目の「%2」: フォルダ名に使えない名前です。").arg(left_out.Line + 1).arg(part);
    if (!invalid.isEmpty())
        text += QStringLiteral("（使えない文字: %1）").arg(invalid);
    return text + QStringLiteral("この部分は作成しません。");
}

} // namespace

void TForm1::ShowLeftOutParts()
{
    FolderTree const& tree = m_document.Tree;
    std::unordered_map<NodeId, QString> notes;
    if (tree.HasRoot()) {
        for (LeftOutPart const& left_out : tree.LeftOutParts()) {
            // The folder the line had reached; the nearest one there when edits moved it.
            NodeId node = tree.Root();
            for (std::string const& name : left_out.Folder) {
                NodeId const child = tree.FindChildNode(node, name);
                if (child == NoNode)
                    break;
                node = child;
            }
            QString& note = notes[node];
            note += (note.isEmpty() ? QString() : QStringLiteral("\n")) + LeftOutText(left_out);
        }
    }
    m_model->SetLeftOutNotes(std::move(notes));
}

SourceConversion TForm1::ConvertSource(std::vector<std::string> const& lines, SourceMode to) const
{
    return ConvertSourceLines(m_document.Tree, lines, to);
}

void TForm1::SetRootPath(std::string_view shift_jis_path)
{
    m_model->SetRootPath(shift_jis_path);
}

std::string TForm1::GetRootPath() const
{
    return m_document.Tree.GetRootPath();
}

bool TForm1::IsTreeModified() const
{
    return m_document.IsTreeModified();
}

void TForm1::FitColumnToNames()
{
    if (!m_document.Tree.HasRoot())
        return;
    // Room for the icon and the margins around icon and label.
    int const decoration = Tree1->iconSize().width() + 16;
    Tree1->SetMinimumColumnWidth(m_widest_label->Widest() + decoration);
}

void TForm1::ShowFolderMarks(bool shown)
{
    m_forecaster->SetEnabled(shown);
}

bool TForm1::FolderMarksShown() const
{
    return m_forecaster->IsEnabled();
}

void TForm1::RefreshFolderMarks()
{
    m_forecaster->TreeChanged();
}

namespace {

// The folders of the forecast whose path holds a placeholder's stand-in (a
// placeholder with no value yet), taken out of its counts: a run can't make
// them before the value is given.
struct MarkCounts {
    std::size_t New = 0;
    std::size_t Existing = 0;
    std::size_t Failing = 0;
    std::size_t WithoutValue = 0;
};

bool HoldsStandIn(std::string_view name, std::vector<std::string> const& stand_ins)
{
    return std::any_of(stand_ins.begin(), stand_ins.end(),
        [name](std::string const& stand_in) { return name.find(stand_in) != std::string_view::npos; });
}

MarkCounts CountMarks(
    FolderTree const& tree, FolderForecast const& forecast, std::vector<std::string> const& stand_ins)
{
    MarkCounts counts { forecast.New, forecast.Existing, forecast.Failing, 0 };
    if (stand_ins.empty() || !tree.HasRoot())
        return counts;
    int unfilled_depth = 0; // the depth of the folder without a value being walked, 0 for none
    tree.WalkDescendants(tree.Root(), [&](NodeId node, int depth) {
        if (unfilled_depth > 0 && depth <= unfilled_depth)
            unfilled_depth = 0;
        if (unfilled_depth == 0 && !HoldsStandIn(tree.Name(node), stand_ins))
            return;
        if (unfilled_depth == 0)
            unfilled_depth = depth;
        ++counts.WithoutValue;
        switch (forecast.MarkOf(node)) {
        case FolderMark::New:
            --counts.New;
            break;
        case FolderMark::Existing:
            --counts.Existing;
            break;
        case FolderMark::Failing:
            --counts.Failing;
            break;
        case FolderMark::Pending:
            break;
        }
    });
    return counts;
}

} // namespace

void TForm1::ShowMarks()
{
    std::shared_ptr<FolderForecast const> const& forecast = m_forecaster->Forecast();
    bool const pending = m_forecaster->IsPending();
    m_model->SetForecast(forecast, !pending);
    QString text;
    if (pending) {
        text = QStringLiteral("確認中…");
    } else if (forecast) {
        MarkCounts const counts = CountMarks(m_document.Tree, *forecast,
            m_unfilled_stand_ins ? m_unfilled_stand_ins() : std::vector<std::string>());
        text = QStringLiteral("新規 %L1 個、既存 %L2 個、失敗 %L3 個")
                   .arg(static_cast<qulonglong>(counts.New))
                   .arg(static_cast<qulonglong>(counts.Existing))
                   .arg(static_cast<qulonglong>(counts.Failing));
        if (counts.WithoutValue > 0)
            text += QStringLiteral("、値が未入力 %L1 個").arg(static_cast<qulonglong>(counts.WithoutValue));
        // Names Windows clients of a share can't open: each folder's tool tip says why.
        if (forecast->WindowsIssues > 0)
            text += QStringLiteral("、⚠ Windows で開けない名前 %L1 個")
                        .arg(static_cast<qulonglong>(forecast->WindowsIssues));
    }
    MarksStatus->setText(text);
    // Whole also where the window is too narrow for it, and to a screen reader.
    MarksStatus->setToolTip(text);
    MarksStatus->setAccessibleDescription(text);
    MarksStatus->setVisible(!text.isEmpty());
    if (!pending)
        WatchShownFolders(forecast.get());
}

// The folders a change on disk would change the marks of: the parent folder
// (its own folder while it is missing) and the folders there already, level
// by level from the top, at most MostWatchedFolders of them. Each watch is
// one inotify watch and costs nothing until its folder changes, so a tree of
// 100,000 folders costs no more than one of 300; changes further down show
// when the window is next activated.
void TForm1::WatchShownFolders(FolderForecast const* forecast)
{
    constexpr std::size_t MostWatchedFolders = 256;
    FolderTree const& tree = m_document.Tree;
    QStringList wanted;
    QString const root = ShiftJisToQString(tree.GetRootPath());
    if (forecast && tree.HasRoot() && root.startsWith(u'/')) {
        if (forecast->Parent == ParentFolderState::Usable) {
            wanted.append(root);
            std::vector<NodeId> level { tree.Root() };
            while (!level.empty() && static_cast<std::size_t>(wanted.size()) < MostWatchedFolders) {
                std::vector<NodeId> next;
                for (NodeId const parent : level) {
                    for (NodeId const child : tree.Children(parent)) {
                        if (static_cast<std::size_t>(wanted.size()) >= MostWatchedFolders)
                            break;
                        if (forecast->MarkOf(child) != FolderMark::Existing)
                            continue;
                        wanted.append(root + ShiftJisToQString(tree.GetNodePath(child)));
                        next.push_back(child);
                    }
                }
                level = std::move(next);
            }
        } else if (forecast->Parent == ParentFolderState::Missing) {
            QString const above = QFileInfo(QDir::cleanPath(root)).absolutePath();
            if (QFileInfo(above).isDir())
                wanted.append(above);
        }
    }
    QStringList const watched = m_disk_watch->directories();
    QStringList gone;
    for (QString const& path : watched) {
        if (!wanted.contains(path))
            gone.append(path);
    }
    if (!gone.isEmpty())
        m_disk_watch->removePaths(gone);
    QStringList added;
    for (QString const& path : wanted) {
        if (!watched.contains(path))
            added.append(path);
    }
    if (!added.isEmpty())
        m_disk_watch->addPaths(added);
}

bool TForm1::Tree1Collapsing(QModelIndex const& index) const
{
    return m_model->NodeOfIndex(index) != m_document.Tree.Root();
}

} // namespace edamaki
