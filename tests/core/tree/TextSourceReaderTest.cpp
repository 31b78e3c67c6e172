#include "core/tree/TextSourceReader.h"
#include "tests/SjisLiteral.h"
#include "tests/TreeDump.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

using Lines = std::vector<std::string>;
using testing::Dump;
using testing::Sjis;

struct ReadCase {
    char const* title;
    Lines lines;
    std::string tree;
    std::string root_path;
};

TEST(TextSourceReaderTest, Lines)
{
    ReadCase const cases[] = {
        { "parent folder line", { "C:\\Work", "a\\b", "a\\c" }, "a(b,c)", "C:\\Work\\" },
        { "comment first: drive line is a folder line", { ";note", "C:\\Work" }, "Work", "" },
        { "invalid parent folder", { "C:\\a|b" }, "", "" },
        { "drive alone", { "C:" }, "", "C:\\" },
        { "posix parent folder", { "/srv/data", "x" }, "x", "/srv/data/" },
        { "invalid posix parent folder", { "/srv/a*b", "x" }, "x", "" },
        { "posix path on a later line adds nothing", { "x", "/a" }, "x", "" },
        { "empty part", { "a\\\\b" }, "a(b)", "" },
        { "leading and trailing separators", { "\\a\\b\\" }, "a(b)", "" },
        { "dot", { "a\\.\\b" }, "a(b)", "" },
        { "dot dot", { "a\\..\\b" }, "a(b)", "" },
        { "invalid part found again", { "a\\b", "a\\x?y\\b" }, "a(b)", "" },
        { "invalid part skipped", { "a\\b", "a\\x?y\\c" }, "a(b,c)", "" },
        { "inner blanks", { "a b\\ c" }, "a b( c)", "" },
        { "blank part", { "a\\   \\b" }, "a(   (b))", "" },
        { "comma", { "a,b\\c" }, "a,b(c)", "" },
        { "case", { "A\\x", "a\\y" }, "A(x),a(y)", "" },
        { "later drive", { "x", "D:x\\y" }, "x(y)", "" },
        { "later network path", { "x", "\\\\server\\share\\x" }, "x,server(share(x))", "" },
        { "blank lines", { " \t ", "\ta\t", "   ;c" }, "a", "" },
        { "first occurrence order", { "b\\y", "a", "b\\x", "a\\z" }, "b(y,x),a(z)", "" },
        { "double quote splits at backslash alone", { "a\\b\"c\\d", "\"e\\f" }, "a(d),f", "" },
        { "second bytes are not separators", { Sjis("ソ\\表") }, Sjis("ソ(表)"), "" },
        { "empty source", {}, "", "" },
        { "lines sharing their start", { "a\\b\\c", "a\\b\\d", "a\\e", "a\\b\\c\\f", "a\\b" },
            "a(b(c(f),d),e)", "" },
        { "a shared start that skips a part", { "a\\x?y\\b", "a\\x?y\\c", "a\\..\\c" }, "a(b,c)", "" },
        { "a shared start after a drive", { "x", "D:a\\b", "a\\c", "E:a\\c" }, "x,a(b,c)", "" },
    };
    for (auto const& c : cases) {
        FolderTree tree;
        LoadTextSource(tree, c.lines);
        EXPECT_EQ(Dump(tree), c.tree) << c.title;
        EXPECT_EQ(tree.GetRootPath(), c.root_path) << c.title;
    }
}

TEST(TextSourceReaderTest, PartsLeftOutForTheirNamesAreNotedWhereTheLineStood)
{
    struct Case {
        char const* title;
        Lines lines;
        std::vector<std::string> noted; // line: folder above / part
    };
    Case const cases[] = {
        { "invalid character", { "C:\\w", "x\\a:b\\y" }, { "1:x/a:b" } },
        { "first part", { "a?b\\c" }, { "0:/a?b" } },
        { "dot names, not empty parts", { "a\\.\\b\\..\\\\c\\" }, { "0:a/.", "0:a/b/.." } },
        { "a shared start", { "a\\b", "a\\b\\*" }, { "1:a/b/*" } },
        { "nothing left out", { "a\\b", ";x:y" }, {} },
    };
    for (auto const& c : cases) {
        FolderTree tree;
        LoadTextSource(tree, c.lines);
        std::vector<std::string> noted;
        for (LeftOutPart const& part : tree.LeftOutParts()) {
            std::string folder;
            for (std::string const& name : part.Folder)
                folder += (folder.empty() ? "" : "/") + name;
            noted.push_back(std::to_string(part.Line) + ":" + folder + "/" + part.Part);
        }
        EXPECT_EQ(noted, c.noted) << c.title;
    }
}

TEST(TextSourceReaderTest, ParentFolderSurvivesReadsAndAnInvalidOneForgetsIt)
{
    FolderTree tree;
    LoadTextSource(tree, { "C:\\Work", "a" });
    LoadTextSource(tree, { "a" });
    EXPECT_EQ(tree.GetRootPath(), "C:\\Work\\");
    EXPECT_EQ(tree.Name(tree.Root()), "ROOT [C:\\Work\\]");
    LoadTextSource(tree, { "C:\\a<b" });
    EXPECT_EQ(tree.GetRootPath(), "");
}

TEST(TextSourceReaderTest, ManyFoldersUnderOneParentAndDeepPaths)
{
    Lines lines;
    for (int index = 0; index < 20000; ++index)
        lines.push_back("top\\" + std::to_string(index));
    std::string deep = "d";
    for (int depth = 0; depth < 50000; ++depth)
        deep += "\\d";
    lines.push_back(deep);
    FolderTree tree;
    LoadTextSource(tree, lines);
    EXPECT_EQ(tree.Children(tree.Children(tree.Root()).front()).size(), 20000u);
    EXPECT_EQ(tree.NodeCount(), 1u + 1 + 20000 + 50001);
}

TEST(TextSourceReaderTest, BudgetStopsTheRead)
{
    FolderTree tree;
    tree.SetFolderBudget(2);
    LoadTextSource(tree, { "a\\b\\c", "d" });
    EXPECT_TRUE(tree.IsTruncated());
    EXPECT_EQ(Dump(tree), "a(b)");
}

} // namespace
} // namespace edamaki
