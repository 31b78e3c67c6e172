#include "core/document/RowTable.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

using testing::Sjis;
using Cells = std::vector<std::vector<std::string>>;

TEST(RowTableTest, ReadsTablesAsSpreadsheetsWriteThem)
{
    struct Case {
        char const* Name;
        std::string Bytes;
        std::vector<std::string> Columns; // the core's text
        Cells Rows;
        std::vector<std::size_t> Lines;
        char Separator;
    };
    Case const cases[] = {
        { "plain, LF", "a,b\nx,y\n", { "a", "b" }, { { "x", "y" } }, { 2 }, ',' },
        { "quotes, embedded comma and doubled quote", "a,b\r\n\"x,1\",\"say \"\"hi\"\"\"\r\n", { "a", "b" },
            { { "x,1", "say \"hi\"" } }, { 2 }, ',' },
        { "line break inside quotes counts its lines", "a,b\r\n\"one\r\ntwo\",z\r\nq,r\r\n", { "a", "b" },
            { { "one\r\ntwo", "z" }, { "q", "r" } }, { 2, 4 }, ',' },
        { "blank lines and empty rows skipped", "\r\na,b\r\n\r\n,\r\nx,\r\n", { "a", "b" }, { { "x", "" } },
            { 5 }, ',' },
        { "byte order mark", "\xEF\xBB\xBF顧客,案件\r\nＡ社,見積\r\n", { Sjis("顧客"), Sjis("案件") },
            { { Sjis("Ａ社"), Sjis("見積") } }, { 2 }, ',' },
        { "Shift-JIS as Excel writes it", Sjis("顧客,案件\r\nＡ社,\"表,示\"\r\n"),
            { Sjis("顧客"), Sjis("案件") }, { { Sjis("Ａ社"), Sjis("表,示") } }, { 2 }, ',' },
        { "tab separated, commas are text", "a\tb\nx,1\t\"y\tz\"\n", { "a", "b" }, { { "x,1", "y\tz" } },
            { 2 }, '\t' },
        { "no final line break", "a\nx", { "a" }, { { "x" } }, { 2 }, ',' },
    };
    for (Case const& test : cases) {
        SCOPED_TRACE(test.Name);
        RowTableError error;
        auto const table = ParseRowTable(test.Bytes, EncodingChoice::Auto, error);
        ASSERT_TRUE(table) << error.Reason;
        EXPECT_EQ(table->Columns, test.Columns);
        EXPECT_EQ(table->Separator, test.Separator);
        ASSERT_EQ(table->Rows.size(), test.Rows.size());
        for (std::size_t index = 0; index < test.Rows.size(); ++index) {
            EXPECT_EQ(table->Rows[index].Values, test.Rows[index]);
            EXPECT_EQ(table->Rows[index].Line, test.Lines[index]);
        }
    }
}

TEST(RowTableTest, ACharacterShiftJisLacksComesThrough)
{
    RowTableError error;
    auto const table = ParseRowTable("a\n\xF0\x9F\x98\x80\xE9\xB7\x97\n", EncodingChoice::Auto, error);
    ASSERT_TRUE(table);
    ShiftJisConverter converter;
    std::string utf8;
    ASSERT_FALSE(converter.AppendUtf8(table->Rows.at(0).Values.at(0), utf8));
    EXPECT_EQ(utf8, "\xF0\x9F\x98\x80\xE9\xB7\x97");
}

TEST(RowTableTest, RefusesWhatItCannotReadNamingWhere)
{
    struct Case {
        char const* Name;
        std::string Bytes;
        std::size_t Line;
        std::size_t Row;
        char const* Reason;
    };
    Case const cases[] = {
        { "ragged row, fewer", "a,b\nx,y\n\nz\n", 4, 2, "1 cell, and the header has 2" },
        { "ragged row, more", "a\nx,y\n", 2, 1, "2 cells, and the header has 1" },
        { "quote left open", "a\nx\n\"y\nz\n", 3, 2, "a quoted value is not closed" },
        { "text after a closing quote", "a\n\"x\"y\n", 2, 1, "text after the closing quote of a value" },
        { "empty header cell", "a,,b\nx,y,z\n", 1, 0, "column 2 of the header has no name" },
        { "repeated header cell", "a,a\nx,y\n", 1, 0, "column 2 of the header repeats a name" },
        { "not Shift-JIS", "a\r\nx\r\n\x81\x20\r\n", 3, 0, "not valid Shift-JIS" },
        { "no header", "\r\n,,\r\n", 0, 0,
            "no header line: the first line names the placeholders, one per column" },
    };
    for (Case const& test : cases) {
        SCOPED_TRACE(test.Name);
        RowTableError error;
        EXPECT_FALSE(ParseRowTable(test.Bytes, EncodingChoice::Auto, error));
        EXPECT_EQ(error.Line, test.Line);
        EXPECT_EQ(error.Row, test.Row);
        EXPECT_EQ(error.Reason, test.Reason);
    }
}

} // namespace
} // namespace edamaki
