#include "gui/windows/FolderImportCommand.h"

#include "core/disk/FolderImport.h"
#include "core/document/Document.h"
#include "gui/qt/PlaceholderMemory.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/qt/SourceReadScheduler.h"
#include "gui/widgets/MessageBoxes.h"
#include "gui/widgets/TplBrowseFolder.h"
#include "gui/widgets/WaitCursor.h"
#include "gui/windows/MainFormBulkUpdate.h"
#include "gui/windows/ShiftJisLines.h"
#include "gui/windows/SourceFileCommands.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TMainForm.h"

#include <QMessageBox>

namespace edamaki {

namespace {

QString const ImportFolderTitle = QStringLiteral("参照フォルダの選択");

// The folders of `notices`, one a line; a very long list is cut short.
QString NamedFolders(std::vector<ImportNotice> const& notices)
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

FolderImportCommand::FolderImportCommand(TMainForm& form)
    : m_form(form)
{
}

void FolderImportCommand::mGetFolderClick()
{
    m_form.OpenFolder1->Title = ImportFolderTitle;
    if (!m_form.OpenFolder1->Execute(&m_form))
        return;
    QString const folder = m_form.OpenFolder1->Folder();

    FolderImport import;
    {
        WaitCursor const wait_cursor;
        import = CollectLeafFolders(folder.toStdString());
        if (import.Readable && !import.Truncated) {
            QString const text = ToQStrings(import.Lines).join(u'\n');
            {
                TMainForm::BulkUpdate const bulk(m_form);
                m_form.ReplaceEditorText(text);
                // A new source, not the file or template the text came from: Shift-JIS,
                // the program's own, unless a name needs UTF-8.
                DetectedEncoding format;
                if (!QStringToShiftJis(text))
                    format.Encoding = TextEncoding::Utf8;
                m_form.m_source_files->StartNewSource(format);
            }
            if (m_form.m_reads)
                m_form.m_reads->ReadNow();
            if (m_form.m_placeholder_values)
                m_form.m_placeholder_values->ForgetUnsaved();
            m_form.ShowTextMode();
        }
    }
    if (!import.Readable) {
        ShowMessage(&m_form, QMessageBox::Warning,
            QStringLiteral("フォルダ %1 の中を読めません。ソースは変更していません。").arg(folder));
        return;
    }
    if (import.Truncated) {
        ShowMessage(&m_form, QMessageBox::Warning,
            QStringLiteral("フォルダ %1 の中のフォルダが多すぎます（1 回の読み込みで %L2 個まで）。"
                           "ソースは変更していません。")
                .arg(folder)
                .arg(static_cast<qulonglong>(import.FolderBudget)));
        return;
    }
    ReportImportNotices(import);
}

void FolderImportCommand::ReportImportNotices(FolderImport const& import)
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
        ShowMessage(&m_form, QMessageBox::Information, parts.join(QStringLiteral("\n\n")));
}

} // namespace edamaki
