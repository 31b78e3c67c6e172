// The tree pane's edits, driven through its real view, menu and editor.

#include "core/document/Document.h"
#include "core/text/Placeholders.h"
#include "gui/models/FolderTreeModel.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/qt/SourceReadScheduler.h"
#include "gui/widgets/FolderTreeView.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TMainForm.h"
#include "tests/TreeDump.h"
#include "tests/gui/Child.h"
#include "tests/gui/ModalDriver.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

namespace {

using edamaki::TForm1;
using edamaki::TForm3;
using edamaki::TMainForm;
using edamaki::testing::Child;

using edamaki::NodeId;
using edamaki::testing::AnswerMessageBox;

QString const Header = QStringLiteral("<?dezodedu-macro?>\n");

class TForm1EditTest : public ::testing::Test {
protected:
    TForm1EditTest()
    {
        m_form.SetLogWindow(new TForm3(&m_form));
        m_pane = new TForm1(m_document, [this](TForm1& pane) { m_form.StartUp(pane); });
        m_form.resize(640, 480);
        m_form.show();
        QApplication::setActiveWindow(&m_form);
        // The form panel takes the pane in at its first paint.
        EXPECT_TRUE(QTest::qWaitFor([this] { return m_pane->isVisible(); }));
    }
    ~TForm1EditTest() override
    {
        Child<QPlainTextEdit>(m_form, "SrcList")->document()->setModified(false);
        delete m_pane.data();
    }

    void SetSource(QString const& text) { Child<QPlainTextEdit>(m_form, "SrcList")->setPlainText(text); }
    QString Source() const { return Child<QPlainTextEdit>(m_form, "SrcList")->toPlainText(); }
    QString Tree() const { return edamaki::ShiftJisToQString(edamaki::testing::Dump(m_document.Tree)); }
    // The node at a path of UTF-8 names, "" for the root node.
    NodeId Node(QString const& path) const
    {
        NodeId node = m_document.Tree.Root();
        for (QString const& name : path.split(u'/', Qt::SkipEmptyParts))
            node = m_document.Tree.FindChildNode(node, edamaki::QStringToShiftJisForReading(name));
        return node;
    }
    QRect Label(NodeId node) const { return m_pane->Tree1->visualRect(m_pane->Model().IndexOfNode(node)); }
    void Click(QPoint point, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers keys = {})
    {
        QTest::mouseClick(m_pane->Tree1->viewport(), button, keys, point);
    }
    // On the node's icon.
    void Click(QString const& path, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers keys = {})
    {
        Click(Label(Node(path)).topLeft() + QPoint(8, 4), button, keys);
    }
    void SelectRootByKeyboard()
    {
        Click(QPoint(8, 4));
        m_pane->Tree1->selectionModel()->select(
            m_pane->Tree1->model()->index(0, 0), QItemSelectionModel::Select);
    }
    QStringList Selected() const
    {
        QStringList names;
        for (NodeId node : m_pane->SelectedNodes())
            names << edamaki::ShiftJisToQString(m_document.Tree.Name(node));
        return names;
    }
    QList<bool> MenuStates()
    {
        m_pane->PopupMenu1Popup();
        return { m_pane->mEditNode->isEnabled(), m_pane->mAddNode->isEnabled(),
            m_pane->mAddCNode->isEnabled(), m_pane->mDelNode->isEnabled() };
    }
    // Types over the open label edit (through the input method, as Japanese
    // is typed) and presses `key`.
    void TypeLabel(QString const& text, Qt::Key key = Qt::Key_Return)
    {
        auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_TRUE(edit && m_pane->Tree1->isAncestorOf(edit) && m_pane->IsEditingLabel());
        edit->selectAll();
        QInputMethodEvent typed;
        typed.setCommitString(text);
        QApplication::sendEvent(edit, &typed);
        QTest::keyClick(edit, key);
        QApplication::processEvents();
    }

    edamaki::Document m_document;
    TMainForm m_form { m_document };
    QPointer<TForm1> m_pane;
};

TEST_F(TForm1EditTest, TheContextMenuAndItsStates)
{
    QStringList captions;
    for (QAction const* item : m_pane->PopupMenu1->actions())
        captions << item->text();
    EXPECT_EQ(captions, QStringList({ "名前変更(&R)", "追 加(&A)", "子追加(&C)", "削 除(&D)" }));
    EXPECT_FALSE(m_pane->mEditNode->isEnabled());

    SetSource(Header + QStringLiteral("A\n>B\n>C\n>D\nx,y\n>z"));
    struct Case {
        char const* Name;
        std::function<void()> Select;
        QList<bool> States; // rename, add, add child, delete
    };
    edamaki::FolderTreeView* view = m_pane->Tree1;
    std::vector<Case> const cases {
        { "nothing", [] {}, { false, false, false, false } },
        { "the root node by keyboard", [&] { SelectRootByKeyboard(); }, { false, false, true, true } },
        { "one folder", [&] { Click(QStringLiteral("A/B")); }, { true, true, true, true } },
        { "three siblings",
            [&] {
                Click(QStringLiteral("A/B"));
                Click(QStringLiteral("A/C"), Qt::LeftButton, Qt::ControlModifier);
                Click(QStringLiteral("A/D"), Qt::LeftButton, Qt::ControlModifier);
            },
            { false, false, false, true } },
        // A rename tag reads its path up to the first comma.
        // No folder added inside "x,y" could be given a name.
        { "a folder with a comma", [&] { Click(QStringLiteral("x,y")); }, { false, true, false, true } },
        { "a folder inside it", [&] { Click(QStringLiteral("x,y/z")); }, { false, false, false, true } },
    };
    for (Case const& c : cases) {
        view->selectionModel()->clearSelection();
        c.Select();
        EXPECT_EQ(MenuStates(), c.States) << c.Name;
    }

    // Opened by the real context menu event; the right click keeps the three.
    Click(QStringLiteral("A/B"));
    Click(QStringLiteral("A/D"), Qt::LeftButton, Qt::ControlModifier);
    Click(QStringLiteral("A/C"), Qt::RightButton);
    QPoint const at = Label(Node(QStringLiteral("A/C"))).center();
    QContextMenuEvent menu_event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &menu_event);
    EXPECT_TRUE(m_pane->PopupMenu1->isVisible());
    EXPECT_EQ(Selected(), QStringList({ "B", "D" }));
    m_pane->PopupMenu1->hide();
}

// A click selects one folder or none; Ctrl toggles, among siblings only.
TEST_F(TForm1EditTest, MouseRules)
{
    SetSource(QStringLiteral("A\\B\nA\\C\nE"));
    QRect const b = Label(Node(QStringLiteral("A/B")));
    QRect const e = Label(Node(QStringLiteral("E")));
    struct Case {
        char const* Name;
        QPoint Point;
        Qt::KeyboardModifiers Keys;
        QStringList Selected;
    };
    std::vector<Case> const cases {
        { "a label", b.topLeft() + QPoint(20, 4), {}, { "B" } },
        { "Ctrl on another", e.topLeft() + QPoint(20, 4), Qt::ControlModifier, { "E" } },
        { "Ctrl on a sibling", Label(Node(QStringLiteral("A"))).topLeft() + QPoint(8, 4), Qt::ControlModifier,
            { "E", "A" } },
        { "Ctrl again", e.topLeft() + QPoint(20, 4), Qt::ControlModifier, { "A" } },
        { "Shift from there", Label(Node(QStringLiteral("A"))).topLeft() + QPoint(8, 4), Qt::ShiftModifier,
            { "A", "E" } },
        { "right of a label", QPoint(b.left() + 80, b.center().y()), {}, {} },
        { "the indent", b.topLeft() + QPoint(-10, 4), {}, {} },
        { "the root node", QPoint(8, 4), {}, {} },
        { "below the last node", QPoint(8, e.bottom() + 40), {}, {} },
    };
    for (Case const& c : cases) {
        Click(c.Point, Qt::LeftButton, c.Keys);
        EXPECT_EQ(Selected(), c.Selected) << c.Name;
    }
}

// Shift with the arrow keys selects too, among the siblings of the folder it
// ends on: the rows between that lie deeper or higher stay out.
TEST_F(TForm1EditTest, ShiftWithKeysSelectsSiblings)
{
    SetSource(QStringLiteral("A\\B\nA\\C\nE\\G\nF"));
    Click(QStringLiteral("A"));
    QTest::keyClick(m_pane->Tree1, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), QStringList({ "A", "E", "F" }));
}

// In macro mode a click selects the source text that made the node.
TEST_F(TForm1EditTest, ClicksSelectTheSourceText)
{
    SetSource(Header + QStringLiteral("顧客\r\n>見積<#2:1-2>\n>>図面\n営業"));
    QChar const line_break = QChar::ParagraphSeparator;
    struct Case {
        QString Path;
        QString Selected;
    };
    std::vector<Case> const cases {
        { QStringLiteral("顧客"), QStringLiteral("顧客") + line_break },
        { QStringLiteral("顧客/見積02"), QStringLiteral(">見積<#2:1-2>") + line_break },
        { QStringLiteral("顧客/見積01/図面"), QStringLiteral(">>図面") + line_break },
        { QStringLiteral("営業"), QStringLiteral("営業") },
    };
    for (Case const& c : cases) {
        Click(c.Path, Qt::RightButton);
        EXPECT_EQ(Child<QPlainTextEdit>(m_form, "SrcList")->textCursor().selectedText(), c.Selected)
            << c.Path.toStdString();
    }
    // A node the pane renamed selects the line the pane wrote.
    Click(QStringLiteral("営業"));
    QTest::keyClick(m_pane->Tree1, Qt::Key_F2);
    TypeLabel(QStringLiteral("販売"));
    Click(QStringLiteral("販売"));
    EXPECT_EQ(Child<QPlainTextEdit>(m_form, "SrcList")->textCursor().selectedText(),
        QStringLiteral("<r:営業,販売>"));
}

TEST_F(TForm1EditTest, RenameWithF2)
{
    SetSource(Header + QStringLiteral("A\n>B\n>b"));
    struct Case {
        QString Typed;
        Qt::Key Key;
        QString Appended; // after the source so far
        QString Tree;
        bool Warns;
    };
    std::vector<Case> const cases {
        { QStringLiteral("X"), Qt::Key_Escape, {}, QStringLiteral("A(B,b)"), false },
        { QStringLiteral("  "), Qt::Key_Return, {}, QStringLiteral("A(B,b)"), false },
        { QStringLiteral("a:b"), Qt::Key_Return, QStringLiteral("\n<r:A/B,B>"), QStringLiteral("A(B,b)"),
            true },
        { QStringLiteral("b"), Qt::Key_Return, QStringLiteral("\n<r:A/B,b(1)>"), QStringLiteral("A(b(1),b)"),
            false },
    };
    for (Case const& c : cases) {
        QApplication::setActiveWindow(&m_form); // a message box before took it
        QString const before = Source();
        Click(QStringLiteral("A/B"));
        QTest::keyClick(m_pane->Tree1, Qt::Key_F2);
        QString warning;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        if (c.Warns)
            AnswerMessageBox(QMessageBox::Ok, &warning, &icon);
        TypeLabel(c.Typed, c.Key);
        EXPECT_EQ(Source(), before + c.Appended) << c.Typed.toStdString();
        EXPECT_EQ(Tree(), c.Tree) << c.Typed.toStdString();
        if (c.Warns) {
            EXPECT_TRUE(warning.startsWith(QStringLiteral("フォルダ名が不正です"))) << warning.toStdString();
            EXPECT_EQ(icon, QMessageBox::Warning);
        }
        EXPECT_FALSE(m_pane->IsEditingLabel());
    }
    // The root node is never renamed.
    SelectRootByKeyboard();
    QTest::keyClick(m_pane->Tree1, Qt::Key_F2);
    EXPECT_FALSE(m_pane->IsEditingLabel());
}

TEST_F(TForm1EditTest, AddBesideAndInside)
{
    SetSource(Header + QStringLiteral("A\n>新規フォルダ\n>>x\n>>>y"));
    Click(QStringLiteral("A/新規フォルダ"));
    m_pane->mAddNode->trigger();
    TypeLabel(QStringLiteral("N"));
    m_pane->Tree1->collapse(m_pane->Model().IndexOfNode(Node(QStringLiteral("A/新規フォルダ/x"))));
    Click(QStringLiteral("A/新規フォルダ"));
    m_pane->mAddCNode->trigger();
    EXPECT_TRUE(
        m_pane->Tree1->isExpanded(m_pane->Model().IndexOfNode(Node(QStringLiteral("A/新規フォルダ/x")))));
    TypeLabel({}, Qt::Key_Escape);
    SelectRootByKeyboard();
    m_pane->mAddCNode->trigger();
    TypeLabel(QStringLiteral("T"));
    EXPECT_EQ(Source(),
        Header
            + QStringLiteral("A\n>新規フォルダ\n>>x\n>>>y\n<+:A/新規フォルダ(1)>\n<r:A/新規フォルダ(1),N>\n"
                             "<+:A/新規フォルダ/新規フォルダ>\n<+:新規フォルダ>\n<r:新規フォルダ,T>"));
    EXPECT_EQ(Tree(), QStringLiteral("A(新規フォルダ(x(y),新規フォルダ),N),T"));

    // Each write-back is one undo step, and the tree follows the text back.
    Child<QPlainTextEdit>(m_form, "SrcList")->undo();
    EXPECT_EQ(Tree(), QStringLiteral("A(新規フォルダ(x(y),新規フォルダ),N),新規フォルダ"));
}

TEST_F(TForm1EditTest, DeleteTakesTheLastSelectedFirst)
{
    SetSource(Header + QStringLiteral("R\n>A\n>B\n>C\n>D"));
    Click(QStringLiteral("R/C"));
    Click(QStringLiteral("R/A"), Qt::LeftButton, Qt::ControlModifier);
    Click(QStringLiteral("R/D"), Qt::LeftButton, Qt::ControlModifier);
    Click(QStringLiteral("R/A"), Qt::RightButton);
    m_pane->mDelNode->trigger(); // no question comes
    EXPECT_EQ(Source(), Header + QStringLiteral("R\n>A\n>B\n>C\n>D\n<-:R/D>\n<-:R/A>\n<-:R/C>"));
    EXPECT_EQ(Tree(), QStringLiteral("R(B)"));
    Child<QPlainTextEdit>(m_form, "SrcList")->undo();
    EXPECT_EQ(Tree(), QStringLiteral("R(A,B,C,D)"));
}

// Text mode: the folder lines are written anew below the parent folder line
// and the comments, and an edit left unsaved in it is asked about.
TEST_F(TForm1EditTest, TextModeRewritesTheSource)
{
    SetSource(QStringLiteral("C:\\work\nA\\B\n; plan 〜\nA\\C"));
    Child<QPlainTextEdit>(m_form, "SrcList")->document()->setModified(false);
    Click(QStringLiteral("A/B"));
    m_pane->mDelNode->trigger();
    EXPECT_EQ(Source(), QStringLiteral("C:\\work\n; plan 〜\nA\\C"));
    Child<QPlainTextEdit>(m_form, "SrcList")->document()->setModified(false);
    EXPECT_TRUE(m_form.IsDocumentModified());
}

// A refused name leaves the focus on its folder in the pane, so that F2 opens
// it again; at the top of a text source a name can't begin with ";".
TEST_F(TForm1EditTest, ARefusedNameLeavesTheFocusOnItsFolder)
{
    SetSource(QStringLiteral("C:\\work\nA\\B"));
    for (QString const& path : { QStringLiteral("A"), QStringLiteral("A/B") }) {
        QApplication::setActiveWindow(&m_form);
        Click(path);
        QTest::keyClick(m_pane->Tree1, Qt::Key_F2);
        QString warning;
        AnswerMessageBox(QMessageBox::Ok, &warning);
        TypeLabel(path == QStringLiteral("A") ? QStringLiteral(";x") : QStringLiteral("x?"));
        EXPECT_EQ(warning,
            path == QStringLiteral("A")
                ? QStringLiteral("フォルダ名が不正です")
                : QStringLiteral("フォルダ名が不正です\n文字「?」(U+003F) はフォルダ名に使えません。"));
        EXPECT_EQ(Source(), QStringLiteral("C:\\work\nA\\B"));
        EXPECT_TRUE(QTest::qWaitFor([this] { return m_pane->Tree1->hasFocus(); }, 1000));
        EXPECT_EQ(m_pane->SelectedNodes(), std::vector<NodeId> { Node(path) });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        EXPECT_TRUE(m_pane->IsEditingLabel());
        TypeLabel({}, Qt::Key_Escape);
    }
}

// The pane never writes a character that Shift-JIS lacks: an edit whose
// write-back would hold one is refused, naming the character and its line,
// and the source stays as it was.
// Any character is written back as itself, and a typed name may hold one.
TEST_F(TForm1EditTest, EditsWriteACharacterShiftJisLacksBackAsItself)
{
    QString const text = QStringLiteral("顧客😀\\テスト\nその他");
    QString const macro = Header + QStringLiteral("顧客〜\n>テスト\nその他");
    struct Case {
        QString Source;
        QString Path;
        void (TForm1::*Command)();
        QString Written;
    };
    Case const cases[] = {
        { text, QStringLiteral("顧客😀/テスト"), &TForm1::mDelNodeClick, QStringLiteral("顧客😀\nその他") },
        { macro, QStringLiteral("顧客〜/テスト"), &TForm1::mDelNodeClick,
            macro + QStringLiteral("\n<-:顧客〜/テスト>") },
    };
    for (auto const& test : cases) {
        QApplication::setActiveWindow(&m_form);
        SetSource(test.Source);
        Click(test.Path);
        (m_pane.data()->*test.Command)();
        EXPECT_EQ(Source(), test.Written) << test.Path.toStdString();
    }

    QApplication::setActiveWindow(&m_form);
    SetSource(macro);
    Click(QStringLiteral("その他"));
    QTest::keyClick(m_pane->Tree1, Qt::Key_F2);
    TypeLabel(QStringLiteral("別〜"));
    EXPECT_EQ(Source(), macro + QStringLiteral("\n<r:その他,別〜>"));
}

// A source with placeholders shows its folders as they would be made: the
// value last given, else the default or today's, else the placeholder's
// name in brackets. Those names are marked, and a click still selects the
// line that made the folder.
TEST_F(TForm1EditTest, PlaceholdersShowAsTheyWouldBeMadeAndClicksFindTheirLines)
{
    QString const year = QString::number(edamaki::Today().Year);
    QString const source = Header + QStringLiteral("<%顧客名>\n>見積_<%日付:YYYY>\n>>図面\n<%版=v1>");
    SetSource(source);
    EXPECT_EQ(Tree(), QStringLiteral("《顧客名》(見積_%1(図面)),v1").arg(year));
    QChar const line_break = QChar::ParagraphSeparator;
    struct Case {
        QString Path;
        QString Selected;
        bool Marked;
    };
    Case const cases[] = {
        { QStringLiteral("《顧客名》"), QStringLiteral("<%顧客名>") + line_break, true },
        { QStringLiteral("《顧客名》/見積_") + year, QStringLiteral(">見積_<%日付:YYYY>") + line_break,
            true },
        { QStringLiteral("《顧客名》/見積_%1/図面").arg(year), QStringLiteral(">>図面") + line_break, false },
        { QStringLiteral("v1"), QStringLiteral("<%版=v1>"), true },
    };
    for (Case const& c : cases) {
        Click(c.Path, Qt::RightButton);
        EXPECT_EQ(Child<QPlainTextEdit>(m_form, "SrcList")->textCursor().selectedText(), c.Selected)
            << c.Path.toStdString();
        EXPECT_EQ(m_form.SourceReads()->Marks().HoldsValue(m_document.Tree, Node(c.Path)), c.Marked)
            << c.Path.toStdString();
    }

    // A read in the background fills them too.
    m_form.SourceReads()->SetBackgroundThreshold(std::chrono::nanoseconds(-1));
    SetSource(source + QStringLiteral("\n<%a/b>"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_form.IsTreeCurrent(); }, 10000));
    EXPECT_EQ(Tree(), QStringLiteral("《顧客名》(見積_%1(図面)),v1,《a_b》").arg(year));
}

// An edit that would write a placeholder's value into the source, where the
// placeholder stands, is refused: in macro mode one whose tag names a folder
// by a path that holds a value, in text mode any, as it writes every line.
TEST_F(TForm1EditTest, AnEditThatWouldWriteAValueOverItsPlaceholderIsRefused)
{
    QString const macro = Header + QStringLiteral("<%顧客名>\n>見積\nその他\n>a");
    QString const text = QStringLiteral("<%顧客名>\\見積\nその他");
    QString const line_text = QStringLiteral("\nプレースホルダを含む行は、テキストで編集してください。");
    QString const macro_refusal
        = QStringLiteral(
              "このフォルダのパスにはプレースホルダの値が入っているため、ツリーでは編集できません。")
        + line_text;
    QString const text_refusal
        = QStringLiteral("ソースにプレースホルダを含む行があるため、ツリーでは編集できません"
                         "（テキストモードでは、ツリーの編集がソース全体を書き直します）。")
        + line_text;
    struct Case {
        QString Source;
        QString Path;
        void (TForm1::*Command)();
        QString Refusal; // empty: the edit goes ahead
    };
    Case const cases[] = {
        { macro, QStringLiteral("《顧客名》"), &TForm1::mEditNodeClick, macro_refusal },
        { macro, QStringLiteral("《顧客名》/見積"), &TForm1::mDelNodeClick, macro_refusal },
        { macro, QStringLiteral("《顧客名》/見積"), &TForm1::mAddCNodeClick, macro_refusal },
        { macro, QStringLiteral("その他"), &TForm1::mEditNodeClick, {} },
        { macro, QStringLiteral("その他/a"), &TForm1::mDelNodeClick, {} },
        { text, QStringLiteral("その他"), &TForm1::mEditNodeClick, text_refusal },
    };
    for (auto const& test : cases) {
        QApplication::setActiveWindow(&m_form); // a message box before took it
        SetSource(test.Source);
        Click(test.Path);
        QString warning;
        if (!test.Refusal.isEmpty())
            AnswerMessageBox(QMessageBox::Ok, &warning);
        (m_pane.data()->*test.Command)();
        EXPECT_EQ(warning, test.Refusal) << test.Path.toStdString();
        bool const refused = !test.Refusal.isEmpty();
        EXPECT_EQ(m_pane->IsEditingLabel() || Source() != test.Source, !refused) << test.Path.toStdString();
        if (m_pane->IsEditingLabel())
            TypeLabel({}, Qt::Key_Escape);
    }
}

} // namespace
