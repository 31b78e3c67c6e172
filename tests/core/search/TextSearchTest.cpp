#include "core/search/TextSearch.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

#include <random>

namespace edamaki {
namespace {

using testing::Sjis;

constexpr SearchFlags Up = 0;
constexpr SearchFlags Down = SearchDown;
constexpr SearchFlags Cased = SearchMatchCase;
constexpr SearchFlags Word = SearchWholeWord;

// The match offset of a search from (start, length), or -1.
std::ptrdiff_t Find(std::string_view text, std::ptrdiff_t start, std::string_view search, SearchFlags flags,
    std::ptrdiff_t length = 0)
{
    TextRange range { start, length };
    if (!SearchText(text, range, search, flags))
        return -1;
    EXPECT_EQ(range.Length, static_cast<std::ptrdiff_t>(search.size()));
    return range.Start;
}

std::ptrdiff_t End(std::string_view text)
{
    return static_cast<std::ptrdiff_t>(text.size());
}

TEST(TextSearchTest, SecondBytesAreNeverMatched)
{
    std::string const text = Sjis("表示"); // 0x95 0x5C 0x8E 0xA6
    for (SearchFlags flags = 0; flags < 8; ++flags) {
        std::ptrdiff_t const start = (flags & SearchDown) ? 0 : End(text);
        EXPECT_EQ(Find(text, start, "\\", flags), -1) << int(flags);
    }
    // A backslash of its own after it is found, from either side.
    for (SearchFlags const flags : { Down, Up, SearchFlags(Down | Cased), SearchFlags(Up | Cased) })
        EXPECT_EQ(Find(text + "\\", (flags & SearchDown) ? 1 : 5, "\\", flags), 4) << int(flags);
    // ア is 0x83 0x41: its second byte is "A", which neither "A" nor "a" finds.
    EXPECT_EQ(Find(Sjis("ア"), 0, "a", Down), -1);
    EXPECT_EQ(Find(Sjis("ア"), 2, "A", Up | Cased), -1);
    // A search for a double-byte character does not straddle two others.
    EXPECT_EQ(Find("\x82\xA0\x95\x5C", 0, "\xA0\x95", Down | Cased), -1);
}

TEST(TextSearchTest, StartOffsetsOnSecondBytesMoveToWholeCharacters)
{
    struct Case {
        std::string text;
        std::ptrdiff_t start;
        std::string search;
        SearchFlags flags;
        std::ptrdiff_t expected;
    };
    std::string const aa = Sjis("ああ");
    std::string const mixed = "a" + Sjis("あ") + "b";
    Case const cases[] = {
        { aa, 1, Sjis("あ"), Down, 2 }, // from the second byte of the first あ: the next character
        { aa, 0, Sjis("あ"), Down, 0 },
        { aa, 3, Sjis("あ"), Up, 0 }, // 3 - 2 = 1, a second byte: its first byte
        { aa, 4, Sjis("あ"), Up, 2 }, { aa, 2, Sjis("あ"), Up, 0 },
        { aa, 1, Sjis("あ"), Up, -1 }, // nothing fits before
        { mixed, 2, "b", Down, 3 }, { mixed, 2, Sjis("あ"), Down, -1 }, { mixed, 3, Sjis("あ"), Up, 1 },
        { mixed, 4, "b", Up, 3 }, { mixed, 3, "a", Up, 0 }, // 3 - 1 = 2, a second byte: starts at 1
    };
    for (auto const& c : cases)
        EXPECT_EQ(Find(c.text, c.start, c.search, c.flags), c.expected) << c.start << " " << int(c.flags);
}

TEST(TextSearchTest, CaseFoldingOfEveryScript)
{
    struct Case {
        std::string text;
        std::string search;
        std::ptrdiff_t ignoring_case;
        std::ptrdiff_t matching_case;
    };
    Case const cases[] = {
        { "xABCx", "abc", 1, -1 },
        { "xabcx", "ABC", 1, -1 },
        { "xabcx", "abc", 1, 1 },
        { Sjis("ＡＢＣ"), Sjis("ａｂｃ"), 0, -1 },
        { Sjis("ａｂｃ"), Sjis("ａｂｃ"), 0, 0 },
        { Sjis("ａｂｃ"), Sjis("ＡＢＣ"), 0, -1 },
        { Sjis("ｚＺ"), Sjis("ＺＺ"), 0, -1 },
        { Sjis("xｚ"), Sjis("ｚ"), 1, 1 },
        { Sjis("αω"), Sjis("ΑΩ"), 0, -1 },
        { Sjis("ΑΩ"), Sjis("αω"), 0, -1 },
        { Sjis("аоя"), Sjis("АОЯ"), 0, -1 }, // both sides of the gap at 0x847F
        { Sjis("АОЯ"), Sjis("аоя"), 0, -1 },
        { Sjis("ёю"), Sjis("ЁЮ"), 0, -1 },
        { "\xEE\xEF\xEE\xF8", "\x87\x54\x87\x5D", 0, -1 }, // small Roman numerals one and ten
        { "\x87\x54", "\xEE\xEF", 0, -1 },
        { "\xEE\xEF", "\xEE\xEF", 0, 0 },
        { Sjis("ⅰⅹ"), Sjis("ⅠⅩ"), 0, -1 }, // as typed here: 0xFA40, 0xFA49
        { Sjis("ⅠⅩ"), Sjis("ⅰⅹ"), 0, -1 },
        { Sjis("ⅰ"), Sjis("ⅰ"), 0, 0 },
        { "\xEE\xEF", Sjis("ⅰ"), 0, -1 }, // both code points fold to the same capital
        { Sjis("ⅰ"), "\xEE\xEF", 0, -1 },
        { "\xFA\x4A", Sjis("ⅰ"), -1, -1 }, // 0xFA4A is a capital already: never folded
        // A character matches only a character of the same width.
        { Sjis("Ａ"), "A", -1, -1 },
        { "A", Sjis("Ａ"), -1, -1 },
        { Sjis("１"), "1", -1, -1 },
        // Other double-byte characters are not folded.
        { Sjis("アイ"), Sjis("アイ"), 0, 0 },
        { Sjis("ぁ"), Sjis("あ"), -1, -1 },
    };
    for (auto const& c : cases) {
        EXPECT_EQ(Find(c.text, 0, c.search, Down), c.ignoring_case) << c.search;
        EXPECT_EQ(Find(c.text, 0, c.search, Down | Cased), c.matching_case) << c.search;
        EXPECT_EQ(Find(c.text, End(c.text), c.search, Up), c.ignoring_case) << c.search;
    }
}

TEST(TextSearchTest, UpperCasingTheSearchString)
{
    struct Case {
        std::string search;
        std::string expected;
    };
    Case const cases[] = {
        { "az09_AZ{`", "AZ09_AZ{`" },
        { "\x82\x81\x82\x9A\x82\x9B", "\x82\x60\x82\x79\x82\x9B" }, // full-width a, z, then { unchanged
        { "\x83\xBF\x83\xD6\x83\xD7",
            "\x83\x9F\x83\xB6\x83\xD7" }, // Greek alpha, omega; past omega unchanged
        { "\x84\x70\x84\x7E\x84\x80\x84\x91\x84\x92", "\x84\x40\x84\x4E\x84\x4F\x84\x60\x84\x92" },
        { "\xEE\xEF\xEE\xF8\xEE\xF9", "\x87\x54\x87\x5D\xEE\xF9" },
        { "\x82\x61", "\x82\x61" }, // the second byte "a" of a double-byte character stays
        { "a\x82", "A\x82" },       // a lead byte at the end stays
    };
    for (auto const& c : cases)
        EXPECT_EQ(UpperCaseSearchString(c.search), c.expected);
}

TEST(TextSearchTest, WholeWords)
{
    struct Case {
        std::string text;
        std::string search;
        SearchFlags flags;
        std::ptrdiff_t expected;
    };
    Case const cases[] = {
        { "abc def", "def", Down, 4 },
        { "abc def", "bc", Down, -1 },
        { "abc def", "de", Down, -1 },
        { "abc def", "abc", Up, 0 },
        { "abc", "bc", Down, -1 }, // the last place a match fits must start a word too
        { "abc", "ab", Up, -1 },   // the match at offset 0 must end a word too
        { "ab c", "ab", Up, 0 },
        { "abc", "abc", Up, 0 },
        { "a_b", "b", Down, 2 }, // the underscore separates words
        { "a_b", "a", Up, 0 },
        { "ab_b b", "b", Up, 5 },
        { "one two three", "two", Up, 4 },
        { "one two three", "one", Up, 0 },
        { "one two three", "three", Up, 8 }, // up from the end: a match may end at the caret
        { "xab ab", "ab", Down, 4 },
        { "ab(ab)", "ab", Down, 0 },
        { "A1 a1", "a1", Down | Cased, 3 },
        { Sjis("ソab"), "ab", Down, 2 },  // ソ ends with 0x5C, a delimiter byte
        { Sjis("アab"), "ab", Down, -1 }, // ア ends with 0x41, a letter
        { Sjis("資料 資料"), Sjis("資料"), Up, 5 },
    };
    for (auto const& c : cases) {
        std::ptrdiff_t const start = (c.flags & SearchDown) ? 0 : End(c.text);
        EXPECT_EQ(Find(c.text, start, c.search, c.flags | Word), c.expected) << c.text << " / " << c.search;
    }
}

TEST(TextSearchTest, NothingIsFoundOutsideTheText)
{
    EXPECT_EQ(Find("ab", 0, "abc", Down), -1);
    EXPECT_EQ(Find("ab", 2, "abc", Up), -1);
    EXPECT_EQ(Find("ab", 0, "abc", Down | Word), -1);
    EXPECT_EQ(Find("ab", 2, "abc", Up | Word), -1);
    EXPECT_EQ(Find("", 0, "a", Down), -1);
    EXPECT_EQ(Find("a", 0, "", Down), -1);
    EXPECT_EQ(Find("ab", -1, "a", Down), -1);
    EXPECT_EQ(Find("ab", 3, "a", Up), -1);
    EXPECT_EQ(Find("ab", 0, "a", Down, -1), -1);
    EXPECT_EQ(Find("ab", 1, "b", Down, PTRDIFF_MAX), -1);
    // A text ends at its first NUL.
    std::string const text("ab\0ab", 5);
    EXPECT_EQ(Find(text, 1, "ab", Down), -1);
    EXPECT_EQ(Find(text, 2, "ab", Up), 0);
    EXPECT_EQ(Find(text, 5, "ab", Up), -1);
    // A double-byte character cut off by the end of the text matches nothing.
    EXPECT_EQ(Find("a\x82", 0, "\x82\x60", Down), -1);
    EXPECT_EQ(Find("a\x82", 0, "\x82", Down | Cased), -1);
}

TEST(TextSearchTest, SearchingDownFromASelectionStartsAfterIt)
{
    EXPECT_EQ(Find("abab", 0, "ab", Down, 2), 2);
    EXPECT_EQ(Find("abab", 0, "ab", Down, 3), -1);
    // Up ignores the selection length.
    EXPECT_EQ(Find("abab", 4, "ab", Up, 5), 2);
}

TEST(TextSearchTest, NextWordStartMovesBothWays)
{
    std::string const text = "ab  cd ef";
    auto const map = BuildCharacterMap(text);
    SearchSubject const subject { text, map, true };
    struct Case {
        std::ptrdiff_t position;
        std::ptrdiff_t direction;
        std::ptrdiff_t expected;
    };
    Case const cases[] = {
        { 0, 1, 0 },
        { 1, 1, 4 },
        { 2, 1, 4 },
        { 4, 1, 4 },
        { 5, 1, 7 },
        { 5, -1, 4 },
        { 4, -1, 4 },
        { 3, -1, 0 },
        { 8, -1, 7 },
        { 6, -1, 4 },
    };
    for (auto const& c : cases) {
        // Count: the candidates left after the position in that direction.
        SearchCursor cursor { c.position, c.direction > 0 ? End(text) - 1 - c.position : c.position,
            c.direction };
        auto const count_plus_position = cursor.Count + cursor.Direction * cursor.Position;
        NextWordStart(subject, cursor);
        EXPECT_EQ(cursor.Position, c.expected) << c.position << " " << c.direction;
        EXPECT_EQ(cursor.Count + cursor.Direction * cursor.Position, count_plus_position);
    }
}

// ---------------------------------------------------------------------------
// Random texts against a plain loop that tries every offset.

bool IsDelimiterByte(unsigned char byte)
{
    return byte <= 0x2F || (byte >= 0x3A && byte <= 0x40) || (byte >= 0x5B && byte <= 0x60)
        || (byte >= 0x7B && byte <= 0x80) || (byte >= 0xA0 && byte <= 0xA5) || byte >= 0xFD;
}

bool IsLead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The upper-case form of one character, as a number: one byte or two.
unsigned FoldCharacter(unsigned code)
{
    if (code >= 'a' && code <= 'z')
        return code - 0x20;
    if (code >= 0x8281 && code <= 0x829A)
        return code - 0x21;
    if (code >= 0x83BF && code <= 0x83D6)
        return code - 0x20;
    if (code >= 0x8470 && code <= 0x847E)
        return code - 0x30;
    if (code >= 0x8480 && code <= 0x8491)
        return code - 0x31;
    if (code >= 0xEEEF && code <= 0xEEF8)
        return code - 0xEEEF + 0x8754;
    if (code >= 0xFA40 && code <= 0xFA49)
        return code - 0xFA40 + 0x8754;
    return code;
}

// Splits bytes into character codes; a lead byte without its second byte
// gives none.
std::optional<std::vector<unsigned>> Characters(std::string_view bytes)
{
    std::vector<unsigned> codes;
    for (std::size_t offset = 0; offset < bytes.size();) {
        auto const first = static_cast<unsigned char>(bytes[offset]);
        if (!IsLead(first)) {
            codes.push_back(first);
            ++offset;
            continue;
        }
        if (offset + 1 >= bytes.size())
            return std::nullopt;
        codes.push_back(first << 8 | static_cast<unsigned char>(bytes[offset + 1]));
        offset += 2;
    }
    return codes;
}

std::ptrdiff_t ReferenceSearch(std::string_view text, std::ptrdiff_t start, std::ptrdiff_t length,
    std::string_view search, SearchFlags flags)
{
    text = text.substr(0, text.find('\0') == std::string_view::npos ? text.size() : text.find('\0'));
    auto const n = End(text);
    auto const m = End(search);
    if (n == 0 || m == 0 || start < 0 || start > n || length < 0)
        return -1;
    std::vector<bool> second(static_cast<std::size_t>(n) + 2, false);
    for (std::ptrdiff_t offset = 0; offset < n; ++offset) {
        if (IsLead(static_cast<unsigned char>(text[offset]))) {
            second[offset + 1] = true;
            ++offset;
        }
    }
    auto const wanted = Characters(search);
    auto matches = [&](std::ptrdiff_t at) {
        if (second[at] || at + m > n || !wanted)
            return false;
        auto const found = Characters(text.substr(at, m));
        if (!found || found->size() != wanted->size())
            return false;
        for (std::size_t index = 0; index < found->size(); ++index) {
            unsigned const s = (*wanted)[index];
            unsigned const t = (*found)[index];
            if ((flags & SearchMatchCase) ? s != t : FoldCharacter(s) != FoldCharacter(t))
                return false;
        }
        if (!(flags & SearchWholeWord))
            return true;
        auto byte = [&](std::ptrdiff_t offset) { return static_cast<unsigned char>(text[offset]); };
        return !IsDelimiterByte(byte(at)) && (at == 0 || IsDelimiterByte(byte(at - 1)))
            && (at + m == n || IsDelimiterByte(byte(at + m)));
    };
    if (flags & SearchDown) {
        if (length > n - start)
            return -1;
        auto from = start + length;
        if (from < n && second[from])
            ++from;
        for (auto at = from; at + m <= n; ++at) {
            if (matches(at))
                return at;
        }
        return -1;
    }
    auto from = start - m;
    if (from >= 0 && second[from])
        --from;
    for (auto at = from; at >= 0; --at) {
        if (matches(at))
            return at;
    }
    return -1;
}

// Pieces chosen to meet the rules: letters of every folded script in both
// cases, second bytes that look like "\" "_" or letters, delimiters, and
// half-width katakana (single bytes above 0x7F).
std::vector<std::string> const Pieces = {
    "a",
    "b",
    "A",
    "B",
    " ",
    "_",
    "\\",
    "1",
    "\xA1",
    "\xB1",
    "\x80",
    "\x82\x81",
    "\x82\x60",
    "\x83\xBF",
    "\x83\x9F",
    "\x84\x70",
    "\x84\x40",
    "\x84\x91",
    "\x84\x60",
    "\xEE\xEF",
    "\x87\x54",
    "\x95\x5C",
    "\x83\x5C",
    "\x83\x41",
    "\x83\x5F",
    "\x82\xA0",
};

// A text of random pieces, and the offset where each piece begins.
std::string RandomText(std::mt19937& random, int max_pieces, std::vector<std::size_t>* starts = nullptr)
{
    std::string text;
    int const count = std::uniform_int_distribution<int>(0, max_pieces)(random);
    for (int index = 0; index < count; ++index) {
        if (starts)
            starts->push_back(text.size());
        text += Pieces[std::uniform_int_distribution<std::size_t>(0, Pieces.size() - 1)(random)];
    }
    return text;
}

TEST(TextSearchTest, RandomSearchesAgreeWithAPlainLoop)
{
    std::mt19937 random(6);
    for (int round = 0; round < 40000; ++round) {
        std::vector<std::size_t> starts;
        std::string text = RandomText(random, 12, &starts);
        std::string search;
        switch (std::uniform_int_distribution<int>(0, 3)(random)) {
        case 0:
            search = RandomText(random, 3);
            break;
        case 1:
            if (!text.empty()) {
                // Any slice of the text, also one beginning or ending inside a character.
                auto const from = std::uniform_int_distribution<std::size_t>(0, text.size() - 1)(random);
                search = text.substr(from, std::uniform_int_distribution<std::size_t>(1, 5)(random));
            }
            break;
        default:
            if (!starts.empty()) {
                // One to three whole pieces of the text.
                auto const first = std::uniform_int_distribution<std::size_t>(0, starts.size() - 1)(random);
                auto const last = std::min(
                    starts.size(), first + std::uniform_int_distribution<std::size_t>(1, 3)(random));
                auto const end = last < starts.size() ? starts[last] : text.size();
                search = text.substr(starts[first], end - starts[first]);
            }
            break;
        }
        auto const pick = std::uniform_int_distribution<int>(0, 9)(random);
        if (pick == 0)
            text += '\x82'; // a lead byte cut off at the end
        else if (pick == 1 && !text.empty())
            text.insert(std::uniform_int_distribution<std::size_t>(0, text.size() - 1)(random), 1, '\0');

        auto const n = static_cast<int>(text.size());
        auto const flags = static_cast<SearchFlags>(std::uniform_int_distribution<int>(0, 7)(random));
        std::ptrdiff_t start = std::uniform_int_distribution<int>(-1, n + 1)(random);
        std::ptrdiff_t length = std::uniform_int_distribution<int>(-1, 3)(random);
        if (std::uniform_int_distribution<int>(0, 1)(random) == 0) {
            // From one end of the text to the other.
            start = (flags & SearchDown) ? 0 : n;
            length = 0;
        }

        TextRange range { start, length };
        bool const found = SearchText(text, range, search, flags);
        auto const expected = ReferenceSearch(text, start, length, search, flags);
        ASSERT_EQ(found ? range.Start : -1, expected)
            << ::testing::PrintToString(text) << " / " << ::testing::PrintToString(search) << " start "
            << start << " length " << length << " flags " << int(flags);
        if (found) {
            ASSERT_EQ(range.Length, End(search));
        }
    }
}

} // namespace
} // namespace edamaki
