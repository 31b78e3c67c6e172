#include "core/text/SourceOffsets.h"

#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

using testing::Sjis;

TEST(SourceOffsetsTest, CountsEachLineBreakAsTwoBytes)
{
    // "ab", "" and two double-byte characters: starts 0, 4 and 6.
    SourceOffsets const offsets({ "ab", "", Sjis("日本") });
    ASSERT_EQ(offsets.LineCount(), 3u);
    EXPECT_EQ(offsets.LineStart(1), 4u);
    EXPECT_EQ(offsets.LineStart(2), 6u);
    EXPECT_EQ(offsets.TextLength(), 12u);
}

TEST(SourceOffsetsTest, MapsOffsetsToPositionsAndBack)
{
    SourceOffsets const offsets({ "ab", "", Sjis("日本") });
    struct Case {
        std::size_t Offset;
        SourcePosition Position;
        std::size_t Back; // the offset the position maps back to
    };
    Case const cases[] = {
        { 0, { 0, 0 }, 0 }, { 2, { 0, 2 }, 2 },
        { 3, { 0, 2 }, 2 }, // inside the line break: the end of the line
        { 4, { 1, 0 }, 4 }, { 8, { 2, 2 }, 8 },
        { 99, { 2, 4 }, 10 }, // past the text: the end of the last line
    };
    for (auto const& test : cases) {
        SCOPED_TRACE(test.Offset);
        EXPECT_EQ(offsets.PositionOf(test.Offset), test.Position);
        EXPECT_EQ(offsets.OffsetOf(test.Position), test.Back);
    }
    EXPECT_EQ(offsets.OffsetOf({ 7, 0 }), offsets.TextLength());
}

TEST(SourceOffsetsTest, BridgesBytesAndCharactersWithinALine)
{
    std::string const line = Sjis("aｱ日\\b"); // 1, 1, 2, 1, 1 bytes
    EXPECT_EQ(CharactersInBytes(line, 2), 2u);
    EXPECT_EQ(CharactersInBytes(line, 3), 3u); // half a character counts as one
    EXPECT_EQ(CharactersInBytes(line, 4), 3u);
    EXPECT_EQ(CharactersInBytes(line, 100), 5u);
    EXPECT_EQ(BytesOfCharacters(line, 3), 4u);
    EXPECT_EQ(BytesOfCharacters(line, 100), line.size());
    EXPECT_EQ(SourceOffsets({}).PositionOf(5), SourcePosition {});
}

} // namespace
} // namespace edamaki
