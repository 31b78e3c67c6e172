// Find and replace driven through the real dialogs: typing the search,
// pressing the buttons and answering the real message boxes.

#include "core/document/Document.h"
#include "gui/windows/FindDlg.h"
#include "gui/windows/ReplaceDlg.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TMainForm.h"
#include "tests/TreeDump.h"
#include "tests/gui/Child.h"
#include "tests/gui/ModalDriver.h"

#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using edamaki::TFindDialog;
using edamaki::TForm1;
using edamaki::TForm3;
using edamaki::TMainForm;
using edamaki::TReplaceDialog;
using edamaki::TSearchDialog;
using edamaki::testing::Child;

using edamaki::testing::AnswerMessageBox;
using edamaki::testing::WhenModal;

QString const NotFound = QStringLiteral("見つかりませんでした。");
QString const ReplaceAllQuestion = QStringLiteral("すべての検索文字列を置換します。\n\nよろしいですか？");

class FindReplaceDialogsTest : public ::testing::Test {
protected:
    FindReplaceDialogsTest()
    {
        m_form.SetLogWindow(new TForm3(&m_form));
        m_pane = new TForm1(m_document, [this](TForm1& pane) { m_form.StartUp(pane); });
        m_form.show();
        QApplication::setActiveWindow(&m_form);
    }
    ~FindReplaceDialogsTest() override
    {
        Child<QPlainTextEdit>(m_form, "SrcList")->document()->setModified(false);
        delete m_pane.data();
    }

    // The editor's text, with the caret at `caret` (a position in the text).
    void SetText(QString const& text, int caret = 0)
    {
        Child<QPlainTextEdit>(m_form, "SrcList")->setPlainText(text);
        Select(caret, 0);
    }
    void Select(int start, int length)
    {
        QTextCursor cursor(Child<QPlainTextEdit>(m_form, "SrcList")->document());
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        Child<QPlainTextEdit>(m_form, "SrcList")->setTextCursor(cursor);
    }
    std::pair<int, int> Selection() const
    {
        QTextCursor const cursor = Child<QPlainTextEdit>(m_form, "SrcList")->textCursor();
        return { cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart() };
    }
    QString Text() const { return Child<QPlainTextEdit>(m_form, "SrcList")->toPlainText(); }

    // Types into a dialog's field over what it holds, as an input method
    // commits Japanese text.
    static void TypeInto(QLineEdit* field, QString const& text)
    {
        field->selectAll();
        QInputMethodEvent typed;
        typed.setCommitString(text);
        QApplication::sendEvent(field, &typed);
    }

    // Presses a button; the message boxes it opens are answered with `answers`
    // in turn, and their texts are returned.
    static QStringList Press(QPushButton* button, QList<QMessageBox::StandardButton> answers = {})
    {
        auto texts = std::make_shared<QStringList>();
        std::function<void()> schedule = [&schedule, &answers, texts] {
            if (answers.isEmpty())
                return;
            QMessageBox::StandardButton const answer = answers.takeFirst();
            WhenModal([=, &schedule](QWidget* widget) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (!box) {
                    widget->close();
                    return;
                }
                texts->append(box->text());
                schedule();
                box->button(answer)->click();
            });
        };
        schedule();
        QTest::mouseClick(button, Qt::LeftButton);
        return *texts;
    }

    edamaki::Document m_document;
    TMainForm m_form { m_document };
    QPointer<TForm1> m_pane;
};

TEST_F(FindReplaceDialogsTest, TheSearchMenu)
{
    auto* menu = Child<QMenuBar>(m_form, "Menu1")->findChild<QMenu*>(QStringLiteral("Find1"));
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->title(), QStringLiteral("検索(&S)"));
    QStringList items;
    for (QAction* action : menu->actions())
        items.append(action->objectName() + u' ' + action->text() + u' ' + action->shortcut().toString());
    EXPECT_EQ(items,
        QStringList({ QStringLiteral("mFind 検索(&F) Ctrl+F"), QStringLiteral("mFindNext 次を検索(&N) F3"),
            QStringLiteral("mFindPrev 前を検索(&P) Shift+F3"), QStringLiteral("mReplace 置換(&R) Ctrl+R") }));
    QStringList menus;
    for (QAction* action : Child<QMenuBar>(m_form, "Menu1")->actions())
        menus.append(action->objectName());
    EXPECT_EQ(menus, QStringList({ "File1", "Edit1", "View1", "Find1", "N1", "Template1", "Help1" }));
}

TEST_F(FindReplaceDialogsTest, FindNextWalksThroughOverlappingMatchesThenReportsNone)
{
    SetText(QStringLiteral("表示aaaa"));
    Child<QAction>(m_form, "mFind")->trigger();
    TFindDialog* dialog = Child<TFindDialog>(m_form, "FindDlg");
    ASSERT_TRUE(dialog->isVisible());
    TypeInto(dialog->FindText, QStringLiteral("aa"));
    for (int start : { 2, 3, 4 }) {
        EXPECT_TRUE(Press(dialog->FindNextButton).isEmpty());
        EXPECT_EQ(Selection(), std::make_pair(start, 2));
    }
    EXPECT_EQ(Press(dialog->FindNextButton, { QMessageBox::Ok }), QStringList { NotFound });
    EXPECT_EQ(Selection(), std::make_pair(4, 2));
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(FindReplaceDialogsTest, TheSelectionFillsTheSearchAndEscCloses)
{
    SetText(QStringLiteral("親フォルダ\n子フォルダ"));
    Select(1, 5); // "フォルダ" and the line break: only the first line's part is taken
    Child<QAction>(m_form, "mFind")->trigger();
    EXPECT_EQ(Child<TFindDialog>(m_form, "FindDlg")->SearchText(), QStringLiteral("フォルダ"));
    QTest::keyClick(Child<TFindDialog>(m_form, "FindDlg"), Qt::Key_Escape);
    EXPECT_FALSE(Child<TFindDialog>(m_form, "FindDlg")->isVisible());

    Select(0, 1);
    Child<QAction>(m_form, "mReplace")->trigger();
    EXPECT_EQ(Child<TReplaceDialog>(m_form, "ReplaceDlg")->SearchText(), QStringLiteral("親"));
    EXPECT_EQ(Child<TFindDialog>(m_form, "FindDlg")->SearchText(),
        QStringLiteral("フォルダ")); // until the replace dialog searches
    Press(Child<TReplaceDialog>(m_form, "ReplaceDlg")->CloseButton);
    EXPECT_FALSE(Child<TReplaceDialog>(m_form, "ReplaceDlg")->isVisible());
}

TEST_F(FindReplaceDialogsTest, SearchTextsHoldAtMost255BytesOfShiftJis)
{
    Child<TFindDialog>(m_form, "FindDlg")->SetSearchText(QString(200, QChar(u'表')));
    EXPECT_EQ(Child<TFindDialog>(m_form, "FindDlg")->SearchText(), QString(127, QChar(u'表')));
    Child<TReplaceDialog>(m_form, "ReplaceDlg")->ReplaceTextField->setText(QString(300, u'a'));
    EXPECT_EQ(Child<TReplaceDialog>(m_form, "ReplaceDlg")->ReplaceText().size(), 255);
}

TEST_F(FindReplaceDialogsTest, F3AndShiftF3SearchDownAndUpFromTheCaret)
{
    struct Case {
        int caret;
        Qt::KeyboardModifiers modifiers;
        std::pair<int, int> selected;
        QString message;
    };
    // "表aaa\r\naa": offsets count the double-byte character as two bytes and
    // the line break as two.
    Case const cases[] = {
        { 3, Qt::ShiftModifier, { 2, 2 }, {} }, // the nearest match before the caret overlaps it
        { 4, Qt::ShiftModifier, { 2, 2 }, {} }, // at the end of a line
        { 5, Qt::ShiftModifier, { 2, 2 }, {} }, // "aa" doesn't span the line break
        { 7, Qt::ShiftModifier, { 5, 2 }, {} }, { 1, Qt::ShiftModifier, { 1, 0 }, NotFound },
        { 0, Qt::NoModifier, { 1, 2 }, {} }, { 4, Qt::NoModifier, { 5, 2 }, {} },
        { 6, Qt::NoModifier, { 6, 0 }, NotFound }, // no wrap-around
    };
    Child<TFindDialog>(m_form, "FindDlg")->SetSearchText(QStringLiteral("aa"));
    for (auto const& c : cases) {
        SetText(QStringLiteral("表aaa\naa"), c.caret);
        auto message = std::make_shared<QString>();
        if (!c.message.isEmpty())
            AnswerMessageBox(QMessageBox::Ok, message.get());
        QApplication::setActiveWindow(&m_form); // a message box before took it
        QTest::keyClick(Child<QPlainTextEdit>(m_form, "SrcList"), Qt::Key_F3, c.modifiers);
        EXPECT_EQ(Selection(), c.selected) << c.caret;
        EXPECT_EQ(*message, c.message) << c.caret;
        // The direction F3 used stays the dialog's.
        EXPECT_EQ(
            Child<TFindDialog>(m_form, "FindDlg")->UpButton->isChecked(), c.modifiers == Qt::ShiftModifier);
    }
}

TEST_F(FindReplaceDialogsTest, ReplaceTakesTheMatchAfterTheSelectionStart)
{
    SetText(QStringLiteral("表aa表aa表aa"));
    Child<QAction>(m_form, "mReplace")->trigger();
    TReplaceDialog* dialog = Child<TReplaceDialog>(m_form, "ReplaceDlg");
    TypeInto(dialog->FindText, QStringLiteral("aa"));
    TypeInto(dialog->ReplaceTextField, QStringLiteral("字"));

    // Without a selection: the first match at or after the caret.
    Press(dialog->ReplaceButton);
    EXPECT_EQ(Text(), QStringLiteral("表字表aa表aa"));
    EXPECT_EQ(Selection(), std::make_pair(2, 0));

    // A selected match is passed over: the one after it is replaced.
    Select(3, 2);
    Press(dialog->ReplaceButton);
    EXPECT_EQ(Text(), QStringLiteral("表字表aa表字"));
    EXPECT_EQ(Selection(), std::make_pair(7, 0));

    EXPECT_EQ(Press(dialog->ReplaceButton, { QMessageBox::Ok }), QStringList { NotFound });
    EXPECT_EQ(Text(), QStringLiteral("表字表aa表字"));

    // The tree follows each replacement, and each is one undo step.
    Child<QPlainTextEdit>(m_form, "SrcList")->undo();
    EXPECT_EQ(Text(), QStringLiteral("表字表aa表aa"));
}

TEST_F(FindReplaceDialogsTest, ReplaceAllFromTheCaretIsOneEditReadOnce)
{
    SetText(QStringLiteral("aa\\表aa\\表aa"), 2);
    int reads = 0;
    QObject::connect(
        Child<QPlainTextEdit>(m_form, "SrcList"), &QPlainTextEdit::textChanged, [&] { ++reads; });
    Child<QAction>(m_form, "mReplace")->trigger();
    TReplaceDialog* dialog = Child<TReplaceDialog>(m_form, "ReplaceDlg");
    TypeInto(dialog->FindText, QStringLiteral("AA"));
    TypeInto(dialog->ReplaceTextField, QStringLiteral("aaa")); // holds the search text: no loop

    // No: nothing changes.
    EXPECT_EQ(Press(dialog->ReplaceAllButton, { QMessageBox::No }), QStringList { ReplaceAllQuestion });
    EXPECT_EQ(reads, 0);

    EXPECT_EQ(Press(dialog->ReplaceAllButton, { QMessageBox::Yes, QMessageBox::Ok }),
        QStringList({ ReplaceAllQuestion, QStringLiteral("2個置換しました。") }));
    EXPECT_EQ(Text(), QStringLiteral("aa\\表aaa\\表aaa")); // the match before the caret stays
    EXPECT_EQ(Selection(), std::make_pair(12, 0));
    EXPECT_EQ(reads, 1);
    EXPECT_NE(edamaki::testing::Dump(m_document.Tree).find("aaa"), std::string::npos); // read into the tree

    Child<QPlainTextEdit>(m_form, "SrcList")->undo();
    EXPECT_EQ(Text(), QStringLiteral("aa\\表aa\\表aa"));
}

// A character that Shift-JIS lacks finds itself and nothing else; "?" finds
// no such character.
TEST_F(FindReplaceDialogsTest, ACharacterShiftJisLacksFindsJustItself)
{
    // Each message box is answered as it shows (Yes where it asks), its text kept.
    QStringList shown;
    QTimer answer;
    answer.callOnTimeout([&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown << box->text();
            (box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes) : box->button(QMessageBox::Ok))
                ->click();
        }
    });
    answer.start(10);

    SetText(QStringLiteral("a〜b?c😀〜−"));
    Child<QAction>(m_form, "mFind")->trigger();
    TFindDialog* dialog = Child<TFindDialog>(m_form, "FindDlg");
    struct Case {
        QString Search;
        QList<int> Starts;
    };
    // "～", the full-width tilde, is another character than "〜".
    Case const cases[] = {
        { QStringLiteral("〜"), { 1, 7 } },
        { QStringLiteral("?"), { 3 } },
        { QStringLiteral("😀"), { 5 } },
        { QStringLiteral("〜−"), { 7 } },
        { QStringLiteral("～"), {} },
    };
    for (auto const& test : cases) {
        Select(0, 0);
        TypeInto(dialog->FindText, test.Search);
        QList<int> starts;
        shown.clear();
        while (shown.isEmpty() && starts.size() <= test.Starts.size()) {
            QTest::mouseClick(dialog->FindNextButton, Qt::LeftButton);
            if (shown.isEmpty() && Selection().second == test.Search.size())
                starts << Selection().first;
        }
        EXPECT_EQ(starts, test.Starts) << test.Search.toStdString();
        EXPECT_EQ(shown, QStringList { NotFound }) << test.Search.toStdString();
    }

    Select(0, 0);
    Child<QAction>(m_form, "mReplace")->trigger();
    TypeInto(Child<TReplaceDialog>(m_form, "ReplaceDlg")->FindText, QStringLiteral("?"));
    TypeInto(Child<TReplaceDialog>(m_form, "ReplaceDlg")->ReplaceTextField, QStringLiteral("!"));
    shown.clear();
    QTest::mouseClick(Child<TReplaceDialog>(m_form, "ReplaceDlg")->ReplaceAllButton, Qt::LeftButton);
    EXPECT_EQ(shown, QStringList({ ReplaceAllQuestion, QStringLiteral("1個置換しました。") }));
    EXPECT_EQ(Text(), QStringLiteral("a〜b!c😀〜−"));
}

TEST_F(FindReplaceDialogsTest, ReplaceAllWithoutAMatchShowsNoCount)
{
    SetText(QStringLiteral("表示"));
    Child<QAction>(m_form, "mReplace")->trigger();
    TypeInto(Child<TReplaceDialog>(m_form, "ReplaceDlg")->FindText,
        QStringLiteral("\\")); // only a second byte of 表示
    EXPECT_EQ(Press(Child<TReplaceDialog>(m_form, "ReplaceDlg")->ReplaceAllButton,
                  { QMessageBox::Yes, QMessageBox::Ok }),
        QStringList({ ReplaceAllQuestion, NotFound }));
    EXPECT_EQ(Text(), QStringLiteral("表示"));
}

TEST_F(FindReplaceDialogsTest, AfterAReplaceF3GoesOnWithTheReplaceDialogsSearch)
{
    SetText(QStringLiteral("Ａb ａb ＡB ａb"));
    Child<TFindDialog>(m_form, "FindDlg")
        ->SetOptions({ .Down = false, .MatchCase = false, .WholeWord = true });
    Child<TFindDialog>(m_form, "FindDlg")->SetSearchText(QStringLiteral("x"));
    Child<QAction>(m_form, "mReplace")->trigger();
    TReplaceDialog* dialog = Child<TReplaceDialog>(m_form, "ReplaceDlg");
    TypeInto(dialog->FindText, QStringLiteral("ａb"));
    TypeInto(dialog->ReplaceTextField, QStringLiteral("c"));
    dialog->MatchCase->click();
    Press(dialog->ReplaceButton);
    EXPECT_EQ(Text(), QStringLiteral("Ａb c ＡB ａb"));

    EXPECT_EQ(Child<TFindDialog>(m_form, "FindDlg")->SearchText(), QStringLiteral("ａb"));
    EXPECT_EQ(Child<TFindDialog>(m_form, "FindDlg")->Options(),
        (edamaki::FindOptions { .Down = true, .MatchCase = true }));
    EXPECT_TRUE(Child<TFindDialog>(m_form, "FindDlg")->DownButton->isChecked());
    Select(0, 0);
    Child<QAction>(m_form, "mFindNext")->trigger();
    EXPECT_EQ(Selection(), std::make_pair(8, 2)); // down, and "Ａb" differs in case
}

// Tab goes through the fields first, then the options, then the buttons: a
// user who types the search text, Tab and the replacement is still in a field.
TEST_F(FindReplaceDialogsTest, TabGoesThroughTheFieldsBeforeTheButtons)
{
    struct Case {
        QAction* Command;
        TSearchDialog* Dialog;
        QStringList Order;
    };
    Case const cases[] = {
        { Child<QAction>(m_form, "mFind"), Child<TFindDialog>(m_form, "FindDlg"),
            { "FindText", "WholeWord", "MatchCase", "UpButton", "FindNextButton", "CloseButton" } },
        { Child<QAction>(m_form, "mReplace"), Child<TReplaceDialog>(m_form, "ReplaceDlg"),
            { "FindText", "ReplaceText", "WholeWord", "MatchCase", "FindNextButton", "ReplaceButton",
                "ReplaceAllButton", "CloseButton" } },
    };
    for (auto const& c : cases) {
        c.Command->trigger();
        QApplication::setActiveWindow(c.Dialog);
        TypeInto(c.Dialog->FindText, QStringLiteral("a"));
        QStringList order;
        for (qsizetype step = 0; step < c.Order.size(); ++step) {
            order.append(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        EXPECT_EQ(order, c.Order);
        c.Dialog->hide();
    }
}

// After "not found" the focus is back in the dialog, so a second Enter
// searches again rather than reaching the editor.
TEST_F(FindReplaceDialogsTest, TheFocusReturnsToTheDialogAfterNotFound)
{
    SetText(QStringLiteral("abc"));
    Child<QAction>(m_form, "mFind")->trigger();
    TFindDialog* dialog = Child<TFindDialog>(m_form, "FindDlg");
    QApplication::setActiveWindow(dialog);
    TypeInto(dialog->FindText, QStringLiteral("x"));
    dialog->FindText->setFocus();
    QString text;
    AnswerMessageBox(QMessageBox::Ok, &text);
    QTest::keyClick(dialog->FindText, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(text, NotFound);
    EXPECT_EQ(QApplication::focusWidget(), dialog->FindText);
    EXPECT_EQ(Text(), QStringLiteral("abc"));
}

} // namespace
