#include "gui/qt/EditorWrites.h"

#include <QPlainTextEdit>
#include <QTextCursor>

#include <gtest/gtest.h>

namespace {

// Writing the whole source anew changes only what differs, so undoing it
// puts the caret where the change was, not on the first line.
TEST(EditorWritesTest, ARewriteIsUndoneWhereItChanged)
{
    struct Case {
        QString Before;
        QString After;
        int Line; // the caret's after the undo
    };
    Case const cases[] = {
        { QStringLiteral("/p\na\\b\nc\nd"), QStringLiteral("/p\na\\x\nc\nd"), 1 },
        { QStringLiteral("/p\na\nc"), QStringLiteral("/p\na\nc\nd"), 2 },
        { QStringLiteral("/p\na\nb\nc"), QStringLiteral("/p\nb\nc"), 2 },
        { QStringLiteral("/p\n\na😀b"), QStringLiteral("/p\n\na😁b"), 2 },
    };
    for (auto const& c : cases) {
        QPlainTextEdit editor;
        editor.setPlainText(c.Before);
        editor.moveCursor(QTextCursor::Start);
        edamaki::ReplaceEditorText(editor, c.After);
        EXPECT_EQ(editor.toPlainText(), c.After);
        editor.undo();
        EXPECT_EQ(editor.toPlainText(), c.Before);
        EXPECT_EQ(editor.textCursor().blockNumber(), c.Line) << c.After.toStdString();
    }
}

// Writes that join one undo step are undone together, and the caret goes to
// where the first of them changed the text.
TEST(EditorWritesTest, JoinedWritesAreUndoneTogether)
{
    QPlainTextEdit editor;
    editor.setPlainText(QStringLiteral("a\nb"));
    edamaki::AppendEditorLines(editor, QStringLiteral("<-:a>"));
    edamaki::AppendEditorLines(editor, QStringLiteral("<-:b>"), edamaki::UndoStep::JoinPrevious);
    edamaki::ReplaceEditorText(editor, QStringLiteral("x\nb\n<-:a>\n<-:b>"), edamaki::UndoStep::JoinPrevious);
    editor.undo();
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("a\nb"));
    EXPECT_EQ(editor.textCursor().position(), 3);
}

} // namespace
