#include "gui/qt/QtShiftJis.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

TEST(QtShiftJisTest, ConvertsBothWays)
{
    QString const text = QString::fromUtf8("ソ表能ポ\\フォルダ");
    auto const shift_jis = QStringToShiftJis(text);
    ASSERT_TRUE(shift_jis.has_value());
    EXPECT_EQ(*shift_jis, testing::Sjis("ソ表能ポ\\フォルダ"));
    EXPECT_EQ(ShiftJisToQString(*shift_jis), text);
}

TEST(QtShiftJisTest, ACharacterShiftJisLacksIsFound)
{
    // "¥" would come back as "\\", "〜" as the full-width tilde.
    struct Case {
        char const* Text;
        qsizetype At;
    };
    for (auto const& test : { Case { "ab\nc😀d", 4 }, Case { "/home/a¥b", 7 }, Case { "〜😀", 0 } }) {
        qsizetype position = -1;
        EXPECT_FALSE(QStringToShiftJis(QString::fromUtf8(test.Text), &position).has_value()) << test.Text;
        EXPECT_EQ(position, test.At) << test.Text;
    }
}

TEST(QtShiftJisTest, ACharacterShiftJisLacksReadsAndComesBackAsItself)
{
    for (char const* text : { "ab\nc😀d", "〜−¥‾é", "表〜\\x" }) {
        std::string const read = QStringToShiftJisForReading(QString::fromUtf8(text));
        EXPECT_EQ(ShiftJisToQString(read), QString::fromUtf8(text));
    }
}

TEST(QtShiftJisTest, InvalidBytesShowAsReplacementCharacters)
{
    EXPECT_EQ(ShiftJisToQString("a\x81"), QString::fromUtf8("a\xEF\xBF\xBD"));
    EXPECT_EQ(ShiftJisToQString("\x81\x81\x81"), QString::fromUtf8("＝\xEF\xBF\xBD"));
}

} // namespace
} // namespace edamaki
