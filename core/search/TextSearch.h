#pragma once

// HTSearch: searching Shift-JIS (code page 932) text for a search string,
// down or up, with or without letter case, optionally for whole words only.
//
// A match never starts on, or ends in the middle of, a double-byte character,
// and a character of the search string matches only a character of the same
// width. Ignoring the case folds ASCII letters and the double-byte letters of
// full-width Latin, Greek, Cyrillic and the small Roman numerals (at both of
// their code points in code page 932). Word
// boundaries come from the delimiter table below, applied to single bytes
// wherever they stand (also to the second byte of a double-byte character): a
// whole-word match begins a word (its first byte is no delimiter, and a
// delimiter or the start of the text comes before it) and ends one (a
// delimiter or the end of the text comes after it).
//
// The text ends at its first NUL byte; everything after it is never searched.
// Offsets are byte offsets from the start of the text.
//
// Widgets do not call this directly: the find and replace dialogs go through
// core/search/FindReplace.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

// Search flags, combined with "|".
using SearchFlags = std::uint8_t;
inline constexpr SearchFlags SearchDown = 1;
inline constexpr SearchFlags SearchMatchCase = 2;
inline constexpr SearchFlags SearchWholeWord = 4;

// A (start, length) pair of byte offsets: a selection, or a match.
struct TextRange {
    std::ptrdiff_t Start = 0;
    std::ptrdiff_t Length = 0;

    friend bool operator==(TextRange const&, TextRange const&) = default;
};

namespace detail {

constexpr std::array<unsigned char, 256> MakeUpperCaseMap()
{
    std::array<unsigned char, 256> map {};
    for (int byte = 0; byte < 256; ++byte)
        map[byte] = static_cast<unsigned char>(byte >= 'a' && byte <= 'z' ? byte - 'a' + 'A' : byte);
    return map;
}

constexpr std::array<bool, 256> MakeWordDelimiters()
{
    std::array<bool, 256> delimiters {};
    auto mark = [&](int first, int last) {
        for (int byte = first; byte <= last; ++byte)
            delimiters[byte] = true;
    };
    mark(0x00, 0x2F);
    mark(0x3A, 0x40);
    mark(0x5B, 0x60);
    mark(0x7B, 0x80);
    mark(0xA0, 0xA5);
    mark(0xFD, 0xFF);
    return delimiters;
}

} // namespace detail

// Upper-case form of every single byte: a-z become A-Z, every other byte
// stays itself. Lead bytes are never changed, so the table is safe on any byte.
inline constexpr std::array<unsigned char, 256> UpperCaseMap = detail::MakeUpperCaseMap();

// The bytes that separate words: 0x00-0x2F, 0x3A-0x40, 0x5B-0x60 (the
// underscore included), 0x7B-0x80, 0xA0-0xA5 and 0xFD-0xFF. Digits, ASCII
// letters, lead bytes and half-width katakana belong to words.
inline constexpr std::array<bool, 256> WordDelimiters = detail::MakeWordDelimiters();

constexpr bool IsWordDelimiter(char byte)
{
    return WordDelimiters[static_cast<unsigned char>(byte)];
}

// Number of bytes before the first NUL (the whole text when there is none).
std::size_t SearchableLength(std::string_view text);

// The search string with its letters upper-cased character by character: a-z,
// full-width a-z, Greek and Cyrillic small letters, and the small Roman
// numerals, both at 0xEEEF-0xEEF8 and at 0xFA40-0xFA49 where this system's
// conversion puts the typed ones (all become 0x8754-0x875D). Same byte length.
std::string UpperCaseSearchString(std::string_view search);

// Case-insensitive comparison of a double-byte character p1 p2 of an
// upper-cased search string with a double-byte character q1 q2 of the text.
// Only the text's character is folded.
bool MatchDoubleByteChar(unsigned char p1, unsigned char p2, unsigned char q1, unsigned char q2);

// The search proper. The text ends at its first NUL. Down: the candidates are
// range.Start + range.Length (moved off a second byte to the next character)
// up to the last offset where the search string still fits. Up: the
// candidates are range.Start - (byte length of the search string), moved off
// a second byte to its character's first byte, back to 0. The first candidate
// that matches wins; on a match range.Length becomes its byte length.
// Nothing is found when range.Start is outside 0..length, range.Length is
// negative, or the search string is empty.
std::optional<std::size_t> SearchBuffer(
    std::string_view text, TextRange& range, std::string_view search, SearchFlags flags);

// SearchBuffer with the empty text and the empty search string answered at
// once. True on a match: range then holds the match's offset and byte length.
// On false, range holds nothing of meaning.
bool SearchText(std::string_view text, TextRange& range, std::string_view search, SearchFlags flags);

// ---------------------------------------------------------------------------
// The parts of the search, for repeated searches over one text (replace all)
// and for tests.

// What a byte offset holds: a single-byte character, or the first or second
// byte of a double-byte character.
enum class CharacterKind : std::uint8_t {
    Single,
    First,
    Second,
};

// The kind of every offset of the text, scanning from offset 0: a lead byte
// takes the byte after it as its second byte, whatever its value. The map has
// one entry more than the text: a lead byte in the last position marks the
// offset just past the end as a second byte.
std::vector<CharacterKind> BuildCharacterMap(std::string_view text);

// A text prepared for searching: the searchable bytes, their character map
// (text size + 1 entries, a slice of a larger text's map is fine as long as
// the slice begins on a character boundary), and what stands before offset 0:
// the start of the text or a delimiter (true), or a byte that belongs to a word.
struct SearchSubject {
    std::string_view Text;
    std::span<CharacterKind const> Map;
    bool StartsAfterDelimiter = true;

    std::ptrdiff_t Length() const { return static_cast<std::ptrdiff_t>(Text.size()); }
    // Offsets outside 0..length are never second bytes.
    bool IsSecondByte(std::ptrdiff_t offset) const
    {
        return offset >= 0 && offset < static_cast<std::ptrdiff_t>(Map.size())
            && Map[static_cast<std::size_t>(offset)] == CharacterKind::Second;
    }
    bool IsDelimiterAt(std::ptrdiff_t offset) const
    {
        return IsWordDelimiter(Text[static_cast<std::size_t>(offset)]);
    }
    bool PrecededByDelimiter(std::ptrdiff_t offset) const
    {
        return offset == 0 ? StartsAfterDelimiter : IsDelimiterAt(offset - 1);
    }
    // A word starts here: no delimiter, and a delimiter (or the start) before it.
    bool IsWordStart(std::ptrdiff_t offset) const
    {
        return !IsDelimiterAt(offset) && PrecededByDelimiter(offset);
    }
};

// The state of a search that NextWordStart moves: the candidate position, the
// number of candidates left after it, and the direction (+1 down, -1 up).
struct SearchCursor {
    std::ptrdiff_t Position = 0;
    std::ptrdiff_t Count = 0;
    std::ptrdiff_t Direction = 1;
};

// Whole-word mode: moves the cursor to a word start, counting every step off
// Count. Down, from inside a word or from delimiters to the start of the next
// word (a word start stays where it is); up, from inside a word to that
// word's start, from delimiters to the start of the word before them. Stops
// when Count runs out.
void NextWordStart(SearchSubject const& subject, SearchCursor& cursor);

// SearchBuffer over a prepared subject. `pattern` is the search string as
// compared: already upper-cased (UpperCaseSearchString) unless the flags ask
// for matching case.
std::optional<std::size_t> SearchPrepared(
    SearchSubject const& subject, TextRange& range, std::string_view pattern, SearchFlags flags);

} // namespace edamaki
