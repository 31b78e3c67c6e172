#include "gui/windows/TForm1.h"

#include "core/document/Document.h"
#include "core/tree/MacroSourceReader.h"
#include "core/tree/SourceWriters.h"
#include "core/tree/TextSourceReader.h"
#include "core/tree/TreeRefresh.h"
#include "gui/models/FolderTreeModel.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/widgets/JapaneseFont.h"
#include "gui/widgets/TTabStrip.h"
#include "gui/widgets/WidestLabel.h"
#include "gui/windows/TForm4.h"

#include <QFileIconProvider>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

QIcon SystemFolderIcon(QStyle const* style)
{
    QIcon icon = QFileIconProvider().icon(QAbstractFileIconProvider::Folder);
    if (icon.isNull() || icon.pixmap(16, 16).isNull())
        icon = style->standardIcon(QStyle::SP_DirIcon);
    return icon;
}

} // namespace

TForm1::TForm1(edamaki::Document& document, std::function<void(TForm1&)> const& start_up, QWidget* parent)
    : QWidget(parent)
    , m_document(document)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("フォルダツリー"));
    resize(181, 400);

    m_model = new edamaki::FolderTreeModel(m_document.Tree, this);

    Tree1 = new QTreeView(this);
    Tree1->setObjectName(QStringLiteral("Tree1"));
    Tree1->setFont(edamaki::JapaneseFont(QStringLiteral("ＭＳ Ｐゴシック"), 13));
    Tree1->setHeaderHidden(true);
    Tree1->setIndentation(20);
    Tree1->setRootIsDecorated(false);
    Tree1->setUniformRowHeights(true);
    Tree1->setIconSize(QSize(16, 16));
    Tree1->setTextElideMode(Qt::ElideNone);
    Tree1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Tree1->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    Tree1->setModel(m_model);
    m_widest_label
        = new edamaki::WidestLabel(*m_model, m_document.Tree, Tree1->font(), Tree1->indentation(), this);
    Tree1->viewport()->installEventFilter(this);
    // One column, at least as wide as its widest label: long names scroll
    // sideways, never elide. Measuring every row through the header would
    // cost more than the read itself.
    Tree1->header()->setStretchLastSection(true);
    connect(Tree1, &QTreeView::collapsed, this, [this](QModelIndex const& index) {
        if (!Tree1Collapsing(index)) {
            Tree1->expand(index);
            return;
        }
        // The next read shows it expanded again.
        m_collapsed.append(QPersistentModelIndex(index));
    });
    Tree1->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Tree1);

    FormCreate(start_up);
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
    if (watched == Tree1->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto const* press = static_cast<QMouseEvent const*>(event);
        if (press->button() == Qt::LeftButton && !(press->modifiers() & Qt::ControlModifier))
            FillTagDialogPath(press->position().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::FillTagDialogPath(QPoint const& point)
{
    if (!m_tag_dialog || !m_tag_dialog->isVisible() || m_tag_dialog->TagTab->TabIndex() < TForm4::FolderTabs)
        return;
    QModelIndex const index = Tree1->indexAt(point);
    if (!index.isValid() || !Tree1->visualRect(index).contains(point))
        return;
    auto const node = m_model->NodeOfIndex(index);
    if (node == m_document.Tree.Root())
        return;
    m_tag_dialog->SetSourcePath(edamaki::ShiftJisToQString(m_document.Tree.GetNodePath(node)));
}

void TForm1::FormCreate(std::function<void(TForm1&)> const& start_up)
{
    IconList.append(SystemFolderIcon(style()));
    FolderIconIndex = static_cast<int>(IconList.size()) - 1;
    m_model->SetFolderIcon(IconList[FolderIconIndex]);
    m_document.Tree.SetRootPath({});
    m_document.Tree.LineTable.clear();
    m_document.Tree.TreeEdited = false;
    if (start_up)
        start_up(*this);
}

template<typename Read> void TForm1::ReadInFrame(Read const& read)
{
    // The view is reset once around the whole read and repaints once after it.
    struct Frame {
        TForm1& Form;
        explicit Frame(TForm1& form)
            : Form(form)
        {
            Form.Tree1->setUpdatesEnabled(false);
            Form.m_model->BeginRebuild();
        }
        ~Frame()
        {
            Form.m_model->EndRebuild();
            Form.m_collapsed.clear();
            Form.FitColumnToNames();
            Form.Tree1->expandAll();
            Form.Tree1->scrollToTop();
            Form.Tree1->setUpdatesEnabled(true);
            Form.m_document.Tree.TreeEdited = false;
        }
    } const frame(*this);
    read();
}

edamaki::FolderTree& TForm1::FreshTree()
{
    if (!m_fresh_tree)
        m_fresh_tree = std::make_unique<edamaki::FolderTree>();
    m_fresh_tree->CopyKeptState(m_document.Tree);
    return *m_fresh_tree;
}

void TForm1::LoadTextSource(std::vector<std::string> const& lines)
{
    edamaki::FolderTree& fresh = FreshTree();
    edamaki::LoadTextSource(fresh, lines);
    ShowRead(fresh);
}

void TForm1::LoadMacroSource(std::vector<std::string> const& lines)
{
    edamaki::FolderTree& fresh = FreshTree();
    edamaki::LoadMacroSource(fresh, lines);
    ShowRead(fresh);
}

edamaki::SourceMode TForm1::ReadSource(std::vector<std::string> const& lines)
{
    edamaki::FolderTree& fresh = FreshTree();
    edamaki::SourceMode const mode = edamaki::ReadSource(fresh, lines);
    ShowRead(fresh);
    return mode;
}

edamaki::TreeRefresh TForm1::ShowRead(edamaki::FolderTree& fresh, edamaki::ReadDelta const* delta)
{
    edamaki::TreeRefresh refresh = m_model->ShowRead(fresh, delta);
    if (refresh.Replaced) {
        m_collapsed.clear();
        Tree1->expandAll();
    } else {
        Tree1->expand(m_model->IndexOfNode(m_document.Tree.Root()));
        ExpandSubtrees(refresh.Inserted);
        ExpandCollapsed();
    }
    FitColumnToNames();
    Tree1->scrollToTop();
    return refresh;
}

void TForm1::ExpandSubtrees(std::vector<edamaki::NodeId> const& nodes)
{
    edamaki::FolderTree const& tree = m_document.Tree;
    auto const expand = [&](edamaki::NodeId node) {
        if (!tree.Children(node).empty())
            Tree1->expand(m_model->IndexOfNode(node));
    };
    for (edamaki::NodeId const node : nodes) {
        expand(node);
        tree.WalkDescendants(node, [&](edamaki::NodeId descendant, int) { expand(descendant); });
    }
}

void TForm1::ExpandCollapsed()
{
    // Each expand of a shown node moves the rows below it; past a few, one
    // pass over the whole tree costs less.
    constexpr qsizetype ManyCollapsed = 64;
    QList<QPersistentModelIndex> const collapsed = std::exchange(m_collapsed, {});
    if (collapsed.size() > ManyCollapsed) {
        Tree1->expandAll();
        return;
    }
    for (QPersistentModelIndex const& index : collapsed) {
        if (index.isValid())
            Tree1->expand(index);
    }
}

edamaki::SourceConversion TForm1::ConvertSource(std::vector<std::string> const& lines, edamaki::SourceMode to)
{
    edamaki::SourceConversion conversion;
    ReadInFrame([&] { conversion = edamaki::ConvertSourceLines(m_document.Tree, lines, to); });
    return conversion;
}

void TForm1::MakeText(std::vector<std::string>& lines)
{
    edamaki::MakeText(m_document.Tree, lines);
}

void TForm1::MakeScript(std::vector<std::string>& lines)
{
    edamaki::MakeScript(m_document.Tree, lines);
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
    return m_document.Tree.IsTreeModified();
}

void TForm1::FitColumnToNames()
{
    if (!m_document.Tree.HasRoot())
        return;
    // Room for the icon and the margins around icon and label.
    int const decoration = Tree1->iconSize().width() + 16;
    int const width = m_widest_label->Widest() + decoration;
    if (Tree1->header()->minimumSectionSize() != width)
        Tree1->header()->setMinimumSectionSize(width);
}

bool TForm1::Tree1Collapsing(QModelIndex const& index) const
{
    return m_model->NodeOfIndex(index) != m_document.Tree.Root();
}
