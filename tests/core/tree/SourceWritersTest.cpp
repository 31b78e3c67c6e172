#include "core/tree/SourceWriters.h"
#include "core/tree/TextSourceReader.h"
#include "tests/TreeDump.h"

#include <gtest/gtest.h>

#include <random>

namespace edamaki {
namespace {

using Lines = std::vector<std::string>;
using testing::Dump;

TEST(SourceWritersTest, WritesBothModes)
{
    FolderTree tree;
    LoadTextSource(tree, { "A\\B\\C", "D" });
    Lines text { "old" };
    MakeText(tree, text);
    EXPECT_EQ(text, (Lines { "A\\B\\C", "D" }));
    Lines script;
    MakeScript(tree, script);
    EXPECT_EQ(script, (Lines { "<?dezodedu-macro?>", "A", ">B", ">>C", "D" }));
}

TEST(SourceWritersTest, RootAloneAndNoTreeAtAll)
{
    FolderTree tree;
    Lines lines { "kept" };
    MakeScript(tree, lines); // before the first read: nothing happens
    EXPECT_EQ(lines, Lines { "kept" });

    LoadTextSource(tree, {});
    MakeText(tree, lines);
    EXPECT_TRUE(lines.empty());
    MakeScript(tree, lines);
    EXPECT_EQ(lines, Lines { "<?dezodedu-macro?>" });
}

TEST(SourceWritersTest, OnlyLeavesGetTextLines)
{
    FolderTree tree;
    LoadTextSource(tree, { "a\\b", "e" });
    tree.AppendChild(tree.Children(tree.Root()).front(), "", 0); // an empty name, as the add tag can make
    Lines lines;
    MakeText(tree, lines);
    EXPECT_EQ(lines, (Lines { "a\\b", "a\\", "e" }));
}

TEST(SourceWritersTest, NamesWithCommasAndBlanksSurviveTheRoundTrip)
{
    FolderTree tree;
    LoadTextSource(tree, { "a, b\\c d", "x\\y,z" });
    Lines lines;
    MakeText(tree, lines);
    FolderTree reread;
    LoadTextSource(reread, lines);
    EXPECT_EQ(Dump(reread), "a, b(c d),x(y,z)");
}

// The names a text line holds: what IsTextModeName takes reads back as it is.
TEST(SourceWritersTest, NamesATextLineHolds)
{
    struct Case {
        char const* Name;
        bool TopLevel;
        bool Holds;
    };
    std::vector<Case> const cases {
        { ";a", true, false },
        { ";a", false, true },
        { "a;", true, true },
        { " a", false, false },
        { "a ", true, false },
        { "a b", true, true },
        { "..", false, false },
        { "a:b", true, false },
        { "", false, false },
    };
    for (Case const& c : cases) {
        EXPECT_EQ(IsTextModeName(c.Name, c.TopLevel), c.Holds) << c.Name << c.TopLevel;
        if (!c.Holds)
            continue;
        FolderTree tree;
        LoadTextSource(tree, { "p" });
        NodeId const parent = c.TopLevel ? tree.Root() : tree.Children(tree.Root()).front();
        tree.AppendChild(parent, c.Name, 0);
        Lines lines;
        MakeText(tree, lines);
        FolderTree reread;
        LoadTextSource(reread, lines);
        EXPECT_EQ(Dump(reread), Dump(tree)) << c.Name;
    }
}

// Random trees of valid names, written as text and read back, give the same
// folders in the same order.
TEST(SourceWritersTest, TextRoundTripOfRandomTrees)
{
    std::mt19937 random(42);
    for (int round = 0; round < 200; ++round) {
        FolderTree tree;
        tree.BeginRead(false);
        std::vector<NodeId> nodes { tree.Root() };
        int const count = 1 + static_cast<int>(random() % 40);
        for (int index = 0; index < count; ++index) {
            NodeId const parent = nodes[random() % nodes.size()];
            std::string const name = "n" + std::to_string(random() % 6);
            if (tree.FindChildNode(parent, name) == NoNode)
                nodes.push_back(tree.AppendChild(parent, name, 0));
        }
        tree.EndRead();
        Lines lines;
        MakeText(tree, lines);
        FolderTree reread;
        LoadTextSource(reread, lines);
        ASSERT_EQ(Dump(reread), Dump(tree)) << round;
    }
}

TEST(SourceWritersTest, DeepTreesAreWrittenWithoutCrashing)
{
    auto chain = [](int depth) {
        FolderTree tree;
        tree.BeginRead(false);
        NodeId node = tree.Root();
        for (int level = 0; level < depth; ++level)
            node = tree.AppendChild(node, "d", 0);
        tree.EndRead();
        return tree;
    };
    Lines lines;
    FolderTree deep = chain(100000);
    MakeText(deep, lines);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines.front().size(), 100000u * 2 - 1);

    // The macro form repeats the depth markers on every line, so it grows with
    // the square of the depth; a smaller chain shows the same walk.
    FolderTree less_deep = chain(10000);
    MakeScript(less_deep, lines);
    ASSERT_EQ(lines.size(), 10001u);
    EXPECT_EQ(lines.back(), std::string(9999, '>') + "d");
}

} // namespace
} // namespace edamaki
