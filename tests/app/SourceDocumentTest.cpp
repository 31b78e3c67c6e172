#include "app/SourceDocument.h"
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

TEST(SourceDocumentTest, TrimLinesKeepsInnerBlanksAndDepthMarkers)
{
    Lines lines { "  a b \t", ">>x ", "\x01" };
    TrimLines(lines);
    EXPECT_EQ(lines, (Lines { "a b", ">>x", "" }));
}

} // namespace
} // namespace edamaki
