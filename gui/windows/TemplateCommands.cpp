#include "gui/windows/TemplateCommands.h"

#include "core/document/Document.h"
#include "core/document/SourceFile.h"
#include "core/document/Templates.h"
#include "gui/widgets/MessageBoxes.h"
#include "gui/windows/SourceErrorText.h"
#include "gui/windows/SourceFileCommands.h"
#include "gui/windows/TMainForm.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTextDocument>

#include <optional>

namespace edamaki {

namespace {

QString const SaveTitle = QStringLiteral("テンプレートとして保存");

// Why a typed name can't name a template file, or nothing.
std::optional<QString> NameRefusal(QString const& name)
{
    if (name.isEmpty())
        return QStringLiteral("テンプレートの名前を入力してください。");
    if (name.startsWith(u'.'))
        return QStringLiteral("「.」で始まる名前は使えません。");
    for (QChar const character : name) {
        if (character == u'/' || character.category() == QChar::Other_Control)
            return QStringLiteral("テンプレートの名前に「/」や制御文字は使えません。");
    }
    return std::nullopt;
}

// A menu item shows "&" as itself.
QString ItemText(QString text)
{
    return text.replace(u'&', QStringLiteral("&&"));
}

} // namespace

TemplateCommands::TemplateCommands(TMainForm& form)
    : m_form(form)
{
}

void TemplateCommands::FillMenu(QMenu& menu, QAction* save_item)
{
    menu.clear();
    std::vector<SourceTemplate> const templates = ListTemplates();
    for (SourceTemplate const& entry : templates) {
        QString const path = QString::fromStdString(entry.Path);
        QAction* item = menu.addAction(ItemText(QString::fromStdString(entry.Name)));
        item->setToolTip(QDir::toNativeSeparators(path));
        QObject::connect(item, &QAction::triggered, &m_form, [this, path] { OpenTemplate(path); });
    }
    if (templates.empty())
        menu.addAction(QStringLiteral("(テンプレートがありません)"))->setEnabled(false);
    menu.addSeparator();
    menu.addAction(save_item);
}

bool TemplateCommands::OpenTemplate(QString const& path)
{
    QPlainTextEdit const& editor = *m_form.SrcList;
    if (!editor.document()->isEmpty() && m_form.IsDocumentModified() && !m_form.m_source_files->AskToSave())
        return false;
    return m_form.m_source_files->OpenSourceAsNew(path);
}

void TemplateCommands::mSaveTemplateClick()
{
    QTextDocument const& source = *m_form.SrcList->document();
    if (source.isEmpty()) {
        ShowMessage(&m_form, QMessageBox::Information,
            QStringLiteral("ソースが空のため、テンプレートとして保存できません。"));
        return;
    }
    QString text = source.toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    SourceFileError error;
    std::optional<std::string> const bytes
        = EncodeSourceFile(text.toStdString(), { TextEncoding::Utf8, false }, error);
    if (!bytes) {
        ShowMessage(&m_form, QMessageBox::Warning,
            MissingCharacterText(error) + QStringLiteral("\nテンプレートは保存されませんでした。"));
        return;
    }

    QString name = m_form.m_document.FileName.empty()
        ? QString()
        : QFileInfo(QString::fromStdString(m_form.m_document.FileName)).completeBaseName();
    while (true) {
        QInputDialog dialog(&m_form);
        dialog.setObjectName(QStringLiteral("TemplateNameDialog"));
        dialog.setWindowTitle(SaveTitle);
        dialog.setLabelText(QStringLiteral("テンプレートの名前:"));
        dialog.setTextValue(name);
        dialog.setOkButtonText(QStringLiteral("OK"));
        dialog.setCancelButtonText(QStringLiteral("キャンセル"));
        // Wide enough for its title and a long name (the dialog takes its
        // layout's width).
        if (auto* field = dialog.findChild<QLineEdit*>())
            field->setMinimumWidth(320);
        if (dialog.exec() != QDialog::Accepted)
            return;
        name = dialog.textValue().trimmed();
        auto const refusal = NameRefusal(name);
        if (!refusal)
            break;
        ShowMessage(&m_form, QMessageBox::Warning, *refusal);
    }

    QString const folder = QString::fromStdString(OwnTemplateFolder());
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        ShowMessage(&m_form, QMessageBox::Critical,
            QStringLiteral("テンプレートのフォルダ %1 を作成できません。テンプレートは保存されませんでした。")
                .arg(QDir::toNativeSeparators(folder)));
        return;
    }
    QString const file_name = QDir(folder).filePath(
        name + (m_form.IsMacroHeaderFirst() ? QStringLiteral(".fms") : QStringLiteral(".txt")));
    // The user's own template of that name, whichever its extension.
    std::optional<QString> replaced;
    for (SourceTemplate const& entry : ListTemplates()) {
        if (entry.Own && QString::fromStdString(entry.Name) == name)
            replaced = QString::fromStdString(entry.Path);
    }
    if (replaced
        && ShowMessage(&m_form, QMessageBox::Question,
               QStringLiteral("テンプレート「%1」は既にあります。上書きしますか？").arg(name),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            != QMessageBox::Yes)
        return;

    QSaveFile file(file_name);
    auto const size = static_cast<qint64>(bytes->size());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes->data(), size) != size || !file.commit()) {
        file.cancelWriting();
        ShowMessage(&m_form, QMessageBox::Critical,
            QStringLiteral("ファイル %1 を作成できません。テンプレートは保存されませんでした。")
                .arg(QDir::toNativeSeparators(file_name)));
        return;
    }
    // A name is one template: the one saved under the other extension goes.
    if (replaced && QFileInfo(*replaced).absoluteFilePath() != QFileInfo(file_name).absoluteFilePath())
        QFile::remove(*replaced);
}

} // namespace edamaki
