#include "gui/windows/EditorSearch.h"

#include "gui/qt/QtShiftJis.h"
#include "gui/windows/FindDlg.h"
#include "gui/windows/ReplaceDlg.h"

#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>

namespace edamaki {

namespace {

QString const NotFoundText = QStringLiteral("見つかりませんでした。");
QString const ReplaceAllQuestion = QStringLiteral("すべての検索文字列を置換します。\n\nよろしいですか？");
QString const ReplacedCountSuffix = QStringLiteral("個置換しました。");

// Shows a message box and gives the focus back to where it was, in the
// window the search came from: a second Enter then searches again instead of
// reaching the window the window system activates.
int ExecKeepingFocus(QMessageBox& box)
{
    QPointer<QWidget> const focus = QApplication::focusWidget();
    int const result = box.exec();
    if (focus && focus->isVisible()) {
        focus->activateWindow();
        focus->setFocus(Qt::OtherFocusReason);
    }
    return result;
}

void ShowInformation(QWidget* parent, QString const& text)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("情報"), text, QMessageBox::Ok, parent);
    ExecKeepingFocus(box);
}

bool Confirm(QWidget* parent, QString const& text)
{
    QMessageBox box(
        QMessageBox::Question, QStringLiteral("確認"), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return ExecKeepingFocus(box) == QMessageBox::Yes;
}

} // namespace

EditorSearch::EditorSearch(QWidget& window, QPlainTextEdit& editor)
    : QObject(&window)
    , m_window(window)
    , m_editor(editor)
    , m_find_dialog(new TFindDialog(&window))
    , m_replace_dialog(new TReplaceDialog(&window))
    , m_source(*editor.document())
{
    connect(m_find_dialog, &TSearchDialog::FindNextClicked, this, &EditorSearch::FindDlgFind);
    connect(m_replace_dialog, &TSearchDialog::FindNextClicked, this, &EditorSearch::ReplaceDlgFind);
    connect(m_replace_dialog, &TReplaceDialog::ReplaceClicked, this, &EditorSearch::ReplaceDlgReplace);
}

// --- The editor ----------------------------------------------------------

TextRange EditorSearch::EditorSelection()
{
    QTextCursor const cursor = m_editor.textCursor();
    return m_source.RangeOf(cursor.selectionStart(), cursor.selectionEnd());
}

void EditorSearch::SelectInEditor(TextRange range)
{
    auto const start = static_cast<std::size_t>(range.Start);
    std::vector<int> const positions
        = m_source.PositionsOf({ start, start + static_cast<std::size_t>(range.Length) });
    QTextCursor cursor(m_editor.document());
    cursor.setPosition(positions[0]);
    cursor.setPosition(positions[1], QTextCursor::KeepAnchor);
    m_editor.setTextCursor(cursor);
    m_editor.ensureCursorVisible();
}

QString EditorSearch::SelectionForSearch() const
{
    QString const selected = m_editor.textCursor().selectedText();
    qsizetype const line_end = selected.indexOf(QChar::ParagraphSeparator);
    return line_end < 0 ? selected : selected.left(line_end);
}

std::string EditorSearch::SearchBytes() const
{
    return QStringToShiftJisForReading(m_find_dialog->SearchText());
}

// --- Finding -------------------------------------------------------------

bool EditorSearch::FindInSource()
{
    TextRange const selection = EditorSelection();
    auto const match = edamaki::FindInSource(
        m_source.Text(), selection.Start, selection.Length, SearchBytes(), m_find_dialog->Options());
    if (!match)
        return false;
    SelectInEditor(*match);
    return true;
}

void EditorSearch::FindFrom(QWidget* parent)
{
    if (!FindInSource())
        ShowInformation(parent, NotFoundText);
}

void EditorSearch::mFindClick()
{
    QString const selected = SelectionForSearch();
    if (!selected.isEmpty())
        m_find_dialog->SetSearchText(selected);
    m_find_dialog->ShowModeless();
}

void EditorSearch::FindDlgFind()
{
    FindFrom(m_find_dialog);
}

void EditorSearch::mFindNextClick()
{
    FindOptions options = m_find_dialog->Options();
    options.Down = true;
    m_find_dialog->SetOptions(options);
    FindFrom(&m_window);
}

void EditorSearch::mFindPrevClick()
{
    FindOptions options = m_find_dialog->Options();
    options.Down = false;
    m_find_dialog->SetOptions(options);
    FindFrom(&m_window);
}

// --- Replacing -----------------------------------------------------------

void EditorSearch::mReplaceClick()
{
    QString const selected = SelectionForSearch();
    if (!selected.isEmpty())
        m_replace_dialog->SetSearchText(selected);
    m_replace_dialog->ShowModeless();
}

void EditorSearch::CopySearch()
{
    if (m_replace_dialog->SearchText().isEmpty())
        return;
    m_find_dialog->SetSearchText(m_replace_dialog->SearchText());
    m_find_dialog->SetOptions(m_replace_dialog->Options());
}

void EditorSearch::ReplaceDlgFind()
{
    CopySearch();
    FindFrom(m_replace_dialog);
}

void EditorSearch::ReplaceDlgReplace(bool all)
{
    if (all && !Confirm(m_replace_dialog, ReplaceAllQuestion))
        return;
    CopySearch();
    if (all) {
        ReplaceAll();
        return;
    }
    if (!FindInSource()) {
        ShowInformation(m_replace_dialog, NotFoundText);
        return;
    }
    QTextCursor cursor = m_editor.textCursor();
    cursor.insertText(m_replace_dialog->ReplaceText());
    m_editor.setTextCursor(cursor);
}

// Every replacement from the selection on, found in one pass over the text
// and made as one edit of the editor, from the last to the first so that the
// positions of the ones before stay where they were.
void EditorSearch::ReplaceAll()
{
    QString const replace = m_replace_dialog->ReplaceText();
    TextRange const selection = EditorSelection();
    std::optional<ReplaceAllResult> const result = ReplaceAllInSource(m_source.Text(), selection.Start,
        selection.Length, SearchBytes(), QStringToShiftJisForReading(replace), m_find_dialog->Options());
    if (!result) {
        ShowInformation(m_replace_dialog, NotFoundText);
        return;
    }

    std::vector<std::size_t> offsets;
    offsets.reserve(result->Replaced.size() * 2);
    for (TextRange const& range : result->Replaced) {
        offsets.push_back(static_cast<std::size_t>(range.Start));
        offsets.push_back(static_cast<std::size_t>(range.Start + range.Length));
    }
    std::vector<int> const positions = m_source.PositionsOf(offsets);

    QTextCursor cursor(m_editor.document());
    cursor.beginEditBlock();
    qsizetype growth = 0; // of the text before the last replacement
    for (std::size_t index = positions.size(); index >= 2; index -= 2) {
        int const start = positions[index - 2];
        int const end = positions[index - 1];
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.insertText(replace);
        if (index < positions.size())
            growth += replace.size() - (end - start);
    }
    cursor.endEditBlock();

    int const last_start = positions[positions.size() - 2];
    cursor.setPosition(static_cast<int>(last_start + growth + replace.size()));
    m_editor.setTextCursor(cursor);
    ShowInformation(m_replace_dialog, QString::number(result->Count) + ReplacedCountSuffix);
}

} // namespace edamaki
