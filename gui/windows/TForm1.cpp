#include "gui/windows/TForm1.h"

#include "core/document/Document.h"
#include "core/tree/MacroSourceReader.h"
#include "core/tree/SourceWriters.h"
#include "core/tree/TextSourceReader.h"
#include "gui/models/FolderTreeModel.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/widgets/JapaneseFont.h"
#include "gui/widgets/TTabStrip.h"
#include "gui/widgets/TextWidthTable.h"
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
    Tree1->viewport()->installEventFilter(this);
    // One column, at least as wide as its widest label: long names scroll
    // sideways, never elide. Measuring every row through the header would
    // cost more than the read itself.
    Tree1->header()->setStretchLastSection(true);
    connect(Tree1, &QTreeView::collapsed, this, [this](QModelIndex const& index) {
        if (!Tree1Collapsing(index))
            Tree1->expand(index);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Tree1);

    FormCreate(start_up);
}

TForm1::~TForm1() = default;

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
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
            Form.FitColumnToNames();
            Form.Tree1->expandAll();
            Form.Tree1->scrollToTop();
            Form.Tree1->setUpdatesEnabled(true);
            Form.m_document.Tree.TreeEdited = false;
        }
    } const frame(*this);
    read();
}

void TForm1::LoadTextSource(std::vector<std::string> const& lines)
{
    ReadInFrame([&] { edamaki::LoadTextSource(m_document.Tree, lines); });
}

void TForm1::LoadMacroSource(std::vector<std::string> const& lines)
{
    ReadInFrame([&] { edamaki::LoadMacroSource(m_document.Tree, lines); });
}

edamaki::SourceMode TForm1::ReadSource(std::vector<std::string> const& lines)
{
    edamaki::SourceMode mode = edamaki::SourceMode::Text;
    ReadInFrame([&] { mode = edamaki::ReadSource(m_document.Tree, lines); });
    return mode;
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
    edamaki::FolderTree const& tree = m_document.Tree;
    if (!tree.HasRoot())
        return;
    edamaki::TextWidthTable widths(Tree1->font());
    // Room for the icon and the margins around icon and label.
    int const decoration = Tree1->iconSize().width() + 16;
    int const indentation = Tree1->indentation();
    int widest = widths.ShiftJisWidth(tree.Name(tree.Root()));
    tree.WalkDescendants(tree.Root(), [&](edamaki::NodeId node, int depth) {
        widest = std::max(widest, depth * indentation + widths.ShiftJisWidth(tree.Name(node)));
    });
    Tree1->header()->setMinimumSectionSize(widest + decoration);
}

bool TForm1::Tree1Collapsing(QModelIndex const& index) const
{
    return m_model->NodeOfIndex(index) != m_document.Tree.Root();
}
