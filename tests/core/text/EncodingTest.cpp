#include "core/text/Encoding.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

TEST(EncodingTest, RoundTripThroughShiftJis)
{
    std::string const utf8 = "フォルダ\\ソ表能ポ/ｶﾅ～";
    auto const shift_jis = Utf8ToShiftJis(utf8);
    ASSERT_TRUE(shift_jis.Succeeded());
    auto const back = ShiftJisToUtf8(shift_jis.Text);
    ASSERT_TRUE(back.Succeeded());
    EXPECT_EQ(back.Text, utf8);
}

TEST(EncodingTest, FailuresReportTheOffset)
{
    auto const no_shift_jis = Utf8ToShiftJis("ab\xF0\x9F\x98\x80"); // an emoji
    ASSERT_FALSE(no_shift_jis.Succeeded());
    EXPECT_EQ(no_shift_jis.Failure->Offset, 2u);

    auto const broken = ShiftJisToUtf8("abc\x81"); // a lead byte without its second byte
    ASSERT_FALSE(broken.Succeeded());
    EXPECT_EQ(broken.Failure->Offset, 3u);
}

TEST(EncodingTest, AScanFindsTheByteThatAConversionFailsOn)
{
    std::vector<std::string> texts { "", "plain", testing::Sjis("フォルダ") + "\x81", "ab\x80z", "a\x81" };
    // Every byte before a choice of second bytes, between plain characters.
    for (int first = 0; first < 256; ++first) {
        for (int const second :
            { 0x00, 0x3F, 0x40, 0x7E, 0x7F, 0x80, 0x9F, 0xA0, 0xDF, 0xE0, 0xFC, 0xFD, 0xFF })
            texts.push_back(std::string("x") + static_cast<char>(first) + static_cast<char>(second) + "y");
    }
    for (auto const& text : texts) {
        ConversionResult const converted = ShiftJisToUtf8(text);
        std::size_t const expected
            = converted.Succeeded() ? std::string_view::npos : converted.Failure->Offset;
        std::string bytes;
        for (char const byte : text)
            bytes += std::to_string(static_cast<unsigned char>(byte)) + ' ';
        ASSERT_EQ(FindInvalidShiftJis(text), expected) << bytes;
    }
}

// Code page 932 takes a few characters one way only; the text the core
// holds takes every character both ways.
TEST(EncodingTest, TheOneWayCharactersAreExactlyThoseWhoseShiftJisFormReadsBackAsAnother)
{
    ShiftJisConverter converter;
    std::vector<std::string> found;
    std::vector<std::string> changed;
    for (char32_t code = 0x80; code < 0x10000; ++code) {
        if (code >= 0xD800 && code < 0xE000)
            continue;
        std::string utf8;
        if (code < 0x800) {
            utf8 = { static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F)) };
        } else {
            utf8 = { static_cast<char>(0xE0 | (code >> 12)), static_cast<char>(0x80 | ((code >> 6) & 0x3F)),
                static_cast<char>(0x80 | (code & 0x3F)) };
        }
        ConversionResult const code_page = Utf8ToShiftJis(utf8);
        if (code_page.Succeeded() && ShiftJisToUtf8(code_page.Text).Text != utf8)
            found.push_back(utf8);
        std::string core_text;
        std::string back;
        if (converter.AppendShiftJis(utf8, core_text) || converter.AppendUtf8(core_text, back)
            || back != utf8)
            changed.push_back(utf8);
    }
    EXPECT_EQ(found, std::vector<std::string>(std::begin(OneWayCharacters), std::end(OneWayCharacters)));
    EXPECT_EQ(changed, std::vector<std::string>());
}

TEST(EncodingTest, Detection)
{
    struct Case {
        std::string bytes;
        TextEncoding encoding;
        bool bom;
    };
    Case const cases[] = {
        { "plain ascii", TextEncoding::ShiftJis, false }, { "", TextEncoding::ShiftJis, false },
        { "\xEF\xBB\xBF"
          "abc",
            TextEncoding::Utf8, true },
        { "フォルダ", TextEncoding::Utf8, false },
        { testing::Sjis("フォルダ"), TextEncoding::ShiftJis, false },
        { "\xC0\x80", TextEncoding::ShiftJis, false },     // overlong: not UTF-8
        { "\xED\xA0\x80", TextEncoding::ShiftJis, false }, // a surrogate: not UTF-8
    };
    for (auto const& c : cases) {
        auto const detected = DetectEncoding(c.bytes);
        EXPECT_EQ(detected.Encoding, c.encoding) << c.bytes;
        EXPECT_EQ(detected.HasByteOrderMark, c.bom) << c.bytes;
    }
}

// The text that detection reads the bytes as.
std::string DetectedText(std::string const& bytes)
{
    if (DetectEncoding(bytes).Encoding == TextEncoding::Utf8)
        return bytes;
    return ShiftJisToUtf8(bytes).Text;
}

TEST(EncodingTest, DetectionReadsFileNamesBackAsWrittenInEitherEncoding)
{
    char const* const names[] = { "日本", "東京", "顧客", "請求書", "株式会社テスト", "ア", "ｱ", "ﾃｽ", "ﾃｽﾄ",
        "ﾃｽ\\ﾄｷ", "ｶﾌﾞｼｷｶﾞｲｼｬ", "ﾎﾟｲﾝﾄ", "ﾖⅧ", "Ⅷ", "①", "㈱", "第①期", "㈱山田商事", "ABCﾃｽ", "ﾃｽ1", "1ﾃｽ",
        "資料2024", "report_報告", "2024年度\\ｿﾌﾄ", "見積ｿﾌﾄ", "ｻﾝﾌﾟﾙ" };
    for (std::string const name : names) {
        EXPECT_EQ(DetectedText(name), name) << name << " in UTF-8";
        EXPECT_EQ(DetectedText(testing::Sjis(name)), name) << name << " in Shift-JIS";
    }
    // Valid Shift-JIS too, but Latin words.
    for (std::string const name : { "café", "Ñandú", "Øresund", "Müller", "ÉCOLE", "25°C", "Việt" })
        EXPECT_EQ(DetectEncoding(name).Encoding, TextEncoding::Utf8) << name;
}

TEST(EncodingTest, EveryLineEndEndsALine)
{
    using Lines = std::vector<std::string>;
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (Lines { "a", "b", "c", "d" }));
    EXPECT_EQ(SplitLines("a\r\n"), (Lines { "a" }));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (Lines { "a", "" }));
    EXPECT_EQ(SplitLines("\n\r"), (Lines { "", "" }));
    EXPECT_EQ(SplitLines(""), Lines {});
    EXPECT_EQ(JoinLinesCrLf({ "a", "", "b" }), "a\r\n\r\nb\r\n");
}

} // namespace
} // namespace edamaki
