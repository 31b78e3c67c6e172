#include "gui/widgets/EditActionTracker.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

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

} // namespace
