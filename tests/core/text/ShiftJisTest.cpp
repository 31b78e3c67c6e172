#include "core/text/ShiftJis.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

using testing::Sjis;

TEST(ShiftJisTest, LeadBytesAreTheTwoRanges)
{
    for (int byte = 0; byte < 256; ++byte) {
        bool const expected = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(byte)), expected) << byte;
    }
}

TEST(ShiftJisTest, TrimRemovesControlCharactersAndBlanksButKeepsTheFullWidthSpace)
{
    EXPECT_EQ(TrimBlanks(" \t\x01 a b \x1f\r"), "a b");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks(Sjis("　a　")), Sjis("　a　"));
}

TEST(ShiftJisTest, SecondBytesAreNeverInvalidNameCharacters)
{
    // ソ 表 能 have 0x5C (backslash) as second byte, ポ has 0x7C (vertical bar).
    for (char const* name : { "ソ", "表", "能", "ポ", "ソ表能ポ" })
        EXPECT_TRUE(IsValidFolderName(Sjis(name))) << name;
    for (char const* name :
        { "a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "", ".", ".." })
        EXPECT_FALSE(IsValidFolderName(name)) << name;
    EXPECT_TRUE(IsValidFolderName("..."));
}

TEST(ShiftJisTest, SplitAtBackslashKeepsDoubleByteCharactersWhole)
{
    std::vector<std::string_view> parts;
    std::string const line = Sjis("ソ\\表\\\\能");
    SplitAt(line, '\\', parts);
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[0], Sjis("ソ"));
    EXPECT_EQ(parts[1], Sjis("表"));
    EXPECT_EQ(parts[2], "");
    EXPECT_EQ(parts[3], Sjis("能"));

    SplitAt("", '\\', parts);
    EXPECT_EQ(parts.size(), 1u);
    SplitAt("\\a\\", '\\', parts);
    EXPECT_EQ(parts, (std::vector<std::string_view> { "", "a", "" }));
}

TEST(ShiftJisTest, Drives)
{
    struct Case {
        std::string text;
        bool drive;
        bool parent_folder;
    };
    Case const cases[] = {
        { "C:", true, true }, { "C:\\Work", true, true }, { "1:x", true, true },
        { "\\\\server\\share", true, true }, { "/home/user", false, true }, { "\\a", false, false },
        { "C", false, false }, { ":C", false, false },
        { Sjis("あ:"), false, false }, // a double-byte first character is no drive letter
    };
    for (auto const& c : cases) {
        EXPECT_EQ(BeginsWithDrive(c.text), c.drive) << c.text;
        EXPECT_EQ(BeginsWithParentFolder(c.text), c.parent_folder) << c.text;
    }
    EXPECT_EQ(StripDrive("C:abc"), "abc");
    EXPECT_EQ(StripDrive("C:"), "");
    EXPECT_EQ(StripDrive("abc"), "abc");
}

TEST(ShiftJisTest, ParentFolderLineValidity)
{
    struct Case {
        std::string line;
        bool valid;
    };
    Case const cases[] = {
        { "C:\\Work", true },
        { "C:", true },
        { "C:\\a|b", false },
        { "C:\\a/b", false },
        { "C:a?", false },
        { "\\\\server\\share\\x", true },
        { "/srv/data", true },
        { "/srv/da:ta", false },
        { "/srv\\data", false },
        { Sjis("C:\\ソ\\表"), true },
    };
    for (auto const& c : cases)
        EXPECT_EQ(IsValidParentFolderLine(c.line), c.valid) << c.line;
}

} // namespace
} // namespace edamaki
