#pragma once

// Characters that Shift-JIS lacks, as the core holds them when it reads an
// editor's text. An editor holds any character: an emoji, "é", or one that
// code page 932 holds one way only ("〜", "−", "¥" read back as other
// characters). None of them can be saved in Shift-JIS or make a folder, yet
// each must keep its place: a folder whose name holds one keeps its
// subfolders, two names that differ in one stay two, and a search for one
// finds that character and no other.
//
// So the reading conversion puts a stand-in in its place: six bytes that no
// Shift-JIS text holds, three double-byte codes of the rows code page 932
// leaves empty (the first in row 0x85, the other two in row 0x86), which
// spell the character's code point. Every rule that walks whole characters
// takes a stand-in as three double-byte characters; a match or a name can
// only hold it whole, since the first code is never one of the other two.

#include <cstddef>
#include <string>
#include <string_view>

namespace edamaki {

inline constexpr std::size_t StandInLength = 6;

// Appends the stand-in of a character that Shift-JIS lacks.
void AppendStandIn(std::string& out, char32_t code_point);

// Whether a stand-in starts at `offset`.
bool IsStandInAt(std::string_view text, std::size_t offset);

// The code point of the stand-in at `offset` (where IsStandInAt holds).
char32_t StandInCodePoint(std::string_view text, std::size_t offset);

// Offset of the first stand-in at or after `from` (a character boundary),
// walking whole characters, or npos. Quick on text without one.
std::size_t FindStandIn(std::string_view text, std::size_t from = 0);

// Byte length of the character at `offset` as an editor shows it: a stand-in
// whole, any other character as CharacterLength measures it.
std::size_t EditorCharacterLength(std::string_view text, std::size_t offset);

} // namespace edamaki
