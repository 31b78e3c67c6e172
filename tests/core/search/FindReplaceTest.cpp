#include "core/search/FindReplace.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

#include <random>

namespace edamaki {
namespace {

using testing::Sjis;

FindOptions const Down {};
FindOptions const Up { .Down = false };
FindOptions const WholeWordDown { .WholeWord = true };

TEST(FindReplaceTest, FindNextWalksThroughOverlappingMatches)
{
    std::string const text = "aaaa";
    TextRange selection { 0, 0 };
    std::vector<std::ptrdiff_t> found;
    while (auto const match = FindInSource(text, selection.Start, selection.Length, "aa", Down)) {
        found.push_back(match->Start);
        EXPECT_EQ(match->Length, 2);
        selection = *match;
    }
    EXPECT_EQ(found, (std::vector<std::ptrdiff_t> { 0, 1, 2 }));
}

TEST(FindReplaceTest, FindSteps)
{
    struct Case {
        std::string text;
        std::ptrdiff_t selection_start;
        std::ptrdiff_t selection_length;
        std::string search;
        FindOptions options;
        std::optional<TextRange> expected;
    };
    std::string const lines = "abc abc\r\nxyz";
    Case const cases[] = {
        { lines, 0, 0, "abc", Down, TextRange { 0, 3 } },
        { lines, 0, 3, "abc", Down, TextRange { 4, 3 } },
        { lines, 5, 0, "abc", Down, std::nullopt },     // no wrap-around
        { lines, 7, 0, "abc", Up, TextRange { 4, 3 } }, // caret at the end of the line
        { lines, 4, 3, "abc", Up, TextRange { 0, 3 } }, // from a selected match to the one before
        { lines, 3, 0, "abc", Up, TextRange { 0, 3 } },
        { lines, 0, 0, "abc", Up, std::nullopt },
        { "aaa", 2, 0, "aa", Up, TextRange { 1, 2 } }, // a match overlapping the caret
        { "aaa", 3, 0, "aa", Up, TextRange { 1, 2 } }, // near the end: the last place it fits
        { "aaa", 1, 0, "aa", Up, TextRange { 0, 2 } },
        { "aaa", 0, 0, "aa", Up, std::nullopt },
        { "abc", 3, 0, "abcd", Up, std::nullopt },
        { lines, 0, 0, "", Down, std::nullopt },
        { lines, 0, 0, "ABC", Down, TextRange { 0, 3 } },
        { lines, 0, 0, "ABC", FindOptions { .MatchCase = true }, std::nullopt },
        { lines, 0, 0, "xy", WholeWordDown, std::nullopt },
        { lines, 0, 0, "xyz", WholeWordDown, TextRange { 9, 3 } },
        { Sjis("表示\\"), 0, 0, "\\", Down, TextRange { 4, 1 } },
        { Sjis("表示"), 4, 0, "\\", Up, std::nullopt },
    };
    for (auto const& c : cases) {
        EXPECT_EQ(
            FindInSource(c.text, c.selection_start, c.selection_length, c.search, c.options), c.expected)
            << c.text << " " << c.selection_start << "+" << c.selection_length << " " << c.search;
    }
}

TEST(FindReplaceTest, ReplaceTakesTheNextMatchFromTheSelection)
{
    // Without a selection: the first match at or after the caret.
    auto replaced = ReplaceInSource("ab ab ab", 1, 0, "ab", "X", Down);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->Text, "ab X ab");
    EXPECT_EQ(replaced->Replaced, (TextRange { 3, 2 }));
    EXPECT_EQ(replaced->Caret, 4);

    // With a selected match: the one after it.
    replaced = ReplaceInSource("ab ab ab", 3, 2, "ab", "X", Down);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->Text, "ab ab X");

    // Unless the two overlap.
    replaced = ReplaceInSource("aaa", 0, 2, "aa", "X", Down);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->Text, "aX");

    // The replace dialog always searches down.
    replaced = ReplaceInSource("ab ab", 3, 0, "ab", "X", Up);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->Text, "ab X");

    EXPECT_FALSE(ReplaceInSource("ab", 1, 0, "ab", "X", Down));
}

TEST(FindReplaceTest, ReplaceAll)
{
    struct Case {
        std::string text;
        std::ptrdiff_t caret;
        std::string search;
        std::string replace;
        FindOptions options;
        std::string expected;
        std::size_t count;
    };
    Case const cases[] = {
        { "x x x", 1, "x", "y", Down, "x y y", 2 }, // matches before the caret stay
        { "x x x", 0, "x", "y", Down, "y y y", 3 },
        { "a a", 0, "a", "aa", Down, "aa aa", 2 }, // the replace text holds the search text
        { "aaaa", 0, "aa", "a", Down, "aa", 2 }, { "abab", 0, "ab", "", Down, "", 2 },
        { "cat catalog cat", 0, "cat", "dog", WholeWordDown, "dog catalog dog", 2 },
        { "Cat cAT", 0, "cat", "dog", Down, "dog dog", 2 },
        { Sjis("表示\\表示\\"), 0, "\\", "/", Down, Sjis("表示/表示/"), 2 },
        { Sjis("ａＡa"), 0, Sjis("ａ"), "b", Down, "bba", 2 },
        { std::string("a\0a", 3), 0, "a", "b", Down, std::string("b\0a", 3), 1 }, // the text ends at NUL
    };
    for (auto const& c : cases) {
        auto const result = ReplaceAllInSource(c.text, c.caret, 0, c.search, c.replace, c.options);
        ASSERT_TRUE(result) << c.text;
        EXPECT_EQ(result->Text, c.expected) << c.text;
        EXPECT_EQ(result->Count, c.count) << c.text;
    }
    auto const result = ReplaceAllInSource("a-a-b", 0, 0, "a", "xyz", Down);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Caret, 7); // after the last inserted text

    EXPECT_FALSE(ReplaceAllInSource("abc", 0, 0, "x", "y", Down));
    EXPECT_FALSE(ReplaceAllInSource("abc", 1, 0, "a", "y", Down));
    EXPECT_FALSE(ReplaceAllInSource("abc", 0, 0, "", "y", Down));
    EXPECT_FALSE(ReplaceAllInSource(Sjis("表示"), 0, 0, "\\", "/", Down));
}

// Replace all is replace, repeated from the caret until nothing is found.
std::optional<ReplaceAllResult> RepeatReplace(std::string_view text, std::ptrdiff_t selection_start,
    std::ptrdiff_t selection_length, std::string_view search, std::string_view replace, FindOptions options)
{
    auto step = ReplaceInSource(text, selection_start, selection_length, search, replace, options);
    if (!step)
        return std::nullopt;
    ReplaceAllResult result { step->Text, 1, step->Caret, {} };
    while ((step = ReplaceInSource(result.Text, result.Caret, 0, search, replace, options))) {
        result.Text = step->Text;
        result.Caret = step->Caret;
        ++result.Count;
    }
    return result;
}

TEST(FindReplaceTest, ReplaceAllIsRepeatedReplace)
{
    std::vector<std::string> const pieces = {
        "a",
        "A",
        "b",
        " ",
        "_",
        "\\",
        "\x82\x81",
        "\x82\x60",
        "\x95\x5C",
        "\x83\x5C",
        "\x83\x41",
        "\xB1",
    };
    std::mt19937 random(4);
    auto text_of = [&](int max_pieces) {
        std::string text;
        int const count = std::uniform_int_distribution<int>(0, max_pieces)(random);
        for (int index = 0; index < count; ++index)
            text += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(random)];
        return text;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string const text = text_of(14);
        std::string const search = text_of(2);
        std::string replace = text_of(3);
        switch (std::uniform_int_distribution<int>(0, 7)(random)) {
        case 0:
            replace += '\x82'; // half a character
            break;
        case 1:
            replace += '\0';
            break;
        case 2:
            replace = search + replace;
            break;
        default:
            break;
        }
        auto const size = static_cast<int>(text.size());
        std::ptrdiff_t const start = std::uniform_int_distribution<int>(0, size)(random);
        std::ptrdiff_t const length
            = std::uniform_int_distribution<int>(0, size - static_cast<int>(start))(random);
        FindOptions const options {
            .Down = true,
            .MatchCase = std::uniform_int_distribution<int>(0, 1)(random) == 1,
            .WholeWord = std::uniform_int_distribution<int>(0, 1)(random) == 1,
        };
        auto const expected = RepeatReplace(text, start, length, search, replace, options);
        auto const actual = ReplaceAllInSource(text, start, length, search, replace, options);
        auto describe = [&] {
            return ::testing::PrintToString(text) + " / " + ::testing::PrintToString(search) + " -> "
                + ::testing::PrintToString(replace) + " from " + std::to_string(start);
        };
        ASSERT_EQ(actual.has_value(), expected.has_value()) << describe();
        if (!expected)
            continue;
        ASSERT_EQ(actual->Text, expected->Text) << describe();
        ASSERT_EQ(actual->Count, expected->Count) << describe();
        ASSERT_EQ(actual->Caret, expected->Caret) << describe();
        // An editor making the listed edits from the last to the first ends with the same text.
        ASSERT_EQ(actual->Replaced.size(), actual->Count) << describe();
        std::string edited = text;
        for (auto range = actual->Replaced.rbegin(); range != actual->Replaced.rend(); ++range)
            edited.replace(
                static_cast<std::size_t>(range->Start), static_cast<std::size_t>(range->Length), replace);
        ASSERT_EQ(edited, actual->Text) << describe();
    }
}

TEST(FindReplaceTest, ReplaceAllInALargeTextIsOnePass)
{
    // 200,000 replacements: quadratic work would not finish within the test's time.
    std::string text;
    for (int index = 0; index < 200000; ++index)
        text += "a\\";
    auto const result = ReplaceAllInSource(text, 0, 0, "\\", "/", Down);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Count, 200000u);
    EXPECT_EQ(result->Text.find('\\'), std::string::npos);
}

} // namespace
} // namespace edamaki
