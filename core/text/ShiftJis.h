#pragma once

// Character rules for Shift-JIS (code page 932) text held as bytes.
// Every test here looks at whole characters: the second byte of a
// double-byte character never counts as a separator or a special character.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

constexpr bool IsLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

constexpr bool IsLeadByte(char byte)
{
    return IsLeadByte(static_cast<unsigned char>(byte));
}

// Byte length of the character that starts at `offset`: 2 for a lead byte
// followed by a second byte, 1 otherwise (a lead byte at the very end counts as one).
std::size_t CharacterLength(std::string_view text, std::size_t offset);

// Removes every character with a code of 32 or less at both ends.
std::string_view TrimBlanks(std::string_view text);

// Byte offset of the first whole character equal to `character`, or npos.
std::size_t FindCharacter(std::string_view text, char character, std::size_t from = 0);

// One of the nine characters \ / : * ? " < > | as a whole character.
constexpr bool IsInvalidNameCharacter(char character)
{
    switch (character) {
    case '\\':
    case '/':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
        return true;
    default:
        return false;
    }
}

// True when the text holds an invalid name character other than `allowed`
// (pass '\0' to allow none).
bool HasInvalidNameCharacter(std::string_view text, char allowed = '\0');

// The first whole character of a folder name that no folder name may hold:
// one of the nine invalid name characters, or a control character (codes
// below 32, DEL, and U+0080 to U+009F, which the text holds as stand-ins).
// Its code point, or nothing when the name holds none.
std::optional<char32_t> FindRefusedNameCharacter(std::string_view name);

// A name a reader may create: not empty, not "." or "..", no invalid name character.
bool IsValidFolderName(std::string_view name);

constexpr bool IsDotName(std::string_view name)
{
    return name == "." || name == "..";
}

// A drive at the start: a single-byte character followed by ":" (C:), or two
// backslashes (a network path).
bool BeginsWithDrive(std::string_view text);

// Length in bytes of the drive text at the start: 2 for "C:" and for "\\", 0 when
// the text does not begin with a drive.
std::size_t DriveLength(std::string_view text);

// Removes the first occurrence of the drive text from a folder text that begins
// with a drive: "C:abc" becomes "abc", "C:" becomes "".
std::string_view StripDrive(std::string_view text);

// A text that names a parent folder: it begins with a drive, or it is a POSIX
// absolute path (begins with "/").
bool BeginsWithParentFolder(std::string_view text);

// The parent folder line rule: the path after its drive (after the first "\",
// or after the first ":" when there is no "\") or after the leading "/" of a
// POSIX path must hold no invalid name character but the separator.
bool IsValidParentFolderLine(std::string_view trimmed_line);

// Splits at every whole-character `separator`; every part is exactly the text
// between two separators, an empty text giving one empty part.
void SplitAt(std::string_view text, char separator, std::vector<std::string_view>& parts);

} // namespace edamaki
