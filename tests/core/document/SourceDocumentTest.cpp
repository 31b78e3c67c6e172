#include "core/document/SourceDocument.h"
#include "tests/TreeDump.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

using Lines = std::vector<std::string>;

TEST(SourceDocumentTest, ModeComesFromTheTrimmedFirstLine)
{
    EXPECT_EQ(DetectSourceMode({}), SourceMode::Text);
    EXPECT_EQ(DetectSourceMode({ "<?dezodedu-macro?>" }), SourceMode::Macro);
    EXPECT_EQ(DetectSourceMode({ " \t<?dezodedu-macro?>\t " }), SourceMode::Macro);
    EXPECT_EQ(DetectSourceMode({ "<?DEZODEDU-MACRO?>" }), SourceMode::Text);
    EXPECT_EQ(DetectSourceMode({ "", "<?dezodedu-macro?>" }), SourceMode::Text);
}

TEST(SourceDocumentTest, ParentFolderLineTest)
{
    for (char const* line : { "C:\\work", "C:", "x:y", "\\\\server\\share", "/srv" })
        EXPECT_TRUE(IsParentFolderLine(line)) << line;
    for (char const* line : { "", "C", "\\a", "ab:", " C:\\x" })
        EXPECT_FALSE(IsParentFolderLine(line)) << line;
}

TEST(SourceDocumentTest, TheParentFolderLineStandsWhereTheModeSays)
{
    struct Case {
        Lines Source;
        std::optional<std::size_t> Found;
    };
    Case const cases[] = {
        { { "C:\\work", "a" }, 0 },
        { { "a", "C:\\work" }, std::nullopt },
        { { "<?dezodedu-macro?>", "/srv", "a" }, 1 },
        { { "<?dezodedu-macro?>", "a", "/srv" }, std::nullopt },
        { { "<?dezodedu-macro?>" }, std::nullopt },
        { {}, std::nullopt },
    };
    for (auto const& test : cases)
        EXPECT_EQ(FindParentFolderLine(test.Source), test.Found) << ::testing::PrintToString(test.Source);
}

TEST(SourceDocumentTest, ARunIsRefusedWithoutAUsableParentFolderFirstThenForTooManyFolders)
{
    struct Case {
        Lines Source;
        std::optional<RunRefusal> Refusal;
    };
    Case const cases[] = {
        { { "a" }, RunRefusal::NoParentFolder },
        { { "a", "b", "c" }, RunRefusal::NoParentFolder },
        { { "C:\\Work", "a" }, RunRefusal::UnusableParentFolder },
        { { "\\\\server\\share", "a", "b", "c" }, RunRefusal::UnusableParentFolder },
        { { "<?dezodedu-macro?>", "C:", "a" }, RunRefusal::UnusableParentFolder },
        { { "/srv", "a", "b", "c" }, RunRefusal::TooManyFolders },
        { { "/srv", "a", "b" }, std::nullopt },
        { { "/srv" }, std::nullopt },
    };
    for (auto const& test : cases) {
        FolderTree tree;
        tree.SetFolderBudget(2);
        ReadSource(tree, test.Source);
        EXPECT_EQ(CheckCreationRun(tree), test.Refusal) << ::testing::PrintToString(test.Source);
    }
}

TEST(SourceDocumentTest, TextToMacroCarriesTheParentFolderLineToLineTwo)
{
    Lines const source { "C:\\work", "a\\b", "c" };
    FolderTree tree;
    ReadSource(tree, source);
    EXPECT_EQ(ConvertSource(tree, source, SourceMode::Macro),
        (Lines { "<?dezodedu-macro?>", "C:\\work", "a", ">b", "c" }));
    EXPECT_TRUE(tree.MacroMode);
}

TEST(SourceDocumentTest, TextToTextWritesTheTreeAfresh)
{
    Lines const source { "/srv/data", "; comment", "a\\b", "a\\c", "", "a\\b" };
    FolderTree tree;
    ReadSource(tree, source);
    EXPECT_EQ(ConvertSource(tree, source, SourceMode::Text), (Lines { "/srv/data", "a\\b", "a\\c" }));
}

TEST(SourceDocumentTest, MacroToTextWritesTheExpandedTreeWithTheParentFolderLineFirst)
{
    Lines const source { "<?dezodedu-macro?>", "C:\\Work", "; projects", "Project<#2:1-2>", ">src", ">doc",
        "<+:Project02/src/old>", "<-:Project01/doc>", "Archive" };
    FolderTree tree;
    ReadSource(tree, source);
    EXPECT_TRUE(tree.MacroMode);
    EXPECT_EQ(ConvertSource(tree, source, SourceMode::Text),
        (Lines { "C:\\Work", "Project01\\src", "Project02\\src\\old", "Project02\\doc", "Archive" }));
    EXPECT_FALSE(tree.MacroMode);

    // The text reads back as the same tree.
    Lines const text = ConvertSource(tree, source, SourceMode::Text);
    FolderTree text_tree;
    ReadSource(text_tree, text);
    EXPECT_EQ(testing::Dump(text_tree), "Project01(src),Project02(src(old),doc),Archive");
    EXPECT_EQ(text_tree.GetRootPath(), "C:\\Work\\");
}

} // namespace
} // namespace edamaki
