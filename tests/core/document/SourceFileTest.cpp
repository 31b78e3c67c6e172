#include "core/document/SourceFile.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

using testing::Sjis;
using Lines = std::vector<std::string>;
using Kind = SourceFileError::Kind;

TEST(SourceFileTest, DecodesTrimmedLinesInTheChosenOrDetectedEncoding)
{
    struct Case {
        char const* Name;
        std::string Bytes;
        EncodingChoice Choice;
        TextEncoding Encoding;
        bool ByteOrderMark;
        std::string Utf8;
    };
    Case const cases[] = {
        { "shift-jis", Sjis(" 名前 \r\n\t>b\r"), EncodingChoice::Auto, TextEncoding::ShiftJis, false,
            "名前\n>b\n" },
        { "utf-8", "\x01 顧客\na ", EncodingChoice::Auto, TextEncoding::Utf8, false, "顧客\na" },
        { "byte order mark", "\xEF\xBB\xBF a\r\n", EncodingChoice::Auto, TextEncoding::Utf8, true, "a\n" },
        { "ascii", "a b \r\n\r\n", EncodingChoice::Auto, TextEncoding::ShiftJis, false, "a b\n\n" },
        { "empty", "", EncodingChoice::Auto, TextEncoding::ShiftJis, false, "" },
        { "empty and blank lines", "\r\n  \r x \r\r\n\ty", EncodingChoice::Auto, TextEncoding::ShiftJis,
            false, "\n\nx\n\ny" },
        // Valid in both encodings: the choice decides.
        { "chosen utf-8", "\xC3\xA9", EncodingChoice::Utf8, TextEncoding::Utf8, false, "\u00e9" },
        { "chosen cp932", "\xC3\xA9", EncodingChoice::ShiftJis, TextEncoding::ShiftJis, false, "ﾃｩ" },
        // Valid in both, read by what the bytes say.
        { "half-width katakana", Sjis("ﾃｽ\\ﾄｷ"), EncodingChoice::Auto, TextEncoding::ShiftJis, false,
            "ﾃｽ\\ﾄｷ" },
        { "kana in utf-8", "日本", EncodingChoice::Auto, TextEncoding::Utf8, false, "日本" },
    };
    for (auto const& test : cases) {
        SourceFileError error;
        auto const source = DecodeSourceFile(test.Bytes, test.Choice, error);
        ASSERT_TRUE(source) << test.Name;
        EXPECT_EQ(source->Format.Encoding, test.Encoding) << test.Name;
        EXPECT_EQ(source->Format.HasByteOrderMark, test.ByteOrderMark) << test.Name;
        EXPECT_EQ(SourceTextAsUtf8(*source), test.Utf8) << test.Name;
    }
}

TEST(SourceFileTest, Utf16IsRefusedAsSuch)
{
    for (std::string const& bytes : { std::string("\xFF\xFE"
                                                  "a\0",
                                          4),
             std::string("\xFE\xFF\x30\xA2", 4), std::string("a\0b\0\r\0\n\0", 8),
             std::string("\0a\0b", 4) }) {
        for (auto const choice : { EncodingChoice::Auto, EncodingChoice::ShiftJis, EncodingChoice::Utf8 }) {
            SourceFileError error;
            EXPECT_FALSE(DecodeSourceFile(bytes, choice, error));
            EXPECT_EQ(error.Problem, Kind::Utf16);
        }
    }
    SourceFileError error;
    EXPECT_TRUE(DecodeSourceFile(std::string("a\0bc\r\n", 6), EncodingChoice::Auto, error));
}

TEST(SourceFileTest, InvalidBytesNameTheirLine)
{
    struct Case {
        std::string Bytes;
        EncodingChoice Choice;
        TextEncoding Encoding;
        std::size_t Line;
    };
    Case const cases[] = {
        { "a\r\nb\r\n\x81", EncodingChoice::Auto, TextEncoding::ShiftJis, 3 },
        { "a\rb\n\n\x82\x20", EncodingChoice::ShiftJis, TextEncoding::ShiftJis, 4 },
        { "\xEF\xBB\xBF"
          "a\n\xFF",
            EncodingChoice::Auto, TextEncoding::Utf8, 2 },
        { "ok\r\n\xC3", EncodingChoice::Utf8, TextEncoding::Utf8, 2 },
    };
    for (auto const& test : cases) {
        SourceFileError error;
        EXPECT_FALSE(DecodeSourceFile(test.Bytes, test.Choice, error)) << test.Bytes;
        EXPECT_EQ(error.Problem, Kind::InvalidBytes) << test.Bytes;
        EXPECT_EQ(error.Encoding, test.Encoding) << test.Bytes;
        EXPECT_EQ(error.Line, test.Line) << test.Bytes;
    }
}

TEST(SourceFileTest, ShiftJisLinesKeepTheFilesOwnBytes)
{
    // Two codes of one character: a conversion there and back would pick one.
    SourceFileError error;
    auto const source = DecodeSourceFile("\xED\x40\r\n \xFA\x5C", EncodingChoice::ShiftJis, error);
    ASSERT_TRUE(source);
    EXPECT_EQ(SourceTextAsShiftJisLines(*source), (Lines { "\xED\x40", "\xFA\x5C" }));
}

TEST(SourceFileTest, ACharacterShiftJisLacksReadsAsItselfAndRefusesOnlyAShiftJisSave)
{
    struct Case {
        std::string Utf8;
        std::size_t Line;
        std::string Character;
        char32_t CodePoint;
    };
    Case const cases[] = {
        { "一\r\n二\u00e9", 2, "\u00e9", 0xE9 },
        { "a\n\nb\U0001F600", 3, "\U0001F600", 0x1F600 },
        // Characters whose Shift-JIS code reads back as another one.
        { "a\u00a5b", 1, "\u00a5", 0xA5 },
        { "x\n\u203e", 2, "\u203e", 0x203E },
    };
    for (auto const& test : cases) {
        SourceFileError error;
        auto const source = DecodeSourceFile(test.Utf8, EncodingChoice::Utf8, error);
        ASSERT_TRUE(source);
        Lines const lines = SourceTextAsShiftJisLines(*source);
        EXPECT_EQ(lines, SplitLines(Utf8ToShiftJisForReading(test.Utf8))) << test.Utf8;

        SourceFileError save_error;
        SourceFileError lines_error;
        EXPECT_FALSE(EncodeSourceFile(test.Utf8, { TextEncoding::ShiftJis, false }, save_error));
        EXPECT_FALSE(EncodeSourceLines(lines, { TextEncoding::ShiftJis, false }, lines_error));
        EXPECT_EQ(EncodeSourceLines(lines, { TextEncoding::Utf8, false }, error),
            JoinLinesCrLf(SplitLines(test.Utf8)));
        for (auto const& refused : { save_error, lines_error }) {
            EXPECT_EQ(refused.Problem, Kind::MissingCharacter);
            EXPECT_EQ(refused.Encoding, TextEncoding::ShiftJis);
            EXPECT_EQ(refused.Line, test.Line);
            EXPECT_EQ(refused.Character, test.Character);
            EXPECT_EQ(refused.CodePoint, test.CodePoint);
        }
    }
}

TEST(SourceFileTest, AShiftJisSaveWritesTheJisFormsWithTheirCodes)
{
    struct Case {
        char const* Typed;
        char const* Code;
        char const* ReadBack; // what a Shift-JIS file with that code reads as
    };
    Case const cases[] = {
        { "\u301c", "\x81\x60", "\uff5e" },
        { "\u2016", "\x81\x61", "\u2225" },
        { "\u2212", "\x81\x7c", "\uff0d" },
        { "\u00a2", "\x81\x91", "\uffe0" },
        { "\u00a3", "\x81\x92", "\uffe1" },
        { "\u00ac", "\x81\xca", "\uffe2" },
        { "\u2014", "\x81\x5c", "\u2015" },
    };
    DetectedEncoding const shift_jis { TextEncoding::ShiftJis, false };
    for (auto const& test : cases) {
        std::string const typed = std::string("4") + test.Typed + "6";
        std::string const code = std::string("4") + test.Code + "6";
        SourceFileError error;
        EXPECT_EQ(EncodeSourceFile(typed, shift_jis, error), code) << test.Typed;
        EXPECT_EQ(EncodeSourceLines({ Utf8ToShiftJisForReading(typed) }, shift_jis, error), code + "\r\n");
        auto const reopened = DecodeSourceFile(code, EncodingChoice::ShiftJis, error);
        ASSERT_TRUE(reopened);
        EXPECT_EQ(SourceTextAsUtf8(*reopened), std::string("4") + test.ReadBack + "6") << test.Typed;
    }
}

TEST(SourceFileTest, EncodesInTheFormatTheFileWasReadIn)
{
    SourceFileError error;
    DetectedEncoding const shift_jis { TextEncoding::ShiftJis, false };
    DetectedEncoding const byte_order_mark { TextEncoding::Utf8, true };
    EXPECT_EQ(EncodeSourceFile("名\r\nb", shift_jis, error), Sjis("名\r\nb"));
    EXPECT_EQ(EncodeSourceFile("名\r\n", byte_order_mark, error), "\xEF\xBB\xBF名\r\n");
    EXPECT_EQ(EncodeSourceLines({ Sjis("名"), "b" }, shift_jis, error), Sjis("名\r\nb\r\n"));
    EXPECT_EQ(EncodeSourceLines({ Sjis("名") }, byte_order_mark, error), "\xEF\xBB\xBF名\r\n");
    // Text that begins with U+FEFF keeps it: a mark goes before it, or a
    // second reading would take the character for the mark.
    auto const saved = EncodeSourceFile("\xEF\xBB\xBF"
                                        "a",
        { TextEncoding::Utf8, false }, error);
    ASSERT_TRUE(saved);
    auto const reopened = DecodeSourceFile(*saved, EncodingChoice::Auto, error);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(SourceTextAsUtf8(*reopened),
        "\xEF\xBB\xBF"
        "a");

    // A lead byte without its second byte has no UTF-8 form.
    EXPECT_FALSE(EncodeSourceLines({ "a", "\x81" }, { TextEncoding::Utf8, false }, error));
    EXPECT_EQ(error.Problem, Kind::InvalidBytes);
    EXPECT_EQ(error.Line, 2u);
}

} // namespace
} // namespace edamaki
