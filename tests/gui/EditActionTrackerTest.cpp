#include "gui/widgets/EditActionTracker.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using edamaki::EditActionTracker;

// A window like the tag dialog: an editor and a line edit share its actions.
struct TrackedWindow {
    QWidget Window;
    QPlainTextEdit* Editor = new QPlainTextEdit(&Window);
    QLineEdit* Line = new QLineEdit(&Window);
    QAction Cut, Copy, Paste, SelectAll, Undo;
    EditActionTracker Tracker { Window, { &Cut, &Copy, &Paste, &SelectAll, &Undo } };

    TrackedWindow()
    {
        auto* layout = new QVBoxLayout(&Window);
        layout->addWidget(Editor);
        layout->addWidget(Line);
        Window.show();
        QApplication::setActiveWindow(&Window);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Window));
    }

    // Cut, copy, paste, select all and undo, as "1" (enabled) or "0".
    std::string Enabled() const
    {
        std::string flags;
        for (QAction const* action : { &Cut, &Copy, &Paste, &SelectAll, &Undo })
            flags += action->isEnabled() ? '1' : '0';
        return flags;
    }
};

TEST(EditActionTrackerTest, TheActionsFollowTheFocusedControl)
{
    QApplication::clipboard()->setText(QStringLiteral("clip"));
    TrackedWindow window;
    window.Line->setText(QStringLiteral("name"));
    window.Editor->setPlainText(QStringLiteral("source"));
    window.Editor->document()->clearUndoRedoStacks();

    struct Case {
        char const* Step;
        std::function<void()> Do;
        char const* Enabled;
    };
    Case const cases[] = {
        { "editor, no selection", [&] { window.Editor->setFocus(); }, "00110" },
        { "editor, all selected", [&] { window.SelectAll.trigger(); }, "11110" },
        { "line edit, typed", [&] { window.Line->setFocus(), QTest::keyClicks(window.Line, "x"); }, "00111" },
        { "line edit, selected", [&] { window.Line->selectAll(); }, "11111" },
        { "line edit, read only", [&] { window.Line->setReadOnly(true), window.Line->selectAll(); },
            "01010" },
    };
    for (auto const& test : cases) {
        test.Do();
        QApplication::processEvents();
        EXPECT_EQ(window.Enabled(), test.Enabled) << test.Step;
    }
}

TEST(EditActionTrackerTest, AnActionWorksOnTheFocusedControlOnly)
{
    TrackedWindow window;
    window.Editor->setPlainText(QStringLiteral("source"));
    window.Line->setText(QStringLiteral("name"));
    window.Line->setFocus();
    QApplication::processEvents();
    window.SelectAll.trigger();
    window.Cut.trigger();
    EXPECT_EQ(window.Line->text(), QString());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("name"));
    EXPECT_EQ(window.Editor->toPlainText(), QStringLiteral("source"));

    window.Undo.trigger();
    EXPECT_EQ(window.Line->text(), QStringLiteral("name"));
}

// A tool window of the window keeps the window's shortcuts working; while it
// is active they must not reach the window's editor (Ctrl+A, Ctrl+X pressed on
// one of its buttons).
TEST(EditActionTrackerTest, TheActionsActOnlyWhileTheirWindowIsActive)
{
    TrackedWindow window;
    window.Editor->setPlainText(QStringLiteral("source"));
    window.Editor->setFocus();
    QWidget tool(&window.Window, Qt::Tool);
    tool.show();
    QApplication::setActiveWindow(&tool);
    QApplication::processEvents();
    EXPECT_EQ(window.Enabled(), "00000");
    window.SelectAll.trigger();
    window.Cut.trigger();
    EXPECT_EQ(window.Editor->toPlainText(), QStringLiteral("source"));
    EXPECT_FALSE(window.Editor->textCursor().hasSelection());
}

// Undo and redo reach the document editor while the focus is on another
// control of the window, as the tree pane, whose edits are the source's.
TEST(EditActionTrackerTest, UndoAndRedoReachTheDocumentFromAnotherControl)
{
    QWidget window;
    auto* editor = new QPlainTextEdit(&window);
    auto* other = new QPushButton(&window);
    QAction cut, copy, paste, select_all, undo, redo;
    EditActionTracker const tracker(window, { &cut, &copy, &paste, &select_all, &undo, &redo }, editor);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(editor);
    layout->addWidget(other);
    window.show();
    QApplication::setActiveWindow(&window);
    editor->setPlainText(QStringLiteral("before"));
    editor->document()->clearUndoRedoStacks();
    QTextCursor(editor->document()).insertText(QStringLiteral("edit "));
    other->setFocus();
    QApplication::processEvents();

    ASSERT_TRUE(undo.isEnabled());
    EXPECT_FALSE(redo.isEnabled());
    undo.trigger();
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("before"));
    ASSERT_TRUE(redo.isEnabled());
    redo.trigger();
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("edit before"));
    EXPECT_FALSE(cut.isEnabled() || paste.isEnabled() || select_all.isEnabled());
}

} // namespace
