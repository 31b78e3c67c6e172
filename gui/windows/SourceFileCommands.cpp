#include "gui/windows/SourceFileCommands.h"

#include "core/document/Document.h"
#include "core/document/SourceBytes.h"
#include "core/document/SourceFile.h"
#include "core/document/SourceSize.h"
#include "core/document/Templates.h"
#include "gui/qt/PlaceholderMemory.h"
#include "gui/widgets/FileDialogs.h"
#include "gui/widgets/MessageBoxes.h"
#include "gui/widgets/WaitCursor.h"
#include "gui/windows/MainFormBulkUpdate.h"
#include "gui/windows/SourceErrorText.h"
#include "gui/windows/TMainForm.h"

#include <QAbstractUndoItem>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <optional>

namespace edamaki {

namespace {

QString const SavePromptText = QStringLiteral("内容に変更があります。保存しますか？");
QString const AllFilesFilter = QStringLiteral("全てのファイル(*.*) (*)");

// Why the document can't be saved, in the user's words.
QString SaveErrorText(SourceFileError const& error)
{
    QString const reason = error.Problem == SourceFileError::Kind::MissingCharacter
        ? MissingCharacterText(error)
        : QStringLiteral("%1 行目に %2 で書けない文字があります。")
              .arg(QString::number(error.Line), EncodingName(error.Encoding));
    return reason + QStringLiteral("\nファイルは保存されませんでした。");
}

QString CantOpenText(QString const& full_name)
{
    return QStringLiteral("ファイル %1 は開けません").arg(full_name);
}

// Why a source file can't be opened, in the user's words.
QString OpenErrorText(SourceFileError const& error)
{
    if (error.Problem == SourceFileError::Kind::Utf16)
        return QStringLiteral("UTF-16 のファイルは読めません。UTF-8 か Shift-JIS で保存してください。");
    return QStringLiteral("%1 行目に %2 として読めないバイトがあります。")
        .arg(QString::number(error.Line), EncodingName(error.Encoding));
}

// Why a file larger than a source may be can't be opened.
QString TooLargeText()
{
    return QStringLiteral("ソースは %1 バイトまでです。このファイルはそれより大きいため読めません。")
        .arg(QLocale(QLocale::English).toString(static_cast<qulonglong>(MostSourceBytes)));
}

// The file a source comes from and the encoding it is saved in, as one step
// of the editor's undo history: undoing a clear brings back the text together
// with the file and encoding it had.
class DocumentFileUndo final : public QAbstractUndoItem {
public:
    DocumentFileUndo(Document& document, DetectedEncoding format, std::string file_name)
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
    Document& m_document;
    DetectedEncoding m_before_format;
    std::string m_before_file_name;
    DetectedEncoding m_after_format;
    std::string m_after_file_name;
};

} // namespace

SourceFileCommands::SourceFileCommands(TMainForm& form)
    : m_form(form)
    , m_document(form.m_document)
{
    CreateDialogs();
}

void SourceFileCommands::CreateDialogs()
{
    OpenDialog1 = new QFileDialog(&m_form);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setNameFilters(
        { QStringLiteral("ソースファイル(*.fms,*.txt) (*.fms *.mks *.txt)"), AllFilesFilter });
    PrepareFileDialog(*OpenDialog1);

    SaveDialog1 = new QFileDialog(&m_form);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    PrepareFileDialog(*SaveDialog1);
    AddEncodingChoice();
}

// The encoding the file is written in, chosen in the save dialog below its
// file type; it starts with the document's own.
void SourceFileCommands::AddEncodingChoice()
{
    SaveEncoding = new QComboBox(SaveDialog1);
    SaveEncoding->setObjectName(QStringLiteral("SaveEncoding"));
    SaveEncoding->addItem(QStringLiteral("Shift-JIS"));
    SaveEncoding->addItem(QStringLiteral("UTF-8"));
    SaveEncoding->addItem(QStringLiteral("UTF-8 (BOM 付き)"));
    auto* label = new QLabel(QStringLiteral("文字コード(&E):"), SaveDialog1);
    label->setBuddy(SaveEncoding);
    auto* grid = qobject_cast<QGridLayout*>(SaveDialog1->layout());
    if (!grid)
        return;
    int const row = grid->rowCount();
    grid->addWidget(label, row, 0);
    grid->addWidget(SaveEncoding, row, 1);
}

DetectedEncoding SourceFileCommands::ChosenEncoding() const
{
    switch (SaveEncoding->currentIndex()) {
    case 1:
        return { TextEncoding::Utf8, false };
    case 2:
        return { TextEncoding::Utf8, true };
    default:
        return { TextEncoding::ShiftJis, false };
    }
}

void SourceFileCommands::StartNewSource(DetectedEncoding format)
{
    m_form.SrcList->document()->appendUndoItem(new DocumentFileUndo(m_document, format, {}));
    m_document.Format = format;
    m_document.FileName.clear();
}

bool SourceFileCommands::OpenSource(QString const& file_name)
{
    return Load(file_name, false);
}

bool SourceFileCommands::OpenSourceAsNew(QString const& file_name)
{
    return Load(file_name, true);
}

bool SourceFileCommands::Load(QString const& file_name, bool as_new)
{
    QString const full_name = QDir::toNativeSeparators(QFileInfo(file_name).absoluteFilePath());
    std::optional<WaitCursor> wait_cursor(std::in_place);
    // The editor keeps its text, its mark and its encoding.
    auto const refuse = [&](QString const& text) {
        wait_cursor.reset();
        ShowMessage(&m_form, QMessageBox::Critical, text);
        return false;
    };
    // A template is read only from a regular file: a FIFO put in its place never holds the program.
    SourceBytes read
        = ReadSourceBytes(QFile::encodeName(QFileInfo(file_name).absoluteFilePath()).toStdString(), as_new);
    if (read.Failure == SourceBytes::Problem::TooLarge)
        return refuse(CantOpenText(full_name) + u'\n' + TooLargeText());
    if (!read.Succeeded())
        return refuse(CantOpenText(full_name));
    SourceFileError error;
    std::optional<SourceText> const source
        = DecodeSourceFileInPlace(std::move(read.Bytes), EncodingChoice::Auto, error);
    if (!source)
        return refuse(CantOpenText(full_name) + u'\n' + OpenErrorText(error));
    QString const text = QString::fromStdString(SourceTextAsUtf8(*source));

    // The file comes first: the read fills placeholders with the values last
    // given for it.
    std::string const new_file_name
        = as_new ? std::string() : QFileInfo(file_name).absoluteFilePath().toStdString();
    // A new document fills its placeholders from its own defaults, not with
    // the values given to another unsaved one.
    if (as_new && m_form.m_placeholder_values)
        m_form.m_placeholder_values->ForgetUnsaved();
    {
        TMainForm::BulkUpdate const bulk(m_form);
        m_form.ReplaceEditorText(text);
        if (as_new)
            m_form.SrcList->document()->appendUndoItem(
                new DocumentFileUndo(m_document, source->Format, new_file_name));
        m_document.Format = source->Format;
        m_document.FileName = new_file_name;
        m_form.ShowMode(m_form.ReadEditorSource());
        wait_cursor.reset();
        m_form.SrcList->setTextCursor(QTextCursor(m_form.SrcList->document()));
    }
    if (as_new)
        return true;
    // The opened file starts a history of its own: an undo never brings back
    // the text before it, which may not even hold in the file's encoding.
    m_form.SrcList->document()->clearUndoRedoStacks();
    m_form.SrcList->document()->setModified(false);
    return true;
}

bool SourceFileCommands::AskToSave()
{
    QApplication::beep();
    switch (ShowMessage(&m_form, QMessageBox::Question, SavePromptText,
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

void SourceFileCommands::mOpen1Click()
{
    if (!m_form.SrcList->document()->isEmpty() && m_form.IsDocumentModified() && !AskToSave())
        return;
    if (OpenDialog1->exec() != QDialog::Accepted)
        return;
    QStringList const chosen = OpenDialog1->selectedFiles();
    if (!chosen.isEmpty())
        OpenSource(chosen.front());
}

void SourceFileCommands::mSave1Click()
{
    SaveSource();
}

SourceFileCommands::SaveOutcome SourceFileCommands::SaveSource()
{
    if (m_form.SrcList->document()->isEmpty())
        return SaveOutcome::NothingToSave;

    QString text = m_form.SrcList->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    // Text the document's encoding can't hold is refused before a name is
    // asked for; from Shift-JIS the user may go on in UTF-8.
    DetectedEncoding offered = m_document.Format;
    SourceFileError error;
    if (!EncodeSourceFile(text.toStdString(), offered, error)) {
        if (!OfferUtf8(error))
            return SaveOutcome::Failed;
        offered = { TextEncoding::Utf8, false };
    }
    std::optional<QString> const file_name = AskSaveName(offered);
    if (!file_name)
        return SaveOutcome::Cancelled;
    DetectedEncoding const format = ChosenEncoding();
    std::optional<std::string> const bytes = EncodeSourceFile(text.toStdString(), format, error);
    if (!bytes) {
        ShowMessage(&m_form, QMessageBox::Warning, SaveErrorText(error));
        return SaveOutcome::Failed;
    }

    QSaveFile file(*file_name);
    auto const size = static_cast<qint64>(bytes->size());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes->data(), size) != size || !file.commit()) {
        file.cancelWriting();
        ShowMessage(&m_form, QMessageBox::Critical,
            QStringLiteral("ファイル %1 を作成できません").arg(QDir::toNativeSeparators(*file_name)));
        return SaveOutcome::Failed;
    }
    m_form.SrcList->document()->setModified(false);
    // The saved text holds the tree pane's edits too.
    m_document.PaneEdit.NoteWritten();
    m_document.FileName = file_name->toStdString();
    m_document.Format = format;
    m_form.ShowDocumentState();
    return SaveOutcome::Saved;
}

bool SourceFileCommands::OfferUtf8(SourceFileError const& error)
{
    if (error.Encoding != TextEncoding::ShiftJis) {
        ShowMessage(&m_form, QMessageBox::Warning, SaveErrorText(error));
        return false;
    }
    QMessageBox box(QMessageBox::Warning, MessageTitle(QMessageBox::Warning), SaveErrorText(error),
        QMessageBox::Ok, &m_form);
    QPushButton const* utf8 = box.addButton(QStringLiteral("UTF-8 で保存(&U)..."), QMessageBox::AcceptRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == utf8;
}

std::optional<QString> SourceFileCommands::AskSaveName(DetectedEncoding format)
{
    if (m_form.IsMacroHeaderFirst()) {
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
    int const encoding = format.Encoding == TextEncoding::ShiftJis ? 0 : format.HasByteOrderMark ? 2 : 1;
    SaveEncoding->setCurrentIndex(encoding);
    if (SaveDialog1->exec() != QDialog::Accepted)
        return std::nullopt;
    QStringList const chosen = SaveDialog1->selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    m_last_save_name = chosen.front();
    return chosen.front();
}

bool SourceFileCommands::FormCloseQuery()
{
    if (!m_form.IsDocumentModified())
        return true;
    return AskToSave();
}

// The cleared source is a new one: Shift-JIS, from no file. The clear is one
// undo step like the other rewrites, so the text can be got back, and with it
// the file and the encoding it had.
void SourceFileCommands::mClearClick()
{
    {
        TMainForm::BulkUpdate const bulk(m_form);
        m_form.ReplaceEditorText({});
        m_form.SrcList->document()->appendUndoItem(new DocumentFileUndo(m_document, {}, {}));
    }
    m_document.Format = {};
    m_document.FileName.clear();
    if (m_form.m_placeholder_values)
        m_form.m_placeholder_values->ForgetUnsaved();
    m_form.SrcListChange();
}

} // namespace edamaki
