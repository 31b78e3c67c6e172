#include "gui/qt/SourceReadScheduler.h"

#include "core/document/Document.h"
#include "gui/models/FolderTreeModel.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/widgets/FolderTreeView.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TMainForm.h"
#include "tests/TreeDump.h"
#include "tests/gui/Child.h"

#include <QAbstractItemModelTester>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

namespace {

using edamaki::SourceReadScheduler;
using edamaki::TForm1;
using edamaki::TForm3;
using edamaki::TMainForm;
using edamaki::testing::Child;

using edamaki::NodeId;

// A macro source of folders with tags, `blocks` blocks of five lines.
QString MacroSource(int blocks)
{
    QString source = QStringLiteral("<?dezodedu-macro?>");
    for (int block = 0; block < blocks; ++block)
        source += QStringLiteral("\n顧客%1\n>見積<#1:1-3>\n>>下書き\n>契約\n;メモ").arg(block);
    return source;
}

class SourceReadSchedulerTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        m_form.SetLogWindow(new TForm3(&m_form));
        m_pane = new TForm1(m_document, [this](TForm1& pane) { m_form.StartUp(pane); });
        m_pane->show();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            &m_pane->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        Child<QPlainTextEdit>(m_form, "SrcList")->setPlainText(MacroSource(40));
        // Every read but the first goes to the background.
        if (GetParam())
            m_form.SourceReads()->SetBackgroundThreshold(std::chrono::nanoseconds(-1));
    }

    void TearDown() override
    {
        Child<QPlainTextEdit>(m_form, "SrcList")->document()->setModified(false);
        m_tester.reset();
        delete m_pane.data();
    }

    QPlainTextEdit& Editor() { return *Child<QPlainTextEdit>(m_form, "SrcList"); }

    // Puts the caret at `column` of line `line` (-1: the line's end).
    void Caret(int line, int column = -1)
    {
        QTextBlock const block = Editor().document()->findBlockByNumber(line);
        QTextCursor cursor(block);
        cursor.setPosition(block.position() + (column < 0 ? block.length() - 1 : column));
        Editor().setTextCursor(cursor);
    }

    bool WaitForTree()
    {
        return QTest::qWaitFor([this] { return m_form.IsTreeCurrent(); }, 10000);
    }

    // The tree shown is the one a read of the editor's text makes, data
    // values included, and the view shows all of it expanded.
    void ExpectTreeOfTheText(std::string const& context)
    {
        edamaki::FolderTree expected;
        expected.CopyKeptState(m_document.Tree);
        edamaki::SourceMap expected_map;
        edamaki::ReadSource(
            expected, expected_map, edamaki::SourceLinesForReading(Editor().document()->toRawText()));
        edamaki::FolderTree const& shown = m_document.Tree;
        ASSERT_EQ(edamaki::testing::Dump(shown), edamaki::testing::Dump(expected)) << context;
        std::vector<std::int32_t> shown_data;
        std::vector<std::int32_t> expected_data;
        shown.WalkDescendants(
            shown.Root(), [&](NodeId node, int) { shown_data.push_back(shown.Data(node)); });
        expected.WalkDescendants(
            expected.Root(), [&](NodeId node, int) { expected_data.push_back(expected.Data(node)); });
        EXPECT_EQ(shown_data, expected_data) << context;
        EXPECT_EQ(m_document.Map.LineCount(), expected_map.LineCount()) << context;
        EXPECT_EQ(m_document.Map.IsMacro(), expected_map.IsMacro()) << context;

        std::function<void(QModelIndex const&)> expect_expanded = [&](QModelIndex const& parent) {
            auto const& model = m_pane->Model();
            for (int row = 0; row < model.rowCount(parent); ++row) {
                QModelIndex const index = model.index(row, 0, parent);
                if (model.rowCount(index) == 0)
                    continue;
                EXPECT_TRUE(m_pane->Tree1->isExpanded(index))
                    << context << ": " << index.data().toString().toStdString();
                expect_expanded(index);
            }
        };
        expect_expanded({});
    }

    edamaki::Document m_document;
    TMainForm m_form { m_document };
    QPointer<TForm1> m_pane;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

TEST_P(SourceReadSchedulerTest, ABurstOfKeyStrokesEndsWithTheTreeOfTheFinalText)
{
    struct Stroke {
        int Line;
        int Column;
        std::function<void(QWidget*)> Type;
    };
    auto const keys
        = [](char const* text) { return [text](QWidget* editor) { QTest::keyClicks(editor, text); }; };
    auto const key
        = [](Qt::Key pressed) { return [pressed](QWidget* editor) { QTest::keyClick(editor, pressed); }; };
    // Lines: 0 the header, then blocks of a customer, a tag line, two
    // folders and a comment.
    std::vector<Stroke> const strokes {
        { 6, -1, keys("x") },               // a name changes
        { 12, -1, key(Qt::Key_Backspace) }, // a tag loses its end
        { 16, 0, keys(">") },               // a customer moves a level down
        { 20, -1, key(Qt::Key_Return) },    // a new line after a comment ...
        { 21, -1, keys("new<#1:1-2>") },    // ... with folders of its own
        { 0, -1, key(Qt::Key_Return) },     // a folder above all the others:
        { 1, -1, keys("top") },             // every source range moves
        { 30, 2, key(Qt::Key_Delete) },
    };
    for (Stroke const& stroke : strokes) {
        Caret(stroke.Line, stroke.Column);
        stroke.Type(&Editor());
    }
    ASSERT_TRUE(WaitForTree());
    ExpectTreeOfTheText("after the burst");

    // Typing goes on from the tree now shown.
    Caret(8, 0);
    QTest::keyClick(&Editor(), Qt::Key_Delete);
    ASSERT_TRUE(WaitForTree());
    ExpectTreeOfTheText("after one more key");

    // A folder without children gets its first.
    QTextCursor leaf = Editor().document()->find(QStringLiteral(">契約"));
    leaf.movePosition(QTextCursor::EndOfBlock);
    Editor().setTextCursor(leaf);
    QTest::keyClick(&Editor(), Qt::Key_Return);
    QTest::keyClicks(&Editor(), ">>sub");
    ASSERT_TRUE(WaitForTree());
    ExpectTreeOfTheText("after a first child");
}

TEST_P(SourceReadSchedulerTest, WhatUsesTheTreeGetsTheTreeOfTheTextAsItStands)
{
    struct Use {
        char const* Name;
        std::function<void()> Act;
    };
    std::vector<Use> const uses {
        { "a click on the tree",
            [this] { QTest::mousePress(m_pane->Tree1->viewport(), Qt::LeftButton, {}, QPoint(5, 5)); } },
        { "a key on the tree", [this] { QTest::keyClick(m_pane->Tree1, Qt::Key_Down); } },
        { "the conversion's and the run's check", [this] { m_form.EnsureTreeCurrent(); } },
    };
    int line = 2;
    for (Use const& use : uses) {
        Caret(line, -1);
        line += 5;
        QTest::keyClicks(&Editor(), "yz");
        use.Act();
        EXPECT_TRUE(m_form.IsTreeCurrent()) << use.Name;
        ExpectTreeOfTheText(use.Name);
    }
}

// The save prompt asks whether the document holds unsaved edits: a read still
// pending takes the pane's edits up, so the question needs no read.
TEST_P(SourceReadSchedulerTest, TheSavePromptsQuestionReadsNothing)
{
    Caret(3);
    QTest::keyClicks(&Editor(), "x");
    Editor().document()->setModified(false);
    bool const pending = !m_form.IsTreeCurrent();
    EXPECT_FALSE(m_form.IsDocumentModified());
    EXPECT_EQ(m_form.IsTreeCurrent(), !pending);
}

TEST_P(SourceReadSchedulerTest, APaneEditStaysUntilTheTextChangesAgain)
{
    Caret(3);
    QTest::keyClicks(&Editor(), "x");
    // The pane's edit: the tree first, then the written line as the
    // program's own edit, which no read follows.
    QTest::mousePress(m_pane->Tree1->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    NodeId const first = m_document.Tree.Children(m_document.Tree.Root()).front();
    m_pane->Model().Rename(first, "renamed");
    std::uint64_t const revision = m_document.Tree.Revision();
    {
        SourceReadScheduler::ProgramEdit const edit(m_form.SourceReads());
        Editor().appendPlainText(QStringLiteral("<r:顧客0,renamed>"));
    }
    EXPECT_TRUE(m_form.IsTreeCurrent());
    EXPECT_EQ(m_document.Tree.Revision(), revision);
    EXPECT_EQ(m_document.Tree.Name(m_document.Tree.Children(m_document.Tree.Root()).front()), "renamed");

    // An edit that the text doesn't hold goes with the next read, even deep
    // in a part of the tree that the read leaves as it was.
    NodeId const second = m_document.Tree.Children(m_document.Tree.Root())[1];
    m_pane->Model().Rename(m_document.Tree.Children(second).back(), "not in the text");
    Caret(20);
    QTest::keyClicks(&Editor(), "x");
    ASSERT_TRUE(WaitForTree());
    ExpectTreeOfTheText("after a pane edit");
}

INSTANTIATE_TEST_SUITE_P(Reads, SourceReadSchedulerTest, ::testing::Values(false, true),
    [](::testing::TestParamInfo<bool> const& info) { return info.param ? "InTheBackground" : "AtOnce"; });

} // namespace
