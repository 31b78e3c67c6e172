#include "core/tree/TreeRefresh.h"

#include "core/document/SourceDocument.h"
#include "tests/TreeDump.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace edamaki {
namespace {

using Lines = std::vector<std::string>;
using testing::Dump;

FolderTree Read(Lines const& lines)
{
    FolderTree tree;
    ReadSource(tree, lines);
    return tree;
}

// The lines a read of the source records in its map.
std::size_t MappedLines(Lines const& lines)
{
    FolderTree tree;
    SourceMap map;
    ReadSource(tree, map, lines);
    return map.LineCount();
}

// Writes down each change as "rename P", "insert P@row+count" or
// "remove P@row+count", P being the node path ("" for the root node).
class Recorder final : public TreeRefreshListener {
public:
    explicit Recorder(FolderTree const& tree)
        : m_tree(tree)
    {
    }

    std::vector<std::string> Changes;

    void TreeAboutToBeReplaced() override { Changes.push_back("replace"); }
    void TreeReplaced() override { }
    void ChildrenAboutToBeInserted(NodeId parent, std::size_t row, std::size_t count) override
    {
        Changes.push_back("insert " + Rows(parent, row, count));
    }
    void ChildrenInserted() override { }
    void ChildrenAboutToBeRemoved(NodeId parent, std::size_t row, std::size_t count) override
    {
        Changes.push_back("remove " + Rows(parent, row, count));
    }
    void ChildrenRemoved() override { }
    void NodeRenamed(NodeId node) override { Changes.push_back("rename " + Path(node)); }

private:
    std::string Path(NodeId node) const { return node == m_tree.Root() ? "" : m_tree.GetNodePath(node); }
    std::string Rows(NodeId parent, std::size_t row, std::size_t count) const
    {
        return Path(parent) + "@" + std::to_string(row) + "+" + std::to_string(count);
    }

    FolderTree const& m_tree;
};

// Both trees hold the same nodes with the same data values, the same state,
// and name indexes that find every child.
void ExpectSameTrees(FolderTree const& shown, FolderTree const& expected, std::string const& name)
{
    ASSERT_EQ(Dump(shown), Dump(expected)) << name;
    std::vector<NodeId> shown_nodes { shown.Root() };
    std::vector<NodeId> expected_nodes { expected.Root() };
    shown.WalkDescendants(shown.Root(), [&](NodeId node, int) { shown_nodes.push_back(node); });
    expected.WalkDescendants(expected.Root(), [&](NodeId node, int) { expected_nodes.push_back(node); });
    for (std::size_t index = 0; index < shown_nodes.size(); ++index) {
        NodeId const node = shown_nodes[index];
        EXPECT_EQ(shown.Data(node), expected.Data(expected_nodes[index])) << name << ": " << shown.Name(node);
        if (node == shown.Root())
            continue;
        auto const& siblings = shown.Children(shown.Parent(node));
        NodeId const first = *std::find_if(siblings.begin(), siblings.end(),
            [&](NodeId sibling) { return shown.Name(sibling) == shown.Name(node); });
        EXPECT_EQ(shown.FindChildNode(shown.Parent(node), shown.Name(node)), first)
            << name << ": " << shown.Name(node);
    }
    EXPECT_EQ(shown.NodeCount(), expected.NodeCount()) << name;
    EXPECT_EQ(shown.GetRootPath(), expected.GetRootPath()) << name;
}

TEST(TreeRefreshTest, TheShownTreeBecomesTheFreshOneByWhatDiffers)
{
    struct Case {
        char const* Name;
        Lines Before;
        Lines After;
        std::vector<std::string> Changes;
    };
    std::string const header = "<?dezodedu-macro?>";
    Lines many { "a", "b", "c", "d", "e", "f", "g", "h", "i", "j" };
    Lines many_more = many;
    many_more.insert(many_more.begin() + 5, "new");
    std::vector<Case> const cases {
        { "typing a letter", { "A\\B", "A\\C", "D" }, { "A\\Bx", "A\\C", "D" }, { "rename A/Bx" } },
        { "a new line", { "A", "C" }, { "A", "B", "C" }, { "insert @1+1" } },
        { "a line taken out", { "A\\x", "B\\y", "C" }, { "A\\x", "C" }, { "remove @1+1" } },
        { "a new line among many", many, many_more, { "insert @5+1" } },
        { "a line one level deeper", { header, "A", "B", ">b" }, { header, "A", ">B", ">b" },
            { "remove @1+1", "insert A@0+2" } },
        { "one more generated folder", { header, "P<#1:1-2>", ">x" }, { header, "P<#1:1-3>", ">x" },
            { "insert @2+1" } },
        { "a folder line above all others", { header, "A", ">a", "B" }, { header, "Z", "A", ">a", "B" },
            { "insert @0+1" } },
        { "a comment above all others", { header, "A", ">a" }, { header, ";note", "A", ">a" }, {} },
        { "another parent folder", { "C:\\Work", "A" }, { "C:\\Work2", "A" }, { "rename " } },
        { "to macro mode", { "A", "B" }, { header, "A", "B" }, {} },
        { "every name new", { "A\\x", "B" }, { "C", "D\\y" },
            { "rename C", "rename D", "insert D@0+1", "remove C@0+1" } },
        { "other folders", { "A", "B" }, { "C" }, { "remove @0+2", "insert @0+1" } },
    };
    for (Case const& c : cases) {
        FolderTree const expected = Read(c.After);
        // Refreshed node by node, and with the comparison of the two reads.
        for (bool const compared : { false, true }) {
            std::string const name = std::string(c.Name) + (compared ? ", compared" : "");
            FolderTree shown = Read(c.Before);
            FolderTree fresh = Read(c.After);
            ReadDelta const delta = CompareReads(Read(c.Before), MappedLines(c.Before), fresh);
            Recorder recorder(shown);
            TreeRefresh const refresh = RefreshTree(shown, fresh, recorder, compared ? &delta : nullptr);
            EXPECT_FALSE(refresh.Replaced) << name;
            EXPECT_EQ(recorder.Changes, c.Changes) << name;
            ExpectSameTrees(shown, expected, name);
        }
    }
}

TEST(TreeRefreshTest, NodesKeepTheirIdsWhereTheTreesAgree)
{
    FolderTree shown = Read({ "A\\x", "B", "C\\y" });
    auto const node = [&](std::string_view top, std::string_view child = {}) {
        NodeId const folder = shown.FindChildNode(shown.Root(), top);
        return child.empty() ? folder : shown.FindChildNode(folder, child);
    };
    std::vector<NodeId> const kept { node("A"), node("A", "x"), node("B"), node("C"), node("C", "y") };
    std::uint64_t const revision = shown.Revision();

    FolderTree fresh = Read({ "A\\x", "Bz", "C\\y" });
    Recorder recorder(shown);
    EXPECT_FALSE(RefreshTree(shown, fresh, recorder).Replaced);
    EXPECT_EQ(
        (std::vector<NodeId> { node("A"), node("A", "x"), node("Bz"), node("C"), node("C", "y") }), kept);
    EXPECT_NE(shown.Revision(), revision);
}

TEST(TreeRefreshTest, TheComparisonFindsTheSubtreesThatStayed)
{
    FolderTree const previous = Read({ "A\\x", "B\\y", "C" });
    FolderTree const fresh = Read({ "A\\x", "B\\yy", "C" });
    ReadDelta const delta = CompareReads(previous, 0, fresh);
    auto const unchanged = [&](std::string const& path) {
        NodeId node = fresh.Root();
        std::size_t start = 0;
        while (start < path.size()) {
            std::size_t const end = std::min(path.find('/', start), path.size());
            node = fresh.FindChildNode(node, path.substr(start, end - start));
            start = end + 1;
        }
        return static_cast<bool>(delta.Unchanged[static_cast<std::size_t>(node)]);
    };
    EXPECT_FALSE(unchanged(""));
    EXPECT_TRUE(unchanged("A"));
    EXPECT_TRUE(unchanged("A/x"));
    EXPECT_FALSE(unchanged("B"));
    EXPECT_FALSE(unchanged("B/yy"));
    EXPECT_TRUE(unchanged("C"));
    EXPECT_FALSE(delta.DataMoved);
}

TEST(TreeRefreshTest, ATreeCarryingManyRemovedNodesIsReplacedWhole)
{
    Lines lines;
    for (int folder = 0; folder < 5000; ++folder)
        lines.push_back("F" + std::to_string(folder));
    FolderTree shown = Read(lines);
    Recorder recorder(shown);
    FolderTree fresh = Read({ "A" });
    EXPECT_FALSE(RefreshTree(shown, fresh, recorder).Replaced);

    FolderTree again = Read({ "B" });
    EXPECT_TRUE(RefreshTree(shown, again, recorder).Replaced);
    EXPECT_EQ(recorder.Changes, (std::vector<std::string> { "remove @0+5000", "insert @0+1", "replace" }));
    ExpectSameTrees(shown, Read({ "B" }), "replaced");
}

} // namespace
} // namespace edamaki
