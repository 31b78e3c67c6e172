#pragma once

// Conversions between Shift-JIS (code page 932) and UTF-8, and the reading of
// whole source files into lines. Conversions never replace a character
// silently: what cannot be converted is reported to the caller.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

enum class TextEncoding {
    ShiftJis,
    Utf8,
};

struct ConversionFailure {
    std::size_t Offset = 0; // byte offset in the input of the first character that failed
};

struct ConversionResult {
    std::string Text;
    std::optional<ConversionFailure> Failure;

    bool Succeeded() const { return !Failure.has_value(); }
};

// Shift-JIS to UTF-8; a stand-in (core/text/StandIn.h) becomes the
// character it stands for.
ConversionResult ShiftJisToUtf8(std::string_view shift_jis);
// UTF-8 to Shift-JIS as code page 932 converts it, for a file of that
// encoding: fails on a character it lacks, but takes the OneWayCharacters.
ConversionResult Utf8ToShiftJis(std::string_view utf8);

// Byte offset of the first character that ShiftJisToUtf8 would fail on (a
// byte that is no character of code page 932, a pair that is none, a lead
// byte cut off by the end), or npos. Scans without converting.
std::size_t FindInvalidShiftJis(std::string_view bytes);

// The characters that code page 932 holds one way only: each one's Shift-JIS
// form reads back as another character ("¥" as the path separator "\\",
// "‾" as "~", the wave dash as the full-width tilde).
inline constexpr std::string_view OneWayCharacters[] = {
    "\u00A2",
    "\u00A3",
    "\u00A5",
    "\u00AC",
    "\u2014",
    "\u2016",
    "\u203E",
    "\u2212",
    "\u301C",
};

// The JIS forms among them, which a Shift-JIS file writes with the code of
// their look-alike: a file saved so reads back as that look-alike (U+301C
// is saved as 0x8160, which reads as U+FF5E). "¥" and "‾" are not among
// them: their codes are the path separator "\\" and "~".
struct JisForm {
    char32_t CodePoint;
    std::string_view ShiftJis;
};
inline constexpr JisForm JisForms[] = {
    { 0x00A2, "\x81\x91" },
    { 0x00A3, "\x81\x92" },
    { 0x00AC, "\x81\xCA" },
    { 0x2014, "\x81\x5C" },
    { 0x2016, "\x81\x61" },
    { 0x2212, "\x81\x7C" },
    { 0x301C, "\x81\x60" },
};

// The Shift-JIS code a file writes for a JIS form, or an empty text.
std::string_view JisFormCode(char32_t code_point);

// Byte offset of the first of the OneWayCharacters at or after `from`, or npos.
std::size_t FindOneWayCharacter(std::string_view utf8, std::size_t from = 0);

// Converts UTF-8 to Shift-JIS, putting a stand-in (core/text/StandIn.h) in
// place of every character that Shift-JIS lacks or holds one way only, and
// that of U+FFFD in place of every malformed byte. Used only where the result
// is read, never where it is stored.
std::string Utf8ToShiftJisForReading(std::string_view utf8);

// Converts many texts between UTF-8 and the text the core holds (Shift-JIS,
// with a stand-in for every character that Shift-JIS lacks or holds one way
// only) with converters opened once and reused: opening a converter costs far
// more than converting a name. Both ways are exact, so any character the user
// typed comes back as itself; only malformed input fails. Not for use from
// two threads at once.
class ShiftJisConverter {
public:
    ShiftJisConverter();
    ~ShiftJisConverter();
    ShiftJisConverter(ShiftJisConverter const&) = delete;
    ShiftJisConverter& operator=(ShiftJisConverter const&) = delete;

    // Append the conversion to `out`. On failure `out` is left as it was and
    // the result is the byte offset of the first character that failed.
    std::optional<std::size_t> AppendUtf8(std::string_view shift_jis, std::string& out);
    std::optional<std::size_t> AppendShiftJis(std::string_view utf8, std::string& out);

private:
    void* m_to_utf8;
    void* m_to_shift_jis;
};

constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

// Byte offset of the first byte that does not belong to a well-formed UTF-8
// character, or npos.
std::size_t FindInvalidUtf8(std::string_view bytes);

// The code point of the well-formed UTF-8 character at `offset`; sets
// `length` to its bytes. A character cut short by the end of the text reads
// as far as it goes.
char32_t DecodeUtf8Character(std::string_view utf8, std::size_t offset, std::size_t& length);

// The UTF-8 form of a code point.
std::string EncodeUtf8Character(char32_t code_point);

inline bool IsValidUtf8(std::string_view bytes)
{
    return FindInvalidUtf8(bytes) == std::string_view::npos;
}

struct DetectedEncoding {
    TextEncoding Encoding = TextEncoding::ShiftJis;
    bool HasByteOrderMark = false;
};

// UTF-8 when the bytes begin with a UTF-8 byte order mark, or are valid UTF-8
// holding at least one byte above 0x7F and either are no Shift-JIS or read
// as text in UTF-8: every character beyond ASCII a symbol, kana, kanji or the
// like (three or four bytes), a Latin letter or sign within a word or figure,
// or a Greek or Cyrillic letter beside another. Shift-JIS otherwise.
DetectedEncoding DetectEncoding(std::string_view bytes);

// Splits text into lines: CR LF, a lone CR and a lone LF each end a line. A
// final line break does not start another line; an empty text has no lines.
std::vector<std::string> SplitLines(std::string_view text);

// Joins lines with CR LF after every line.
std::string JoinLinesCrLf(std::vector<std::string> const& lines);

} // namespace edamaki
