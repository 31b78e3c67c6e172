#include "core/text/SourceLines.h"
#include "core/text/Encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace edamaki {
namespace {

TEST(SourceLinesTest, ATextHasTheLinesThatSplitLinesMakes)
{
    for (std::string_view const text :
        { "", "\n", "a", "a\r\nb", "a\rb\n", "a\n\n", "\r\n\r\n", "a\r\r\nb", "\n\r" }) {
        SourceLines const lines = SourceLines::InText(text);
        std::vector<std::string> const read(lines.begin(), lines.end());
        std::vector<std::string> const split = SplitLines(text);
        EXPECT_EQ(read, split) << text.size();
        EXPECT_EQ(lines.IsEmpty(), split.empty());
        for (std::size_t index = 0; index <= split.size(); ++index) {
            auto const line = lines.Line(index);
            ASSERT_EQ(line.has_value(), index < split.size());
            if (line) {
                EXPECT_EQ(*line, split[index]);
            }
        }
    }
}

} // namespace
} // namespace edamaki
