#include "core/text/ProgramTexts.h"

#include "core/text/Encoding.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

TEST(ProgramTextsTest, EachShiftJisFormIsTheConversionOfItsReadableText)
{
    for (ProgramText const& text : { NewFolderText, NothingToCreateText }) {
        ConversionResult const converted = Utf8ToShiftJis(text.Utf8);
        ASSERT_TRUE(converted.Succeeded()) << text.Utf8;
        EXPECT_EQ(converted.Text, text.ShiftJis) << text.Utf8;
    }
}

} // namespace
} // namespace edamaki
