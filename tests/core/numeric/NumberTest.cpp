#include "core/numeric/Number.h"

#include <gtest/gtest.h>

#include <climits>

namespace edamaki {
namespace {

// One reader, two forms: macro tags and the numeric edit.
TEST(NumberTest, TagAndEditForms)
{
    using Value = std::optional<std::int32_t>;
    struct Case {
        char const* text;
        Value tag;
        Value edit;
    };
    Case const cases[] = {
        { "12", 12, 12 },
        { "007", 7, 7 },
        { "-3", -3, -3 },
        { "+3", 3, {} },
        { "   7", 7, {} },
        { "$1F", 31, 31 },
        { "$ff", 255, 255 },
        { "x1f", 31, {} },
        { "X10", 16, {} },
        { "0x10", 16, {} },
        { "0XfF", 255, {} },
        { "-$A", -10, {} },
        { "2147483647", INT_MAX, INT_MAX },
        { "-2147483648", INT_MIN, INT_MIN },
        { "$7FFFFFFF", INT_MAX, INT_MAX },
        { "-0x80000000", INT_MIN, {} },
        { "$80000000", {}, INT_MIN },
        { "$FFFFFFFF", {}, -1 },
        { "$0000000000FF", 255, 255 },
        { "$100000000", {}, {} },
        { "2147483648", {}, {} },
        { "99999999999999999999", {}, {} },
        { "", {}, {} },
        { "   ", {}, {} },
        { "-", {}, {} },
        { "$", {}, {} },
        { "0x", {}, {} },
        { "7 ", {}, {} },
        { "\t7", {}, {} },
        { "- 7", {}, {} },
        { "$-7", {}, {} },
        { "1a", {}, {} },
        { "$G", {}, {} },
        { "1.5", {}, {} },
    };
    for (auto const& c : cases) {
        EXPECT_EQ(ReadNumber(c.text, TagNumberForm), c.tag) << "tag \"" << c.text << '"';
        EXPECT_EQ(ReadNumber(c.text, EditNumberForm), c.edit) << "edit \"" << c.text << '"';
    }
}

} // namespace
} // namespace edamaki
