#include "core/numeric/Number.h"

#include <limits>

namespace edamaki {

namespace {

constexpr std::uint64_t LargestMagnitude = std::uint64_t { std::numeric_limits<std::int32_t>::max() } + 1;
constexpr std::uint64_t LargestPattern = std::numeric_limits<std::uint32_t>::max();

int DigitValue(char character, int base)
{
    if (character >= '0' && character <= '9')
        return character - '0';
    if (base == 16 && character >= 'a' && character <= 'f')
        return character - 'a' + 10;
    if (base == 16 && character >= 'A' && character <= 'F')
        return character - 'A' + 10;
    return -1;
}

// Takes a hexadecimal prefix off the text; 16 when there was one, else 10.
int TakeBase(std::string_view& text, NumberForm const& form)
{
    if (text.starts_with('$') || (form.XPrefixes && (text.starts_with('x') || text.starts_with('X')))) {
        text.remove_prefix(1);
        return 16;
    }
    if (form.XPrefixes && (text.starts_with("0x") || text.starts_with("0X"))) {
        text.remove_prefix(2);
        return 16;
    }
    return 10;
}

// The value of the digits, none past `largest`.
std::optional<std::uint64_t> ReadDigits(std::string_view digits, int base, std::uint64_t largest)
{
    if (digits.empty())
        return std::nullopt;
    std::uint64_t magnitude = 0;
    for (char const character : digits) {
        int const digit = DigitValue(character, base);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (magnitude > largest)
            return std::nullopt;
    }
    return magnitude;
}

} // namespace

std::optional<std::int32_t> ReadNumber(std::string_view text, NumberForm const& form)
{
    if (form.LeadingBlanks) {
        while (text.starts_with(' '))
            text.remove_prefix(1);
    }
    bool const signed_number = text.starts_with('-') || (form.PlusSign && text.starts_with('+'));
    bool const negative = text.starts_with('-');
    if (signed_number)
        text.remove_prefix(1);
    int const base = TakeBase(text, form);

    if (base == 16 && form.HexIsBitPattern) {
        if (signed_number)
            return std::nullopt;
        auto const pattern = ReadDigits(text, base, LargestPattern);
        if (!pattern)
            return std::nullopt;
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(*pattern));
    }
    auto const magnitude = ReadDigits(text, base, LargestMagnitude);
    if (!magnitude || (!negative && *magnitude == LargestMagnitude))
        return std::nullopt;
    return static_cast<std::int32_t>(
        negative ? -static_cast<std::int64_t>(*magnitude) : static_cast<std::int64_t>(*magnitude));
}

} // namespace edamaki
