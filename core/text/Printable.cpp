#include "core/text/Printable.h"

#include "core/text/Encoding.h"

#include <algorithm>
#include <cstdio>

namespace edamaki {

namespace {

void AppendEscaped(std::string_view bytes, std::string& out)
{
    constexpr char Digits[] = "0123456789ABCDEF";
    for (char const byte : bytes) {
        auto const value = static_cast<unsigned char>(byte);
        out += "\\x";
        out += Digits[value >> 4];
        out += Digits[value & 0x0F];
    }
}

bool IsControl(std::string_view character)
{
    auto const lead = static_cast<unsigned char>(character.front());
    if (character.size() == 1)
        return lead < 0x20 || lead == 0x7F;
    // U+0080 to U+009F: C2 80 to C2 9F; U+061C, the Arabic letter mark.
    if (character.size() == 2)
        return (lead == 0xC2 && static_cast<unsigned char>(character[1]) <= 0x9F) || character == "\xD8\x9C";
    // The marks, embeddings, overrides and isolates that reorder text.
    if (character.size() == 3 && lead == 0xE2) {
        char32_t const code_point = ((character[1] & 0x3Fu) << 6 | (character[2] & 0x3Fu)) + 0x2000;
        return code_point == 0x200E || code_point == 0x200F || (code_point >= 0x202A && code_point <= 0x202E)
            || (code_point >= 0x2066 && code_point <= 0x2069);
    }
    return false;
}

} // namespace

std::string EscapeForTerminal(std::string_view utf8)
{
    std::string out;
    AppendForTerminal(utf8, out);
    return out;
}

void AppendForTerminal(std::string_view utf8, std::string& out)
{
    auto const is_plain = [](char byte) { return byte >= 0x20 && byte < 0x7F; };
    if (std::all_of(utf8.begin(), utf8.end(), is_plain)) {
        out += utf8;
        return;
    }
    while (!utf8.empty()) {
        std::size_t const bad = FindInvalidUtf8(utf8);
        std::string_view const valid = utf8.substr(0, bad);
        for (std::size_t offset = 0; offset < valid.size();) {
            std::size_t length = 1;
            while (offset + length < valid.size()
                && (static_cast<unsigned char>(valid[offset + length]) & 0xC0) == 0x80)
                ++length;
            std::string_view const character = valid.substr(offset, length);
            if (IsControl(character))
                AppendEscaped(character, out);
            else
                out += character;
            offset += length;
        }
        if (bad == std::string_view::npos)
            break;
        AppendEscaped(utf8.substr(bad, 1), out);
        utf8.remove_prefix(bad + 1);
    }
}

std::string CodePointText(char32_t code_point)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned int>(code_point));
    return text;
}

} // namespace edamaki
