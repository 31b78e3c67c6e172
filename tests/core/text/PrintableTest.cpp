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
        // Bidirectional controls, which reorder what a terminal shows.
        { "rlo\u202Egpj.exe", "rlo\\xE2\\x80\\xAEgpj.exe" },
        { "lre\u202A pdf\u202C", "lre\\xE2\\x80\\xAA pdf\\xE2\\x80\\xAC" },
        { "\u2066\u2067\u2068\u2069", "\\xE2\\x81\\xA6\\xE2\\x81\\xA7\\xE2\\x81\\xA8\\xE2\\x81\\xA9" },
        { "lrm\u200Erlm\u200Falm\u061C", "lrm\\xE2\\x80\\x8Erlm\\xE2\\x80\\x8Falm\\xD8\\x9C" },
        { "zwj\u200D\u2065\u206A\u2029", "zwj\u200D\u2065\u206A\u2029" },
    };
    for (auto const& test : cases)
        EXPECT_EQ(EscapeForTerminal(test.Text), test.Printed) << test.Text;
}

} // namespace
} // namespace edamaki
