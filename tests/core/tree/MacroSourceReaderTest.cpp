#include "core/tree/MacroSourceReader.h"

#include "core/tree/SourceWriters.h"
#include "tests/SjisLiteral.h"
#include "tests/TreeDump.h"
#include <atomic>

#include <gtest/gtest.h>

#include <random>
#include <span>

namespace edamaki {
namespace {

using Lines = std::vector<std::string>;
using testing::Dump;
using testing::Sjis;

// Every folder as its depth and name, in tree order.
std::vector<std::pair<int, std::string>> Shape(FolderTree const& tree)
{
    std::vector<std::pair<int, std::string>> shape;
    tree.WalkDescendants(
        tree.Root(), [&](NodeId node, int depth) { shape.emplace_back(depth, tree.Name(node)); });
    return shape;
}

constexpr char const* Header = "<?dezodedu-macro?>";

struct ReadCase {
    char const* title;
    Lines lines; // after the header
    std::string tree;
    std::string root_path = "";
};

// Each case's lines, after the header, read into the tree it names.
void ExpectTrees(std::span<ReadCase const> cases)
{
    for (auto const& c : cases) {
        FolderTree tree;
        Lines lines { Header };
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        LoadMacroSource(tree, lines);
        EXPECT_EQ(Dump(tree), c.tree) << c.title;
    }
}

TEST(MacroSourceReaderTest, Lines)
{
    ReadCase const cases[] = {
        { "example", { "C:\\Work", "; projects", "Project<#2:1-3>", ">src", ">doc", "Archive" },
            "Project01(src,doc),Project02(src,doc),Project03(src,doc),Archive", "C:\\Work\\" },
        { "level capped", { "a", ">>>b" }, "a(b)" },
        { "first line at level 1", { ">>a", ">>b" }, "a(b)" },
        { "levels up", { "a", ">b", ">>c", "d" }, "a(b(c)),d" },
        { "several levels up", { "a", ">b", ">>c", ">>>d", ">e" }, "a(b(c(d)),e)" },
        { "invalid line moves its nested lines up", { "a", ">x?y", ">>c" }, "a(c)" },
        { "siblings under an invalid line stay siblings", { "a", ">x?y", ">>c", ">>d", ">e" }, "a(c,d,e)" },
        { "reused name", { "a", "a", ">b" }, "a(b)" },
        { "reused name at depth", { "a", ">b", ">>x", "c", "a", ">b", ">>y" }, "a(b(x,y)),c" },
        { "no names", { "..", ">..", ">C:", ".", ">   " }, "" },
        { "ignored lines keep no level", { "a", "..", ">b" }, "a(b)" },
        { "blanks after markers", { "a", ">   b", ">\t c" }, "a(b,c)" },
        { "markers must stand together", { "a", "> >b" }, "a" },
        { "blanks around a line", { "  a  ", "\t>b\t" }, "a(b)" },
        { "comments", { ";a", "  ; b", ">;c" }, ";c" },
        { "drive cut from a folder line", { "x", "C:abc", ">D:def" }, "x,abc(def)" },
        { "drive line at line 3", { "a", "C:\\x" }, "a" },
        { "parent folder line", { "C:\\Work", "a" }, "a", "C:\\Work\\" },
        { "parent folder line alone", { "C:" }, "", "C:\\" },
        { "posix parent folder line", { "/srv/data", "a" }, "a", "/srv/data/" },
        { "invalid parent folder line", { "C:\\a|b", "a" }, "a" },
        { "network parent folder", { "\\\\server\\share", "a" }, "a", "\\\\server\\share\\" },
        { "parent folder line only on line 2", { "a", "C:\\Work" }, "a" },
        { "comment before the drive line", { "; c", "C:\\Work" }, "" },
        { "case", { "A", "a" }, "A,a" },
        { "first character after < is not a tag character", { "a<b>", "a>b<#1:1-2>", "ok" }, "ok" },
        { "second bytes are not separators", { Sjis("ソ"), Sjis(">表") }, Sjis("ソ(表)") },
        // Found by fuzzing: a "<" byte after a lead byte is no tag and no invalid character.
        { "second byte <", { "\x90<x" }, "\x90<x" },
        { "header alone", {}, "" },
    };
    for (auto const& c : cases) {
        FolderTree tree;
        SourceMap map;
        Lines lines { Header };
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        LoadMacroSource(tree, map, lines);
        EXPECT_EQ(Dump(tree), c.tree) << c.title;
        EXPECT_EQ(tree.GetRootPath(), c.root_path) << c.title;
        EXPECT_TRUE(map.IsMacro());
        EXPECT_FALSE(tree.IsTruncated());
    }
}

TEST(MacroSourceReaderTest, TheHeaderLineIsSkippedWhateverItHolds)
{
    FolderTree tree;
    LoadMacroSource(tree, { "a", "b" });
    EXPECT_EQ(Dump(tree), "b");
}

TEST(MacroSourceReaderTest, TagBlocks)
{
    ReadCase const cases[] = {
        { "nested tag expands first", { "<#1:1-2>", "><@1:A-B>", ">>x" }, "1(A(x),B(x)),2(A(x),B(x))" },
        { "block ends at the same level", { "<#1:1-2>", ">x", "y", ">z" }, "1(x),2(x),y(z)" },
        { "block ends at a lower level", { "a", "><#1:1-2>", ">>x", "b" }, "a(1(x),2(x)),b" },
        { "lines after the block go beside the generated folders", { "a", "><$:p,q>", ">>x", ">r" },
            "a(p(x),q(x),r)" },
        { "tag under an invalid line", { "a", ">x?y", ">><$:p,q>", ">>>x", ">>c" }, "a(p(x),q(x),c)" },
        { "a tag line sees the lines above it", { "a", "<+:a/b>", "<-:a/b>" }, "a" },
        { "a tag line never sees the lines below it", { "<-:a>", "a" }, "a" },
        { "tree pane lines replay in order", { "a", "<+:a/b>", "<r:a/b,c>", "<+:a/c/d>" }, "a(c(d))" },
        { "two tags with the same text", { "<$:p>", "<$:p>", ">x" }, "p(x)" },
    };
    ExpectTrees(cases);
}

TEST(MacroSourceReaderTest, DeletedFoldersResetTheCurrentFolder)
{
    ReadCase const cases[] = {
        // The tag deletes the folder that holds its own line: the lines after
        // it go to the top level, and keep their nesting among themselves.
        { "own folder deleted", { "a", "><-:a>", ">x", ">>y", ">z" }, "x(y),z" },
        { "folder of another pending tag deleted", { "a", "><#1:1-2>", ">><-:a>", ">>>n", "b" }, "b" },
        // A rename to an empty name also resets the current folder.
        { "current folder renamed to empty", { "a", "><r:a,>", ">b" }, ",b" },
        { "nested lines under a delete", { "a", "<-:a>", ">x" }, "x" },
    };
    ExpectTrees(cases);
}

// A click in the tree pane selects the line that made the node: the source
// map records every line that is not ignored, in Shift-JIS bytes with each line
// break counted as two.
TEST(MacroSourceReaderTest, TheMapRecordsTheLinesThatMadeEachNode)
{
    Lines const lines {
        Header,                      // 0, 18 + 2
        "C:\\Work",                  // 20, 7 + 2: parent folder line, no record
        "; c",                       // 29, 3 + 2: comment, no record
        "Project<#2:1-2>",           // 34, 15 + 2: record 0
        ">src",                      // 51, 4 + 2: record 1
        "  >" + Sjis("資料") + "  ", // 57, 9 bytes + 2: record 2
        "",                          // 68, 0 + 2: no record
        "..",                        // 70, 2 + 2: no record
        "Archive",                   // 74, 7 + 2: record 3
    };
    FolderTree tree;
    SourceMap map;
    LoadMacroSource(tree, map, lines);
    ASSERT_EQ(Dump(tree), "Project01(src," + Sjis("資料") + "),Project02(src," + Sjis("資料") + "),Archive");
    ASSERT_EQ(map.LineCount(), 4u);
    EXPECT_EQ(map.Find(0), (LineRange { 34, 17 }));
    EXPECT_EQ(map.Find(1), (LineRange { 51, 6 }));
    EXPECT_EQ(map.Find(2), (LineRange { 57, 11 }));
    EXPECT_EQ(map.Find(3), (LineRange { 74, 9 }));
    EXPECT_EQ(map.Find(4), std::nullopt);
    EXPECT_EQ(map.Find(-1), std::nullopt);

    // Generated folders name the tag line, copied folders their own lines.
    auto const& top = tree.Children(tree.Root());
    EXPECT_EQ(tree.Data(top[0]), 0);
    EXPECT_EQ(tree.Data(top[1]), 0);
    EXPECT_EQ(tree.Data(tree.Children(top[1])[0]), 1);
    EXPECT_EQ(tree.Data(tree.Children(top[1])[1]), 2);
    EXPECT_EQ(tree.Data(top[2]), 3);
}

TEST(MacroSourceReaderTest, DataValuesOfTreeTagsAndReusedFolders)
{
    FolderTree tree;
    // Records: 0 a, 1 >b, 2 a (reused: keeps 0), 3 >c, 4 the add tag, 5 the rename tag.
    LoadMacroSource(tree, { Header, "a", ">b", "a", ">c", "<+:a/b/d>", "<r:a/c,e>" });
    ASSERT_EQ(Dump(tree), "a(b(d),e)");
    NodeId const a = tree.Children(tree.Root())[0];
    NodeId const b = tree.Children(a)[0];
    EXPECT_EQ(tree.Data(a), 0);
    EXPECT_EQ(tree.Data(b), 1);
    EXPECT_EQ(tree.Data(tree.Children(b)[0]), 4);
    EXPECT_EQ(tree.Data(tree.Children(a)[1]), 5);
}

// A read on a thread of its own is called off when its window closes: it
// stops within a few thousand nodes instead of expanding the whole source.
TEST(MacroSourceReaderTest, ACalledOffReadStopsSoon)
{
    std::atomic<bool> cancel { true };
    FolderTree tree;
    tree.SetCancelSignal(&cancel);
    LoadMacroSource(tree, { Header, "a<#1:1-200000>" });
    ASSERT_TRUE(tree.IsTruncated());
    EXPECT_EQ(tree.ReadStopped()->Limit, ReadLimit::Cancelled);
    EXPECT_LT(tree.NodeCount(), 10'000u);

    cancel = false;
    LoadMacroSource(tree, { Header, "a<#1:1-200000>" });
    EXPECT_FALSE(tree.IsTruncated());
    EXPECT_EQ(tree.FolderCount(), 200'000u);
}

TEST(MacroSourceReaderTest, EveryReadMapsItsLinesAfresh)
{
    FolderTree tree;
    SourceMap map;
    LoadMacroSource(tree, map, { Header, "a", "b" });
    EXPECT_EQ(map.LineCount(), 2u);
    LoadMacroSource(tree, map, {});
    EXPECT_EQ(map.LineCount(), 0u);
    EXPECT_EQ(Dump(tree), "");
}

TEST(MacroSourceReaderTest, ParentFolderSurvivesReads)
{
    FolderTree tree;
    LoadMacroSource(tree, { Header, "C:\\Work", "a" });
    LoadMacroSource(tree, { Header, "a" });
    EXPECT_EQ(tree.GetRootPath(), "C:\\Work\\");
    LoadMacroSource(tree, { Header, "C:\\a*b" });
    EXPECT_EQ(tree.GetRootPath(), "");
}

// Sources that once hurt readers: they must read quickly, without
// recursion that grows with them.
TEST(MacroSourceReaderTest, LargeAndDeepSourcesRead)
{
    FolderTree tree;

    Lines deep { Header };
    for (int level = 0; level < 10'000; ++level)
        deep.push_back(std::string(static_cast<std::size_t>(level), '>') + "d");
    LoadMacroSource(tree, deep);
    EXPECT_EQ(tree.NodeCount(), 10'001u);
    Lines written;
    MakeScript(tree, written);
    EXPECT_EQ(written, deep);

    // Nested tag lines: each copies everything below it, so the nodes made in
    // all end it.
    Lines deep_tags { Header };
    for (int level = 0; level < 3'000; ++level)
        deep_tags.push_back(std::string(static_cast<std::size_t>(level), '>') + "<$:t>");
    LoadMacroSource(tree, deep_tags);
    ASSERT_TRUE(tree.IsTruncated());
    EXPECT_EQ(tree.ReadStopped()->Limit, ReadLimit::ExpansionWork);
    EXPECT_EQ(Dump(tree).find('<'), std::string::npos);

    // A megabyte line, and a suffix tag without ">".
    std::string list = "<$:";
    for (int index = 0; index < 100'000; ++index)
        list += "item" + std::to_string(index) + ",";
    list += "last>";
    LoadMacroSource(tree, { Header, list, std::string(1 << 20, 'x') + "<#1:1-9", "<#1:1-2147483647>x<y" });
    EXPECT_FALSE(tree.IsTruncated());
    EXPECT_EQ(tree.NodeCount(), 100'002u);
}

// The reader removes every tag placeholder from a folder that may hold
// thousands of children; lookups by name must stay right afterwards.
TEST(MacroSourceReaderTest, RemovingChildrenKeepsLookupsRight)
{
    std::mt19937 random(7);
    FolderTree tree;
    tree.BeginRead(true);
    NodeId const root = tree.Root();
    for (int step = 0; step < 20'000; ++step) {
        auto const& children = tree.Children(root);
        std::string const name = "n" + std::to_string(random() % 300);
        if (children.size() > 10 && random() % 2 == 0)
            tree.RemoveNode(children[random() % children.size()]);
        else
            tree.AppendChild(root, name, 0); // duplicates on purpose
        if (step % 97 != 0)
            continue;
        for (int probe = 0; probe < 300; ++probe) {
            std::string const wanted = "n" + std::to_string(probe);
            NodeId first = NoNode;
            for (NodeId const child : tree.Children(root)) {
                if (tree.Name(child) == wanted) {
                    first = child;
                    break;
                }
            }
            ASSERT_EQ(tree.FindChildNode(root, wanted), first) << wanted << " at step " << step;
        }
    }
    tree.EndRead();
}

// Any tree whose names a reader can read back is written by MakeScript and read
// back by LoadMacroSource as the same folders in the same order.
TEST(MacroSourceReaderTest, WrittenTreesReadBackTheSame)
{
    std::mt19937 random(20240613);
    std::vector<std::string> const characters {
        "a",
        "Z",
        "0",
        "9",
        " ",
        ",",
        ".",
        ";",
        "%",
        "#",
        "@",
        "$",
        "-",
        "+",
        "r",
        "(",
        "'",
        "~",
        "\x7F",
        "\xB1", // a control character and a half-width katakana
        Sjis("ソ"),
        Sjis("表"),
        Sjis("ポ"),
        Sjis("能"),
        Sjis("予"),
        Sjis("＜"),
        Sjis("＞"),
    };
    auto pick
        = [&](std::size_t count) { return std::uniform_int_distribution<std::size_t>(0, count - 1)(random); };
    auto make_name = [&](bool top_level) {
        for (;;) {
            std::string name;
            std::size_t const length = 1 + pick(6);
            for (std::size_t index = 0; index < length; ++index)
                name += characters[pick(characters.size())];
            // Readers trim blanks at both ends and read a top-level ";" as a comment.
            bool const trimmed = static_cast<unsigned char>(name.front()) <= 32
                || static_cast<unsigned char>(name.back()) <= 32;
            if (!trimmed && name != "." && name != ".." && !(top_level && name.front() == ';'))
                return name;
        }
    };

    for (int round = 0; round < 300; ++round) {
        FolderTree tree;
        tree.BeginRead(true);
        std::vector<NodeId> nodes { tree.Root() };
        std::size_t const size = 1 + pick(60);
        for (std::size_t index = 0; index < size; ++index) {
            // Mostly deeper than the last node, sometimes anywhere.
            NodeId const parent = pick(3) == 0 ? nodes[pick(nodes.size())] : nodes.back();
            std::string const name = make_name(parent == tree.Root());
            if (tree.FindChildNode(parent, name) == NoNode)
                nodes.push_back(tree.AppendChild(parent, name, 0));
        }
        tree.EndRead();
        auto const expected = Shape(tree);

        Lines script;
        MakeScript(tree, script);
        FolderTree read_back;
        LoadMacroSource(read_back, script);
        ASSERT_EQ(Shape(read_back), expected) << "round " << round;
    }
}

} // namespace
} // namespace edamaki
