#pragma once

// Whole numbers of 32 bits read from text. Macro tags and the numeric edit
// read numbers in forms that differ a little; a NumberForm says which, and
// everything else about reading them is the same: decimal digits, or
// hexadecimal digits (either case) after a "$"; leading zeros count for
// nothing; any other character, a blank after the number included, or a
// value out of range gives no number.

#include <cstdint>
#include <optional>
#include <string_view>

namespace edamaki {

struct NumberForm {
    // Blanks (" ") before the number.
    bool LeadingBlanks = false;
    // "+" as well as "-" before the number.
    bool PlusSign = false;
    // "x", "X", "0x" and "0X" as well as "$" before hexadecimal digits.
    bool XPrefixes = false;
    // Hexadecimal digits give the 32-bit pattern, up to FFFFFFFF ($FFFFFFFF
    // is -1), and take no sign. Otherwise a hexadecimal number may be signed
    // and must lie in the signed range, like a decimal one.
    bool HexIsBitPattern = false;
};

// Numbers inside macro tags: blanks before the number, an optional sign, then
// decimal digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X".
inline constexpr NumberForm TagNumberForm { .LeadingBlanks = true, .PlusSign = true, .XPrefixes = true };

// Numbers shown in the numeric edit: "$" and hexadecimal digits whose value
// fits 32 bits, or an optional "-" and decimal digits.
inline constexpr NumberForm EditNumberForm { .HexIsBitPattern = true };

std::optional<std::int32_t> ReadNumber(std::string_view text, NumberForm const& form);

} // namespace edamaki
