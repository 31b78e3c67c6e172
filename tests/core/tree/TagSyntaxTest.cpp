#include "core/tree/TagSyntax.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

using testing::Sjis;

TEST(TagSyntaxTest, TagRecognition)
{
    for (char const* text :
        { "<#1:1-2>", "a<@1:A-B>b", "<$:x>", "<r:a,b>", "<+:a>", "<-:a>", "<#>", "x<-y>z" })
        EXPECT_TRUE(HasMacroTag(text)) << text;
    for (char const* text :
        { "", "a", "<", "<#", "<#1:1-2", "<R:a,b>", "<x>", "a<b><#1:1-2>", "a>b<#1:1-2>", "<<#1:1-2>", ">" })
        EXPECT_FALSE(HasMacroTag(text)) << text;
    // "<" as the second byte of a double-byte character is not a "<".
    EXPECT_FALSE(HasMacroTag("\x81<#1:1-2>"));
}

// What the tree pane and the tag dialog write must read back as the same tag.
TEST(TagSyntaxTest, FormattedTagsReadBackAsTheSameRecord)
{
    using Step = std::optional<std::int32_t>;
    struct NumberCase {
        NumberTag tag;
        char const* text;
    };
    NumberCase const numbers[] = {
        { { 3, 1, 20, {} }, "<#3:1-20>" },
        { { 3, 1, 20, 5 }, "<#3:1-20,5>" },
        { { 1, 0, 0, Step(1) }, "<#1:0-0,1>" },
        { { -2, 2147483647, 0, {} }, "<#-2:2147483647-0>" },
    };
    for (auto const& c : numbers) {
        EXPECT_EQ(FormatTag(c.tag), c.text);
        EXPECT_EQ(ParseNumberTag(c.text), c.tag) << c.text;
    }

    struct CharacterCase {
        CharacterTag tag;
        char const* text;
    };
    CharacterCase const characters[] = {
        { { 2, 'a', 'z', 3 }, "<@2:a-z,3>" },
        { { 1, 'A', 'c', {} }, "<@1:A-c>" },
        { { -1, '0', '9', {} }, "<@-1:0-9>" },
    };
    for (auto const& c : characters) {
        EXPECT_EQ(FormatTag(c.tag), c.text);
        EXPECT_EQ(ParseCharacterTag(c.text), c.tag) << c.text;
    }

    struct ListCase {
        ListTag tag;
        std::string text;
    };
    ListCase const lists[] = {
        { { { "AA", "BB" } }, "<$:AA,BB>" },
        { { { "" } }, "<$:>" },
        { { { " a ", "", "b?" } }, "<$: a ,,b?>" },
        { { { Sjis("ソ"), Sjis("表") } }, Sjis("<$:ソ,表>") },
    };
    for (auto const& c : lists) {
        EXPECT_EQ(FormatTag(c.tag), c.text);
        EXPECT_EQ(ParseListTag(c.text), c.tag) << c.text;
    }

    std::string const new_folder = Sjis("A/新規フォルダ");
    EXPECT_EQ(FormatTag(AddTag { new_folder }), "<+:" + new_folder + ">");
    EXPECT_EQ(ParseAddTag("<+:" + new_folder + ">"), AddTag { new_folder });
    EXPECT_EQ(FormatTag(DeleteTag { "a//b" }), "<-:a//b>");
    EXPECT_EQ(ParseDeleteTag("<-:a//b>"), DeleteTag { "a//b" });

    struct RenameCase {
        RenameTag tag;
        std::string text;
    };
    RenameCase const renames[] = {
        { { "A/B", "C" }, "<r:A/B,C>" },
        { { "a", "b,c" }, "<r:a,b,c>" },
        { { "a", "" }, "<r:a,>" },
        { { Sjis("表/ソ"), Sjis("能") }, Sjis("<r:表/ソ,能>") },
    };
    for (auto const& c : renames) {
        EXPECT_EQ(FormatTag(c.tag), c.text);
        EXPECT_EQ(ParseRenameTag(c.text), c.tag) << c.text;
    }
}

TEST(TagSyntaxTest, ParsingFollowsTheWrittenForm)
{
    // Blanks before numbers and other number forms read; the step stays
    // unwritten when there is none.
    EXPECT_EQ(ParseNumberTag("<# 2:$A-0xC>"), (NumberTag { 2, 10, 12, {} }));
    EXPECT_EQ(ParseNumberTag("<#1:1-3,>"), std::nullopt);
    EXPECT_EQ(ParseNumberTag("<#1:1-3"), std::nullopt);
    EXPECT_EQ(ParseCharacterTag("<@1:a-Z>"), (CharacterTag { 1, 'a', 'Z', {} }));
    EXPECT_EQ(ParseCharacterTag("<@1:A-9>"), std::nullopt);
    // The third character of an add or delete tag is not looked at, and a
    // double-byte one is skipped whole.
    EXPECT_EQ(ParseAddTag("<+;a>"), AddTag { "a" });
    EXPECT_EQ(ParseAddTag(Sjis("<+ソ表/x>")), AddTag { Sjis("表/x") });
    EXPECT_EQ(ParseDeleteTag("<->"), DeleteTag { "" });
    EXPECT_EQ(ParseRenameTag("<r:,x>"), std::nullopt);
    EXPECT_EQ(ParseRenameTag("<r:a>"), std::nullopt);
}

TEST(TagSyntaxTest, PathsSplitAtSlashes)
{
    struct Case {
        std::string path;
        std::vector<std::string> parts;
    };
    Case const cases[] = {
        { "", {} },
        { "a", { "a" } },
        { "a/b/", { "a", "b" } },
        { "/a", { "", "a" } },
        { "a//b", { "a", "", "b" } },
        { "/", { "" } },
        { Sjis("表/x"), { Sjis("表"), "x" } },
    };
    std::vector<std::string_view> parts;
    for (auto const& c : cases) {
        SplitTagPath(c.path, parts);
        EXPECT_EQ(std::vector<std::string>(parts.begin(), parts.end()), c.parts) << c.path;
    }
}

} // namespace
} // namespace edamaki
