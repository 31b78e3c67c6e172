#include "core/document/Document.h"
#include "gui/widgets/FolderTreeView.h"
#include "gui/widgets/TEditHex.h"
#include "gui/widgets/TUpDown.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TForm4.h"
#include "gui/windows/TMainForm.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <string>

namespace {

// What a screen reader is told of each control: its name and its role.
class AccessibleNamesTest : public ::testing::Test {
protected:
    AccessibleNamesTest()
    {
        m_form.SetLogWindow(m_log);
        m_pane = new TForm1(m_document, [this](TForm1& pane) { m_form.StartUp(pane); });
        m_dialog = new TForm4(*m_form.SrcList, &m_form);
        m_form.show();
    }
    ~AccessibleNamesTest() override { delete m_pane.data(); }

    static QAccessibleInterface& Reader(QWidget* widget)
    {
        return *QAccessible::queryAccessibleInterface(widget);
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
        { m_form.SrcList, "ソース", EditableText },
        { m_pane->Tree1, "フォルダツリー", QAccessible::Tree },
        { m_form.TagBtn, "マクロタグ挿入", QAccessible::ButtonMenu },
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

} // namespace
