#include "gui/windows/TAboutDlg.h"
#include "core/document/Document.h"
#include "gui/windows/TMainForm.h"

#include <QAbstractButton> // ModalDriver presses buttons

#include "tests/gui/Child.h"
#include "tests/gui/ModalDriver.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using edamaki::TAboutDlg;
using edamaki::TMainForm;
using edamaki::testing::Child;

using edamaki::testing::WhenModal;

class TAboutDlgTest : public ::testing::Test {
protected:
    TAboutDlgTest()
    {
        m_box = new TAboutDlg(&m_form);
        m_form.SetAboutBox(m_box);
        m_form.show();
    }

    edamaki::Document m_document;
    TMainForm m_form { m_document };
    TAboutDlg* m_box = nullptr;
};

TEST_F(TAboutDlgTest, HelpMenuShowsTheVersionEveryTime)
{
    auto* help = Child<QMenuBar>(m_form, "Menu1")->findChild<QMenu*>(QStringLiteral("Help1"));
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(help->actions().contains(Child<QAction>(m_form, "mAbout")));
    EXPECT_EQ(Child<QAction>(m_form, "mAbout")->text(), QStringLiteral("バージョン情報(&A)"));
    EXPECT_EQ(m_box->VerLabel->text(), QStringLiteral("Ver.#.##"));

    for (int showing = 0; showing < 2; ++showing) {
        QString shown;
        auto const ran = WhenModal([&](QWidget* widget) {
            EXPECT_EQ(widget, m_box);
            shown = m_box->VerLabel->text();
            m_box->Button1->click();
        });
        Child<QAction>(m_form, "mAbout")->trigger();
        EXPECT_TRUE(*ran);
        EXPECT_EQ(shown, QStringLiteral("Ver.1.91"));
        EXPECT_EQ(m_box->result(), QDialog::Accepted);
        m_box->VerLabel->setText(QStringLiteral("Ver.#.##"));
    }
}

TEST_F(TAboutDlgTest, EscapeLeavesItOpenEnterCloses)
{
    bool open_after_escape = false;
    auto const ran = WhenModal([&](QWidget*) {
        QTest::keyClick(m_box, Qt::Key_Escape);
        open_after_escape = m_box->isVisible();
        QTest::keyClick(m_box, Qt::Key_Return);
    });
    m_form.mAboutClick();
    EXPECT_TRUE(*ran);
    EXPECT_TRUE(open_after_escape);
    EXPECT_FALSE(m_box->isVisible());
    EXPECT_EQ(m_box->result(), QDialog::Accepted);
}

} // namespace
