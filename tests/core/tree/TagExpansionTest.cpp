#include "core/tree/TagExpansion.h"
#include "core/tree/MacroSourceReader.h"
#include "tests/SjisLiteral.h"
#include "tests/TreeDump.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

using Lines = std::vector<std::string>;
using testing::Dump;
using testing::Sjis;

// Reads the macro header followed by `lines`.
std::string ReadMacro(Lines lines, FolderTree& tree)
{
    lines.insert(lines.begin(), "<?dezodedu-macro?>");
    LoadMacroSource(tree, lines);
    return Dump(tree);
}

std::string ReadMacro(Lines lines)
{
    FolderTree tree;
    return ReadMacro(std::move(lines), tree);
}

struct LineCase {
    std::string line;
    std::string tree;
};

void ExpectLines(LineCase const* begin, LineCase const* end, Lines const& nested = {})
{
    for (auto const* c = begin; c != end; ++c) {
        Lines lines { c->line };
        lines.insert(lines.end(), nested.begin(), nested.end());
        EXPECT_EQ(ReadMacro(lines), c->tree) << c->line;
    }
}

TEST(TagExpansionTest, NumericSequence)
{
    LineCase const cases[] = {
        { "<#3:1-12,5>", "001,006,011" },
        { "<#2:100-102>", "100,101,102" },
        { "<#1:0-0>", "0" },
        { "<#1:3-1>", "" },
        { "<#1:5-3>", "" },
        { "<#1:1-3,0>", "" },
        { "<#1:1-3,-1>", "" },
        { "<#1:1-3,>", "" },
        { "<#1:-1-3>", "" },
        { "<#:1-3>", "" },
        { "<#0:1-3>", "" },
        { "<#x:1-3>", "" },
        { "<#1:1>", "" },
        { "<#1:1-x>", "" },
        { "<#1:1-3,2,5>", "" },
        { "<#16:1-1>", "0000000000000001" },
        { "<#17:1-2>", "1,2" },
        { "<#20:1-1>", "1" },
        { "<# 2:1-3>", "01,02,03" },
        { "<#2: 1- 3>", "01,02,03" },
        { "<#2:1 -3>", "" },
        { "<#2:$A-$C>", "10,11,12" },
        { "<#$2:0x8-x9,$1>", "08,09" },
        { "x<#1:1-3>y", "x1y,x2y,x3y" },
        { "<#3:8-10>", "008,009,010" },
        { "50%<#1:1-2>", "50%1,50%2" },
        // A negative digit count pads nothing, like a count above 16.
        { "<#-2:1-3>", "1,2,3" },
        { "<#-2:9-10>", "9,10" },
        // The sequence ends at the largest 32-bit number, whatever the step.
        { "<#1:2147483640-2147483647,5>", "2147483640,2147483645" },
        { "<#1:2147483647-2147483647>", "2147483647" },
        { "<#1:2147483646-2147483647,2147483647>", "2147483646" },
        { "<#1:0-2147483648>", "" },
    };
    ExpectLines(std::begin(cases), std::end(cases));
}

TEST(TagExpansionTest, CharacterSequence)
{
    LineCase const cases[] = {
        { "<@3:x-z>", "xxx,yyy,zzz" },
        { "<@1:a-e,2>", "a,c,e" },
        { "<@1:0-9,4>", "0,4,8" },
        { "<@1:Y-Z,300>", "Y" },
        { "<@1:Y-Z,2147483647>", "Y" },
        { "<@1:Z-A>", "" },
        { "<@1:A-z>", "A,B,C,D,E,F,G,H,I,J,K,L,M,N,O,P,Q,R,S,T,U,V,W,X,Y,Z" },
        { "<@1:a-Z>", "a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r,s,t,u,v,w,x,y,z" },
        { "<@2:a-c>", "aa,bb,cc" },
        { "<@1:A-Z,5>", "A,F,K,P,U,Z" },
        { "<@1:A-9>", "" },
        { "<@1:1-A>", "" },
        { "<@1:AB-C>", "" },
        { "<@1:A-BC>", "" },
        { "<@1:A-C,>", "" },
        { "<@1:A-C,0>", "" },
        { "<@1:A_C>", "" },
        { "<@1:-A-C>", "" },
        { "<@0:A-C>", "" },
        { "<@:A-C>", "" },
        { "<@ 2:A-B>", "AA,BB" },
        { "x<@-1:A-C>", "x" },
        { "<@-1:A-C>", "" },
        { Sjis("<@1:ア-C>"), "" },
        { Sjis("<@1:A-ア>"), "" },
    };
    ExpectLines(std::begin(cases), std::end(cases));
}

TEST(TagExpansionTest, StringList)
{
    LineCase const cases[] = {
        { "<$:a,b?,c>", "a,c" },
        { "p_<$:a,b?,c>", "p_a,p_,p_c" },
        { "<$:>", "" },
        { "p<$:>", "p" },
        { "<$:red, green,,blue>", "red, green,blue" },
        { "p_<$:red, green,,blue>", "p_red,p_ green,p_,p_blue" },
        { "<$:a,.,..,...>", "a,..." },
        { "<$:a\"b,c>", "c" },
        { "<$:a b , c>", "a b , c" },
        { "<$;a,b>", "" },
        { Sjis("<$:ソ,表,能>"), Sjis("ソ,表,能") },
        { Sjis("<$:ソ,表>\\"), "" },
    };
    ExpectLines(std::begin(cases), std::end(cases));
    // Repeated items reuse the folder, and copy the nested lines into it again.
    EXPECT_EQ(ReadMacro({ "<$:a,b,a>", ">x" }), "a(x,x),b(x)");
}

TEST(TagExpansionTest, PrefixAndSuffixAreLiteral)
{
    LineCase const cases[] = {
        { "%d<#1:1-2>%s", "%d1%s,%d2%s" },
        { "a b <$:x>  c", "a b x  c" },
        { "<$:a>?", "" },
        { "?<$:a>", "" },
        { "<$:a>>", "" },
        { "a<b><$:x>", "" },
        { "<$:x>a<b>", "" },
        // A "<" without a later ">" in the suffix: no folders at all.
        { "<#1:1-3>x<y", "" },
        { "<#1:1-2147483647>x<y", "" },
    };
    ExpectLines(std::begin(cases), std::end(cases));
}

TEST(TagExpansionTest, SeveralTagsGiveEveryCombinationLeftmostSlowest)
{
    LineCase const cases[] = {
        { "a<#1:1-2>_<@1:X-Y>", "a1_X,a1_Y,a2_X,a2_Y" },
        { "<$:p,q><#1:1-2><$:x,y>", "p1x,p1y,p2x,p2y,q1x,q1y,q2x,q2y" },
        { "<#1:1-2><#1:0-0>", "10,20" },
        // "1" + "11" and "11" + "1" are the same name: one folder.
        { "<$:1,11><$:11,1>", "111,11,1111" },
        // A tag that generates nothing leaves nothing to combine.
        { "<#1:1-2><#0:1-2>", "" },
        { "<#1:1-2><@1:B-A>", "" },
    };
    ExpectLines(std::begin(cases), std::end(cases));
}

TEST(TagExpansionTest, NestedLinesAreCopiedIntoEveryGeneratedFolder)
{
    EXPECT_EQ(ReadMacro({ "<#1:1-2>", ">x", ">>y" }), "1(x(y)),2(x(y))");
    EXPECT_EQ(ReadMacro({ "<#1:1-2>", "><@1:A-B>" }), "1(A,B),2(A,B)");
    EXPECT_EQ(ReadMacro({ "<#1:1-2>", "><@1:A-B>", ">>z" }), "1(A(z),B(z)),2(A(z),B(z))");
    // A generated name that a sibling already has: the nested lines go into it
    // again, after what it holds.
    EXPECT_EQ(ReadMacro({ "2", ">x", "<#1:1-2>", ">x" }), "2(x,x),1(x)");
    // A generating tag that generates nothing drops its nested lines.
    EXPECT_EQ(ReadMacro({ "<#0:1-2>", ">x", "y" }), "y");
}

TEST(TagExpansionTest, AddTag)
{
    FolderTree tree;
    // Lines: 0 a, 1 >k, 2 the tag.
    EXPECT_EQ(ReadMacro({ "a", ">k", "<+:a/b/c>" }, tree), "a(k,b(c))");
    NodeId const a = tree.Children(tree.Root())[0];
    NodeId const b = tree.Children(a)[1];
    EXPECT_EQ(tree.Data(a), 0);
    EXPECT_EQ(tree.Data(b), 2);
    EXPECT_EQ(tree.Data(tree.Children(b)[0]), 2);

    // A skipped part: c goes into a, which then names the tag line.
    EXPECT_EQ(ReadMacro({ "a", "<+:a/x?y/c>" }, tree), "a(c)");
    EXPECT_EQ(tree.Data(tree.Children(tree.Root())[0]), 1);

    // A path whose every folder exists changes nothing.
    EXPECT_EQ(ReadMacro({ "a", ">b", "<+:a/b>" }, tree), "a(b)");
    NodeId const existing = tree.Children(tree.Children(tree.Root())[0])[0];
    EXPECT_EQ(tree.Data(existing), 1);

    // A skipped first part leaves the root node's data value alone.
    EXPECT_EQ(ReadMacro({ "<+:x?y/c>" }, tree), "c");
    EXPECT_EQ(tree.Data(tree.Root()), 0);

    LineCase const cases[] = {
        { "<+:/a>", "(a)" }, { "<+:a//b>", "a((b))" }, { "<+:a/b/>", "a(b)" }, { "<+:./..>", ".(..)" },
        { "<+:>", "" }, { "<+:a b/ c >", "a b( c )" }, { "x<+:a>y", "a" },
        { "<+;a>", "a" }, // the third character is not looked at
        { "<+:a>_<#1:1-3>", "a" }, { Sjis("<+ソ表/x>"), Sjis("表(x)") }, // positions count characters
    };
    ExpectLines(std::begin(cases), std::end(cases));
}

TEST(TagExpansionTest, DeleteTag)
{
    LineCase const cases[] = {
        { "<-:a/b>", "a(c),d" },
        { "<-:a>", "d" },
        { "<-:a/b/c>", "a(c),d" },
        { "<-:a/c/>", "a,d" },
        { "<-:a/x>", "a(c),d" },
        { "<-:>", "a(c),d" },
        { "<-:/a>", "a(c),d" },
        { "<-:A>", "a(c),d" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(ReadMacro({ "a", ">c", "d", c.line }), c.tree) << c.line;

    EXPECT_EQ(ReadMacro({ "<+:a/b>", "<-:a/b>" }), "a");
    // The delete acts before the lines below it are read.
    EXPECT_EQ(ReadMacro({ "<-:a/b>", "a", ">b" }), "a(b)");
}

TEST(TagExpansionTest, RenameTag)
{
    FolderTree tree;
    EXPECT_EQ(ReadMacro({ "a", ">b", "<r:a/b,c>" }, tree), "a(c)");
    EXPECT_EQ(tree.Data(tree.Children(tree.Children(tree.Root())[0])[0]), 2);

    LineCase const cases[] = {
        { "<r:a/b,c/d>", "a(b),b" },
        { "<r:a,b,c>", "b,c(b),b" },
        { "<r:a,b>", "b(b),b" }, // two siblings named b
        { "<r:a,>", "(b),b" },
        { "<r:a,..>", "..(b),b" },
        { "<r:,x>", "a(b),b" },
        { "<r:a>", "a(b),b" },
        { "<r:x,y>", "a(b),b" },
        { "<r:a/b/,z>", "a(z),b" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(ReadMacro({ "a", ">b", "b", c.line }), c.tree) << c.line;
}

TEST(TagExpansionTest, LinesNestedUnderTreeTagsGoToTheTopLevel)
{
    EXPECT_EQ(ReadMacro({ "a", "<+:a/b>", ">x", ">>y" }), "a(b),x(y)");
    EXPECT_EQ(ReadMacro({ "a", "<r:a,c>", ">x" }), "c,x");
    EXPECT_EQ(ReadMacro({ "a", "<-:a>", ">x" }), "x");
    // Each combination of the tags before the tree tag copies them again.
    EXPECT_EQ(ReadMacro({ "<#1:1-3><-:b>", ">x" }), "x,x,x");
    // An invalid tree tag still places them.
    EXPECT_EQ(ReadMacro({ "<-:nothing>", ">x" }), "x");
}

TEST(TagExpansionTest, ExpansionStopsWhenTheTagLineLeavesTheTree)
{
    // The first combination deletes the folder that holds the tag line: the
    // other values make nothing, and nothing nested is copied.
    EXPECT_EQ(ReadMacro({ "a", "><#1:1-3><-:a>", ">>x", "b" }), "b");
    // A delete that removes the folder holding another pending tag line: that
    // tag line is dropped without expansion.
    EXPECT_EQ(ReadMacro({ "a", "><$:p>", ">><-:a>", ">>>x", "b" }), "b");
}

TEST(TagExpansionTest, FunctionsCalledOnTheirOwn)
{
    FolderTree tree;
    tree.BeginRead(true);
    NodeId const root = tree.Root();
    NodeId const tag_node = tree.AppendChild(root, "<tag>", 1);
    tree.AppendChild(tag_node, "n", 0);
    TagExpansion expansion(tree);

    expansion.ExpandNumberTag(tag_node, "<#2:1-2>", "p", "<$:x,y>");
    expansion.ExpandCharTag(tag_node, "<@1:a-b>", "", "!");
    expansion.ExpandListTag(tag_node, "<$:u,v?>", "w", "");
    expansion.ExpandTag(tag_node, "pre", "<#1:7-7>post");
    expansion.ExpandName(tag_node, "plain");
    expansion.ExpandName(tag_node, "in?valid");
    expansion.ExpandTag(tag_node, "", "<q:1>");
    tree.RemoveNode(tag_node);
    EXPECT_EQ(Dump(tree), "p01x(n),p01y(n),p02x(n),p02y(n),a!(n),b!(n),wu(n),w(n),pre7post(n),plain(n)");
    for (NodeId const folder : tree.Children(root))
        EXPECT_EQ(tree.Data(folder), 1);

    // The tree tags alone do not copy what is nested under the tag node.
    NodeId const second = tree.AppendChild(root, "<tag>", 1);
    tree.AppendChild(second, "n", 0);
    expansion.ApplyAddTag(second, "<+:plain/new>");
    expansion.ApplyRenameTag(second, "<r:pre7post,renamed>");
    expansion.ApplyDeleteTag("<-:a!>");
    tree.RemoveNode(second);
    EXPECT_EQ(Dump(tree), "p01x(n),p01y(n),p02x(n),p02y(n),b!(n),wu(n),w(n),renamed(n),plain(n,new)");
    tree.EndRead();
}

// Tag lines nested one in the other, each a list of one item: a chain of
// `length` folders, each expansion copying the chain below it.
Lines ChainOfSingleItems(std::size_t length)
{
    Lines lines;
    for (std::size_t level = 0; level < length; ++level)
        lines.push_back(std::string(level, '>') + "<$:a>");
    return lines;
}

// The limits that keep a read alive: the folders of the tree, the nodes made
// in all, the names generated and their bytes. A stopped read names its limit
// and shows no tag placeholders.
TEST(TagExpansionTest, LimitsStopTheExpansionAndNameTheLimit)
{
    struct Case {
        char const* title;
        Lines lines;
        std::size_t budget;
        std::optional<ReadStop> stop;
    };
    using enum ReadLimit;
    std::string const thousands_of_tags = [] {
        std::string line;
        for (int index = 0; index < 3000; ++index)
            line += "<#1:1-2>";
        return line;
    }();
    std::string const thousands_of_single_values = [] {
        std::string line;
        for (int index = 0; index < 3000; ++index)
            line += "<$:a>";
        return line;
    }();
    Case const cases[] = {
        { "folders", { "<#1:0-2147483647>" }, 50, ReadStop { Folders, 50 } },
        { "folders of nested copies", { "<#1:1-10>", ">x", ">y", ">z" }, 30, ReadStop { Folders, 30 } },
        { "within the budget", { "<#1:1-9>" }, 10, std::nullopt },
        { "exactly the budget, copies made and removed aside", { "<#1:1-10>", "><#1:1-99>" }, 1000,
            std::nullopt },
        { "one folder past the budget", { "<#1:1-10>", "><#1:1-99>", "z" }, 1000,
            ReadStop { Folders, 1000 } },
        { "a chain copied again at every level", ChainOfSingleItems(100), 1000,
            ReadStop { ExpansionWork, 2000 } },
        { "empty names", { "<$:" + std::string(20, ',') + ">" }, 3, ReadStop { GeneratedNames, 12 } },
        { "names that make no folder", { "<@-1:A-Z><@-1:A-Z><@-1:A-Z><@-1:A-Z><@-1:A-Z>x" }, 1000,
            ReadStop { GeneratedNames, 4000 } },
        { "repeats of a tree tag copying nested lines", { "<#1:1-2147483647><+:a>", ">x" }, 1000,
            ReadStop { Folders, 1000 } },
        { "one long name", { "<$:" + std::string(30000, 'a') + ">" }, 100, ReadStop { NameBytes, 25'600 } },
        { "long names", { "<#1:1-1000>" + std::string(1000, 'a') }, 1000, ReadStop { NameBytes, 256'000 } },
        { "thousands of tags", { thousands_of_tags }, 10'000, ReadStop { NameBytes, 2'560'000 } },
        { "thousands of single values", { thousands_of_single_values }, 1'000'000, std::nullopt },
    };
    for (auto const& c : cases) {
        FolderTree tree;
        tree.SetFolderBudget(c.budget);
        std::string const dump = ReadMacro(c.lines, tree);
        EXPECT_EQ(tree.ReadStopped(), c.stop) << c.title;
        EXPECT_EQ(dump.find('<'), std::string::npos) << c.title;
        EXPECT_LE(tree.NodeCount(), c.budget + 1) << c.title;
    }
}

// The folder budget counts the folders of the finished tree, at its default.
TEST(TagExpansionTest, SourcesOfAtMostTheFolderBudgetAreRead)
{
    struct Case {
        char const* title;
        Lines lines;
        std::size_t folders;
        bool truncated;
    };
    Case const cases[] = {
        { "1000 + 1000 * 999 folders", { "<#1:1-1000>", "><#1:1-999>" }, 1'000'000, false },
        { "one more", { "<#1:1-1000>", "><#1:1-999>", "z" }, 1'000'000, true },
        { "a chain of 1500 single items", ChainOfSingleItems(1500), 1500, false },
    };
    for (auto const& c : cases) {
        FolderTree tree;
        ReadMacro(c.lines, tree);
        EXPECT_EQ(tree.IsTruncated(), c.truncated) << c.title;
        EXPECT_EQ(tree.FolderCount(), c.folders) << c.title;
        EXPECT_EQ(tree.NodeCount(), c.folders + 1) << c.title;
    }
}

TEST(TagExpansionTest, RepeatsThatChangeNothingEndEarly)
{
    // Without nested lines, a tree tag that changed nothing would change
    // nothing for the other combinations either: no truncation.
    FolderTree tree;
    tree.SetFolderBudget(100);
    EXPECT_EQ(ReadMacro({ "<#1:0-2147483647><+:a/b>" }, tree), "a(b)");
    EXPECT_FALSE(tree.IsTruncated());
    EXPECT_EQ(ReadMacro({ "a", "a", "<#1:0-2147483647><r:a,b>" }, tree), "b");
    EXPECT_FALSE(tree.IsTruncated());
    // Literal texts that no name may hold: nothing to count through.
    EXPECT_EQ(ReadMacro({ "<#1:0-2147483647>?" }, tree), "");
    EXPECT_FALSE(tree.IsTruncated());
}

} // namespace
} // namespace edamaki
