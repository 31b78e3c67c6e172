#include "core/document/Document.h"
#include "gui/widgets/FolderTreeView.h"
#include "gui/widgets/TEditHex.h"
#include "gui/widgets/TTabStrip.h"
#include "gui/widgets/TUpDown.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TForm4.h"
#include "gui/windows/TMainForm.h"
#include "tests/gui/Child.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <string>

namespace {

using edamaki::TForm1;
using edamaki::TForm3;
using edamaki::TForm4;
using edamaki::TMainForm;
using edamaki::TTabStrip;
using edamaki::testing::Child;

// What a screen reader is told of each control: its name, its role, and for
// the tag dialog's tabs which one is selected.
class AccessibleNamesTest : public ::testing::Test {
protected:
    AccessibleNamesTest()
    {
        m_form.SetLogWindow(m_log);
        m_pane = new TForm1(m_document, [this](TForm1& pane) { m_form.StartUp(pane); });
        m_dialog = new TForm4(*Child<QPlainTextEdit>(m_form, "SrcList"), &m_form);
        m_form.show();
    }
    ~AccessibleNamesTest() override { delete m_pane.data(); }

    static QAccessibleInterface& Reader(QWidget* widget)
    {
        return *QAccessible::queryAccessibleInterface(widget);
    }
    QList<bool> SelectedTabs() const
    {
        QList<bool> selected;
        for (QToolButton* tab : m_dialog->TagTab->Tabs)
            selected << Reader(tab).state().selected;
        return selected;
    }

    edamaki::Document m_document;
    TMainForm m_form { m_document };
    TForm3* m_log = new TForm3(&m_form);
    QPointer<TForm1> m_pane;
    TForm4* m_dialog = nullptr;
};

TEST_F(AccessibleNamesTest, EveryControlHasANameAndARole)
{
    struct Control {
        QWidget* Widget;
        QString Name;
        QAccessible::Role Role;
    };
    using QAccessible::EditableText;
    Control const controls[] = {
        { Child<QPlainTextEdit>(m_form, "SrcList"), "ソース", EditableText },
        { m_pane->Tree1, "フォルダツリー", QAccessible::Tree },
        { Child<QToolButton>(m_form, "TagBtn"), "マクロタグ挿入", QAccessible::ButtonMenu },
        { m_log->LogList, "作成ログ", QAccessible::List },
        { m_dialog->Keta, "最小表示桁数", EditableText },
        { m_dialog->nStep, "増分値", EditableText },
        { m_dialog->StNum, "数値範囲 (開始)", EditableText },
        { m_dialog->EdNum, "数値範囲 (終了)", EditableText },
        { m_dialog->Nmoji, "文字数", EditableText },
        { m_dialog->cStep, "増分値", EditableText },
        { m_dialog->StChar, "文字範囲 (開始)", EditableText },
        { m_dialog->EdChar, "文字範囲 (終了)", EditableText },
        { m_dialog->Strlist, "１文字列／行で記入してください", EditableText },
        { m_dialog->SrcPath, "対象パス (パスの区切りは\"/\"で)", EditableText },
        { m_dialog->NewName, "変更名 (パスではなくフォルダ名で)", EditableText },
        { m_dialog->Spin1->UpButton, "増やす", QAccessible::PushButton },
        { m_dialog->UpDown2->DownButton, "減らす", QAccessible::PushButton },
        { m_dialog->TagTab, {}, QAccessible::PageTabList },
        { m_dialog->TagTab->Tabs[0], "#：数値連番", QAccessible::PageTab },
        { m_dialog->TagTab->Tabs[5], "r：名前変更", QAccessible::PageTab },
    };
    for (Control const& control : controls) {
        QAccessibleInterface const& reader = Reader(control.Widget);
        std::string const widget = control.Widget->objectName().toStdString();
        EXPECT_EQ(reader.text(QAccessible::Name).toStdString(), control.Name.toStdString()) << widget;
        EXPECT_EQ(reader.role(), control.Role) << widget;
    }
    // An arrow tells which field it steps.
    EXPECT_EQ(Reader(m_dialog->Spin1->UpButton).text(QAccessible::Description).toStdString(), "最小表示桁数");
    EXPECT_EQ(Reader(m_dialog->UpDown2->DownButton).text(QAccessible::Description).toStdString(), "増分値");
}

// The tabs work as a tab bar: Tab reaches the shown one, the arrow keys pick
// the one before or after it (Home and End the first and last) and stay on
// the tabs, and Tab goes on into the shown page.
TEST_F(AccessibleNamesTest, TheKeysMoveAlongTheTabs)
{
    m_dialog->ShowOnTab(2);
    QApplication::setActiveWindow(m_dialog);
    QSignalSpy const changes(m_dialog->TagTab, &TTabStrip::Change);
    QTest::keyClick(m_dialog->Strlist, Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), m_dialog->TagTab->Tabs[2]);

    struct Move {
        Qt::Key Key;
        int Tab;
    };
    Move const moves[] = { { Qt::Key_Right, 3 }, { Qt::Key_Left, 2 }, { Qt::Key_Up, 1 }, { Qt::Key_Home, 0 },
        { Qt::Key_Left, 0 }, { Qt::Key_End, 5 }, { Qt::Key_Down, 5 }, { Qt::Key_Up, 4 } };
    int picks = 0;
    int shown = 2;
    for (auto const [key, tab] : moves) {
        QTest::keyClick(QApplication::focusWidget(), key);
        picks += tab != shown ? 1 : 0;
        shown = tab;
        EXPECT_EQ(m_dialog->TagTab->TabIndex(), tab) << key;
        EXPECT_EQ(QApplication::focusWidget(), m_dialog->TagTab->Tabs[tab]) << key;
        EXPECT_EQ(changes.count(), picks) << key;
        EXPECT_EQ(SelectedTabs().indexOf(true), tab) << key;
        EXPECT_EQ(SelectedTabs().count(true), 1) << key;
    }
    EXPECT_TRUE(m_dialog->Panel3->isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), m_dialog->SrcPath);

    m_dialog->TagTab->SetTabIndex(0); // from code: selected, and no Change
    EXPECT_EQ(SelectedTabs().indexOf(true), 0);
    EXPECT_EQ(changes.count(), picks);
}

} // namespace
