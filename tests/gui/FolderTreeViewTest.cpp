#include "gui/widgets/FolderTreeView.h"

#include "core/text/SourceLines.h"
#include "core/tree/TextSourceReader.h"
#include "gui/models/FolderTreeModel.h"

#include <QAccessible>
#include <QApplication>
#include <QItemSelectionModel>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using edamaki::FolderTree;
using edamaki::FolderTreeModel;
using edamaki::FolderTreeView;
using edamaki::NodeId;
using Lines = std::vector<std::string>;

// A view of a small tree whose root, like the tree pane's, never closes.
struct ViewOfTree {
    FolderTree Tree;
    std::unique_ptr<FolderTreeModel> Model;
    std::unique_ptr<FolderTreeView> View;

    explicit ViewOfTree(Lines const& source)
    {
        edamaki::LoadTextSource(Tree, edamaki::SourceLines(source));
        Model = std::make_unique<FolderTreeModel>(Tree);
        View = std::make_unique<FolderTreeView>(*Model);
        View->SetCollapseRule(
            [this](QModelIndex const& index) { return Model->NodeOfIndex(index) != Tree.Root(); });
        View->resize(240, 400);
        View->show();
    }

    QModelIndex Index(std::string const& path) const
    {
        NodeId node = Tree.Root();
        std::size_t start = 0;
        while (start < path.size()) {
            std::size_t const end = std::min(path.find('/', start), path.size());
            node = Tree.FindChildNode(node, std::string_view(path).substr(start, end - start));
            start = end + 1;
        }
        return Model->IndexOfNode(node);
    }

    // What the view draws, row by row as it finds them at points of the
    // viewport: the name indented by the row's place, "-" before a closed folder.
    Lines Rows() const
    {
        Lines rows;
        for (int y = 1; y < View->viewport()->height(); y += View->visualRect(Model->index(0, 0)).height()) {
            QModelIndex const index = View->indexAt(QPoint(View->viewport()->width() - 1, y));
            if (!index.isValid())
                break;
            int const depth = View->visualRect(index).left() / View->indentation();
            bool const closed = Model->rowCount(index) > 0 && !View->isExpanded(index);
            rows.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + (closed ? "-" : "")
                + std::string(Tree.Name(Model->NodeOfIndex(index))));
        }
        return rows;
    }
};

TEST(FolderTreeViewTest, RowsFollowTheTreeAndTheClosedFolders)
{
    ViewOfTree view({ "A\\a1\\x", "A\\a2", "B\\b1" });
    struct Step {
        char const* Name;
        std::function<void()> Act;
        Lines Rows;
    };
    std::vector<Step> const steps {
        { "read", [] {}, { "<ROOT>", "  A", "    a1", "      x", "    a2", "  B", "    b1" } },
        { "close A", [&] { view.View->collapse(view.Index("A")); }, { "<ROOT>", "  -A", "  B", "    b1" } },
        { "the root stays open", [&] { view.View->collapse(view.Model->index(0, 0)); },
            { "<ROOT>", "  -A", "  B", "    b1" } },
        { "a folder added in a closed one",
            [&] { view.Model->AppendChild(view.Model->NodeOfIndex(view.Index("A")), "a3", -1); },
            { "<ROOT>", "  -A", "  B", "    b1" } },
        { "a folder added in an open one",
            [&] { view.Model->AppendChild(view.Model->NodeOfIndex(view.Index("B/b1")), "y", -1); },
            { "<ROOT>", "  -A", "  B", "    b1", "      y" } },
        { "a folder removed", [&] { view.Model->RemoveNode(view.Model->NodeOfIndex(view.Index("B/b1"))); },
            { "<ROOT>", "  -A", "  B" } },
        { "close all", [&] { view.View->collapseAll(); }, { "<ROOT>", "  -A", "  B" } },
        { "open A and below", [&] { view.View->expandRecursively(view.Index("A")); },
            { "<ROOT>", "  A", "    a1", "      x", "    a2", "    a3", "  B" } },
    };
    for (Step const& step : steps) {
        step.Act();
        EXPECT_EQ(view.Rows(), step.Rows) << step.Name;
    }
}

TEST(FolderTreeViewTest, KeysMoveTheCursorAndOpenAndCloseFolders)
{
    struct Case {
        char const* Start;
        Qt::Key Key;
        char const* Current;
        Lines Rows;
    };
    Lines const all { "<ROOT>", "  A", "    a1", "    a2", "  B" };
    std::vector<Case> const cases {
        { "A", Qt::Key_Left, "A", { "<ROOT>", "  -A", "  B" } },
        { "A/a1", Qt::Key_Left, "A", all },
        { "A", Qt::Key_Right, "A/a1", all },
        { "A/a2", Qt::Key_Down, "B", all },
        { "B", Qt::Key_Up, "A/a2", all },
        { "A/a1", Qt::Key_End, "B", all },
        { "B", Qt::Key_Home, "", all },
        { "A", Qt::Key_Minus, "A", { "<ROOT>", "  -A", "  B" } },
    };
    for (Case const& c : cases) {
        ViewOfTree view({ "A\\a1", "A\\a2", "B" });
        view.View->setCurrentIndex(view.Index(c.Start));
        QTest::keyClick(view.View.get(), c.Key);
        EXPECT_EQ(view.View->currentIndex(), view.Index(c.Current)) << c.Start << " " << c.Key;
        EXPECT_EQ(view.Rows(), c.Rows) << c.Start << " " << c.Key;
    }
    // A closed folder opens with the right arrow, the cursor staying on it.
    ViewOfTree view({ "A\\a1" });
    view.View->collapse(view.Index("A"));
    view.View->setCurrentIndex(view.Index("A"));
    QTest::keyClick(view.View.get(), Qt::Key_Right);
    EXPECT_EQ(view.View->currentIndex(), view.Index("A"));
    EXPECT_TRUE(view.View->isExpanded(view.Index("A")));
}

TEST(FolderTreeViewTest, ScrollingBringsAFolderIntoViewBothWays)
{
    Lines source;
    for (int folder = 0; folder < 200; ++folder)
        source.push_back("F" + std::to_string(folder));
    source.emplace_back("F199\\deep\\deeper\\deepest");
    ViewOfTree view(source);
    view.View->resize(120, 100);
    view.View->SetMinimumColumnWidth(600);
    EXPECT_EQ(view.View->horizontalScrollBar()->maximum(), 600 - view.View->viewport()->width());

    QModelIndex const deepest = view.Index("F199/deep/deeper/deepest");
    view.View->scrollTo(deepest);
    QRect const rect = view.View->visualRect(deepest);
    EXPECT_TRUE(view.View->viewport()->rect().contains(QPoint(rect.left(), rect.bottom())));
    EXPECT_EQ(view.View->indexAt(rect.center()), deepest);

    view.View->scrollToTop();
    EXPECT_EQ(view.View->indexAt(QPoint(200, 1)), view.Model->index(0, 0));

    // A folder added at the end is in reach at once, before the next layout.
    QModelIndex const added = view.Model->IndexOfNode(view.Model->AppendChild(view.Tree.Root(), "G", -1));
    view.View->scrollTo(added);
    EXPECT_TRUE(view.View->viewport()->rect().contains(view.View->visualRect(added).topLeft()));
}

TEST(FolderTreeViewTest, TypingMovesToTheNextShownFolderOfThatName)
{
    struct Case {
        char const* Typed;
        char const* Current;
    };
    std::vector<Case> const cases {
        { "a", "Apple" },
        { "aa", "apricot" },
        { "av", "Avocado" },
        { "B", "Banana" },
        { "x", "Avocado/x" },
        { "q", "" },
    };
    for (Case const& c : cases) {
        ViewOfTree view({ "Apple", "apricot", "Banana", "Avocado\\x" });
        view.View->setCurrentIndex(view.Index(""));
        QTest::keyClicks(view.View.get(), QString::fromLatin1(c.Typed));
        EXPECT_EQ(view.View->currentIndex(), view.Index(c.Current)) << c.Typed;
    }
}

// Screen readers see the shown rows as the tree's children.
TEST(FolderTreeViewTest, ScreenReadersSeeTheShownRows)
{
    ViewOfTree view({ "A\\a1", "B" });
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(view.View.get());
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->role(), QAccessible::Tree);
    EXPECT_EQ(tree->childCount(), 4);
    QAccessibleInterface* a = tree->child(1);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("A"));
    EXPECT_TRUE(a->state().expanded);
    EXPECT_EQ(tree->indexOfChild(a), 1);

    view.View->collapse(view.Index("A"));
    view.View->setCurrentIndex(view.Index("B"));
    EXPECT_EQ(tree->childCount(), 3);
    EXPECT_TRUE(tree->child(1)->state().collapsed);
    EXPECT_EQ(tree->child(2)->text(QAccessible::Name), QStringLiteral("B"));
    EXPECT_TRUE(tree->child(2)->state().selected);
    EXPECT_EQ(tree->child(3), nullptr);
}

// A selected row is marked from the left edge: when the selection moves, the
// old row is repainted from there too, or its indent stays marked.
TEST(FolderTreeViewTest, MovingTheSelectionRepaintsTheOldRowsIndent)
{
    ViewOfTree view({ "a\\b\\c", "d" });
    QModelIndex const deep = view.Index("a/b/c");
    view.View->selectionModel()->select(deep, QItemSelectionModel::ClearAndSelect);
    QApplication::processEvents();

    struct PaintRecorder : QObject {
        QRegion Painted;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                Painted += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } recorder;
    view.View->viewport()->installEventFilter(&recorder);
    view.View->selectionModel()->select(view.Index("d"), QItemSelectionModel::ClearAndSelect);
    QApplication::processEvents();
    EXPECT_TRUE(recorder.Painted.contains(QPoint(1, view.View->visualRect(deep).center().y())));
}

} // namespace
