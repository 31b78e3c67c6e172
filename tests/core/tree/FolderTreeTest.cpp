#include "core/tree/FolderTree.h"
#include "tests/SjisLiteral.h"
#include "tests/TreeDump.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

using testing::Dump;
using testing::Sjis;

TEST(FolderTreeTest, RootPathKeepsOneTrailingSeparatorOfItsStyle)
{
    struct Case {
        std::string path;
        std::string caption;
        std::string root_path;
    };
    Case const cases[] = {
        { "C:\\Work", "ROOT [C:\\Work\\]", "C:\\Work\\" },
        { "C:\\Work\\", "ROOT [C:\\Work\\]", "C:\\Work\\" },
        { "C:", "ROOT [C:\\]", "C:\\" },
        { "\\\\server\\share", "ROOT [\\\\server\\share\\]", "\\\\server\\share\\" },
        { "/srv/data", "ROOT [/srv/data/]", "/srv/data/" },
        { "/", "ROOT [/]", "/" },
        // The last character is ソ, whose second byte is 0x5C: it still gets a "\".
        { Sjis("C:\\ソ"), Sjis("ROOT [C:\\ソ\\]"), Sjis("C:\\ソ\\") },
        { "", "<ROOT>", "" },
    };
    for (auto const& c : cases) {
        FolderTree tree;
        tree.BeginRead(false);
        tree.SetRootPath(c.path);
        EXPECT_EQ(tree.GetRootText(), c.caption) << c.path;
        EXPECT_EQ(tree.Name(tree.Root()), c.caption) << c.path;
        EXPECT_EQ(tree.GetRootPath(), c.root_path) << c.path;
    }
}

TEST(FolderTreeTest, RenamingTheRootCaptionLeavesTheParentFolder)
{
    FolderTree tree;
    tree.SetRootPath("C:\\Work");
    tree.BeginRead(false);
    EXPECT_EQ(tree.Name(tree.Root()), "ROOT [C:\\Work\\]");
    tree.Rename(tree.Root(), "something else");
    EXPECT_EQ(tree.GetRootPath(), "C:\\Work\\");
}

TEST(FolderTreeTest, NodePathsAndExactLookup)
{
    FolderTree tree;
    tree.BeginRead(false);
    NodeId const a = tree.AppendChild(tree.Root(), "A", 0);
    NodeId const b = tree.AppendChild(a, "B", 0);
    NodeId const c = tree.AppendChild(b, "C", 0);
    NodeId const empty = tree.AppendChild(a, "", 0);
    NodeId const under_empty = tree.AppendChild(empty, "x", 0);
    EXPECT_EQ(tree.GetNodePath(c), "A/B/C");
    EXPECT_EQ(tree.GetNodePath(a), "A");
    EXPECT_EQ(tree.GetNodePath(under_empty), "A//x");
    EXPECT_EQ(tree.GetNodePath(tree.Root()), "<ROOT>");
    EXPECT_EQ(tree.FindChildNode(tree.Root(), "A"), a);
    EXPECT_EQ(tree.FindChildNode(tree.Root(), "a"), NoNode);
    EXPECT_EQ(tree.FindChildNode(c, "anything"), NoNode);
}

// The lookup switches to an index once a folder has many children; it must
// keep returning the first child of a name through additions, renames and removals.
TEST(FolderTreeTest, LookupFindsTheFirstChildOfANameAtAnySize)
{
    for (int count : { 3, 8, 50 }) {
        FolderTree tree;
        tree.BeginRead(false);
        std::vector<NodeId> children;
        for (int index = 0; index < count; ++index)
            children.push_back(tree.AppendChild(tree.Root(), "n" + std::to_string(index), 0));
        NodeId const twin = tree.AppendChild(tree.Root(), "n1", 0);
        EXPECT_EQ(tree.FindChildNode(tree.Root(), "n1"), children[1]) << count;

        tree.RemoveNode(children[1]);
        EXPECT_EQ(tree.FindChildNode(tree.Root(), "n1"), twin) << count;

        tree.Rename(children[2], "n1");
        EXPECT_EQ(tree.FindChildNode(tree.Root(), "n1"), children[2]) << count;
        EXPECT_EQ(tree.FindChildNode(tree.Root(), "n2"), NoNode) << count;

        tree.Rename(children[2], "moved");
        EXPECT_EQ(tree.FindChildNode(tree.Root(), "n1"), twin) << count;
        EXPECT_EQ(tree.FindChildNode(tree.Root(), "moved"), children[2]) << count;
    }
}

TEST(FolderTreeTest, FindOrAppendChildReusesAndKeepsTheFirstDataValue)
{
    FolderTree tree;
    tree.BeginRead(true);
    NodeId const first = tree.FindOrAppendChild(tree.Root(), "a", 1);
    EXPECT_EQ(tree.Data(first), 1);
    EXPECT_EQ(tree.FindOrAppendChild(tree.Root(), "a", 2), first);
    EXPECT_EQ(tree.Data(first), 1);
}

TEST(FolderTreeTest, CopySubtreeAppendsCopiesInOrderWithDataValues)
{
    FolderTree tree;
    tree.BeginRead(true);
    NodeId const source = tree.AppendChild(tree.Root(), "s", 0);
    NodeId const x = tree.AppendChild(source, "x", 4);
    tree.AppendChild(x, "y", 5);
    tree.AppendChild(source, "z", 6);
    NodeId const target = tree.AppendChild(tree.Root(), "t", 0);
    tree.AppendChild(target, "x", 9);

    tree.CopySubtree(target, source);
    EXPECT_EQ(Dump(tree), "s(x(y),z),t(x,x(y),z)");
    auto const& copies = tree.Children(target);
    EXPECT_EQ(tree.Data(copies[1]), 4);
    EXPECT_EQ(tree.Data(tree.Children(copies[1])[0]), 5);
    EXPECT_EQ(tree.Data(copies[2]), 6);

    // Copying a folder into itself copies what it held before, once.
    tree.CopySubtree(source, source);
    EXPECT_EQ(Dump(tree), "s(x(y),z,x(y),z),t(x,x(y),z)");
}

TEST(FolderTreeTest, NamesOfEveryLengthAndTheCopiesThatShareThem)
{
    FolderTree tree;
    tree.BeginRead(true);
    NodeId const source = tree.AppendChild(tree.Root(), "s", 0);
    std::vector<std::string> names;
    // Lengths around the steps of the stored length, and a folder large
    // enough for its children's index.
    for (std::size_t const length : { 0, 1, 127, 128, 16383, 16384, 1 << 20 })
        names.push_back(std::string(length, 'n') + std::to_string(length));
    for (int index = 0; index < 20; ++index)
        names.push_back("m" + std::to_string(index));
    for (auto const& name : names)
        tree.AppendChild(source, name, 0);
    NodeId const target = tree.AppendChild(tree.Root(), "t", 0);
    tree.CopySubtree(target, source);

    for (auto const& name : names) {
        NodeId const original = tree.FindChildNode(source, name);
        NodeId const copy = tree.FindChildNode(target, name);
        ASSERT_NE(original, NoNode) << name.size();
        ASSERT_NE(copy, NoNode) << name.size();
        EXPECT_EQ(tree.Name(original), name);
        EXPECT_EQ(tree.Name(copy), name);
        // A rename changes the one folder, not the copy that shared its name.
        tree.Rename(original, name + "!");
        EXPECT_EQ(tree.Name(copy), name);
        EXPECT_EQ(tree.FindChildNode(source, name + "!"), original);
        EXPECT_EQ(tree.FindChildNode(source, name), NoNode);
    }
}

TEST(FolderTreeTest, RemovedNodesLeaveTheTreeButKeepTheirIds)
{
    FolderTree tree;
    tree.BeginRead(false);
    NodeId const a = tree.AppendChild(tree.Root(), "a", 0);
    NodeId const b = tree.AppendChild(a, "b", 0);
    NodeId const c = tree.AppendChild(tree.Root(), "c", 0);
    EXPECT_EQ(tree.NodeCount(), 4u);
    tree.RemoveNode(a);
    EXPECT_FALSE(tree.IsInTree(a));
    EXPECT_FALSE(tree.IsInTree(b));
    EXPECT_TRUE(tree.IsInTree(c));
    EXPECT_EQ(tree.Name(b), "b");
    EXPECT_EQ(tree.NodeCount(), 2u);
    EXPECT_EQ(Dump(tree), "c");
}

TEST(FolderTreeTest, TheFolderBudgetStopsAReadAndMarksTheTreeTruncated)
{
    FolderTree tree;
    tree.SetFolderBudget(3);
    tree.BeginRead(false);
    NodeId const a = tree.AppendChild(tree.Root(), "a", 0);
    tree.AppendChild(a, "b", 0);
    tree.AppendChild(a, "c", 0);
    EXPECT_FALSE(tree.IsTruncated());
    EXPECT_EQ(tree.AppendChild(a, "d", 0), NoNode);
    EXPECT_EQ(tree.ReadStopped(), (ReadStop { ReadLimit::Folders, 3 }));
    tree.CopySubtree(tree.Root(), a);
    EXPECT_EQ(Dump(tree), "a(b,c)");
    tree.EndRead();

    // Outside a read (edits in the tree pane) there is no budget; the next
    // read starts afresh.
    EXPECT_NE(tree.AppendChild(tree.Root(), "e", 0), NoNode);
    tree.BeginRead(false);
    EXPECT_FALSE(tree.IsTruncated());
}

// Placeholders and what lies below them are removed again by the read: they
// count only against the nodes one read may make in all.
TEST(FolderTreeTest, PlaceholdersCountOnlyAgainstTheNodesMadeInAll)
{
    FolderTree tree;
    tree.SetFolderBudget(4);
    tree.BeginRead(true);
    NodeId const placeholder = tree.AddPlaceholder(tree.Root(), "p<#1:1-2>", 0);
    EXPECT_EQ(tree.AddPlaceholder(tree.Root(), "p<#1:1-2>", 0), placeholder);
    NodeId const below = tree.AppendChild(placeholder, "x", 0);
    tree.AppendChild(below, "y", 0);
    tree.CopySubtree(tree.Root(), placeholder);
    EXPECT_EQ(tree.FolderCount(), 2u);
    tree.RemoveNode(tree.FindChildNode(tree.Root(), "x"));
    EXPECT_EQ(tree.FolderCount(), 0u);
    tree.CopySubtree(placeholder, placeholder);
    tree.AppendChild(tree.Root(), "a", 0);
    EXPECT_EQ(tree.FolderCount(), 1u);
    EXPECT_FALSE(tree.IsTruncated());

    // Eight nodes made (two per folder of budget): the ninth is refused.
    EXPECT_EQ(tree.AppendChild(placeholder, "z", 0), NoNode);
    EXPECT_EQ(tree.ReadStopped(), (ReadStop { ReadLimit::ExpansionWork, 8 }));
    tree.RemoveNode(placeholder);
    EXPECT_EQ(Dump(tree), "a");
    tree.EndRead();
}

TEST(FolderTreeTest, DeepTreesAreWalkedWithoutRecursion)
{
    FolderTree tree;
    tree.BeginRead(false);
    NodeId node = tree.Root();
    for (int depth = 0; depth < 200000; ++depth)
        node = tree.AppendChild(node, "d", 0);
    int visited = 0;
    tree.WalkDescendants(tree.Root(), [&](NodeId, int) { ++visited; });
    EXPECT_EQ(visited, 200000);
    tree.CopySubtree(tree.Root(), tree.Children(tree.Root()).front());
    EXPECT_EQ(tree.Children(tree.Root()).size(), 2u);
    tree.RemoveNode(tree.Children(tree.Root()).front());
    EXPECT_EQ(tree.NodeCount(), 200000u);
}

} // namespace
} // namespace edamaki
