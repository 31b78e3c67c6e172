#include "gui/models/FolderTreeModel.h"

#include "core/tree/TextSourceReader.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStyle>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using edamaki::FolderTree;
using edamaki::FolderTreeModel;
using edamaki::NodeId;

// Collects what QAbstractItemModelTester finds wrong with the model.
class ModelFailures {
public:
    ModelFailures() { s_previous = qInstallMessageHandler(&Record); }
    ~ModelFailures() { qInstallMessageHandler(s_previous); }
    ModelFailures(ModelFailures const&) = delete;
    ModelFailures& operator=(ModelFailures const&) = delete;

    static std::vector<std::string> const& Messages() { return s_messages; }

private:
    static void Record(QtMsgType type, QMessageLogContext const& context, QString const& message)
    {
        if (context.category && QByteArray(context.category) == "qt.modeltest")
            s_messages.push_back(message.toStdString());
        else if (s_previous)
            s_previous(type, context, message);
    }

    static inline QtMessageHandler s_previous = nullptr;
    static inline std::vector<std::string> s_messages;
};

// The model as a view sees it: "name(child,child)".
std::string Shown(QAbstractItemModel const& model, QModelIndex const& parent = {})
{
    std::string shown;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        QModelIndex const index = model.index(row, 0, parent);
        shown += (row > 0 ? "," : "") + index.data().toString().toStdString();
        if (model.rowCount(index) > 0)
            shown += "(" + Shown(model, index) + ")";
    }
    return shown;
}

class FolderTreeModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_model.BeginRebuild();
        edamaki::LoadTextSource(m_tree, { "A\\B", "A\\C\\D", "E" });
        m_model.EndRebuild();
    }

    NodeId Node(std::string_view top, std::string_view child = {}) const
    {
        NodeId const node = m_tree.FindChildNode(m_tree.Root(), top);
        return child.empty() ? node : m_tree.FindChildNode(node, child);
    }

    ModelFailures m_failures;
    FolderTree m_tree;
    FolderTreeModel m_model { m_tree };
    QAbstractItemModelTester m_tester { &m_model, QAbstractItemModelTester::FailureReportingMode::Warning };
};

TEST_F(FolderTreeModelTest, ReadsAndEditsReachTheViewTheQtWay)
{
    ASSERT_EQ(Shown(m_model), "<ROOT>(A(B,C(D)),E)");
    QPersistentModelIndex const e_index = m_model.IndexOfNode(Node("E"));
    QPersistentModelIndex const c_index = m_model.IndexOfNode(Node("A", "C"));

    NodeId const f = m_model.AppendChild(Node("A"), "F", 0);
    EXPECT_EQ(m_model.IndexOfNode(f).row(), 2);
    m_model.AppendChild(m_tree.Root(), "G", 0);
    m_model.RemoveNode(Node("A", "B"));
    EXPECT_EQ(c_index.row(), 0) << "the rows after a removed one move up";
    m_model.Rename(Node("A", "C"), "H");
    m_model.SetRootPath("/srv");
    m_model.RemoveNode(m_tree.Root());
    EXPECT_EQ(m_model.AppendChild(edamaki::NoNode, "X", 0), edamaki::NoNode);

    EXPECT_EQ(Shown(m_model), "ROOT [/srv/](A(H(D),F),E,G)");
    EXPECT_EQ(e_index.data().toString(), QStringLiteral("E"));
    EXPECT_EQ(c_index.data().toString(), QStringLiteral("H"));

    // A read resets the model; the tester then walks the new tree.
    m_model.BeginRebuild();
    edamaki::LoadTextSource(m_tree, { "x" });
    m_model.EndRebuild();
    EXPECT_EQ(Shown(m_model), "ROOT [/srv/](x)");
    EXPECT_EQ(ModelFailures::Messages(), std::vector<std::string> {});
}

// The tree pane's view walks the tree by node id and hands its rows back as
// indexes: both faces of the model tell the same tree, also after edits.
TEST_F(FolderTreeModelTest, ItsFolderRowsTellTheTreeItsIndexesTell)
{
    NodeId const removed = Node("A", "B");
    m_model.RemoveNode(removed);
    m_model.AppendChild(Node("A", "C"), "F", 0);
    m_model.Rename(Node("E"), "G");
    edamaki::FolderRows const& rows = m_model;
    ASSERT_EQ(rows.RootNode(), m_model.NodeOfIndex(m_model.index(0, 0)));
    std::vector<std::pair<QModelIndex, int>> pending { { m_model.index(0, 0), 0 } };
    int seen = 0;
    while (!pending.empty()) {
        auto const [index, depth] = pending.back();
        pending.pop_back();
        NodeId const node = rows.NodeOfIndex(index);
        std::string const name = index.data().toString().toStdString();
        ++seen;
        EXPECT_EQ(rows.IndexOfNode(node), index) << name;
        EXPECT_EQ(rows.LabelOf(node), index.data().toString()) << name;
        EXPECT_EQ(rows.ParentOf(node), rows.NodeOfIndex(index.parent())) << name;
        EXPECT_EQ(rows.DepthOf(node), depth) << name;
        EXPECT_EQ(rows.HasChildren(node), m_model.rowCount(index) > 0) << name;
        ASSERT_EQ(rows.ChildrenOf(node).size(), static_cast<std::size_t>(m_model.rowCount(index))) << name;
        for (int row = 0; row < m_model.rowCount(index); ++row) {
            QModelIndex const child = m_model.index(row, 0, index);
            EXPECT_EQ(rows.ChildrenOf(node)[static_cast<std::size_t>(row)], rows.NodeOfIndex(child)) << name;
            pending.emplace_back(child, depth + 1);
        }
    }
    EXPECT_EQ(seen, 6); // the root, A, C, D, F, G
    EXPECT_FALSE(rows.Contains(removed));
    EXPECT_FALSE(rows.IndexOfNode(removed).isValid());

    FolderTree empty;
    FolderTreeModel const nothing_read { empty };
    EXPECT_EQ(static_cast<edamaki::FolderRows const&>(nothing_read).RootNode(), edamaki::NoNode);
}

TEST_F(FolderTreeModelTest, ManyRemovalsAtOnceMoveThePersistentIndexesOnce)
{
    QPersistentModelIndex const b_index = m_model.IndexOfNode(Node("A", "B"));
    QPersistentModelIndex const c_index = m_model.IndexOfNode(Node("A", "C"));
    QPersistentModelIndex const e_index = m_model.IndexOfNode(Node("E"));
    QSignalSpy removals(&m_model, &QAbstractItemModel::rowsRemoved);
    m_model.RemoveNodes({ Node("E"), Node("A", "B"), m_tree.Root() });
    EXPECT_EQ(removals.count(), 0);
    EXPECT_EQ(Shown(m_model), "<ROOT>(A(C(D)))");
    EXPECT_FALSE(b_index.isValid());
    EXPECT_FALSE(e_index.isValid());
    EXPECT_EQ(c_index.row(), 0);
    EXPECT_EQ(c_index.data().toString(), QStringLiteral("C"));
    EXPECT_EQ(ModelFailures::Messages(), std::vector<std::string> {});
}

TEST_F(FolderTreeModelTest, ARenameAndANewIconAreAnnouncedForEveryNodeTheyChange)
{
    QSignalSpy changes(&m_model, &QAbstractItemModel::dataChanged);
    m_model.Rename(Node("A", "C"), "H");
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).value<QModelIndex>(), m_model.IndexOfNode(Node("A", "H")));

    changes.clear();
    QWidget widget;
    m_model.SetFolderIcon(widget.style()->standardIcon(QStyle::SP_DirIcon));
    auto const announced = [&](NodeId node) {
        QModelIndex const index = m_model.IndexOfNode(node);
        for (auto const& change : changes) {
            auto const first = change.at(0).value<QModelIndex>();
            auto const last = change.at(1).value<QModelIndex>();
            if (first.parent() == index.parent() && first.row() <= index.row() && index.row() <= last.row())
                return change.at(2).value<QList<int>>().contains(Qt::DecorationRole);
        }
        return false;
    };
    EXPECT_TRUE(announced(m_tree.Root()));
    m_tree.WalkDescendants(
        m_tree.Root(), [&](NodeId node, int) { EXPECT_TRUE(announced(node)) << m_tree.Name(node); });
}

} // namespace
