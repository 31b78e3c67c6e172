#include "gui/widgets/TFormPanel.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

using edamaki::TFormPanel;

// An ordinary top-level form of the application.
std::unique_ptr<QWidget> MakeForm(QString const& name, QString const& caption = {})
{
    auto form = std::make_unique<QWidget>();
    form->setObjectName(name);
    form->setWindowTitle(caption.isEmpty() ? name : caption);
    form->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    return form;
}

// The panel on a shown window, painted at least once.
struct ShownPanel {
    QWidget Window;
    TFormPanel* Panel = new TFormPanel(&Window);

    ShownPanel()
    {
        Window.resize(300, 200);
        Panel->setGeometry(0, 0, 181, 200);
    }

    void ShowAndPaint()
    {
        Window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Window));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Panel->IsLoading(); }, 2000));
        QApplication::processEvents();
    }
};

void ExpectEmbeddedFilling(TFormPanel const& panel, QWidget const& form)
{
    EXPECT_EQ(panel.GetForm(), &form);
    EXPECT_EQ(form.parentWidget(), &panel);
    EXPECT_FALSE(form.isWindow());
    EXPECT_TRUE(form.isVisible());
    int const inset = panel.BorderInset();
    EXPECT_EQ(form.geometry(), QRect(inset, inset, panel.width() - 2 * inset, panel.height() - 2 * inset));
}

TEST(TFormPanelTest, ANameSetBeforeTheFormExistsBindsAtTheFirstPaint)
{
    ShownPanel shown;
    shown.Panel->SetFormName(QStringLiteral("Form1"));
    EXPECT_TRUE(shown.Panel->BindPending());
    EXPECT_EQ(shown.Panel->GetForm(), nullptr);
    EXPECT_EQ(shown.Panel->FormName(), QStringLiteral("Form1"));

    auto const form = MakeForm(QStringLiteral("Form1"));
    EXPECT_EQ(shown.Panel->GetForm(), nullptr);
    shown.ShowAndPaint();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.Panel->GetForm() != nullptr; }, 2000));
    EXPECT_FALSE(shown.Panel->BindPending());
    ExpectEmbeddedFilling(*shown.Panel, *form);

    // The form follows the panel's size.
    shown.Panel->resize(150, 120);
    ExpectEmbeddedFilling(*shown.Panel, *form);
}

TEST(TFormPanelTest, LettingTheFormGoGivesBackItsWindow)
{
    ShownPanel shown;
    shown.ShowAndPaint();
    auto const form = MakeForm(QStringLiteral("Pane"));
    Qt::WindowFlags const flags = form->windowFlags();
    shown.Panel->SetFormName(QStringLiteral("Pane"));
    ExpectEmbeddedFilling(*shown.Panel, *form);
    EXPECT_FALSE(shown.Panel->BindPending());
    EXPECT_EQ(shown.Panel->FormCaption(), QStringLiteral("Pane"));

    shown.Panel->SetFormName({});
    EXPECT_EQ(shown.Panel->GetForm(), nullptr);
    EXPECT_TRUE(form->isWindow());
    EXPECT_EQ(form->parentWidget(), nullptr);
    EXPECT_EQ(form->windowFlags(), flags);
    EXPECT_FALSE(form->isVisible());
}

TEST(TFormPanelTest, AMainWindowLosesItsMenuBarOnlyWhileEmbedded)
{
    ShownPanel shown;
    shown.ShowAndPaint();
    QMainWindow form;
    form.setObjectName(QStringLiteral("Tool"));
    form.menuBar()->addMenu(QStringLiteral("ファイル"));
    form.menuBar()->show();

    shown.Panel->SetFormName(QStringLiteral("Tool"));
    ASSERT_EQ(shown.Panel->GetForm(), &form);
    EXPECT_TRUE(form.menuBar()->isHidden());

    shown.Panel->SetForm(nullptr);
    EXPECT_FALSE(form.menuBar()->isHidden());
    EXPECT_TRUE(form.isWindow());
}

TEST(TFormPanelTest, TheLastOfEqualNamesOrCaptionsWins)
{
    ShownPanel shown;
    shown.ShowAndPaint();
    auto const first = MakeForm(QStringLiteral("Twin"), QStringLiteral("同じ題"));
    auto const second = MakeForm(QStringLiteral("Twin"), QStringLiteral("同じ題"));
    auto const third = MakeForm(QStringLiteral("Other"));

    shown.Panel->SetFormName(QStringLiteral("Twin"));
    EXPECT_EQ(shown.Panel->GetForm(), second.get());

    shown.Panel->SetFormCaption(QStringLiteral("同じ題"));
    EXPECT_EQ(shown.Panel->GetForm(), second.get());
    EXPECT_EQ(first->parentWidget(), nullptr);

    // Names compare exactly.
    shown.Panel->SetFormName(QStringLiteral("twin"));
    EXPECT_EQ(shown.Panel->GetForm(), nullptr);
    EXPECT_EQ(second->parentWidget(), nullptr);
}

TEST(TFormPanelTest, ANameWithoutAFormAfterLoadingLeavesThePanelEmpty)
{
    ShownPanel shown;
    shown.ShowAndPaint();
    auto const form = MakeForm(QStringLiteral("Pane"));
    shown.Panel->SetFormName(QStringLiteral("Pane"));
    ASSERT_EQ(shown.Panel->GetForm(), form.get());

    shown.Panel->SetFormName(QStringLiteral("Nobody"));
    EXPECT_EQ(shown.Panel->GetForm(), nullptr);
    EXPECT_FALSE(shown.Panel->BindPending());
    EXPECT_TRUE(form->isWindow());
    EXPECT_EQ(shown.Panel->FormName(), QStringLiteral("Nobody"));
}

TEST(TFormPanelTest, AFormDestroyedElsewhereIsForgotten)
{
    auto shown = std::make_unique<ShownPanel>();
    shown->ShowAndPaint();
    auto form = MakeForm(QStringLiteral("Pane"));
    shown->Panel->SetFormName(QStringLiteral("Pane"));
    ASSERT_EQ(shown->Panel->GetForm(), form.get());

    form.reset();
    EXPECT_EQ(shown->Panel->GetForm(), nullptr);
    EXPECT_EQ(shown->Panel->FormName(), QStringLiteral("Pane"));
    shown->Panel->resize(100, 100);
    shown.reset();
}

TEST(TFormPanelTest, DestroyingThePanelHandsTheFormBack)
{
    auto const form = MakeForm(QStringLiteral("Pane"));
    {
        ShownPanel shown;
        shown.ShowAndPaint();
        shown.Panel->SetFormName(QStringLiteral("Pane"));
        ASSERT_EQ(shown.Panel->GetForm(), form.get());
    }
    EXPECT_TRUE(form->isWindow());
    EXPECT_EQ(form->parentWidget(), nullptr);
    EXPECT_FALSE(form->isVisible());
}

TEST(TFormPanelTest, TheFormKeepsClearOfThePanelsFrame)
{
    ShownPanel shown;
    shown.Panel->setFrameStyle(QFrame::Box | QFrame::Raised);
    shown.Panel->setLineWidth(2);
    shown.Panel->setMidLineWidth(1);
    shown.ShowAndPaint();
    auto const form = MakeForm(QStringLiteral("Pane"));
    shown.Panel->SetFormName(QStringLiteral("Pane"));
    EXPECT_EQ(shown.Panel->BorderInset(), 5);
    EXPECT_EQ(form->geometry(), QRect(5, 5, 181 - 10, 200 - 10));
}

TEST(TFormPanelTest, APanelNeverHostsItsOwnWindow)
{
    ShownPanel shown;
    shown.Window.setObjectName(QStringLiteral("Host"));
    shown.ShowAndPaint();
    shown.Panel->SetFormName(QStringLiteral("Host"));
    EXPECT_EQ(shown.Panel->GetForm(), nullptr);
    EXPECT_TRUE(shown.Window.isWindow());
}

} // namespace
