#include "gui/windows/TForm4.h"
#include "core/document/Document.h"
#include "gui/models/FolderTreeModel.h"
#include "gui/widgets/FolderTreeView.h"
#include "gui/widgets/TEditHex.h"
#include "gui/widgets/TTabStrip.h"
#include "gui/widgets/TUpDown.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TMainForm.h"
#include "tests/TreeDump.h"
#include "tests/gui/Child.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using edamaki::TEditHex;
using edamaki::TForm1;
using edamaki::TForm3;
using edamaki::TForm4;
using edamaki::TMainForm;
using edamaki::TUpDown;
using edamaki::testing::Child;

QString const MacroHeader = QStringLiteral("<?dezodedu-macro?>");

class TForm4Test : public ::testing::Test {
protected:
    TForm4Test()
    {
        m_form.SetLogWindow(new TForm3(&m_form));
        m_pane = new TForm1(m_document, [this](TForm1& pane) { m_form.StartUp(pane); });
        m_dialog = new TForm4(*Child<QPlainTextEdit>(m_form, "SrcList"), &m_form);
        m_pane->SetTagDialog(m_dialog);
        QObject::connect(&m_form, &TMainForm::TagDialogRequested, m_dialog, &TForm4::ShowOnTab);
        m_form.show();
    }
    ~TForm4Test() override
    {
        Child<QPlainTextEdit>(m_form, "SrcList")->document()->setModified(false);
        delete m_pane.data();
    }

    void SetSource(QString const& text, int caret = 0)
    {
        Child<QPlainTextEdit>(m_form, "SrcList")->setPlainText(text);
        QTextCursor cursor(Child<QPlainTextEdit>(m_form, "SrcList")->document());
        cursor.setPosition(caret);
        Child<QPlainTextEdit>(m_form, "SrcList")->setTextCursor(cursor);
    }
    QString Source() const { return Child<QPlainTextEdit>(m_form, "SrcList")->toPlainText(); }

    // Types `keys` over the field's whole text, one key at a time.
    static void Retype(QLineEdit* field, char const* keys)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QString::fromLatin1(keys));
    }
    static void Commit(QWidget* field, QString const& text)
    {
        QInputMethodEvent typed;
        typed.setCommitString(text);
        QApplication::sendEvent(field, &typed);
    }
    bool PathIsWindowText() const
    {
        return m_dialog->SrcPath->palette().color(QPalette::Text)
            == m_dialog->palette().color(QPalette::Text);
    }

    edamaki::Document m_document;
    TMainForm m_form { m_document };
    QPointer<TForm1> m_pane;
    TForm4* m_dialog = nullptr;
};

// The dialog opens on the numbered tag with the fields that make <#1:0-0>,
// in front of the main window only, so that the main window's own dialogs
// come in front of it.
TEST_F(TForm4Test, OpensOnTheNumberedTagWithItsDefaults)
{
    EXPECT_EQ(m_dialog->windowType(), Qt::Tool);
    EXPECT_FALSE(m_dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(m_dialog->TagTab->TabIndex(), 0);
    QStringList texts;
    for (TEditHex const* field : { m_dialog->Keta, m_dialog->StNum, m_dialog->EdNum, m_dialog->nStep,
             m_dialog->Nmoji, m_dialog->cStep }) {
        texts << field->text();
        // Digits are typed straight, never through an input method.
        EXPECT_FALSE(field->testAttribute(Qt::WA_InputMethodEnabled));
    }
    EXPECT_EQ(texts, QStringList({ "1", "0", "0", "1", "1", "1" }));
    EXPECT_EQ(m_dialog->SrcPath->text(), TForm4::PathHint);
    EXPECT_TRUE(m_dialog->IsPathHintShowing());
}

TEST_F(TForm4Test, NumericFieldRewritesAfterEachCharacter)
{
    m_dialog->ShowOnTab(0);
    TEditHex* field = m_dialog->StNum;
    field->setFocus();
    field->setCursorPosition(1);
    struct Step {
        Qt::Key key;
        char character;
        char const* text;
        int caret;
    };
    Step const steps[] = {
        { Qt::Key_1, '1', "1", 1 },
        { Qt::Key_A, 'a', "1", 1 },
        { Qt::Key_Minus, '-', "1", 1 },
        { Qt::Key_2, '2', "12", 2 },
        { Qt::Key_Left, 0, "12", 1 },
        { Qt::Key_X, 'x', "12", 1 },
        { Qt::Key_Backspace, 0, "2", 0 },
        { Qt::Key_Delete, 0, "0", 1 },
        { Qt::Key_0, '0', "0", 1 },
    };
    for (auto const& step : steps) {
        if (step.character)
            QTest::keyClick(field, step.character);
        else
            QTest::keyClick(field, step.key);
        EXPECT_EQ(field->text(), QString::fromLatin1(step.text)) << step.character << step.key;
        EXPECT_EQ(field->cursorPosition(), step.caret) << step.character << step.key;
    }

    Retype(field, "2147483647");
    EXPECT_EQ(field->text(), QStringLiteral("2147483647"));
    QTest::keyClick(field, '0');
    EXPECT_EQ(field->text(), QStringLiteral("0"));

    QApplication::clipboard()->setText(QStringLiteral("0x12ab"));
    field->selectAll();
    QTest::keySequence(field, QKeySequence::Paste);
    EXPECT_EQ(field->text(), QStringLiteral("12"));
    field->selectAll();
    QTest::keySequence(field, QKeySequence::Cut);
    EXPECT_EQ(field->text(), QStringLiteral("0"));
}

TEST_F(TForm4Test, HexadecimalAndGroupedFields)
{
    TEditHex field;
    field.SetText(QStringLiteral("1"));
    field.SetNumeralOnly(true);
    EXPECT_EQ(field.text(), QStringLiteral("$00000001"));
    field.SetNumericType(edamaki::TNumericalType::Decimal);
    EXPECT_EQ(field.text(), QStringLiteral("1"));

    field.SetFourDigit(true);
    field.SetText(QStringLiteral("1234567"));
    field.setCursorPosition(field.text().size());
    QTest::keyClick(&field, '8');
    EXPECT_EQ(field.text(), QStringLiteral("1234_5678"));
    EXPECT_EQ(field.Text(), QStringLiteral("12345678"));

    field.SetFourDigit(false);
    field.SetNumericType(edamaki::TNumericalType::HexDecimal);
    field.SetText({});
    field.setCursorPosition(field.text().size());
    QTest::keyClick(&field, 'F');
    EXPECT_EQ(field.text(), QStringLiteral("$0000000F"));
    field.SetMaxPlaces(edamaki::TNumericalPlace::places2);
    QTest::keyClick(&field, 'f');
    EXPECT_EQ(field.text(), QStringLiteral("$FF"));
    QTest::keyClick(&field, '1');
    EXPECT_EQ(field.text(), QStringLiteral("$00"));
}

TEST_F(TForm4Test, EnterWritesTheTagAndTabMovesOn)
{
    SetSource(MacroHeader + QStringLiteral("\nx"), MacroHeader.size() + 2);
    m_dialog->ShowOnTab(0);
    QApplication::setActiveWindow(m_dialog);
    m_dialog->Keta->setFocus();
    QTest::keyClick(m_dialog->Keta, Qt::Key_Tab);
    EXPECT_FALSE(m_dialog->Keta->hasFocus());
    Retype(m_dialog->EdNum, "3");
    QTest::keyClick(m_dialog->EdNum, Qt::Key_Return);
    EXPECT_EQ(Source(), MacroHeader + QStringLiteral("\nx<#1:0-3>"));
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(edamaki::testing::Dump(m_document.Tree), "x0,x1,x2,x3");
    Child<QPlainTextEdit>(m_form, "SrcList")->undo();
    EXPECT_EQ(Source(), MacroHeader + QStringLiteral("\nx"));
    EXPECT_EQ(edamaki::testing::Dump(m_document.Tree), "x");
}

TEST_F(TForm4Test, SpinnersStepWithinTheirRange)
{
    TUpDown* spinner = m_dialog->Spin1;
    EXPECT_EQ(std::pair(spinner->Min(), spinner->Max()), std::pair(1, 100));
    EXPECT_EQ(std::pair(m_dialog->UpDown1->Min(), m_dialog->UpDown1->Max()), std::pair(1, 32767));
    EXPECT_EQ(std::pair(m_dialog->Spin2->Min(), m_dialog->Spin2->Max()), std::pair(1, 100));
    EXPECT_EQ(std::pair(m_dialog->UpDown2->Min(), m_dialog->UpDown2->Max()), std::pair(1, 255));
    m_dialog->ShowOnTab(0);
    QTest::mouseClick(spinner->UpButton, Qt::LeftButton);
    EXPECT_EQ(m_dialog->Keta->text(), QStringLiteral("2"));
    spinner->StepDown();
    spinner->StepDown();
    EXPECT_EQ(m_dialog->Keta->text(), QStringLiteral("1"));
    EXPECT_EQ(spinner->Position(), 1);
    Retype(m_dialog->Keta, "99");
    EXPECT_EQ(spinner->Position(), 99);
    spinner->StepUp();
    spinner->StepUp();
    EXPECT_EQ(m_dialog->Keta->text(), QStringLiteral("100"));
    // 5, 50, then 500: out of range, so the position keeps 50.
    Retype(m_dialog->Keta, "500");
    EXPECT_EQ(m_dialog->Keta->text(), QStringLiteral("500"));
    EXPECT_EQ(spinner->Position(), 50);
    spinner->StepDown();
    EXPECT_EQ(m_dialog->Keta->text(), QStringLiteral("49"));
}

TEST_F(TForm4Test, EachTabWritesItsTag)
{
    struct Case {
        char const* title;
        int tab;
        std::function<void(TForm4&)> fill;
        QString written; // the source after OK, from "a\n>b" with "b" selected
    };
    QString const source = MacroHeader + QStringLiteral("\na\n>b");
    QString const before = MacroHeader + QStringLiteral("\na\n>");
    Case const cases[] = {
        { "initial numbers", 0, [](TForm4&) {}, before + "<#1:0-0>" },
        { "numbers", 0,
            [](TForm4& d) {
                Retype(d.Keta, "3");
                Retype(d.StNum, "1");
                Retype(d.EdNum, "20");
            },
            before + "<#3:1-20>" },
        { "numbers with step", 0,
            [](TForm4& d) {
                Retype(d.StNum, "9");
                Retype(d.EdNum, "10");
                Retype(d.nStep, "2");
            },
            before + "<#3:9-10,2>" },
        { "start above end", 0,
            [](TForm4& d) {
                Retype(d.StNum, "10");
                Retype(d.EdNum, "9");
            },
            source },
        { "characters", 1,
            [](TForm4& d) {
                Retype(d.Nmoji, "2");
                Retype(d.StChar, "a");
                Retype(d.EdChar, "z");
                Retype(d.cStep, "3");
            },
            before + "<@2:a-z,3>" },
        { "no end character", 1, [](TForm4& d) { Retype(d.StChar, "a"); }, source },
        { "list", 2, [](TForm4& d) { Commit(d.Strlist, QStringLiteral("日本\n\nB,B\n")); },
            before + "<$:日本,,B,B>" },
        { "empty list", 2, [](TForm4&) {}, source },
        { "add", 3, [](TForm4& d) { d.SetSourcePath(QStringLiteral("a/b")); }, source + "\n<+:a/b>" },
        { "add with the hint", 3, [](TForm4&) {}, source },
        { "delete", 4,
            [](TForm4& d) {
                d.SrcPath->setFocus();
                Commit(d.SrcPath, QStringLiteral("a/b"));
            },
            source + "\n<-:a/b>" },
        { "rename", 5,
            [](TForm4& d) {
                d.SetSourcePath(QStringLiteral("a/b"));
                Commit(d.NewName, QStringLiteral("名前"));
            },
            source + "\n<r:a/b,名前>" },
        { "rename without name", 5, [](TForm4& d) { d.SetSourcePath(QStringLiteral("a")); }, source },
    };
    for (auto const& c : cases) {
        SetSource(source);
        QTextCursor cursor = Child<QPlainTextEdit>(m_form, "SrcList")->textCursor();
        cursor.movePosition(QTextCursor::End);
        cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor);
        Child<QPlainTextEdit>(m_form, "SrcList")->setTextCursor(cursor);
        m_form.mTagNumClick();
        m_dialog->ShowOnTab(c.tab);
        QApplication::setActiveWindow(m_dialog);
        c.fill(*m_dialog);
        QTest::mouseClick(m_dialog->Button1, Qt::LeftButton);
        EXPECT_EQ(Source(), c.written) << c.title;
        EXPECT_FALSE(m_dialog->isVisible()) << c.title;
        EXPECT_EQ(m_dialog->StNum->text(), QStringLiteral("0")) << c.title;
        EXPECT_TRUE(m_dialog->StChar->text().isEmpty() && m_dialog->Strlist->toPlainText().isEmpty())
            << c.title;
        EXPECT_TRUE(m_dialog->IsPathHintShowing() && m_dialog->NewName->text().isEmpty()) << c.title;
    }
    // OK and Cancel keep the digits, the steps and the tab.
    EXPECT_EQ(m_dialog->Keta->text(), QStringLiteral("3"));
    EXPECT_EQ(m_dialog->TagTab->TabIndex(), 5);
}

TEST_F(TForm4Test, CancelWritesNothingAndResets)
{
    SetSource(MacroHeader);
    m_dialog->ShowOnTab(1);
    Retype(m_dialog->StChar, "a");
    Retype(m_dialog->EdChar, "c");
    QTest::mouseClick(m_dialog->Button2, Qt::LeftButton);
    EXPECT_EQ(Source(), MacroHeader);
    EXPECT_TRUE(m_dialog->StChar->text().isEmpty());
    EXPECT_FALSE(m_dialog->isVisible());
}

TEST_F(TForm4Test, PathHint)
{
    m_dialog->ShowOnTab(3);
    EXPECT_TRUE(m_dialog->IsPathHintShowing());
    EXPECT_FALSE(m_dialog->NewName->isVisibleTo(m_dialog));
    QApplication::setActiveWindow(m_dialog);
    // The field has the focus, the hint selected: what is typed replaces it.
    EXPECT_EQ(m_dialog->focusWidget(), m_dialog->SrcPath);
    QTest::keyClicks(m_dialog->SrcPath, QStringLiteral("a/b"));
    EXPECT_TRUE(PathIsWindowText());
    m_dialog->NewName->setFocus();
    m_dialog->SrcPath->setFocus();
    EXPECT_EQ(m_dialog->SrcPath->text(), QStringLiteral("a/b"));
    QTest::mouseClick(m_dialog->TagTab->Tabs[5], Qt::LeftButton);
    EXPECT_EQ(m_dialog->SrcPath->text(), TForm4::PathHint);
    EXPECT_TRUE(m_dialog->IsPathHintShowing());
    EXPECT_TRUE(m_dialog->NewName->isVisibleTo(m_dialog));
    EXPECT_TRUE(m_dialog->Panel3->isVisibleTo(m_dialog) && !m_dialog->Panel0->isVisibleTo(m_dialog));
}

TEST_F(TForm4Test, CharacterFieldsKeepTheirOrderWhileTyping)
{
    struct Case {
        char const* start;
        char const* end;
        bool into_start;
        char typed;
        char const* start_after;
        char const* end_after;
    };
    Case const cases[] = {
        { "", "b", true, '5', "5", "" },
        { "b", "", false, 'B', "", "B" },
        { "A", "", false, 'c', "A", "c" },
        { "", "", true, '!', "", "" },
        { "3", "7", false, '2', "", "2" },
        { "3", "", true, 'x', "x", "" },
    };
    m_dialog->ShowOnTab(1);
    for (auto const& c : cases) {
        m_dialog->StChar->setText(QString::fromLatin1(c.start));
        m_dialog->EdChar->setText(QString::fromLatin1(c.end));
        QLineEdit* field = c.into_start ? m_dialog->StChar : m_dialog->EdChar;
        field->clear();
        QTest::keyClick(field, c.typed);
        EXPECT_EQ(m_dialog->StChar->text(), QString::fromLatin1(c.start_after)) << c.typed;
        EXPECT_EQ(m_dialog->EdChar->text(), QString::fromLatin1(c.end_after)) << c.typed;
    }
    m_dialog->StChar->setText(QStringLiteral("b"));
    QTest::keyClick(m_dialog->StChar, Qt::Key_Backspace);
    EXPECT_EQ(m_dialog->StChar->text(), QStringLiteral("b"));
    QTest::keyClick(m_dialog->StChar, Qt::Key_Delete);
    EXPECT_EQ(m_dialog->StChar->text(), QStringLiteral("b"));
    m_dialog->StChar->setCursorPosition(0);
    // Delete as X11 gives it, with the character 0x7F.
    QKeyEvent x11_delete(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
    QApplication::sendEvent(m_dialog->StChar, &x11_delete);
    EXPECT_TRUE(m_dialog->StChar->text().isEmpty());
    m_dialog->StChar->setFocus();
    Commit(m_dialog->StChar, QStringLiteral("あ"));
    EXPECT_TRUE(m_dialog->StChar->text().isEmpty());
}

TEST_F(TForm4Test, TheTreePaneFillsThePath)
{
    SetSource(MacroHeader + QStringLiteral("\nA\n>B\n>>C"));
    edamaki::FolderTreeView* view = m_pane->Tree1;
    m_form.resize(600, 400);
    QApplication::processEvents();
    edamaki::FolderTree const& tree = m_document.Tree;
    auto const a = tree.FindChildNode(tree.Root(), "A");
    auto const c = tree.FindChildNode(tree.FindChildNode(a, "B"), "C");
    auto click = [&](edamaki::NodeId node, Qt::MouseButton button) {
        QModelIndex const index = m_pane->Model().IndexOfNode(node);
        QRect const label = view->visualRect(index);
        QTest::mouseClick(view->viewport(), button, {}, QPoint(label.left() + 4, label.center().y()));
    };
    m_dialog->ShowOnTab(2);
    click(c, Qt::LeftButton);
    EXPECT_TRUE(m_dialog->IsPathHintShowing());
    m_dialog->ShowOnTab(4);
    click(c, Qt::RightButton);
    EXPECT_TRUE(m_dialog->IsPathHintShowing());
    click(tree.Root(), Qt::LeftButton);
    EXPECT_TRUE(m_dialog->IsPathHintShowing());
    click(c, Qt::LeftButton);
    EXPECT_EQ(m_dialog->SrcPath->text(), QStringLiteral("A/B/C"));
    EXPECT_TRUE(PathIsWindowText());
    m_dialog->hide();
    click(a, Qt::LeftButton);
    EXPECT_EQ(m_dialog->SrcPath->text(), QStringLiteral("A/B/C"));
}

TEST_F(TForm4Test, TheMainWindowOpensTheDialog)
{
    QStringList captions;
    for (QAction const* item : Child<QMenu>(m_form, "TagMenu")->actions())
        captions << item->text();
    EXPECT_EQ(captions,
        QStringList({ "数値連番(&N)", "文字連番(&C)", "文字列リスト(&S)", "フォルダ追加(&A)",
            "フォルダ削除(&D)", "名前変更(&R)" }));
    EXPECT_EQ(Child<QToolButton>(m_form, "TagBtn")->menu(), Child<QMenu>(m_form, "TagMenu"));
    EXPECT_EQ(Child<QAction>(m_form, "N7")->text(), QStringLiteral("マクロタグ挿入(&I)"));
    EXPECT_EQ(Child<QAction>(m_form, "N7")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Insert));
    for (int tab = 0; tab < 6; ++tab) {
        Child<QMenu>(m_form, "TagMenu")->actions()[tab]->trigger();
        EXPECT_EQ(m_dialog->TagTab->TabIndex(), tab);
        EXPECT_TRUE(m_dialog->isVisible());
        m_dialog->hide();
    }
    m_form.mTagCharClick();
    m_dialog->hide();
    // In text mode too, and from the editor, whose own Ctrl+Ins would copy.
    EXPECT_TRUE(Child<QAction>(m_form, "N7")->isEnabled());
    QApplication::setActiveWindow(&m_form);
    Child<QPlainTextEdit>(m_form, "SrcList")->setFocus();
    QTest::keyClick(Child<QPlainTextEdit>(m_form, "SrcList"), Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_EQ(m_dialog->TagTab->TabIndex(), 1);
    EXPECT_TRUE(m_dialog->Panel1->isVisibleTo(m_dialog));
}

// Typing goes into the first field of the tab shown, over its text, each time
// the dialog shows or the user picks another tab; and the dialog shows where
// it hides no source.
TEST_F(TForm4Test, TheShownTabsFirstFieldTakesTheKeys)
{
    // Room beside the window on the small offscreen screen.
    m_form.resize(480, 340);
    QWidget* const first_fields[] = { m_dialog->Keta, m_dialog->Nmoji, m_dialog->Strlist, m_dialog->SrcPath,
        m_dialog->SrcPath, m_dialog->SrcPath };
    for (int tab = 0; tab < 6; ++tab) {
        m_dialog->ShowOnTab(tab);
        EXPECT_EQ(m_dialog->focusWidget(), first_fields[tab]) << tab;
        m_dialog->hide();
    }
    m_dialog->ShowOnTab(0);
    EXPECT_EQ(m_dialog->Keta->selectedText(), QStringLiteral("1"));
    m_dialog->TagTab->Tabs[1]->click();
    EXPECT_EQ(m_dialog->focusWidget(), m_dialog->Nmoji);
    EXPECT_EQ(m_dialog->Nmoji->selectedText(), QStringLiteral("1"));

    QRect const editor(Child<QPlainTextEdit>(m_form, "SrcList")->mapToGlobal(QPoint(0, 0)),
        Child<QPlainTextEdit>(m_form, "SrcList")->size());
    EXPECT_FALSE(m_dialog->frameGeometry().intersects(editor));
}

// A tag appended as a new last line leaves the user's selection as it was,
// also one that ends at the end of the text.
TEST_F(TForm4Test, AnAppendedTagLeavesTheSelectionAlone)
{
    SetSource(MacroHeader + QStringLiteral("\na"));
    QTextCursor selection(Child<QPlainTextEdit>(m_form, "SrcList")->document());
    selection.setPosition(MacroHeader.size() + 1);
    selection.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    Child<QPlainTextEdit>(m_form, "SrcList")->setTextCursor(selection);
    m_dialog->ShowOnTab(3);
    m_dialog->SetSourcePath(QStringLiteral("a"));
    m_dialog->Button1->click();
    EXPECT_EQ(Source(), MacroHeader + QStringLiteral("\na\n<+:a>"));
    EXPECT_EQ(Child<QPlainTextEdit>(m_form, "SrcList")->textCursor().selectedText(), QStringLiteral("a"));
}

} // namespace
