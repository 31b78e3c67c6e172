#include "core/numeric/NumericText.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

using testing::Sjis;

NumericText Field(
    TNumericalType type, TNumericalPlace places = TNumericalPlace::places8, bool four_digit = false)
{
    NumericText field;
    field.SetMaxPlaces(places);
    field.SetNumericType(type);
    field.SetFourDigit(four_digit);
    field.SetNumeralOnly(true);
    return field;
}

TEST(NumericTextTest, NormalizeNumber)
{
    struct Case {
        std::string text;
        TNumericalPlace places;
        std::string expected;
    };
    auto const p8 = TNumericalPlace::places8;
    auto const p4 = TNumericalPlace::places4;
    auto const p2 = TNumericalPlace::places2;
    Case const cases[] = {
        { "", p8, "0" },
        { "007", p8, "7" },
        { "12a", p8, "0" },
        { "2147483647", p8, "2147483647" },
        { "2147483648", p8, "0" },
        { "21474836470", p8, "0" },
        { "3000000000", p8, "0" },
        { "0000000012", p8, "12" }, // ten characters, the first a 0
        { "00000000012", p8, "0" }, // eleven characters are too many
        { "-2147483647", p8, "-2147483647" },
        { "-2147483648", p8, "0" },
        { "-007", p8, "-7" },
        { "-0", p8, "0" },
        { "-", p8, "0" }, // a sign without digits is no number
        { "--5", p8, "0" },
        { "+5", p8, "0" },
        { " 5", p8, "0" },
        { "5\t", p8, "0" },
        { "1_000", p8, "0" },
        { "$ff", p8, "$000000FF" },
        { "$FFFFFFFF", p8, "$FFFFFFFF" },
        { "$000000000FF", p8, "$000000FF" }, // leading zeros do not count
        { "$100000000", p8, "$00000000" },
        { "$", p8, "$00000000" },
        { "$0", p8, "$00000000" },
        { "$-1", p8, "$00000000" },
        { "$fg", p8, "$00000000" },
        { "$123", p2, "$00" },
        { "$FF", p2, "$FF" },
        { "$ABCD", p4, "$ABCD" },
        { "$1ABCD", p4, "$0000" },
    };
    for (auto const& c : cases) {
        NumericText field;
        field.SetMaxPlaces(c.places);
        EXPECT_EQ(field.NormalizeNumber(c.text), c.expected) << c.text;
    }
}

TEST(NumericTextTest, StripKeepsDigitsAndControlCharacters)
{
    EXPECT_EQ(NumericText::StripDecimal("-1a2 3\t4$_"), "123\t4");
    EXPECT_EQ(NumericText::StripHex("$0000_00fFgG-\x01"), "000000fF\x01");
    // Double-byte characters go whole: ア is 0x83 0x41 and its second byte is no "A".
    EXPECT_EQ(NumericText::StripHex(Sjis("ア1１")), "1");
    EXPECT_EQ(NumericText::StripDecimal(Sjis("１2")), "2");
}

TEST(NumericTextTest, GroupDigits)
{
    struct Case {
        std::string text;
        std::string expected;
    };
    Case const cases[] = {
        { "0", "0" },
        { "1234", "1234" },
        { "12345", "1_2345" },
        { "12345678", "1234_5678" },
        { "123456789", "1_2345_6789" },
        { "$000000FF", "$0000_00FF" },
        { "$FF", "$FF" },
        { "$ABCD", "$ABCD" },
        { "-12345", "-1_2345" },
        { "-1234", "-1234" }, // never "_" right after the sign
        { "-2147483647", "-21_4748_3647" },
    };
    NumericText field;
    field.SetFourDigit(true);
    for (auto const& c : cases) {
        EXPECT_EQ(field.GroupDigits(c.text), c.expected) << c.text;
        EXPECT_EQ(NumericText::UngroupDigits(c.expected), c.text) << c.text;
    }
    field.SetFourDigit(false);
    EXPECT_EQ(field.GroupDigits("12345678"), "12345678");
    // ダ is 0x83 0x5F: its second byte is no "_".
    EXPECT_EQ(NumericText::UngroupDigits(Sjis("ダ_1")), Sjis("ダ1"));
}

TEST(NumericTextTest, TextProperty)
{
    struct Case {
        TNumericalType type;
        bool four_digit;
        std::string value;
        std::string shown;
        std::string read;
    };
    auto const dec = TNumericalType::Decimal;
    auto const hex = TNumericalType::HexDecimal;
    Case const cases[] = {
        { dec, false, "", "0", "0" },
        { dec, false, "-5", "-5", "-5" }, // code may set a negative value
        { dec, false, "12a", "0", "0" },  // nothing stripped on this path
        { dec, true, "12345678", "1234_5678", "12345678" },
        { dec, true, "1234_5678", "0", "0" },
        { dec, false, "$FF", "$000000FF", "$000000FF" },
        { hex, false, "", "$00000000", "$00000000" },
        { hex, false, "FF", "$000000FF", "$000000FF" }, // "$" is put in front
        { hex, false, "$ff", "$000000FF", "$000000FF" },
        { hex, false, "-1", "$00000000", "$00000000" },
        { hex, true, "$FF", "$0000_00FF", "$000000FF" },
    };
    for (auto const& c : cases) {
        auto field = Field(c.type, TNumericalPlace::places8, c.four_digit);
        field.SetText(c.value);
        EXPECT_EQ(field.GetRawText(), c.shown) << c.value;
        EXPECT_EQ(field.Text(), c.read) << c.value;
    }

    // Outside numbers-only mode the text is shown and read as it is.
    NumericText plain;
    plain.SetFourDigit(true);
    plain.SetText("1_2 abc");
    EXPECT_EQ(plain.GetRawText(), "1_2 abc");
    EXPECT_EQ(plain.Text(), "1_2 abc");
}

TEST(NumericTextTest, PropertiesSetInTheOrderOfTheFormResource)
{
    NumericText field;
    field.SetText("1");
    field.SetNumeralOnly(true);
    EXPECT_EQ(field.GetRawText(), "$00000001");
    field.SetNumericType(TNumericalType::Decimal);
    EXPECT_EQ(field.GetRawText(), "1");
}

TEST(NumericTextTest, PropertySettersRenderTheValueAgain)
{
    auto field = Field(TNumericalType::HexDecimal);
    field.SetText("$FF");
    field.SetMaxPlaces(TNumericalPlace::places2);
    EXPECT_EQ(field.HexDigits(), 2);
    EXPECT_EQ(field.GetRawText(), "$FF");
    field.SetMaxPlaces(TNumericalPlace::places4);
    EXPECT_EQ(field.GetRawText(), "$00FF");
    field.SetFourDigit(true);
    EXPECT_EQ(field.GetRawText(), "$00FF");
    field.SetMaxPlaces(TNumericalPlace::places8);
    EXPECT_EQ(field.GetRawText(), "$0000_00FF");
    field.SetNumericType(TNumericalType::Decimal);
    EXPECT_EQ(field.GetRawText(), "255");

    field.SetText("-1");
    field.SetNumericType(TNumericalType::HexDecimal);
    EXPECT_EQ(field.GetRawText(), "$FFFF_FFFF");
    field.SetFourDigit(false);
    field.SetNumericType(TNumericalType::Decimal);
    EXPECT_EQ(field.GetRawText(), "-1");

    // Fewer places than the value needs: "$" and zeros.
    field.SetNumericType(TNumericalType::HexDecimal);
    field.SetText("$100");
    field.SetMaxPlaces(TNumericalPlace::places2);
    EXPECT_EQ(field.GetRawText(), "$00");

    // $80000000 is -2147483648, beyond the decimal magnitude: zero.
    field.SetMaxPlaces(TNumericalPlace::places8);
    field.SetText("$80000000");
    field.SetNumericType(TNumericalType::Decimal);
    EXPECT_EQ(field.GetRawText(), "0");
}

TEST(NumericTextTest, RenderingAgainATextThatIsNoNumberGivesZero)
{
    auto field = Field(TNumericalType::Decimal);
    field.SetRawText("12a");   // pasted: no reformat
    field.SetFourDigit(false); // unchanged value: nothing happens
    EXPECT_EQ(field.GetRawText(), "12a");
    field.SetFourDigit(true);
    EXPECT_EQ(field.GetRawText(), "0");

    field.SetRawText("x");
    field.SetNumericType(TNumericalType::HexDecimal);
    EXPECT_EQ(field.GetRawText(), "$0000_0000");
}

TEST(NumericTextTest, NumeralOnly)
{
    NumericText field;
    field.SetNumericType(TNumericalType::Decimal);
    field.SetText("1_000");
    field.SetNumeralOnly(true);
    EXPECT_EQ(field.GetRawText(), "1000");
    field.SetNumeralOnly(false);
    field.SetText("abc");
    EXPECT_EQ(field.GetRawText(), "abc");
    field.SetNumeralOnly(true);
    EXPECT_EQ(field.GetRawText(), "0");

    // The value rendered in hexadecimal keeps to the places.
    NumericText narrow;
    narrow.SetMaxPlaces(TNumericalPlace::places2);
    narrow.SetText("1000");
    narrow.SetNumeralOnly(true);
    EXPECT_EQ(narrow.GetRawText(), "$00");
    narrow.SetNumeralOnly(false);
    narrow.SetText("200");
    narrow.SetNumeralOnly(true);
    EXPECT_EQ(narrow.GetRawText(), "$C8");
}

TEST(NumericTextTest, ReformatAfterATypedCharacter)
{
    struct Case {
        TNumericalType type;
        TNumericalPlace places;
        bool four_digit;
        std::string typed; // the text with the character in it
        int start;
        int end;
        std::string shown;
        int new_start;
        int new_end;
    };
    auto const dec = TNumericalType::Decimal;
    auto const hex = TNumericalType::HexDecimal;
    auto const p8 = TNumericalPlace::places8;
    auto const p2 = TNumericalPlace::places2;
    Case const cases[] = {
        { dec, p8, false, "01", 2, 2, "1", 1, 1 },       // 1 typed after 0
        { dec, p8, false, "", 0, 0, "0", 1, 1 },         // Backspace on 5
        { dec, p8, false, "12x34", 3, 3, "1234", 2, 2 }, // a letter goes, the caret stays after 2
        { dec, p8, false, "-5", 1, 1, "5", 0, 0 },       // no sign by typing
        { dec, p8, false, "2147483647", 10, 10, "2147483647", 10, 10 },
        { dec, p8, false, "21474836471", 11, 11, "0", 1, 1 },
        { dec, p8, false, "12x34", 1, 3, "1234", 0, 2 }, // both ends of a selection
        { dec, p8, false, "12x34", 3, 1, "1234", 2, 0 },
        { dec, p8, false, "abc5", 1, 1, "5", 0, 0 }, // a distance longer than the new text
        { dec, p8, true, "12345", 5, 5, "1_2345", 6, 6 },
        { dec, p8, true, "1234_56785", 10, 10, "1_2345_6785", 11, 11 },
        { hex, p8, false, "$00000000F", 10, 10, "$0000000F", 9, 9 },
        { hex, p8, false, "$123456789", 10, 10, "$00000000", 9, 9 },
        { hex, p8, false, "$0000000a", 9, 9, "$0000000A", 9, 9 },
        { hex, p8, false, "$0000000g", 9, 9, "$00000000", 9, 9 },
        { hex, p8, true, "$0000_00FFA", 11, 11, "$0000_0FFA", 10, 10 },
        { hex, p2, false, "$0FF", 4, 4, "$FF", 3, 3 },
        { hex, p2, false, "$FF1", 4, 4, "$00", 3, 3 },
        { hex, p2, false, "1$FF", 1, 1, "$00", 0, 0 },
    };
    for (auto const& c : cases) {
        auto field = Field(c.type, c.places, c.four_digit);
        field.SetRawText(c.typed);
        field.SetSelection(c.start, c.end);
        field.Reformat();
        EXPECT_EQ(field.GetRawText(), c.shown) << c.typed;
        EXPECT_EQ(field.SelectionStart(), c.new_start) << c.typed;
        EXPECT_EQ(field.SelectionEnd(), c.new_end) << c.typed;
    }

    // Outside numbers-only mode typing is left alone.
    NumericText plain;
    plain.SetRawText("12x");
    plain.SetSelection(3, 3);
    plain.Reformat();
    EXPECT_EQ(plain.GetRawText(), "12x");
    EXPECT_EQ(plain.SelectionStart(), 3);
}

} // namespace
} // namespace edamaki
