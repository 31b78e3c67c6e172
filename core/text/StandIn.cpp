#include "core/text/StandIn.h"

#include "core/text/ShiftJis.h"

namespace edamaki {

namespace {

constexpr unsigned char FirstRow = 0x85;
constexpr unsigned char OtherRow = 0x86;
// The second bytes of a double-byte code: 0x40-0x7E and 0x80-0xFC.
constexpr char32_t SecondBytes = 188;
constexpr char32_t LastCodePoint = 0x10FFFF;

char SecondByte(char32_t digit)
{
    return static_cast<char>(digit < 0x3F ? 0x40 + digit : 0x41 + digit);
}

bool IsSecondByte(unsigned char byte)
{
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

char32_t DigitOf(char byte)
{
    auto const value = static_cast<unsigned char>(byte);
    return value < 0x7F ? value - 0x40u : value - 0x41u;
}

bool IsCodeAt(std::string_view text, std::size_t offset, unsigned char row)
{
    return static_cast<unsigned char>(text[offset]) == row
        && IsSecondByte(static_cast<unsigned char>(text[offset + 1]));
}

} // namespace

void AppendStandIn(std::string& out, char32_t code_point)
{
    char const codes[StandInLength] = {
        static_cast<char>(FirstRow),
        SecondByte(code_point / (SecondBytes * SecondBytes) % SecondBytes),
        static_cast<char>(OtherRow),
        SecondByte(code_point / SecondBytes % SecondBytes),
        static_cast<char>(OtherRow),
        SecondByte(code_point % SecondBytes),
    };
    out.append(codes, StandInLength);
}

bool IsStandInAt(std::string_view text, std::size_t offset)
{
    return offset + StandInLength <= text.size() && IsCodeAt(text, offset, FirstRow)
        && IsCodeAt(text, offset + 2, OtherRow) && IsCodeAt(text, offset + 4, OtherRow)
        && StandInCodePoint(text, offset) <= LastCodePoint;
}

char32_t StandInCodePoint(std::string_view text, std::size_t offset)
{
    return (DigitOf(text[offset + 1]) * SecondBytes + DigitOf(text[offset + 3])) * SecondBytes
        + DigitOf(text[offset + 5]);
}

std::size_t FindStandIn(std::string_view text, std::size_t from)
{
    // Most text holds no byte 0x85 at all.
    if (text.find(static_cast<char>(FirstRow), from) == std::string_view::npos)
        return std::string_view::npos;
    for (std::size_t offset = from; offset < text.size(); offset += CharacterLength(text, offset)) {
        if (IsStandInAt(text, offset))
            return offset;
    }
    return std::string_view::npos;
}

std::size_t EditorCharacterLength(std::string_view text, std::size_t offset)
{
    return IsStandInAt(text, offset) ? StandInLength : CharacterLength(text, offset);
}

} // namespace edamaki
