#include "core/numeric/NumericText.h"

#include "core/text/ShiftJis.h"

#include <algorithm>

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

constexpr std::uint32_t HexDigitValue(char character)
{
    if (IsDigit(character))
        return static_cast<std::uint32_t>(character - '0');
    if (character >= 'a')
        return static_cast<std::uint32_t>(character - 'a' + 10);
    return static_cast<std::uint32_t>(character - 'A' + 10);
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

std::string_view WithoutLeadingZeros(std::string_view digits)
{
    auto const first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? std::string_view {} : digits.substr(first);
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

std::optional<std::int32_t> ReadNumber(std::string_view text)
{
    if (!text.empty() && text.front() == '$') {
        auto const digits = text.substr(1);
        if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsHexDigit))
            return std::nullopt;
        auto const significant = WithoutLeadingZeros(digits);
        if (significant.size() > 8)
            return std::nullopt;
        std::uint32_t value = 0;
        for (char const digit : significant)
            value = value << 4 | HexDigitValue(digit);
        return static_cast<std::int32_t>(value);
    }
    bool const negative = !text.empty() && text.front() == '-';
    auto const digits = negative ? text.substr(1) : text;
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsDigit))
        return std::nullopt;
    std::int64_t magnitude = 0;
    for (char const digit : WithoutLeadingZeros(digits)) {
        magnitude = magnitude * 10 + (digit - '0');
        if (magnitude > 2147483648)
            return std::nullopt;
    }
    auto const value = negative ? -magnitude : magnitude;
    if (value > 2147483647)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
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
    auto const value = ReadNumber(NormalizeNumber(UngroupDigits(m_text))).value_or(0);
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
        number = "$" + FormatHex(static_cast<std::uint32_t>(ReadNumber(number).value_or(0)), m_hex_digits);
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
    bool valid = !text.empty();
    if (!text.empty() && text.front() == '$') {
        auto digits = text.substr(1);
        if (!std::all_of(digits.begin(), digits.end(), IsHexDigit))
            valid = false;
        digits = WithoutLeadingZeros(digits);
        if (digits.empty() || static_cast<std::int32_t>(digits.size()) > m_hex_digits)
            valid = false;
        std::uint32_t value = 0;
        if (valid) {
            for (char const digit : digits)
                value = value << 4 | HexDigitValue(digit);
        }
        return "$" + FormatHex(value, m_hex_digits);
    }

    auto const digits = text.starts_with('-') ? text.substr(1) : text;
    // "-" alone has no digits: invalid, like the empty text.
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsDigit))
        valid = false;
    if (digits.size() > 10)
        valid = false;
    if (digits.size() == 10) {
        if (digits.front() > '2')
            valid = false;
        if (digits.front() == '2' && digits.substr(1) > "147483647")
            valid = false; // nine digits each: the text order is the number order
    }
    if (!valid)
        return "0";
    return std::to_string(*ReadNumber(text));
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
    auto const value = ReadNumber(UngroupDigits(m_text)).value_or(0);
    SetRawText(GroupDigits(NormalizeNumber(Render(value))));
}

} // namespace edamaki
