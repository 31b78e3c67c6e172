#include "core/numeric/NumericText.h"

#include "core/numeric/Number.h"
#include "core/text/ShiftJis.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace edamaki {

namespace {

constexpr bool IsDigit(char character)
{
    return character >= '0' && character <= '9';
}

constexpr bool IsHexDigit(char character)
{
    return IsDigit(character) || (character >= 'A' && character <= 'F')
        || (character >= 'a' && character <= 'f');
}

// Keeps the control characters and the single-byte characters that `keep`
// accepts; every other character goes whole, both bytes of a double-byte one.
template<typename Keep> std::string StripCharacters(std::string_view text, Keep keep)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t offset = 0; offset < text.size();) {
        auto const length = CharacterLength(text, offset);
        char const character = text[offset];
        if (length == 1 && (static_cast<unsigned char>(character) < 0x20 || keep(character)))
            result += character;
        offset += length;
    }
    return result;
}

// Upper-case hexadecimal of the 32-bit pattern, zero-padded to `digits`.
std::string FormatHex(std::uint32_t value, std::int32_t digits)
{
    static constexpr char HexCharacters[] = "0123456789ABCDEF";
    std::string result;
    do {
        result.insert(result.begin(), HexCharacters[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<std::int32_t>(result.size()) < digits)
        result.insert(0, static_cast<std::size_t>(digits) - result.size(), '0');
    return result;
}

int Clamp(std::ptrdiff_t offset, std::size_t length)
{
    return static_cast<int>(std::clamp<std::ptrdiff_t>(offset, 0, static_cast<std::ptrdiff_t>(length)));
}

} // namespace

std::int32_t HexDigitsFor(TNumericalPlace places)
{
    switch (places) {
    case TNumericalPlace::places2:
        return 2;
    case TNumericalPlace::places4:
        return 4;
    case TNumericalPlace::places8:
        break;
    }
    return 8;
}

void NumericText::SetFourDigit(bool four_digit)
{
    if (four_digit == m_four_digit)
        return;
    m_four_digit = four_digit;
    RenderAgain();
}

void NumericText::SetMaxPlaces(TNumericalPlace max_places)
{
    if (max_places == m_max_places)
        return;
    m_max_places = max_places;
    m_hex_digits = HexDigitsFor(max_places);
    RenderAgain();
}

void NumericText::SetNumericType(TNumericalType numeric_type)
{
    if (numeric_type == m_numeric_type)
        return;
    m_numeric_type = numeric_type;
    RenderAgain();
}

void NumericText::SetNumeralOnly(bool numeral_only)
{
    if (numeral_only == m_numeral_only)
        return;
    m_numeral_only = numeral_only;
    if (!numeral_only)
        return;
    auto const value = ReadNumber(NormalizeNumber(UngroupDigits(m_text)), EditNumberForm).value_or(0);
    SetRawText(GroupDigits(NormalizeNumber(Render(value))));
}

std::string NumericText::Text() const
{
    if (m_numeral_only)
        return UngroupDigits(m_text);
    return m_text;
}

void NumericText::SetText(std::string_view value)
{
    if (!m_numeral_only) {
        SetRawText(value);
        return;
    }
    std::string number(value);
    if (m_numeric_type == TNumericalType::HexDecimal && !number.starts_with('$'))
        number.insert(0, 1, '$');
    SetRawText(GroupDigits(NormalizeNumber(number)));
}

void NumericText::SetRawText(std::string_view text)
{
    m_text = text;
    m_selection_start = Clamp(m_selection_start, m_text.size());
    m_selection_end = Clamp(m_selection_end, m_text.size());
}

void NumericText::SetSelection(int start, int end)
{
    m_selection_start = Clamp(start, m_text.size());
    m_selection_end = Clamp(end, m_text.size());
}

void NumericText::Reformat()
{
    if (!m_numeral_only)
        return;
    auto const length = static_cast<std::ptrdiff_t>(m_text.size());
    auto const start_distance = length - m_selection_start;
    auto const end_distance = length - m_selection_end;

    std::string number;
    if (m_numeric_type == TNumericalType::Decimal) {
        number = NormalizeNumber(StripDecimal(m_text));
    } else {
        number = NormalizeNumber("$" + StripHex(m_text));
        auto const value = ReadNumber(number, EditNumberForm).value_or(0);
        number = "$" + FormatHex(static_cast<std::uint32_t>(value), m_hex_digits);
    }
    m_text = GroupDigits(number);
    auto const new_length = static_cast<std::ptrdiff_t>(m_text.size());
    m_selection_start = Clamp(new_length - start_distance, m_text.size());
    m_selection_end = Clamp(new_length - end_distance, m_text.size());
}

std::string NumericText::StripDecimal(std::string_view text)
{
    return StripCharacters(text, IsDigit);
}

std::string NumericText::StripHex(std::string_view text)
{
    return StripCharacters(text, IsHexDigit);
}

std::string NumericText::NormalizeNumber(std::string_view text) const
{
    auto const value = ReadNumber(text, EditNumberForm);
    if (text.starts_with('$')) {
        // A value that needs more than HexDigits digits is no number either.
        auto pattern = static_cast<std::uint32_t>(value.value_or(0));
        if (static_cast<std::int32_t>(FormatHex(pattern, 0).size()) > m_hex_digits)
            pattern = 0;
        return "$" + FormatHex(pattern, m_hex_digits);
    }
    // At most ten digits, leading zeros counted, and a magnitude of at most
    // 2147483647.
    auto const digits = text.starts_with('-') ? text.substr(1) : text;
    if (!value || digits.size() > 10 || *value == std::numeric_limits<std::int32_t>::min())
        return "0";
    return std::to_string(*value);
}

std::string NumericText::GroupDigits(std::string_view text) const
{
    if (!m_four_digit)
        return std::string(text);
    std::string prefix;
    if (!text.empty() && (text.front() == '$' || text.front() == '-')) {
        prefix = text.front();
        text.remove_prefix(1);
    }
    std::string digits(text);
    auto count = digits.size();
    while (count > 4) {
        count -= 4;
        digits.insert(count, 1, '_');
    }
    return prefix + digits;
}

std::string NumericText::UngroupDigits(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t offset = 0; offset < text.size();) {
        auto const length = CharacterLength(text, offset);
        if (length == 2 || text[offset] != '_')
            result.append(text.substr(offset, length));
        offset += length;
    }
    return result;
}

std::string NumericText::Render(std::int32_t value) const
{
    if (m_numeric_type == TNumericalType::HexDecimal)
        return "$" + FormatHex(static_cast<std::uint32_t>(value), m_hex_digits);
    return std::to_string(value);
}

void NumericText::RenderAgain()
{
    if (!m_numeral_only)
        return;
    auto const value = ReadNumber(UngroupDigits(m_text), EditNumberForm).value_or(0);
    SetRawText(GroupDigits(NormalizeNumber(Render(value))));
}

} // namespace edamaki
