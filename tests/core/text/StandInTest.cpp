#include "core/text/StandIn.h"

#include "core/text/Encoding.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

std::string StandIn(char32_t code_point)
{
    std::string text;
    AppendStandIn(text, code_point);
    return text;
}

TEST(StandInTest, ACharacterShiftJisLacksReadsAsItsOwnStandIn)
{
    struct Case {
        char const* Utf8;
        std::string Read;
    };
    Case const cases[] = {
        { "a\xF0\x9F\x98\x80z", "a" + StandIn(0x1F600) + "z" },
        { "\xC3\xA9", StandIn(0xE9) },
        { "a\xFFz", "a" + StandIn(0xFFFD) + "z" },
        // Held one way only: each would read back as another character, "¥" even as "\".
        { "a¥b‾c〜−", "a" + StandIn(0xA5) + "b" + StandIn(0x203E) + "c" + StandIn(0x301C) + StandIn(0x2212) },
        { "顧客〜\\ソ", testing::Sjis("顧客") + StandIn(0x301C) + testing::Sjis("\\ソ") },
        { "plain\\a", "plain\\a" },
    };
    for (auto const& test : cases)
        EXPECT_EQ(Utf8ToShiftJisForReading(test.Utf8), test.Read) << test.Utf8;
}

TEST(StandInTest, AStandInSpellsItsCodePointInBytesNoShiftJisTextHolds)
{
    for (char32_t const code_point : { 0x0u, 0xE9u, 0x1F600u, 0xE0100u, 0x10FFFFu }) {
        std::string const text = "x" + StandIn(code_point);
        EXPECT_EQ(StandInCodePoint(text, 1), code_point);
        EXPECT_EQ(EditorCharacterLength(text, 1), StandInLength);
        EXPECT_EQ(FindInvalidShiftJis(text), 1u); // so no file brings one in
    }
}

TEST(StandInTest, OnlyAWholeStandInAtACharacterStartIsOne)
{
    std::string const emoji = StandIn(0x1F600);
    struct Case {
        char const* Name;
        std::string Text;
        std::size_t Found;
    };
    Case const cases[] = {
        { "none", testing::Sjis("表示\\フォルダ"), std::string::npos },
        { "cut short", emoji.substr(0, 5), std::string::npos },
        { "its first byte as a second byte", "\x81" + emoji, std::string::npos },
        { "after a double-byte character", testing::Sjis("表") + emoji, 2 },
        { "its later codes alone", emoji.substr(2) + "a", std::string::npos },
        { "past the last code point", StandIn(0x110000), std::string::npos },
    };
    for (auto const& test : cases)
        EXPECT_EQ(FindStandIn(test.Text), test.Found) << test.Name;
}

} // namespace
} // namespace edamaki
