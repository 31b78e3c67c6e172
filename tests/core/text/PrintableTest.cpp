#include "core/text/Printable.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

TEST(PrintableTest, ControlCharactersAndBrokenBytesAreEscaped)
{
    struct Case {
        std::string_view Text;
        std::string_view Printed;
    };
    Case const cases[] = {
        { "plain/表", "plain/表" },
        { "esc\x1b[31m", "esc\\x1B[31m" },
        { "cr\rlf\ntab\t", "cr\\x0Dlf\\x0Atab\\x09" },
        { "del\x7f", "del\\x7F" },
        { "csi\xc2\x9b"
          "2J",
            "csi\\xC2\\x9B2J" }, // a C1 control in UTF-8
        { "nbsp\xc2\xa0", "nbsp\xc2\xa0" },
        { "bad\xff\xfe!", "bad\\xFF\\xFE!" },
        { "cut\xe8\xa1", "cut\\xE8\\xA1" },
    };
    for (auto const& test : cases)
        EXPECT_EQ(EscapeForTerminal(test.Text), test.Printed) << test.Text;
}

} // namespace
} // namespace edamaki
