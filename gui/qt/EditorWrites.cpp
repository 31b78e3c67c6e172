#include "gui/qt/EditorWrites.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace edamaki {

namespace {

// The user's caret, selection and scroll position, put back after a write
// that the editor's own cursor would otherwise follow.
class KeptView {
public:
    explicit KeptView(QPlainTextEdit& editor)
        : m_editor(editor)
        , m_anchor(editor.textCursor().anchor())
        , m_position(editor.textCursor().position())
        , m_horizontal(editor.horizontalScrollBar()->value())
        , m_vertical(editor.verticalScrollBar()->value())
    {
    }
    KeptView(KeptView const&) = delete;
    KeptView& operator=(KeptView const&) = delete;

    ~KeptView()
    {
        QTextCursor cursor = m_editor.textCursor();
        if (cursor.anchor() == m_anchor && cursor.position() == m_position)
            return;
        cursor.setPosition(m_anchor);
        cursor.setPosition(m_position, QTextCursor::KeepAnchor);
        m_editor.setTextCursor(cursor);
        m_editor.horizontalScrollBar()->setValue(m_horizontal);
        m_editor.verticalScrollBar()->setValue(m_vertical);
    }

private:
    QPlainTextEdit& m_editor;
    int m_anchor;
    int m_position;
    int m_horizontal;
    int m_vertical;
};

// Begins the edit block of a write with `cursor` at the place of the change:
// undoing the block puts the caret where the cursor was when it began.
void BeginWrite(QTextCursor& cursor, UndoStep step)
{
    if (step == UndoStep::New)
        cursor.beginEditBlock();
    else
        cursor.joinPreviousEditBlock();
}

} // namespace

bool AppendEditorLines(QPlainTextEdit& editor, QString const& lines, UndoStep step)
{
    KeptView const kept(editor);
    QTextDocument* const document = editor.document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    bool const line_break = !document->lastBlock().text().isEmpty();
    BeginWrite(cursor, step);
    cursor.insertText(line_break ? u'\n' + lines : lines);
    cursor.endEditBlock();
    return line_break;
}

void ReplaceEditorText(QPlainTextEdit& editor, QString const& text, UndoStep step)
{
    QString old_text = editor.document()->toRawText();
    old_text.replace(QChar::ParagraphSeparator, u'\n');
    qsizetype const shorter = std::min(old_text.size(), text.size());
    qsizetype prefix = 0;
    while (prefix < shorter && old_text[prefix] == text[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (
        suffix < shorter - prefix && old_text[old_text.size() - 1 - suffix] == text[text.size() - 1 - suffix])
        ++suffix;
    // Never split a surrogate pair.
    if (prefix > 0 && old_text[prefix - 1].isHighSurrogate())
        --prefix;
    if (suffix > 0 && old_text[old_text.size() - suffix].isLowSurrogate())
        --suffix;
    if (prefix == old_text.size() && prefix == text.size())
        return;

    QTextCursor cursor(editor.document());
    cursor.setPosition(static_cast<int>(prefix));
    BeginWrite(cursor, step);
    cursor.setPosition(static_cast<int>(old_text.size() - suffix), QTextCursor::KeepAnchor);
    cursor.insertText(text.mid(prefix, text.size() - suffix - prefix));
    cursor.endEditBlock();
}

} // namespace edamaki
