#include "gui/windows/TMainForm.h"

#include "core/document/Document.h"
#include "core/document/SourceDocument.h"
#include "core/tree/SourceWriters.h"
#include "edamaki/Version.h"
#include "gui/qt/PlaceholderMemory.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/qt/SourceReadScheduler.h"
#include "gui/widgets/CommandShortcutGuard.h"
#include "gui/widgets/EditActionTracker.h"
#include "gui/widgets/JapaneseFont.h"
#include "gui/widgets/MessageBoxes.h"
#include "gui/widgets/TFormPanel.h"
#include "gui/widgets/TplBrowseFolder.h"
#include "gui/windows/EditorSearch.h"
#include "gui/windows/FileDropTarget.h"
#include "gui/windows/FolderImportCommand.h"
#include "gui/windows/HelpWindow.h"
#include "gui/windows/MainFormBulkUpdate.h"
#include "gui/windows/MainFormMenuBuilder.h"
#include "gui/windows/PlaceholderDialog.h"
#include "gui/windows/ShiftJisLines.h"
#include "gui/windows/SourceErrorText.h"
#include "gui/windows/SourceFileCommands.h"
#include "gui/windows/TAboutDlg.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TemplateCommands.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <optional>

// The images are compiled into the static GUI library: register them before use.
static void InitResources()
{
    Q_INIT_RESOURCE(edamaki);
}

namespace edamaki {

namespace {

QString const TextModeCaption = QStringLiteral("Edamaki [テキスト]");
QString const MacroModeCaption = QStringLiteral("Edamaki [マクロ]");
QString const ParentFolderTitle = QStringLiteral("親フォルダの選択");
QString const HelpFileName = QStringLiteral("Ramuspan.html");
QString const ShowMarksSetting = QStringLiteral("View/FolderMarks");
QString const WindowSizeSetting = QStringLiteral("Window/MainSize");
QString const PaneWidthSetting = QStringLiteral("Window/TreePaneWidth");

// The tool bar images, in the order of their indexes.
char const* const ToolBarImages[] = {
    ":/images/open.png",   // 0 open a source
    ":/images/save.png",   // 1 save the source
    ":/images/import.png", // 2 folder structure import
    ":/images/create.png", // 3 create the folders
    ":/images/log.png",    // 4 show the log
    ":/images/parent.png", // 5 choose the parent folder
    ":/images/copy.png",   // 6 copy
    ":/images/cut.png",    // 7 cut
    ":/images/paste.png",  // 8 paste
    ":/images/tag.png",    // 9 macro tag
};

} // namespace

TMainForm::TMainForm(Document& document, QStringList const& arguments, QWidget* parent)
    : QMainWindow(parent)
    , m_document(document)
{
    InitResources();
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(TextModeCaption);
    setFont(JapaneseFont(ProportionalFamily, 12));
    setWindowIcon(QIcon(QStringLiteral(":/images/edamaki.png")));
    setAcceptDrops(true);
    setMinimumSize(MinimumWidth, MinimumHeight);

    // The ten tool bar images.
    QList<QIcon> images;
    for (char const* path : ToolBarImages)
        images.append(QIcon(QString::fromLatin1(path)));

    CreateDialogs();
    CreateLayout();
    m_search = new EditorSearch(*this, *SrcList);
    MainFormMenuBuilder menus(*this, *ToolBar1, images);
    menus.Build();
    m_actions = menus.Actions();
    m_actions.mShowMarks->setChecked(QSettings().value(ShowMarksSetting, true).toBool());
    AddUndoRunItem();

    connect(SrcList, &QPlainTextEdit::textChanged, this, &TMainForm::SrcListChange);
    // The menu's command shortcuts (Ctrl+Del among them) win over the editor's own keys.
    (new CommandShortcutGuard(menus.CommandActions(), this))->Guard(*SrcList);
    new FileDropTarget(*this, *SrcList->viewport(), [this](QStringList const& paths) { DropFiles(paths); });
    SrcList->setFocus();
    // Undo and redo act on the source also from the tree pane, whose edits
    // are changes of the source.
    m_edit_actions = std::make_unique<EditActionTracker>(*this,
        EditActionTracker::Actions { m_actions.EditCut1, m_actions.EditCopy1, m_actions.EditPaste1,
            m_actions.EditSelectAll1, m_actions.EditUndo1, m_actions.EditRedo1 },
        SrcList);

    FormCreate(arguments);
    RestoreWindowSize();
}

void TMainForm::RestoreWindowSize()
{
    QSettings const settings;
    QSize size = settings.value(WindowSizeSetting).toSize();
    if (!size.isValid()) {
        // A first start: a good share of the screen, the editor wide enough for long paths.
        QRect const screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
        size = QSize(
            std::clamp(screen.width() * 3 / 5, 640, 1100), std::clamp(screen.height() * 3 / 4, 480, 800))
                   .boundedTo(screen.size());
    }
    resize(size.expandedTo(minimumSize()));
    int const pane = settings.value(PaneWidthSetting, std::max(181, width() / 3)).toInt();
    m_splitter->setSizes({ pane, std::max(1, width() - pane - m_splitter->handleWidth()) });
}

void TMainForm::SaveWindowSize() const
{
    QSettings settings;
    settings.setValue(WindowSizeSetting, isMaximized() || isFullScreen() ? normalGeometry().size() : size());
    settings.setValue(PaneWidthSetting, m_splitter->sizes().value(0, 181));
}

// Tools, after the log: takes back the last creation run.
void TMainForm::AddUndoRunItem()
{
    auto* item = new QAction(QStringLiteral("最後の作成を取り消す(&U)"), this);
    item->setObjectName(QStringLiteral("mUndoRun"));
    connect(item, &QAction::triggered, this, &TMainForm::mUndoRunClick);
    if (auto* tools = findChild<QMenu*>(QStringLiteral("N1")))
        tools->addAction(item);
}

// The edit action tracker goes with the members, before the children: the
// focus changes of the children going must not reach the actions.
TMainForm::~TMainForm() = default;

void TMainForm::CreateDialogs()
{
    // The source file commands bring the open and save dialogs.
    m_source_files = std::make_unique<SourceFileCommands>(*this);
    m_import = std::make_unique<FolderImportCommand>(*this);
    m_templates = std::make_unique<TemplateCommands>(*this);
    m_placeholder_values = std::make_unique<PlaceholderMemory>();

    OpenFolder1 = new TplBrowseFolder(this);
    OpenFolder1->setObjectName(QStringLiteral("OpenFolder1"));
    OpenFolder1->Title = ParentFolderTitle;
}

void TMainForm::CreateLayout()
{
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter = splitter;
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->setHandleWidth(3);
    splitter->setChildrenCollapsible(false);

    auto* form_panel = new TFormPanel(splitter);
    form_panel->setObjectName(QStringLiteral("FormPanel1"));
    form_panel->setFrameShape(QFrame::NoFrame);
    form_panel->SetFormName(QStringLiteral("Form1"));

    auto* panel = new QFrame(splitter);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::NoFrame);

    ToolBar1 = new QToolBar(panel);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFixedHeight(28);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);

    SrcList = new QPlainTextEdit(panel);
    SrcList->setObjectName(QStringLiteral("SrcList"));
    SrcList->setAccessibleName(QStringLiteral("ソース"));
    SrcList->setFont(JapaneseFont(FixedPitchFamily, 13));
    SrcList->setLineWrapMode(QPlainTextEdit::NoWrap);
    SrcList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SrcList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The selection stays visible when the editor loses the focus.
    QPalette palette = SrcList->palette();
    palette.setColor(
        QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
        palette.color(QPalette::Active, QPalette::HighlightedText));
    SrcList->setPalette(palette);

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(SrcList);

    splitter->addWidget(form_panel);
    splitter->addWidget(panel);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({ 181, 480 - 181 - 3 });
    setCentralWidget(splitter);

    // The status bar: the tree pane's counts (placed at start-up) on the left,
    // the document's mode and the encoding a save writes on the right.
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(true);
    DocumentStatus = new QLabel(this);
    DocumentStatus->setObjectName(QStringLiteral("DocumentStatus"));
    DocumentStatus->setAccessibleName(QStringLiteral("モードと文字コード"));
    DocumentStatus->setContentsMargins(4, 0, 4, 0);
    statusBar()->addPermanentWidget(DocumentStatus);
    ShowDocumentState();
}

void TMainForm::ShowDocumentState()
{
    QString text
        = m_document.Mode == SourceMode::Macro ? QStringLiteral("マクロ") : QStringLiteral("テキスト");
    text += QStringLiteral("  保存: ") + EncodingName(m_document.Format.Encoding);
    if (m_document.Format.HasByteOrderMark)
        text += QStringLiteral(" (BOM 付き)");
    DocumentStatus->setText(text);
    DocumentStatus->setAccessibleDescription(text);
}

QString TMainForm::FindHelpFile(QString const& program_folder)
{
    QDir const folder(program_folder);
    QString beside_program = folder.filePath(HelpFileName);
    QString installed = QDir::cleanPath(folder.filePath(QStringLiteral("../share/edamaki/") + HelpFileName));
    if (!QFileInfo::exists(beside_program) && QFileInfo::exists(installed))
        return installed;
    return beside_program;
}

void TMainForm::FormCreate(QStringList const& arguments)
{
    SrcList->clear();
    m_help_file = FindHelpFile(QCoreApplication::applicationDirPath());
    m_auto_run = !arguments.isEmpty() && arguments.front() == QStringLiteral("-f");
    m_start_file = arguments.value(m_auto_run ? 1 : 0);
    m_started = false;
}

void TMainForm::StartUp(TForm1& tree_pane)
{
    m_tree_pane = &tree_pane;
    tree_pane.LinkEditor(*SrcList);
    m_reads = std::make_unique<SourceReadScheduler>(*SrcList, tree_pane, tree_pane, m_document);
    m_reads->SetPreviewValues([this] {
        return PreviewValues { m_placeholder_values->LastValues(m_document.FileName), Today() };
    });
    tree_pane.LinkReads(*m_reads);
    tree_pane.SetBeforeTreeUse([this] { EnsureTreeCurrent(); });
    tree_pane.SetUnfilledStandIns([this] { return UnfilledStandIns(); });
    tree_pane.ShowFolderMarks(m_actions.mShowMarks->isChecked());
    // The counts get the width of the window, not the pane's.
    statusBar()->insertWidget(0, tree_pane.MarksStatus, 1);
    m_started = true;
    SrcListChange();
    if (m_start_file.isEmpty())
        return;
    QString const start_file = m_start_file;
    m_start_file.clear();
    ShowOnScreen();
    if (!OpenSource(start_file))
        return;
    if (m_auto_run && !m_document.Tree.GetRootPath().empty())
        ExeBtnClick();
}

void TMainForm::ShowOnScreen()
{
    if (isVisible())
        return;
    show();
    // The window system places the window once it maps it; a box placed over
    // the window before that would go to the corner of the screen.
    constexpr int MostWaitMs = 500;
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < MostWaitMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

std::vector<std::string> TMainForm::UnfilledStandIns() const
{
    std::vector<std::string> stand_ins;
    if (!MayHoldPlaceholders(SrcList->document()->toRawText()))
        return stand_ins;
    PlaceholderValues const last = m_placeholder_values->LastValues(m_document.FileName);
    CalendarDate const today = Today();
    for (Placeholder const& placeholder : FindSourcePlaceholders(EditorLinesForReading())) {
        if (!StartingValue(placeholder, last, today))
            stand_ins.push_back(PlaceholderStandIn(placeholder.Name));
    }
    return stand_ins;
}

void TMainForm::SetLogWindow(TForm3* log_window)
{
    m_log_window = log_window;
}

void TMainForm::SetAboutBox(TAboutDlg* about_box)
{
    m_about_box = about_box;
}

// --- The document --------------------------------------------------------

QStringList TMainForm::EditorLines() const
{
    QString text = SrcList->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    QStringList lines = text.split(u'\n');
    // A final line break does not start another line; an empty editor has none.
    if (lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

std::vector<std::string> TMainForm::EditorLinesForReading() const
{
    return SourceLinesForReading(SrcList->document()->toRawText());
}

bool TMainForm::IsMacroHeaderFirst() const
{
    QTextBlock const first = SrcList->document()->firstBlock();
    if (!first.isValid())
        return false;
    std::vector<std::string> const first_line { QStringToShiftJisForReading(first.text()) };
    return DetectSourceMode(first_line) == SourceMode::Macro;
}

bool TMainForm::IsDocumentModified() const
{
    if (SrcList->document()->isModified())
        return true;
    // A read still pending takes the pane's edits up, as the text holds them.
    return IsTreeCurrent() && m_document.IsTreeModified();
}

void TMainForm::ReplaceEditorText(QString const& text)
{
    QTextCursor cursor(SrcList->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    cursor.endEditBlock();
}

void TMainForm::ReplaceEditorLine(int line_index, QString const& text)
{
    QTextBlock const block = SrcList->document()->findBlockByNumber(line_index);
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    cursor.endEditBlock();
}

void TMainForm::ShowTextMode()
{
    m_document.Mode = SourceMode::Text;
    setWindowTitle(TextModeCaption);
    m_actions.TagBtn->setEnabled(false);
    ShowDocumentState();
}

void TMainForm::ShowMacroMode()
{
    m_document.Mode = SourceMode::Macro;
    setWindowTitle(MacroModeCaption);
    m_actions.TagBtn->setEnabled(true);
    ShowDocumentState();
}

void TMainForm::ShowMode(SourceMode mode)
{
    if (mode == SourceMode::Macro)
        ShowMacroMode();
    else
        ShowTextMode();
}

SourceMode TMainForm::ReadEditorSource()
{
    // Before start-up there are no reads: start-up reads the text as it stands then.
    if (!m_reads)
        return DetectSourceMode(EditorLinesForReading());
    return m_reads->ReadNow();
}

void TMainForm::SrcListChange()
{
    if (!m_started || !m_reads)
        return;
    m_reads->TextChanged();
    // The mode is the first line's, whether the read is done yet or not. The
    // caption and the tag button change only when the mode does.
    SourceMode const mode = IsMacroHeaderFirst() ? SourceMode::Macro : SourceMode::Text;
    if (mode != m_document.Mode)
        ShowMode(mode);
    else
        ShowDocumentState();
}

void TMainForm::EnsureTreeCurrent()
{
    if (m_reads)
        m_reads->EnsureTreeCurrent();
}

bool TMainForm::IsTreeCurrent() const
{
    return !m_reads || m_reads->IsTreeCurrent();
}

bool TMainForm::OpenSource(QString const& file_name)
{
    return m_source_files->OpenSource(file_name);
}

// --- Commands ------------------------------------------------------------

void TMainForm::mOpen1Click()
{
    m_source_files->mOpen1Click();
}

void TMainForm::mSave1Click()
{
    m_source_files->mSave1Click();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!m_source_files->FormCloseQuery()) {
        event->ignore();
        return;
    }
    SaveWindowSize();
    event->accept();
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // The disk may have changed while the user was in another program.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_tree_pane)
        m_tree_pane->RefreshFolderMarks();
}

void TMainForm::mExit1Click()
{
    close();
}

void TMainForm::mClearClick()
{
    m_source_files->mClearClick();
}

void TMainForm::mInsHeaderClick()
{
    if (IsMacroHeaderFirst())
        return;
    QTextCursor cursor(SrcList->document());
    cursor.beginEditBlock();
    cursor.insertText(
        QString::fromLatin1(MacroHeader.data(), static_cast<qsizetype>(MacroHeader.size())) + u'\n');
    cursor.endEditBlock();
    ShowMacroMode();
}

void TMainForm::mTextMacroClick()
{
    if (!m_tree_pane)
        return;
    // The conversion writes the tree of the text as it stands.
    EnsureTreeCurrent();
    SourceMode const to = IsMacroHeaderFirst() ? SourceMode::Text : SourceMode::Macro;
    QStringList const lines = EditorLines();

    BulkUpdate const bulk(*this);
    SourceConversion const conversion = m_tree_pane->ConvertSource(EditorLinesForReading(), to);
    QStringList converted = ToQStrings(conversion.Lines);
    // The parent folder line is carried over exactly as the editor holds it.
    if (conversion.CarriedFrom && *conversion.CarriedFrom < static_cast<std::size_t>(lines.size()))
        InsertCarriedLine(converted, conversion, lines[static_cast<qsizetype>(*conversion.CarriedFrom)]);
    ReplaceEditorText(converted.join(u'\n'));
    // The converted text reads as the same tree; the read maps its lines.
    m_reads->ReadNow();
    SrcList->setTextCursor(QTextCursor(SrcList->document()));
    ShowMode(to);
}

bool TMainForm::SetParentFolder(QString const& folder)
{
    if (!m_tree_pane)
        return false;
    EnsureTreeCurrent();
    // Any folder of this host will do, whatever characters its path holds.
    m_tree_pane->SetRootPath(QStringToShiftJisForReading(folder));
    return true;
}

void TMainForm::mSelRootClick()
{
    OpenFolder1->Title = ParentFolderTitle;
    if (!OpenFolder1->Execute(this))
        return;
    QString const folder = OpenFolder1->Folder();
    if (!SetParentFolder(folder))
        return;
    if (auto const line = FindParentFolderLine(EditorLinesForReading()))
        ReplaceEditorLine(static_cast<int>(*line), folder);
}

void TMainForm::mGetFolderClick()
{
    m_import->mGetFolderClick();
}

bool TMainForm::AskPlaceholderValues(std::vector<std::string>& lines)
{
    PlaceholderDialog dialog(lines, m_placeholder_values->LastValues(m_document.FileName), Today(), this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    lines = dialog.FilledLines();
    m_placeholder_values->Remember(m_document.FileName, dialog.Values());
    // The pane shows the names with the values just given.
    if (m_reads)
        m_reads->ReadNow();
    return true;
}

void TMainForm::ExeBtnClick()
{
    EnsureTreeCurrent();
    std::vector<std::string> lines = EditorLinesForReading();
    FolderTree filled;
    FolderTree const* run_tree = &m_document.Tree;
    if (!FindSourcePlaceholders(lines).empty()) {
        // No values are asked for a run that can't start for want of a parent folder.
        if (auto const refusal = CheckCreationRun(m_document.Tree);
            refusal && refusal->Reason == RunRefusal::NoParentFolder) {
            ShowMessage(this, QMessageBox::Warning, RunRefusalText(*refusal, m_document.Tree));
            return;
        }
        if (!AskPlaceholderValues(lines))
            return;
        filled.CopyKeptState(m_document.Tree);
        ReadSource(filled, lines);
        run_tree = &filled;
    }
    FolderTree const& tree = *run_tree;
    if (auto const refusal = CheckCreationRun(tree)) {
        ShowMessage(this, QMessageBox::Warning, RunRefusalText(*refusal, tree));
        return;
    }
    if (!m_auto_run) {
        QString const question = QStringLiteral("フォルダを\"") + ShiftJisToQString(tree.GetRootPath())
            + QStringLiteral("\"の下に作成しますか？");
        if (ShowMessage(
                this, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
            != QMessageBox::Yes)
            return;
    }
    SrcList->document()->setModified(false);
    if (m_log_window)
        m_log_window->StartCreation(tree, QString::fromStdString(m_document.FileName));
    // What the run made is there now.
    if (m_tree_pane)
        m_tree_pane->RefreshFolderMarks();
}

void TMainForm::TemplateMenuPopup(QMenu& menu)
{
    m_templates->FillMenu(menu, m_actions.mSaveTemplate);
}

void TMainForm::mSaveTemplateClick()
{
    m_templates->mSaveTemplateClick();
}

void TMainForm::mUndoRunClick()
{
    if (!m_log_window)
        return;
    m_log_window->UndoCreation();
    // What the undo removed is gone now.
    if (m_tree_pane)
        m_tree_pane->RefreshFolderMarks();
}

void TMainForm::mLogViewClick()
{
    if (m_log_window)
        m_log_window->ShowLog();
}

void TMainForm::mHelpClick()
{
    // A missing help page is not reported.
    if (!QFileInfo::exists(m_help_file))
        return;
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(m_help_file)))
        return;
    if (!m_help_window)
        m_help_window = new HelpWindow(this);
    m_help_window->ShowPage(m_help_file);
}

void TMainForm::mAboutClick()
{
    if (!m_about_box)
        return;
    m_about_box->VerLabel->setText(QStringLiteral("Ver.")
        + QString::fromLatin1(VersionText.data(), static_cast<qsizetype>(VersionText.size())));
    m_about_box->exec();
}

void TMainForm::mFindClick()
{
    m_search->mFindClick();
}

void TMainForm::mFindNextClick()
{
    m_search->mFindNextClick();
}

void TMainForm::mFindPrevClick()
{
    m_search->mFindPrevClick();
}

void TMainForm::mReplaceClick()
{
    m_search->mReplaceClick();
}

void TMainForm::mShowMarksClick()
{
    bool const shown = m_actions.mShowMarks->isChecked();
    QSettings().setValue(ShowMarksSetting, shown);
    if (m_tree_pane)
        m_tree_pane->ShowFolderMarks(shown);
}

void TMainForm::DropFiles(QStringList const& paths)
{
    if (paths.isEmpty() || !m_tree_pane)
        return;
    QFileInfo const item(paths.front());
    if (item.isDir()) {
        if (!SetParentFolder(QDir::toNativeSeparators(item.absoluteFilePath())))
            return;
    } else {
        if (IsDocumentModified() && !m_source_files->AskToSave())
            return;
        if (!OpenSource(item.filePath()))
            return;
    }
    if (m_auto_run && !m_document.Tree.GetRootPath().empty())
        ExeBtnClick();
}

} // namespace edamaki
