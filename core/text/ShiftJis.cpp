#include "core/text/ShiftJis.h"

#include "core/text/StandIn.h"

#include <algorithm>

namespace edamaki {

std::size_t CharacterLength(std::string_view text, std::size_t offset)
{
    if (IsLeadByte(text[offset]) && offset + 1 < text.size())
        return 2;
    return 1;
}

std::string_view TrimBlanks(std::string_view text)
{
    auto is_blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::size_t FindCharacter(std::string_view text, char character, std::size_t from)
{
    for (std::size_t offset = from; offset < text.size(); offset += CharacterLength(text, offset)) {
        if (text[offset] == character && !IsLeadByte(text[offset]))
            return offset;
    }
    return std::string_view::npos;
}

bool HasInvalidNameCharacter(std::string_view text, char allowed)
{
    for (std::size_t offset = 0; offset < text.size(); offset += CharacterLength(text, offset)) {
        char const c = text[offset];
        if (IsInvalidNameCharacter(c) && c != allowed)
            return true;
    }
    return false;
}

std::optional<char32_t> FindRefusedNameCharacter(std::string_view name)
{
    for (std::size_t offset = 0; offset < name.size(); offset += EditorCharacterLength(name, offset)) {
        auto const byte = static_cast<unsigned char>(name[offset]);
        if (byte < 0x20 || byte == 0x7F || IsInvalidNameCharacter(name[offset]))
            return byte;
        if (IsStandInAt(name, offset)) {
            char32_t const code_point = StandInCodePoint(name, offset);
            if (code_point >= 0x80 && code_point <= 0x9F)
                return code_point;
        }
    }
    return std::nullopt;
}

bool IsValidFolderName(std::string_view name)
{
    return !name.empty() && !IsDotName(name) && !HasInvalidNameCharacter(name);
}

std::size_t DriveLength(std::string_view text)
{
    if (text.size() >= 2 && !IsLeadByte(text[0]) && text[1] == ':')
        return 2;
    if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\')
        return 2;
    return 0;
}

bool BeginsWithDrive(std::string_view text)
{
    return DriveLength(text) != 0;
}

std::string_view StripDrive(std::string_view text)
{
    // The drive text is the first two bytes; its first occurrence is at the start.
    return text.substr(DriveLength(text));
}

bool BeginsWithParentFolder(std::string_view text)
{
    return BeginsWithDrive(text) || (!text.empty() && text.front() == '/');
}

bool IsValidParentFolderLine(std::string_view line)
{
    if (!line.empty() && line.front() == '/')
        return !HasInvalidNameCharacter(line.substr(1), '/');
    std::size_t cut = FindCharacter(line, '\\');
    if (cut == std::string_view::npos)
        cut = FindCharacter(line, ':');
    std::string_view const rest = cut == std::string_view::npos ? line : line.substr(cut + 1);
    return !HasInvalidNameCharacter(rest, '\\');
}

void SplitAt(std::string_view text, char separator, std::vector<std::string_view>& parts)
{
    parts.clear();
    std::size_t start = 0;
    for (;;) {
        std::size_t const cut = FindCharacter(text, separator, start);
        if (cut == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return;
        }
        parts.push_back(text.substr(start, cut - start));
        start = cut + 1;
    }
}

} // namespace edamaki
