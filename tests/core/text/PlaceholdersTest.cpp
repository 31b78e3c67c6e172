#include "core/text/Placeholders.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace edamaki {
namespace {

using testing::Sjis;
using Kind = PlaceholderRefusal::Kind;

constexpr CalendarDate December7 { 2026, 12, 7 };

struct Refusal {
    std::string Name;
    Kind Why;

    bool operator==(Refusal const&) const = default;
};

TEST(PlaceholdersTest, ValuesGoInWhereTheyStandOrEveryProblemIsNamed)
{
    struct Case {
        char const* text;
        std::map<std::string, std::string> values;
        char const* filled; // nullptr: refused as `refusals` says
        std::vector<Refusal> refusals;
    };
    Case const cases[] = {
        { "<%案件>\\資料\n", { { "案件", "A社" } }, "A社\\資料\n", {} },
        { "<%顧客=未定>\\<%顧客>\n", {}, "未定\\未定\n", {} },
        { "<%顧客=未定>\n", { { "顧客", "B社" } }, "B社\n", {} },
        { "x<%a>y\n>><%b>\n", { { "a", "1" }, { "b", "2" } }, "x1y\n>>2\n", {} },
        { "<%a>\\<%b>\\<%a>\n", {}, nullptr, { { "a", Kind::NoValue }, { "b", Kind::NoValue } } },
        { "<%a>\n", { { "a", "x\\y" } }, nullptr, { { "a", Kind::NameCharacter } } },
        { "<%a>\n", { { "a", "<#1:1-2>" } }, nullptr, { { "a", Kind::NameCharacter } } },
        { "<%a>\n", { { "a", ".." } }, nullptr, { { "a", Kind::DotName } } },
        { "<%a=>\n", {}, nullptr, { { "a", Kind::Empty } } },
        { "<%a>\n", { { "a", "\x85\x40" } }, nullptr, { { "a", Kind::NotShiftJis } } },
        // Inside a tag a "," would part a list; outside it is a name's.
        { "<$:<%a>,<%b>>\n", { { "a", "x" }, { "b", "y" } }, "<$:x,y>\n", {} },
        { "<%a>\\<$:<%a>,z>\n", { { "a", "p,q" } }, nullptr, { { "a", Kind::NameCharacter } } },
        { "<%a>\n", { { "a", "p,q" } }, "p,q\n", {} },
        { "<%案件><#2:1-2>\n", { { "案件", "K" } }, "K<#2:1-2>\n", {} },
        // Comments hold none; an unclosed one is left as it stands.
        { "; <%メモ>\n<%a\n", {}, "; <%メモ>\n<%a\n", {} },
        // The date of the run, and a value given for it.
        { "<%日付>\\<%年>-<%月>-<%日>\\<%年度>\n", {}, "20261207\\2026-12-07\\2026\n", {} },
        { "<%日付:YYYY年M月D日>\n", {}, "2026年12月7日\n", {} },
        { "<%年>\n", { { "年", "2030" } }, "2030\n", {} },
        { "<%年度-1>\\<%年度+1>\\<%年-1>\\<%月+1>\\<%和暦年>\\<%和暦年度-1>\n", {},
            "2025\\2027\\2025\\01\\令和8\\令和7\n", {} },
        // A value is one name wherever it stands: it never makes a comment,
        // an empty or trimmed name, a drive or tag syntax.
        { "<%a>\\sub\n", { { "a", ";x" } }, nullptr, { { "a", Kind::Semicolon } } },
        { "x\\<%a>\n", { { "a", "   " } }, nullptr, { { "a", Kind::EdgeBlank } } },
        { "<%a>\\<%b>\n", { { "a", " x" }, { "b", "x " } }, nullptr,
            { { "a", Kind::EdgeBlank }, { "b", Kind::EdgeBlank } } },
        { "<%a>\\x<%a>\n", { { "a", "p q;" } }, "p q;\\xp q;\n", {} },
        { "N<#2:<%S>-9>\n", { { "S", "1-3" } }, nullptr, { { "S", Kind::TagSyntax } } },
        { "N<#2:<%S>-9>\n", { { "S", "7" } }, "N<#2:7-9>\n", {} },
        { "<$:<%a>,b>\n", { { "a", "1-3" } }, "<$:1-3,b>\n", {} },
        { "<<%K>2:1-3>\n", { { "K", "#" } }, nullptr, { { "K", Kind::TagCharacter } } },
        { "<%d>:\\x\n", { { "d", "C" } }, nullptr, { { "d", Kind::BeforeColon } } },
        { "<?dezo<%d>edu-macro?>\n", { { "d", "d" } }, nullptr, { { "d", Kind::InHeader } } },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = Sjis(c.text);
        std::map<std::string, std::string> values;
        for (auto const& [name, value] : c.values)
            values[Sjis(name)] = value.starts_with('\x85') ? value : Sjis(value);
        std::vector<Refusal> refusals;
        for (PlaceholderRefusal const& refusal : FillPlaceholders(text, values, December7))
            refusals.push_back({ refusal.Name, refusal.Why });
        std::vector<Refusal> expected = c.refusals;
        for (Refusal& refusal : expected)
            refusal.Name = Sjis(refusal.Name);
        EXPECT_EQ(refusals, expected);
        EXPECT_EQ(text, c.filled ? Sjis(c.filled) : Sjis(c.text));
    }
}

TEST(PlaceholdersTest, TheFiscalYearBeginsInApril)
{
    std::string const name = Sjis("年度");
    EXPECT_EQ(BuiltInValue(name, { 2027, 3, 31 }), "2026");
    EXPECT_EQ(BuiltInValue(name, { 2027, 4, 1 }), "2027");
    EXPECT_EQ(BuiltInValue("other", December7), std::nullopt);
}

TEST(PlaceholdersTest, DatesCountInYearsMonthsAndEras)
{
    struct Case {
        char const* name;
        CalendarDate date;
        std::optional<char const*> value;
    };
    Case const cases[] = {
        { "月+1", { 2026, 12, 7 }, "01" },
        { "月-12", { 2026, 12, 7 }, "12" },
        { "月-3", { 2026, 2, 7 }, "11" },
        { "和暦年", { 2019, 4, 30 }, "平成31" },
        { "和暦年", { 2019, 5, 1 }, "令和1" },
        { "和暦年", { 1989, 1, 7 }, "昭和64" },
        { "和暦年", { 1989, 1, 8 }, "平成1" },
        { "和暦年+1", { 2018, 6, 1 }, "令和1" },
        { "和暦年度", { 2019, 4, 1 }, "令和1" },
        { "和暦年度", { 1989, 3, 31 }, "昭和63" },
        { "和暦年度", { 2027, 3, 31 }, "令和8" },
        { "和暦年", { 1800, 1, 1 }, std::nullopt },
        { "年度+x", { 2026, 1, 1 }, std::nullopt },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        auto const expected = c.value ? std::optional(Sjis(*c.value)) : std::nullopt;
        EXPECT_EQ(BuiltInValue(Sjis(c.name), c.date), expected);
    }
    EXPECT_EQ(ParseCalendarDate("2024-02-29").value_or(CalendarDate {}).Day, 29);
    for (char const* wrong : { "2026-02-29", "2026-1-01", "2026-13-01", "20261207" })
        EXPECT_FALSE(ParseCalendarDate(wrong)) << wrong;
}

TEST(PlaceholdersTest, TheFilledSizeIsCountedBeforeTheTextIsBuilt)
{
    std::string const source = "<%a>\\<%a>\n";
    std::string text = source;
    auto const refusals = FillPlaceholders(text, { { "a", std::string(100, 'x') } }, December7, 200);
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0].Why, Kind::TooLarge);
    EXPECT_EQ(refusals[0].Value, "202");
    EXPECT_EQ(text, source);
    EXPECT_TRUE(FillPlaceholders(text, { { "a", std::string(99, 'x') } }, December7, 200).empty());
}

TEST(PlaceholdersTest, ASourceListsEachNameOnceWithItsFirstDefault)
{
    auto const found = FindPlaceholders(Sjis("<%顧客>\\<%案件=新規>\n; <%メモ>\n<%顧客=x>\\<%案件=y>\n"));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].Name, Sjis("顧客"));
    EXPECT_EQ(found[0].Default, std::nullopt);
    EXPECT_EQ(found[1].Name, Sjis("案件"));
    EXPECT_EQ(found[1].Default, Sjis("新規"));
}

} // namespace
} // namespace edamaki
