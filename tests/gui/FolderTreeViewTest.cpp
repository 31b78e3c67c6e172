#include "gui/widgets/FolderTreeView.h"

#include "core/text/SourceLines.h"
#include "core/tree/TextSourceReader.h"
#include "gui/models/FolderTreeModel.h"
#include "gui/widgets/FolderTreeAccessible.h"

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
#include <utility>
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

// What a screen reader hears while a test runs: each selection and state
// change of a row, with the row's name and state at that moment.
class HeardEvents {
public:
    HeardEvents()
    {
        s_heard.clear();
        edamaki::SetScreenReaderTap(&Hear);
    }
    ~HeardEvents() { edamaki::SetScreenReaderTap(nullptr); }
    HeardEvents(HeardEvents const&) = delete;
    HeardEvents& operator=(HeardEvents const&) = delete;

    static Lines Take() { return std::exchange(s_heard, {}); }

private:
    static void Hear(QAccessibleEvent& event)
    {
        QAccessibleInterface* row = event.accessibleInterface();
        if (row == nullptr || row->role() != QAccessible::TreeItem)
            return;
        std::string const name = row->text(QAccessible::Name).toStdString();
        QAccessible::State const state = row->state();
        if (event.type() == QAccessible::Selection)
            s_heard.push_back(name + (state.selected ? " selected" : " unselected"));
        if (event.type() == QAccessible::StateChanged) {
            auto const changed = static_cast<QAccessibleStateChangeEvent&>(event).changedStates();
            if (changed.expanded && changed.collapsed)
                s_heard.push_back(name + (state.expanded ? " open" : " closed"));
        }
        // Said again in the description, for readers that get no expanded state change.
        if (event.type() == QAccessible::DescriptionChanged)
            s_heard.push_back(
                name + " says " + row->text(QAccessible::Description).section(u'、', 0, 0).toStdString());
    }

    static inline Lines s_heard;
};

// The row a reader rests on keeps its object (and id) while other folders
// open and close and while the source is read again; a row whose folder is
// no longer shown is let go.
TEST(FolderTreeViewTest, ARowKeepsItsObjectWhileItsFolderIsShown)
{
    ViewOfTree view({ "A\\a1", "B\\b1", "C" });
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(view.View.get());
    auto const object_of = [&](char const* path) { return tree->child(view.View->RowOf(view.Index(path))); };
    QAccessibleInterface* b = object_of("B");
    QAccessible::Id const b_id = QAccessible::uniqueId(b);
    QAccessible::Id const b1_id = QAccessible::uniqueId(object_of("B/b1"));

    view.View->collapse(view.Index("A"));
    EXPECT_EQ(tree->childCount(), 5);
    EXPECT_EQ(object_of("C")->text(QAccessible::Name), QStringLiteral("C"));
    EXPECT_EQ(QAccessible::accessibleInterface(b_id), b);
    ASSERT_TRUE(b->isValid());
    EXPECT_EQ(tree->indexOfChild(b), 2);
    EXPECT_EQ(tree->child(2), b);
    EXPECT_EQ(b->text(QAccessible::Name), QStringLiteral("B"));

    FolderTree fresh;
    edamaki::LoadTextSource(fresh, edamaki::SourceLines(Lines { "A\\a1", "B\\b1", "C", "D" }));
    view.Model->ShowRead(fresh);
    EXPECT_EQ(object_of("B"), b);
    EXPECT_TRUE(b->isValid());

    view.View->collapse(view.Index("B"));
    EXPECT_EQ(object_of("B"), b);
    EXPECT_EQ(QAccessible::accessibleInterface(b1_id), nullptr);
}

TEST(FolderTreeViewTest, ScreenReadersHearSelectionAndOpening)
{
    struct Case {
        char const* Name;
        std::function<void(ViewOfTree&)> Act;
        Lines Heard;
    };
    auto const key = [](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        return [=](ViewOfTree& view) { QTest::keyClick(view.View.get(), key, modifiers); };
    };
    auto const toggle = [](ViewOfTree& view) {
        QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(view.View.get());
        QAccessibleInterface* a = tree->child(view.View->RowOf(view.Index("A")));
        a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    };
    std::vector<Case> const cases {
        { "Ctrl+Space", key(Qt::Key_Space, Qt::ControlModifier), { "A unselected" } },
        { "Down", key(Qt::Key_Down), { "a1 selected", "A unselected" } },
        { "Shift+Down", key(Qt::Key_Down, Qt::ShiftModifier), { "a1 selected" } },
        { "Ctrl+click",
            [](ViewOfTree& view) {
                QTest::mouseClick(view.View->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    view.View->visualRect(view.Index("B")).center());
            },
            { "B selected" } },
        { "-", key(Qt::Key_Minus), { "A closed", "A says 閉じています" } },
        { "Left", key(Qt::Key_Left), { "A closed", "A says 閉じています" } },
        { "Left, Right",
            [&](ViewOfTree& view) {
                key(Qt::Key_Left)(view);
                key(Qt::Key_Right)(view);
            },
            { "A closed", "A says 閉じています", "A open", "A says 開いています" } },
        { "the row's action", toggle, { "A closed", "A says 閉じています" } },
        { "close all", [](ViewOfTree& view) { view.View->collapseAll(); },
            { "A closed", "A says 閉じています" } },
    };
    for (Case const& c : cases) {
        ViewOfTree view({ "A\\a1", "B" });
        view.View->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.View->setCurrentIndex(view.Index("A"));
        HeardEvents const heard;
        c.Act(view);
        EXPECT_EQ(HeardEvents::Take(), c.Heard) << c.Name;
    }
}

// Each row tells its level (the top folder is 1) and its place among its
// siblings, and a folder that may open or close has an action for it.
TEST(FolderTreeViewTest, RowsTellTheirLevelAndPlaceAndOpenAndClose)
{
    ViewOfTree view({ "A\\a1", "A\\a2", "A\\a3", "B" });
    struct Case {
        char const* Path;
        char const* Description;
        bool Toggles;
    };
    std::vector<Case> const cases {
        { "", "階層 1、1 個中 1 番目", false },
        { "A", "開いています、階層 2、2 個中 1 番目", true },
        { "A/a2", "階層 3、3 個中 2 番目", false },
        { "B", "階層 2、2 個中 2 番目", false },
    };
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(view.View.get());
    for (Case const& c : cases) {
        QAccessibleInterface* row = tree->child(view.View->RowOf(view.Index(c.Path)));
        ASSERT_NE(row, nullptr) << c.Path;
        EXPECT_EQ(row->text(QAccessible::Description), QString::fromUtf8(c.Description)) << c.Path;
        ASSERT_NE(row->actionInterface(), nullptr) << c.Path;
        EXPECT_EQ(row->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()),
            c.Toggles)
            << c.Path;
    }
    QAccessibleActionInterface* a = tree->child(1)->actionInterface();
    a->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(view.View->isExpanded(view.Index("A")));
    EXPECT_EQ(tree->child(1)->text(QAccessible::Description),
        QStringLiteral("閉じています、階層 2、2 個中 1 番目"));
    EXPECT_EQ(tree->childCount(), 3);
    a->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(view.View->isExpanded(view.Index("A")));
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
