#include "gui/windows/TMainForm.h"

#include "core/disk/FolderImport.h"
#include "core/document/Document.h"
#include "core/document/SourceDocument.h"
#include "core/document/SourceFile.h"
#include "core/tree/SourceWriters.h"
#include "edamaki/Version.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/qt/SourceReadScheduler.h"
#include "gui/widgets/CommandShortcutGuard.h"
#include "gui/widgets/EditActionTracker.h"
#include "gui/widgets/FileDialogs.h"
#include "gui/widgets/JapaneseFont.h"
#include "gui/widgets/MessageBoxes.h"
#include "gui/widgets/TFormPanel.h"
#include "gui/widgets/TplBrowseFolder.h"
#include "gui/windows/EditorSearch.h"
#include "gui/windows/HelpWindow.h"
#include "gui/windows/MainFormMenuBuilder.h"
#include "gui/windows/SourceErrorText.h"
#include "gui/windows/TAboutDlg.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"

#include <QAbstractUndoItem>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QSplitter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <optional>
#include <variant>

using edamaki::SourceMode;

// The images are compiled into the static GUI library: register them before use.
static void InitResources()
{
    Q_INIT_RESOURCE(edamaki);
}

namespace {

QString const TextModeCaption = QStringLiteral("Edamaki [テキスト]");
QString const MacroModeCaption = QStringLiteral("Edamaki [マクロ]");
QString const SavePromptText = QStringLiteral("内容に変更があります。保存しますか？");
QString const ParentFolderTitle = QStringLiteral("親フォルダの選択");
QString const ImportFolderTitle = QStringLiteral("参照フォルダの選択");
QString const AllFilesFilter = QStringLiteral("全てのファイル(*.*) (*)");
QString const HelpFileName = QStringLiteral("Ramuspan.html");

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

using edamaki::ShowMessage;

// The application's hourglass for the life of the object.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(WaitCursor const&) = delete;
    WaitCursor& operator=(WaitCursor const&) = delete;
};

QStringList ToQStrings(std::vector<std::string> const& shift_jis_lines)
{
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(shift_jis_lines.size()));
    for (auto const& line : shift_jis_lines)
        lines.append(edamaki::ShiftJisToQString(line));
    return lines;
}

// The limit that stopped a read, with its figure, in the user's words.
QString ReadLimitText(edamaki::ReadStop const& stop)
{
    auto const figure = static_cast<qulonglong>(stop.Figure);
    switch (stop.Limit) {
    case edamaki::ReadLimit::Folders:
        break;
    case edamaki::ReadLimit::ExpansionWork:
        return QStringLiteral("タグの展開で作られるフォルダが、後で取り除かれるコピーも含めて多すぎます"
                              "（1 回の読み込みで延べ %L1 個まで）。")
            .arg(figure);
    case edamaki::ReadLimit::GeneratedNames:
        return QStringLiteral("タグから生成される名前が多すぎます（1 回の読み込みで %L1 個まで）。")
            .arg(figure);
    case edamaki::ReadLimit::NameBytes:
        return QStringLiteral(
            "タグから生成される名前が長すぎます（1 回の読み込みで合わせて %L1 バイトまで）。")
            .arg(figure);
    }
    return QStringLiteral("ソースから作られるフォルダが多すぎます（1 回の読み込みで %L1 個まで）。")
        .arg(figure);
}

// Why a creation run doesn't start, in the user's words.
QString RunRefusalText(edamaki::RunRefusal refusal, edamaki::FolderTree const& tree)
{
    if (refusal.Reason == edamaki::RunRefusal::NoParentFolder)
        return QStringLiteral("親フォルダが選択されていません。");
    if (refusal.Reason == edamaki::RunRefusal::UnusableParentFolder)
        return QStringLiteral("親フォルダ\"%1\"はこのコンピュータの絶対パスではないため、使用できません。"
                              "フォルダを作成しません。")
            .arg(edamaki::ShiftJisToQString(tree.GetRootPath()));
    auto const stop
        = tree.ReadStopped().value_or(edamaki::ReadStop { edamaki::ReadLimit::Folders, tree.FolderBudget() });
    return ReadLimitText(stop)
        + QStringLiteral("ツリーは途中までしか読み込まれていないため、フォルダを作成しません。");
}

QString RunRefusalText(edamaki::SourceRunRefusal const& refusal, edamaki::FolderTree const& tree)
{
    if (auto const* missing = std::get_if<edamaki::SourceFileError>(&refusal))
        return edamaki::MissingCharacterText(*missing) + QStringLiteral("\nフォルダを作成しません。");
    return RunRefusalText(std::get<edamaki::RunRefusal>(refusal), tree);
}

// Why the document can't be saved, in the user's words.
QString SaveErrorText(edamaki::SourceFileError const& error)
{
    QString const reason = error.Problem == edamaki::SourceFileError::Kind::MissingCharacter
        ? edamaki::MissingCharacterText(error)
        : QStringLiteral("%1 行目に %2 で書けない文字があります。")
              .arg(QString::number(error.Line), edamaki::EncodingName(error.Encoding));
    return reason + QStringLiteral("\nファイルは保存されませんでした。");
}

QString CantOpenText(QString const& full_name)
{
    return QStringLiteral("ファイル %1 は開けません").arg(full_name);
}

// Why a source file can't be opened, in the user's words.
QString OpenErrorText(edamaki::SourceFileError const& error)
{
    return QStringLiteral("%1 行目に %2 として読めないバイトがあります。")
        .arg(QString::number(error.Line), edamaki::EncodingName(error.Encoding));
}

std::optional<QByteArray> ReadWholeFile(QString const& file_name)
{
    QFile file(file_name);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// The file a source comes from and the encoding it is saved in, as one step
// of the editor's undo history: undoing a clear brings back the text together
// with the file and encoding it had.
class DocumentFileUndo final : public QAbstractUndoItem {
public:
    DocumentFileUndo(edamaki::Document& document, edamaki::DetectedEncoding format, std::string file_name)
        : m_document(document)
        , m_before_format(document.Format)
        , m_before_file_name(document.FileName)
        , m_after_format(format)
        , m_after_file_name(std::move(file_name))
    {
    }

    void undo() override
    {
        m_document.Format = m_before_format;
        m_document.FileName = m_before_file_name;
    }
    void redo() override
    {
        m_document.Format = m_after_format;
        m_document.FileName = m_after_file_name;
    }

private:
    edamaki::Document& m_document;
    edamaki::DetectedEncoding m_before_format;
    std::string m_before_file_name;
    edamaki::DetectedEncoding m_after_format;
    std::string m_after_file_name;
};

} // namespace

// The program's own rewrites of the editor: the reads leave them alone (the
// command brings the tree in step itself) and the whole rewrite is one undo step.
class TMainForm::BulkUpdate {
public:
    explicit BulkUpdate(TMainForm& form)
        : m_program_edit(form.m_reads.get())
        , m_cursor(form.SrcList->document())
    {
        m_cursor.beginEditBlock();
    }
    ~BulkUpdate() { m_cursor.endEditBlock(); }
    BulkUpdate(BulkUpdate const&) = delete;
    BulkUpdate& operator=(BulkUpdate const&) = delete;

private:
    SourceReadScheduler::ProgramEdit m_program_edit;
    QTextCursor m_cursor;
};

TMainForm::TMainForm(edamaki::Document& document, QStringList const& arguments, QWidget* parent)
    : QMainWindow(parent)
    , m_document(document)
{
    InitResources();
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(TextModeCaption);
    setFont(edamaki::JapaneseFont(QStringLiteral("ＭＳ Ｐゴシック"), 12));
    setWindowIcon(QIcon(QStringLiteral(":/images/edamaki.png")));
    setAcceptDrops(true);
    resize(480, 340);
    setMinimumSize(MinimumWidth, MinimumHeight);

    for (char const* path : ToolBarImages)
        ImageList1.append(QIcon(QString::fromLatin1(path)));

    CreateDialogs();
    CreateLayout();
    m_search = new EditorSearch(*this, *SrcList);
    FindDlg = m_search->FindDialog();
    ReplaceDlg = m_search->ReplaceDialog();
    MainFormMenuBuilder menus(*this);
    menus.Build();

    connect(SrcList, &QPlainTextEdit::textChanged, this, &TMainForm::SrcListChange);
    // The menu's command shortcuts (Ctrl+Del among them) win over the editor's own keys.
    (new CommandShortcutGuard(menus.CommandActions(), this))->Guard(*SrcList);
    SrcList->viewport()->installEventFilter(this);
    SrcList->setFocus();
    // Undo and redo act on the source also from the tree pane, whose edits
    // are changes of the source.
    m_edit_actions = std::make_unique<EditActionTracker>(*this,
        EditActionTracker::Actions { EditCut1, EditCopy1, EditPaste1, EditSelectAll1, EditUndo1, EditRedo1 },
        SrcList);

    FormCreate(arguments);
}

// The edit action tracker goes with the members, before the children: the
// focus changes of the children going must not reach the actions.
TMainForm::~TMainForm() = default;

void TMainForm::CreateDialogs()
{
    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setNameFilters(
        { QStringLiteral("ソースファイル(*.fms,*.txt) (*.fms *.mks *.txt)"), AllFilesFilter });
    edamaki::PrepareFileDialog(*OpenDialog1);

    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    edamaki::PrepareFileDialog(*SaveDialog1);

    OpenFolder1 = new TplBrowseFolder(this);
    OpenFolder1->setObjectName(QStringLiteral("OpenFolder1"));
    OpenFolder1->Title = ParentFolderTitle;
}

void TMainForm::CreateLayout()
{
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);

    FormPanel1 = new TFormPanel(Splitter1);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    FormPanel1->setFrameShape(QFrame::NoFrame);
    FormPanel1->SetFormName(QStringLiteral("Form1"));

    Panel1 = new QFrame(Splitter1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::NoFrame);

    ToolBar1 = new QToolBar(Panel1);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFixedHeight(28);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);

    SrcList = new QPlainTextEdit(Panel1);
    SrcList->setObjectName(QStringLiteral("SrcList"));
    SrcList->setAccessibleName(QStringLiteral("ソース"));
    SrcList->setFont(edamaki::JapaneseFont(QStringLiteral("ＭＳ ゴシック"), 13));
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

    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(SrcList);

    Splitter1->addWidget(FormPanel1);
    Splitter1->addWidget(Panel1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({ 181, 480 - 181 - 3 });
    setCentralWidget(Splitter1);
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
    tree_pane.LinkReads(*m_reads);
    tree_pane.SetBeforeTreeUse([this] { EnsureTreeCurrent(); });
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
    return edamaki::SourceLinesForReading(SrcList->document()->toRawText());
}

bool TMainForm::IsMacroHeaderFirst() const
{
    QTextBlock const first = SrcList->document()->firstBlock();
    if (!first.isValid())
        return false;
    std::vector<std::string> const first_line { edamaki::QStringToShiftJisForReading(first.text()) };
    return edamaki::DetectSourceMode(first_line) == SourceMode::Macro;
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
    TagBtn->setEnabled(false);
}

void TMainForm::ShowMacroMode()
{
    m_document.Mode = SourceMode::Macro;
    setWindowTitle(MacroModeCaption);
    TagBtn->setEnabled(true);
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
    // Before start-up there is no view to tell.
    if (!m_reads)
        return edamaki::ReadSource(m_document.Tree, m_document.Map, EditorLinesForReading());
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
    QString const full_name = QDir::toNativeSeparators(QFileInfo(file_name).absoluteFilePath());
    std::optional<WaitCursor> wait_cursor(std::in_place);
    // The editor keeps its text, its mark and its encoding.
    auto const refuse = [&](QString const& text) {
        wait_cursor.reset();
        ShowMessage(this, QMessageBox::Critical, text);
        return false;
    };
    std::optional<QByteArray> const bytes = ReadWholeFile(file_name);
    if (!bytes)
        return refuse(CantOpenText(full_name));
    edamaki::SourceFileError error;
    std::optional<edamaki::SourceText> const source = edamaki::DecodeSourceFile(
        std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())),
        edamaki::EncodingChoice::Auto, error);
    if (!source)
        return refuse(CantOpenText(full_name) + u'\n' + OpenErrorText(error));
    QString const text = QString::fromStdString(edamaki::SourceTextAsUtf8(*source));

    {
        BulkUpdate const bulk(*this);
        ReplaceEditorText(text);
        ShowMode(ReadEditorSource());
        wait_cursor.reset();
        SrcList->setTextCursor(QTextCursor(SrcList->document()));
    }
    // The opened file starts a history of its own: an undo never brings back
    // the text before it, which may not even hold in the file's encoding.
    SrcList->document()->clearUndoRedoStacks();
    SrcList->document()->setModified(false);
    m_document.Format = source->Format;
    m_document.FileName = QFileInfo(file_name).absoluteFilePath().toStdString();
    return true;
}

// --- Commands ------------------------------------------------------------

bool TMainForm::AskToSave()
{
    QApplication::beep();
    switch (ShowMessage(this, QMessageBox::Question, SavePromptText,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        // A cancelled save dialog goes on; a save that failed keeps the document.
        return SaveSource() != SaveOutcome::Failed;
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

void TMainForm::mOpen1Click()
{
    if (!SrcList->document()->isEmpty() && IsDocumentModified() && !AskToSave())
        return;
    if (OpenDialog1->exec() != QDialog::Accepted)
        return;
    QStringList const chosen = OpenDialog1->selectedFiles();
    if (!chosen.isEmpty())
        OpenSource(chosen.front());
}

void TMainForm::mSave1Click()
{
    SaveSource();
}

TMainForm::SaveOutcome TMainForm::SaveSource()
{
    if (SrcList->document()->isEmpty())
        return SaveOutcome::NothingToSave;

    QString text = SrcList->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    edamaki::SourceFileError error;
    std::optional<std::string> const bytes
        = edamaki::EncodeSourceFile(text.toStdString(), m_document.Format, error);
    if (!bytes) {
        ShowMessage(this, QMessageBox::Warning, SaveErrorText(error));
        return SaveOutcome::Failed;
    }

    if (IsMacroHeaderFirst()) {
        SaveDialog1->setNameFilters(
            { QStringLiteral("スクリプトファイル(*.fms) (*.fms *.mks)"), AllFilesFilter });
        SaveDialog1->setDefaultSuffix(QStringLiteral("mks"));
    } else {
        SaveDialog1->setNameFilters({ QStringLiteral("テキストファイル(*.txt) (*.txt)"), AllFilesFilter });
        SaveDialog1->setDefaultSuffix(QStringLiteral("txt"));
    }
    if (!m_last_save_name.isEmpty()) {
        SaveDialog1->setDirectory(QFileInfo(m_last_save_name).absolutePath());
        SaveDialog1->selectFile(QFileInfo(m_last_save_name).fileName());
    }
    if (SaveDialog1->exec() != QDialog::Accepted)
        return SaveOutcome::Cancelled;
    QStringList const chosen = SaveDialog1->selectedFiles();
    if (chosen.isEmpty())
        return SaveOutcome::Cancelled;
    QString const& file_name = chosen.front();
    m_last_save_name = file_name;

    QSaveFile file(file_name);
    auto const size = static_cast<qint64>(bytes->size());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes->data(), size) != size || !file.commit()) {
        file.cancelWriting();
        ShowMessage(this, QMessageBox::Critical,
            QStringLiteral("ファイル %1 を作成できません").arg(QDir::toNativeSeparators(file_name)));
        return SaveOutcome::Failed;
    }
    SrcList->document()->setModified(false);
    // The saved text holds the tree pane's edits too.
    m_document.PaneEdit.NoteWritten();
    m_document.FileName = file_name.toStdString();
    return SaveOutcome::Saved;
}

bool TMainForm::FormCloseQuery()
{
    if (!IsDocumentModified())
        return true;
    return AskToSave();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
}

void TMainForm::mExit1Click()
{
    close();
}

// The cleared source is a new one: Shift-JIS, from no file. The clear is one
// undo step like the other rewrites, so the text can be got back, and with it
// the file and the encoding it had.
void TMainForm::mClearClick()
{
    {
        BulkUpdate const bulk(*this);
        ReplaceEditorText({});
        SrcList->document()->appendUndoItem(new DocumentFileUndo(m_document, {}, {}));
    }
    m_document.Format = {};
    m_document.FileName.clear();
    SrcListChange();
}

void TMainForm::mInsHeaderClick()
{
    if (IsMacroHeaderFirst())
        return;
    QTextCursor cursor(SrcList->document());
    cursor.beginEditBlock();
    cursor.insertText(
        QString::fromLatin1(edamaki::MacroHeader.data(), static_cast<qsizetype>(edamaki::MacroHeader.size()))
        + u'\n');
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
    edamaki::SourceConversion const conversion = m_tree_pane->ConvertSource(EditorLinesForReading(), to);
    QStringList converted = ToQStrings(conversion.Lines);
    // The parent folder line is carried over exactly as the editor holds it.
    if (conversion.CarriedFrom && *conversion.CarriedFrom < static_cast<std::size_t>(lines.size())) {
        qsizetype const at = std::min(static_cast<qsizetype>(conversion.CarriedTo), converted.size());
        converted.insert(at, lines[static_cast<qsizetype>(*conversion.CarriedFrom)]);
    }
    ReplaceEditorText(converted.join(u'\n'));
    m_reads->AdoptShownTree();
    SrcList->setTextCursor(QTextCursor(SrcList->document()));
    ShowMode(to);
}

bool TMainForm::SetParentFolder(QString const& folder)
{
    if (!m_tree_pane)
        return false;
    EnsureTreeCurrent();
    std::optional<std::string> const shift_jis = edamaki::QStringToShiftJis(folder);
    if (!shift_jis) {
        ShowMessage(this, QMessageBox::Warning,
            QStringLiteral(
                "フォルダ %1 の名前には Shift-JIS で書けない文字があるため、親フォルダにできません。")
                .arg(folder));
        return false;
    }
    m_tree_pane->SetRootPath(*shift_jis);
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
    if (auto const line = edamaki::FindParentFolderLine(EditorLinesForReading()))
        ReplaceEditorLine(static_cast<int>(*line), folder);
}

void TMainForm::mGetFolderClick()
{
    OpenFolder1->Title = ImportFolderTitle;
    if (!OpenFolder1->Execute(this))
        return;
    QString const folder = OpenFolder1->Folder();

    edamaki::FolderImport import;
    {
        WaitCursor const wait_cursor;
        import = edamaki::CollectLeafFolders(folder.toStdString());
        if (import.Readable && !import.Truncated) {
            {
                BulkUpdate const bulk(*this);
                ReplaceEditorText(ToQStrings(import.Lines).join(u'\n'));
            }
            if (m_reads)
                m_reads->ReadNow();
            m_document.FileName.clear();
            ShowTextMode();
        }
    }
    if (!import.Readable) {
        ShowMessage(this, QMessageBox::Warning,
            QStringLiteral("フォルダ %1 の中を読めません。ソースは変更していません。").arg(folder));
        return;
    }
    if (import.Truncated) {
        ShowMessage(this, QMessageBox::Warning,
            QStringLiteral("フォルダ %1 の中のフォルダが多すぎます（1 回の読み込みで %L2 個まで）。"
                           "ソースは変更していません。")
                .arg(folder)
                .arg(static_cast<qulonglong>(import.FolderBudget)));
        return;
    }
    ReportImportNotices(import);
}

namespace {

// The folders of `notices`, one a line; a very long list is cut short.
QString NamedFolders(std::vector<edamaki::ImportNotice> const& notices)
{
    constexpr std::size_t MostNamed = 20;
    QStringList named;
    for (std::size_t index = 0; index < notices.size() && index < MostNamed; ++index)
        named.append(QString::fromStdString(notices[index].HostPath));
    QString text = named.join(u'\n');
    if (notices.size() > MostNamed)
        text += QStringLiteral("\nほか %1 個").arg(notices.size() - MostNamed);
    return text;
}

} // namespace

void TMainForm::ReportImportNotices(edamaki::FolderImport const& import)
{
    QStringList parts;
    if (!import.LeftOut.empty())
        parts.append(QStringLiteral("次のフォルダ（とその下のフォルダ）は、名前をソースに書けないか、"
                                    "上のフォルダへ戻るリンクか、取り込み済みのフォルダへのリンクのため、"
                                    "取り込みませんでした。\n\n")
            + NamedFolders(import.LeftOut));
    if (!import.Unreadable.empty())
        parts.append(
            QStringLiteral("次のフォルダは中を読めなかったため、その下のフォルダを取り込んでいません。\n\n")
            + NamedFolders(import.Unreadable));
    if (!parts.isEmpty())
        ShowMessage(this, QMessageBox::Information, parts.join(QStringLiteral("\n\n")));
}

void TMainForm::ExeBtnClick()
{
    EnsureTreeCurrent();
    edamaki::FolderTree const& tree = m_document.Tree;
    if (auto const refusal = edamaki::CheckSourceCreationRun(tree, EditorLinesForReading())) {
        ShowMessage(this, QMessageBox::Warning, RunRefusalText(*refusal, tree));
        return;
    }
    if (!m_auto_run) {
        QString const question = QStringLiteral("フォルダを\"")
            + edamaki::ShiftJisToQString(tree.GetRootPath()) + QStringLiteral("\"の下に作成しますか？");
        if (ShowMessage(
                this, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
            != QMessageBox::Yes)
            return;
    }
    SrcList->document()->setModified(false);
    if (m_log_window)
        m_log_window->StartCreation(m_document.Tree);
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
        + QString::fromLatin1(
            edamaki::VersionText.data(), static_cast<qsizetype>(edamaki::VersionText.size())));
    m_about_box->exec();
}

void TMainForm::TagBtnClick()
{
    emit TagDialogRequested(-1);
}

void TMainForm::mTagNumClick()
{
    emit TagDialogRequested(0);
}

void TMainForm::mTagCharClick()
{
    emit TagDialogRequested(1);
}

void TMainForm::mTagStringClick()
{
    emit TagDialogRequested(2);
}

void TMainForm::mTagAddFldClick()
{
    emit TagDialogRequested(3);
}

void TMainForm::mTagDelFldClick()
{
    emit TagDialogRequested(4);
}

void TMainForm::mTagRenClick()
{
    emit TagDialogRequested(5);
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

// --- Dropped items -------------------------------------------------------

namespace {

// The local path of the first dropped item, or empty when it is none.
QStringList DroppedPaths(QMimeData const* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    QList<QUrl> const urls = data->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile())
        return paths;
    for (QUrl const& url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

} // namespace

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event)
{
    if (!DroppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    QStringList const paths = DroppedPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    // The drop is released first; prompts and the run come after it.
    QTimer::singleShot(0, this, [this, paths] { DropFiles(paths); });
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
        if (IsDocumentModified() && !AskToSave())
            return;
        if (!OpenSource(item.filePath()))
            return;
    }
    if (m_auto_run && !m_document.Tree.GetRootPath().empty())
        ExeBtnClick();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == SrcList->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!DroppedPaths(drag->mimeData()).isEmpty()) {
                drag->acceptProposedAction();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (!DroppedPaths(drop->mimeData()).isEmpty()) {
                dropEvent(drop);
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
