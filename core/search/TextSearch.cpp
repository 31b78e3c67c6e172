#include "core/search/TextSearch.h"

#include "core/text/ShiftJis.h"

namespace edamaki {

namespace {

// A run of double-byte characters that a search without case folds onto
// other characters: second bytes First..Last behind Lead become Shift more,
// behind FoldedLead.
struct FoldRange {
    unsigned char Lead;
    unsigned char First;
    unsigned char Last;
    unsigned char FoldedLead;
    int Shift;
};

constexpr FoldRange FoldRanges[] = {
    { 0x82, 0x81, 0x9A, 0x82, -0x21 }, // full-width a-z
    { 0x83, 0xBF, 0xD6, 0x83, -0x20 }, // Greek
    { 0x84, 0x70, 0x7E, 0x84, -0x30 }, // Cyrillic, before the gap at 0x7F
    { 0x84, 0x80, 0x91, 0x84, -0x31 }, // Cyrillic, after the gap
    { 0xEE, 0xEF, 0xF8, 0x87, -0x9B }, // small Roman numerals
    { 0xFA, 0x40, 0x49, 0x87, +0x14 }, // small Roman numerals, where this system's conversion puts them
};

struct DoubleByte {
    unsigned char Lead;
    unsigned char Trail;
};

// The character a search without case takes the double-byte character
// `lead` `trail` for, or none when it stands for itself.
std::optional<DoubleByte> FoldDoubleByte(unsigned char lead, unsigned char trail)
{
    for (FoldRange const& range : FoldRanges) {
        if (lead == range.Lead && trail >= range.First && trail <= range.Last)
            return DoubleByte { range.FoldedLead, static_cast<unsigned char>(trail + range.Shift) };
    }
    return std::nullopt;
}

// Byte length of the match of `pattern` at `position`, or none. Each
// character of the text is compared whole with the character of the pattern
// at the same place; the widths come from the byte values. A character that
// would reach past the end of the text, or a pattern that ends in half a
// character, never matches.
std::optional<std::ptrdiff_t> MatchAt(
    SearchSubject const& subject, std::ptrdiff_t position, std::string_view pattern, bool match_case)
{
    auto const text = subject.Text;
    auto const text_left = subject.Length() - position;
    auto const pattern_length = static_cast<std::ptrdiff_t>(pattern.size());
    std::ptrdiff_t index = 0;
    while (index < pattern_length) {
        if (index >= text_left)
            return std::nullopt;
        auto const t = static_cast<unsigned char>(text[static_cast<std::size_t>(position + index)]);
        auto const s = static_cast<unsigned char>(pattern[static_cast<std::size_t>(index)]);
        if (IsLeadByte(t)) {
            if (index + 1 >= text_left || index + 1 >= pattern_length)
                return std::nullopt;
            auto const t2 = static_cast<unsigned char>(text[static_cast<std::size_t>(position + index + 1)]);
            auto const s2 = static_cast<unsigned char>(pattern[static_cast<std::size_t>(index + 1)]);
            bool const equal = match_case ? s == t && s2 == t2 : MatchDoubleByteChar(s, s2, t, t2);
            if (!equal)
                return std::nullopt;
            index += 2;
            continue;
        }
        // A single byte of the text matches only a single byte: neither side
        // of the comparison can be a lead byte.
        if (s != (match_case ? t : UpperCaseMap[t]))
            return std::nullopt;
        ++index;
    }
    return index;
}

// The first candidate of a search and how many follow it, or none when the
// range or the search string leaves no candidate. Down, the candidates start
// after the range (off a second byte); up, where the search string would end
// at the range's start (on a character's first byte).
std::optional<SearchCursor> FirstCandidate(
    SearchSubject const& subject, TextRange const& range, std::ptrdiff_t pattern_length, SearchFlags flags)
{
    auto const length = subject.Length();
    if (pattern_length == 0 || range.Start < 0 || range.Start > length || range.Length < 0)
        return std::nullopt;

    SearchCursor cursor;
    if (flags & SearchDown) {
        // range.Start <= length, so a longer selection leaves no candidate.
        if (range.Length > length - range.Start)
            return std::nullopt;
        auto start = range.Start + range.Length;
        if (start < length && subject.IsSecondByte(start))
            ++start;
        cursor = { start, length - start - pattern_length, 1 };
    } else {
        auto start = range.Start - pattern_length;
        if (start >= 0 && subject.IsSecondByte(start))
            --start;
        cursor = { start, start, -1 };
    }
    if (cursor.Position < 0 || cursor.Position > length || cursor.Count < 0)
        return std::nullopt;
    return cursor;
}

// A whole word starts a word and ends before a delimiter or the end of the
// text, the first and last candidates included.
bool IsWholeWord(SearchSubject const& subject, std::ptrdiff_t position, std::ptrdiff_t length)
{
    auto const end = position + length;
    return subject.IsWordStart(position) && (end == subject.Length() || subject.IsDelimiterAt(end));
}

// One candidate on, never onto a second byte.
void StepToNextCandidate(SearchSubject const& subject, SearchCursor& cursor)
{
    cursor.Position += cursor.Direction;
    --cursor.Count;
    if (subject.IsSecondByte(cursor.Position)) {
        cursor.Position += cursor.Direction;
        --cursor.Count;
    }
}

} // namespace

std::size_t SearchableLength(std::string_view text)
{
    auto const end = text.find('\0');
    return end == std::string_view::npos ? text.size() : end;
}

std::string UpperCaseSearchString(std::string_view search)
{
    std::string result(search);
    std::size_t offset = 0;
    while (offset < result.size()) {
        auto const first = static_cast<unsigned char>(result[offset]);
        if (!IsLeadByte(first) || offset + 1 >= result.size()) {
            result[offset] = static_cast<char>(UpperCaseMap[first]);
            ++offset;
            continue;
        }
        auto const second = static_cast<unsigned char>(result[offset + 1]);
        if (auto const folded = FoldDoubleByte(first, second)) {
            result[offset] = static_cast<char>(folded->Lead);
            result[offset + 1] = static_cast<char>(folded->Trail);
        }
        offset += 2;
    }
    return result;
}

bool MatchDoubleByteChar(unsigned char p1, unsigned char p2, unsigned char q1, unsigned char q2)
{
    if (p1 == q1 && p2 == q2)
        return true;
    auto const folded = FoldDoubleByte(q1, q2);
    return folded && folded->Lead == p1 && folded->Trail == p2;
}

std::vector<CharacterKind> BuildCharacterMap(std::string_view text)
{
    std::vector<CharacterKind> map(text.size() + 1, CharacterKind::Single);
    std::size_t offset = 0;
    while (offset < text.size()) {
        if (IsLeadByte(text[offset])) {
            map[offset] = CharacterKind::First;
            map[offset + 1] = CharacterKind::Second;
            offset += 2;
        } else {
            ++offset;
        }
    }
    return map;
}

void NextWordStart(SearchSubject const& subject, SearchCursor& cursor)
{
    auto& position = cursor.Position;
    auto& count = cursor.Count;
    auto const direction = cursor.Direction;
    bool const down = direction > 0;
    // Count never takes the position out of the text when it comes from
    // SearchPrepared; the bounds only guard other callers.
    auto inside = [&](std::ptrdiff_t offset) { return offset >= 0 && offset < subject.Length(); };
    if (!inside(position))
        return;

    if (down && subject.IsWordStart(position))
        return;
    // First run: down over the rest of the word, up over delimiters.
    while (count > 0 && inside(position + direction) && subject.IsDelimiterAt(position) != down) {
        position += direction;
        --count;
    }
    // Second run: down over delimiters, up over the word.
    while (count > 0 && inside(position + direction) && subject.IsDelimiterAt(position) == down) {
        position += direction;
        --count;
    }
    if (!down && subject.IsDelimiterAt(position) && inside(position + 1)) {
        // Up, the run stopped on the delimiter before the word.
        ++position;
        ++count;
    }
    if (subject.IsSecondByte(position)) {
        position += direction;
        --count;
    }
}

std::optional<std::size_t> SearchPrepared(
    SearchSubject const& subject, TextRange& range, std::string_view pattern, SearchFlags flags)
{
    auto const first = FirstCandidate(subject, range, static_cast<std::ptrdiff_t>(pattern.size()), flags);
    if (!first)
        return std::nullopt;
    SearchCursor cursor = *first;
    bool const match_case = flags & SearchMatchCase;
    bool const whole_word = flags & SearchWholeWord;
    while (cursor.Count >= 0) {
        if (whole_word && cursor.Count > 0) {
            NextWordStart(subject, cursor);
            if (cursor.Count < 0)
                break; // moved past the last candidate
        }
        auto const position = cursor.Position;
        auto const matched = MatchAt(subject, position, pattern, match_case);
        if (matched && (!whole_word || IsWholeWord(subject, position, *matched))) {
            range.Length = *matched;
            return static_cast<std::size_t>(position);
        }
        StepToNextCandidate(subject, cursor);
    }
    return std::nullopt;
}

std::optional<std::size_t> SearchBuffer(
    std::string_view text, TextRange& range, std::string_view search, SearchFlags flags)
{
    auto const searchable = text.substr(0, SearchableLength(text));
    if (range.Start < 0 || range.Start > static_cast<std::ptrdiff_t>(searchable.size()) || range.Length < 0)
        return std::nullopt;
    std::string const pattern
        = (flags & SearchMatchCase) ? std::string(search) : UpperCaseSearchString(search);
    auto const map = BuildCharacterMap(searchable);
    SearchSubject const subject { searchable, map, true };
    return SearchPrepared(subject, range, pattern, flags);
}

bool SearchText(std::string_view text, TextRange& range, std::string_view search, SearchFlags flags)
{
    if (search.empty() || SearchableLength(text) == 0)
        return false;
    auto const found = SearchBuffer(text, range, search, flags);
    if (!found)
        return false;
    range.Start = static_cast<std::ptrdiff_t>(*found);
    return true;
}

} // namespace edamaki
