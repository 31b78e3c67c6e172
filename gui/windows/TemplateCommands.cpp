#include "gui/windows/TemplateCommands.h"

#include "core/document/Document.h"
#include "core/document/SourceDocument.h"
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
#include <QStringList>
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

// A menu item shows "&" as itself; the first items get the access keys 1 to
// 9, then the letters but the save item's "S", so that no two are alike.
QString ItemText(QString text, int index)
{
    text.replace(u'&', QStringLiteral("&&"));
    static QString const keys = QStringLiteral("123456789ABCDEFGHIJKLMNOPQRTUVWXYZ");
    if (index >= keys.size())
        return text;
    return u'&' + keys.at(index) + u' ' + text;
}

QString const InstalledMark = QStringLiteral("（インストール済み）");
QString const OwnMark = QStringLiteral("（自作）");

} // namespace

TemplateCommands::TemplateCommands(TMainForm& form)
    : m_form(form)
{
}

void TemplateCommands::FillMenu(QMenu& menu, QAction* save_item)
{
    menu.clear();
    int index = 0;
    auto const add_item = [&](QString const& text, QString const& path) {
        QAction* item = menu.addAction(ItemText(text, index++));
        item->setToolTip(QDir::toNativeSeparators(path));
        QObject::connect(item, &QAction::triggered, &m_form, [this, path] { OpenTemplate(path); });
    };
    std::vector<SourceTemplate> const templates = ListTemplates();
    for (SourceTemplate const& entry : templates) {
        QString const name = QString::fromStdString(entry.Name);
        // An own template of an installed one's name: both are shown, each saying which it is.
        if (entry.HiddenInstalledPath.empty()) {
            add_item(name, QString::fromStdString(entry.Path));
            continue;
        }
        add_item(name + OwnMark, QString::fromStdString(entry.Path));
        add_item(name + InstalledMark, QString::fromStdString(entry.HiddenInstalledPath));
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

std::optional<QString> TemplateCommands::TemplateText()
{
    QTextDocument const& source = *m_form.SrcList->document();
    if (source.isEmpty()) {
        ShowMessage(&m_form, QMessageBox::Information,
            QStringLiteral("ソースが空のため、テンプレートとして保存できません。"));
        return std::nullopt;
    }
    QStringList lines = m_form.EditorLines();
    // A template is used for other projects, usually under another parent folder.
    if (auto const line = FindParentFolderLine(m_form.EditorLinesForReading());
        line && *line < static_cast<std::size_t>(lines.size())) {
        auto const index = static_cast<qsizetype>(*line);
        auto const answer = ShowMessage(&m_form, QMessageBox::Question,
            QStringLiteral("ソースには親フォルダの行「%1」があります。テンプレートに残しますか？\n"
                           "「いいえ」: 行を除いて保存します。テンプレートから作るソースでは、作成の前に"
                           "親フォルダを選びます。")
                .arg(lines[index]),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No);
        if (answer == QMessageBox::Cancel)
            return std::nullopt;
        if (answer == QMessageBox::No)
            lines.removeAt(index);
    }
    QString text = lines.join(QStringLiteral("\r\n"));
    if (source.toRawText().endsWith(QChar::ParagraphSeparator))
        text += QStringLiteral("\r\n");
    return text;
}

std::optional<QString> TemplateCommands::AskTemplateName() const
{
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
            return std::nullopt;
        name = dialog.textValue().trimmed();
        auto const refusal = NameRefusal(name);
        if (!refusal)
            return name;
        ShowMessage(&m_form, QMessageBox::Warning, *refusal);
    }
}

bool TemplateCommands::ConfirmName(QString const& name, std::optional<QString>& replaced) const
{
    bool installed = false;
    for (SourceTemplate const& entry : ListTemplates()) {
        if (QString::fromStdString(entry.Name) != name)
            continue;
        if (entry.Own)
            replaced = QString::fromStdString(entry.Path);
        installed = !entry.Own || !entry.HiddenInstalledPath.empty();
    }
    if (replaced) {
        return ShowMessage(&m_form, QMessageBox::Question,
                   QStringLiteral("テンプレート「%1」は既にあります。上書きしますか？").arg(name),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            == QMessageBox::Yes;
    }
    if (!installed)
        return true;
    return ShowMessage(&m_form, QMessageBox::Question,
               QStringLiteral("インストール済みのテンプレートに「%1」があります。同じ名前で保存しますか？\n"
                              "インストール済みのものは消えず、メニューには「%1%2」と「%1%3」が並びます。")
                   .arg(name, OwnMark, InstalledMark),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

void TemplateCommands::mSaveTemplateClick()
{
    std::optional<QString> const text = TemplateText();
    if (!text)
        return;
    SourceFileError error;
    std::optional<std::string> const bytes
        = EncodeSourceFile(text->toStdString(), { TextEncoding::Utf8, false }, error);
    if (!bytes) {
        ShowMessage(&m_form, QMessageBox::Warning,
            MissingCharacterText(error) + QStringLiteral("\nテンプレートは保存されませんでした。"));
        return;
    }
    std::optional<QString> const name = AskTemplateName();
    if (!name)
        return;

    QString const folder = QString::fromStdString(OwnTemplateFolder());
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        ShowMessage(&m_form, QMessageBox::Critical,
            QStringLiteral("テンプレートのフォルダ %1 を作成できません。テンプレートは保存されませんでした。")
                .arg(QDir::toNativeSeparators(folder)));
        return;
    }
    QString const file_name = QDir(folder).filePath(
        *name + (m_form.IsMacroHeaderFirst() ? QStringLiteral(".fms") : QStringLiteral(".txt")));
    // The user's own template of that name, whichever its extension.
    std::optional<QString> replaced;
    if (!ConfirmName(*name, replaced))
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
