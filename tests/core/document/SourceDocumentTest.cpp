#include "core/document/SourceDocument.h"
#include "core/text/Encoding.h"
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
    // As the readers take it: blanks around the line don't count.
    for (char const* line : { "C:\\work", "C:", "x:y", "\\\\server\\share", "/srv", " C:\\x", "\t/srv " })
        EXPECT_TRUE(IsParentFolderLine(line)) << line;
    for (char const* line : { "", "C", "\\a", "ab:", " x" })
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
        { { "a" }, RunRefusal { RunRefusal::NoParentFolder } },
        { { "a", "b", "c" }, RunRefusal { RunRefusal::NoParentFolder } },
        { { "C:\\Work", "a" }, RunRefusal { RunRefusal::UnusableParentFolder } },
        { { "\\\\server\\share", "a", "b", "c" }, RunRefusal { RunRefusal::UnusableParentFolder } },
        { { "<?dezodedu-macro?>", "C:", "a" }, RunRefusal { RunRefusal::UnusableParentFolder } },
        // The refusal carries the limit the read stopped at.
        { { "/srv", "a", "b", "c" }, RunRefusal { RunRefusal::TooManyFolders, { ReadLimit::Folders, 2 } } },
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

// The conversion as the desktop program makes it: the written lines, then
// the carried line put in among them.
Lines ConvertSource(FolderTree& tree, Lines const& source, SourceMode to)
{
    SourceConversion conversion = ConvertSourceLines(tree, source, to);
    if (conversion.CarriedFrom)
        InsertCarriedLine(conversion.Lines, conversion, source[*conversion.CarriedFrom]);
    return conversion.Lines;
}

// The conversion as the command line writes it, line by line.
Lines WriteConverted(FolderTree& tree, Lines const& source, SourceMode to)
{
    Lines written;
    WriteConvertedSource(tree, source, to, [&written](std::string_view line) { written.emplace_back(line); });
    return written;
}

TEST(SourceDocumentTest, TheCarriedLineTakesItsPlaceOrComesLast)
{
    struct Case {
        ParentFolderCarry Carry;
        Lines Expected;
    };
    Case const cases[] = {
        { { 0, 0 }, { "P", "a", "b" } },
        { { 1, 1 }, { "a", "P", "b" } },
        { { 0, 2 }, { "a", "b", "P" } },
        { { 0, 5 }, { "a", "b", "P" } },
        { { std::nullopt, 1 }, { "a", "b" } },
    };
    for (auto const& test : cases) {
        Lines written { "a", "b" };
        InsertCarriedLine(written, test.Carry, "P");
        EXPECT_EQ(written, test.Expected) << test.Carry.CarriedTo;
    }
    Lines none;
    InsertCarriedLine(none, ParentFolderCarry { 0, 1 }, "P");
    EXPECT_EQ(none, Lines { "P" });
}

TEST(SourceDocumentTest, TheWrittenConversionIsTheListedOneLineForLine)
{
    Lines const sources[] = {
        { "C:\\work", "a\\b", "c" },
        { "a\\b", "c" },
        { "<?dezodedu-macro?>", "/srv", "a<#1:1-2>", ">b" },
        { "<?dezodedu-macro?>", "a", ">b" },
        { "/srv" },
        {},
    };
    for (auto const& source : sources) {
        for (SourceMode const to : { SourceMode::Text, SourceMode::Macro }) {
            FolderTree listed;
            ReadSource(listed, source);
            FolderTree written;
            ReadSource(written, source);
            EXPECT_EQ(WriteConverted(written, source, to), ConvertSource(listed, source, to))
                << ::testing::PrintToString(source);
        }
    }
}

TEST(SourceDocumentTest, TextToMacroCarriesTheParentFolderLineToLineTwo)
{
    Lines const source { "C:\\work", "a\\b", "c" };
    FolderTree tree;
    ReadSource(tree, source);
    EXPECT_EQ(ConvertSource(tree, source, SourceMode::Macro),
        (Lines { "<?dezodedu-macro?>", "C:\\work", "a", ">b", "c" }));
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
    SourceMap map;
    ReadSource(tree, map, source);
    EXPECT_TRUE(map.IsMacro());
    EXPECT_EQ(ConvertSource(tree, source, SourceMode::Text),
        (Lines { "C:\\Work", "Project01\\src", "Project02\\src\\old", "Project02\\doc", "Archive" }));

    // The text reads back as the same tree.
    Lines const text = ConvertSource(tree, source, SourceMode::Text);
    FolderTree text_tree;
    ReadSource(text_tree, text);
    EXPECT_EQ(testing::Dump(text_tree), "Project01(src),Project02(src(old),doc),Archive");
    EXPECT_EQ(text_tree.GetRootPath(), "C:\\Work\\");
}

// Text as the reading of an editor's text gives it: a character that
// Shift-JIS lacks as its stand-in.
std::string Read(std::string_view utf8)
{
    return Utf8ToShiftJisForReading(utf8);
}

TEST(SourceDocumentTest, ACharacterShiftJisLacksKeepsItsFolderInPlaceAndRuns)
{
    std::string const macro = "<?dezodedu-macro?>";
    struct Case {
        char const* Name;
        Lines Source;
        char const* Tree;
    };
    Case const cases[] = {
        { "a part", { "/srv", Read("顧客😀\\テスト") }, "顧客😀(テスト)" },
        { "two names stay two", { "/srv", Read("a〜\\x"), Read("a−\\y") }, "a〜(x),a−(y)" },
        { "the yen sign no separator", { "/srv", Read("a¥b") }, "a¥b" },
        { "macro", { macro, "/srv", Read("a〜"), ">b" }, "a〜(b)" },
        { "a comment", { "/srv", "a", Read(";é") }, "a" },
        { "the parent folder line", { Read("/srv/😀"), "a" }, "a" },
    };
    for (auto const& test : cases) {
        FolderTree tree;
        ReadSource(tree, test.Source);
        EXPECT_EQ(testing::Dump(tree), Read(test.Tree)) << test.Name;
        EXPECT_FALSE(CheckCreationRun(tree).has_value()) << test.Name;
    }
}

} // namespace
} // namespace edamaki
