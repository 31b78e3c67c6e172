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

TEST(QtShiftJisTest, ACharacterShiftJisLacksIsFoundOrMadeInvalid)
{
    QString const text = QString::fromUtf8("ab\nc😀d");
    qsizetype position = -1;
    EXPECT_FALSE(QStringToShiftJis(text, &position).has_value());
    EXPECT_EQ(position, 4);
    EXPECT_EQ(QStringToShiftJisForReading(text), "ab\nc?d");
}

TEST(QtShiftJisTest, InvalidBytesShowAsReplacementCharacters)
{
    EXPECT_EQ(ShiftJisToQString("a\x81"), QString::fromUtf8("a\xEF\xBF\xBD"));
    EXPECT_EQ(ShiftJisToQString("\x81\x81\x81"), QString::fromUtf8("＝\xEF\xBF\xBD"));
}

} // namespace
} // namespace edamaki
