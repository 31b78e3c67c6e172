#include "core/text/Encoding.h"

#include "core/text/StandIn.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <iconv.h>

namespace edamaki {

namespace {

// iconv_open's failure value is the handle (iconv_t)-1.
bool IsOpenConverter(iconv_t converter)
{
    return converter != reinterpret_cast<iconv_t>(-1); // NOLINT(performance-no-int-to-ptr)
}

class IconvHandle {
public:
    IconvHandle(char const* to, char const* from)
        : m_handle(iconv_open(to, from))
    {
    }
    ~IconvHandle()
    {
        if (IsOpen())
            iconv_close(m_handle);
    }
    IconvHandle(IconvHandle const&) = delete;
    IconvHandle& operator=(IconvHandle const&) = delete;

    bool IsOpen() const { return IsOpenConverter(m_handle); }
    iconv_t Get() const { return m_handle; }

private:
    iconv_t m_handle;
};

bool IsAscii(std::string_view text)
{
    for (char const character : text) {
        if (static_cast<unsigned char>(character) >= 0x80)
            return false;
    }
    return true;
}

// Appends to `output` what stands for the character of `input` at `offset`
// that can't be converted, and returns the bytes of input it takes; 0 when
// nothing may stand for it, which fails the conversion there.
using Substitution = std::size_t (*)(std::string_view input, std::size_t offset, std::string& output);

// Appends the conversion of `input` to `output` with an open converter. On a
// character that can't be converted either stops, leaves `output` as it was
// and returns the character's offset, or, given a `substitute`, lets it stand
// for the character and goes on after it.
std::optional<std::size_t> AppendConverted(
    iconv_t converter, std::string_view input, std::string& output, Substitution substitute = nullptr)
{
    if (!IsOpenConverter(converter))
        return 0;
    std::size_t const original_size = output.size();
    std::size_t out_used = original_size;
    output.resize(out_used + input.size() * 2 + 16);
    char* in_pointer = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    std::optional<std::size_t> failure;

    while (in_left > 0) {
        char* out_pointer = output.data() + out_used;
        std::size_t out_left = output.size() - out_used;
        std::size_t const status = iconv(converter, &in_pointer, &in_left, &out_pointer, &out_left);
        out_used = output.size() - out_left;
        if (status != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            output.resize(output.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL: a character that can't be converted, or a truncated one.
        std::size_t const offset = input.size() - in_left;
        if (!substitute) {
            failure = offset;
            out_used = original_size;
            break;
        }
        output.resize(out_used);
        std::size_t const skip = std::min(in_left, substitute(input, offset, output));
        if (skip == 0) {
            failure = offset;
            out_used = original_size;
            break;
        }
        out_used = output.size();
        output.resize(out_used + in_left * 2 + 16);
        in_pointer += skip;
        in_left -= skip;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    output.resize(out_used);
    return failure;
}

ConversionResult ConvertOnce(char const* to, char const* from, std::string_view input)
{
    IconvHandle const converter(to, from);
    ConversionResult result;
    if (auto const failure = AppendConverted(converter.Get(), input, result.Text))
        result.Failure = ConversionFailure { *failure };
    return result;
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t offset)
{
    auto const lead = static_cast<unsigned char>(text[offset]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else if (lead >= 0xE0)
        length = 3;
    else if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    // Never skip past a byte that is not a continuation byte.
    for (std::size_t index = 1; index < length; ++index) {
        if (offset + index >= text.size()
            || (static_cast<unsigned char>(text[offset + index]) & 0xC0) != 0x80)
            return index;
    }
    return length;
}

// Appends the stand-in of the character at `offset`, U+FFFD's for a
// malformed byte, and returns the bytes it takes.
std::size_t AppendStandInFor(std::string_view utf8, std::size_t offset, std::string& output)
{
    std::size_t length = Utf8SequenceLength(utf8, offset);
    char32_t code_point = 0xFFFD;
    if (IsValidUtf8(utf8.substr(offset, length)))
        code_point = DecodeUtf8Character(utf8, offset, length);
    AppendStandIn(output, code_point);
    return length;
}

// The same for a well-formed character only: a malformed byte fails.
std::size_t AppendStandInForCharacter(std::string_view utf8, std::size_t offset, std::string& output)
{
    std::size_t const length = Utf8SequenceLength(utf8, offset);
    if (!IsValidUtf8(utf8.substr(offset, length)))
        return 0;
    return AppendStandInFor(utf8, offset, output);
}

// Appends the character a stand-in spells, and returns the bytes it takes;
// 0 where no stand-in starts.
std::size_t AppendCharacterOfStandIn(std::string_view shift_jis, std::size_t offset, std::string& output)
{
    if (!IsStandInAt(shift_jis, offset))
        return 0;
    output += EncodeUtf8Character(StandInCodePoint(shift_jis, offset));
    return StandInLength;
}

// Appends UTF-8 as the core holds text: Shift-JIS, with a stand-in for every
// character that Shift-JIS lacks or holds one way only ("a¥b" must not read
// as "a" holding "b"). `substitute` says what a malformed byte does.
std::optional<std::size_t> AppendCoreText(
    iconv_t converter, std::string_view utf8, std::string& text, Substitution substitute)
{
    std::size_t const original_size = text.size();
    std::size_t converted = 0;
    auto const append_up_to = [&](std::size_t end) -> std::optional<std::size_t> {
        if (auto const failure
            = AppendConverted(converter, utf8.substr(converted, end - converted), text, substitute)) {
            text.resize(original_size);
            return converted + *failure;
        }
        return std::nullopt;
    };
    for (std::size_t one_way = FindOneWayCharacter(utf8); one_way != std::string_view::npos;
         one_way = FindOneWayCharacter(utf8, converted)) {
        if (auto const failure = append_up_to(one_way))
            return failure;
        converted = one_way + AppendStandInFor(utf8, one_way, text);
    }
    return append_up_to(utf8.size());
}

// Which bytes and pairs of bytes code page 932 holds, as the converter
// says: asked once per byte and per pair behind each lead byte, so that a
// scan agrees with a conversion to the byte.
class ShiftJisTable {
public:
    ShiftJisTable()
    {
        IconvHandle const converter("UTF-8", "CP932");
        for (unsigned int first = 0; first < 256; ++first) {
            char const single[] = { static_cast<char>(first) };
            m_kind[first] = KindOf(converter.Get(), { single, 1 });
            if (m_kind[first] != Kind::Lead)
                continue;
            for (unsigned int second = 0; second < 256; ++second) {
                char const pair[] = { static_cast<char>(first), static_cast<char>(second) };
                m_pairs[first << 8 | second] = KindOf(converter.Get(), { pair, 2 }) == Kind::Single;
            }
        }
    }

    // Length of the character at `offset`, or 0 when there is none.
    std::size_t CharacterLength(std::string_view bytes, std::size_t offset) const
    {
        auto const first = static_cast<unsigned char>(bytes[offset]);
        switch (m_kind[first]) {
        case Kind::Single:
            return 1;
        case Kind::Lead:
            if (offset + 1 < bytes.size()
                && m_pairs[first << 8 | static_cast<unsigned char>(bytes[offset + 1])])
                return 2;
            return 0;
        case Kind::Invalid:
            break;
        }
        return 0;
    }

private:
    enum class Kind : unsigned char {
        Invalid,
        Single, // converts on its own (a pair: converts whole)
        Lead,   // asks for a byte more
    };

    static Kind KindOf(iconv_t converter, std::string_view input)
    {
        char* in_pointer = const_cast<char*>(input.data());
        std::size_t in_left = input.size();
        char output[16];
        char* out_pointer = output;
        std::size_t out_left = sizeof output;
        std::size_t const status = iconv(converter, &in_pointer, &in_left, &out_pointer, &out_left);
        int const error = errno;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        if (status != static_cast<std::size_t>(-1) && in_left == 0)
            return Kind::Single;
        // Cut off: a lead byte that asks for one more.
        return status == static_cast<std::size_t>(-1) && error == EINVAL ? Kind::Lead : Kind::Invalid;
    }

    std::array<Kind, 256> m_kind {};
    std::bitset<std::size_t { 256 } * 256> m_pairs;
};

} // namespace

ConversionResult ShiftJisToUtf8(std::string_view shift_jis)
{
    IconvHandle const converter("UTF-8", "CP932");
    ConversionResult result;
    if (auto const failure
        = AppendConverted(converter.Get(), shift_jis, result.Text, AppendCharacterOfStandIn))
        result.Failure = ConversionFailure { *failure };
    return result;
}

std::size_t FindInvalidShiftJis(std::string_view bytes)
{
    static ShiftJisTable const table;
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        // Plain ASCII is the most of any source.
        if (static_cast<unsigned char>(bytes[offset]) < 0x80) {
            ++offset;
            continue;
        }
        std::size_t const length = table.CharacterLength(bytes, offset);
        if (length == 0)
            return offset;
        offset += length;
    }
    return std::string_view::npos;
}

ConversionResult Utf8ToShiftJis(std::string_view utf8)
{
    return ConvertOnce("CP932", "UTF-8", utf8);
}

std::string_view JisFormCode(char32_t code_point)
{
    for (JisForm const& form : JisForms) {
        if (form.CodePoint == code_point)
            return form.ShiftJis;
    }
    return {};
}

std::size_t FindOneWayCharacter(std::string_view utf8, std::size_t from)
{
    // Every one of them is two or three bytes that begin with C2, E2 or E3.
    for (std::size_t offset = utf8.find_first_of("\xC2\xE2\xE3", from); offset != std::string_view::npos;
         offset = utf8.find_first_of("\xC2\xE2\xE3", offset + 1)) {
        for (std::string_view const character : OneWayCharacters) {
            if (utf8.substr(offset).starts_with(character))
                return offset;
        }
    }
    return std::string_view::npos;
}

std::string Utf8ToShiftJisForReading(std::string_view utf8)
{
    if (IsAscii(utf8))
        return std::string(utf8);
    IconvHandle const converter("CP932", "UTF-8");
    std::string text;
    text.reserve(utf8.size());
    AppendCoreText(converter.Get(), utf8, text, AppendStandInFor);
    return text;
}

ShiftJisConverter::ShiftJisConverter()
    : m_to_utf8(iconv_open("UTF-8", "CP932"))
    , m_to_shift_jis(iconv_open("CP932", "UTF-8"))
{
}

ShiftJisConverter::~ShiftJisConverter()
{
    for (void* handle : { m_to_utf8, m_to_shift_jis }) {
        if (IsOpenConverter(static_cast<iconv_t>(handle)))
            iconv_close(static_cast<iconv_t>(handle));
    }
}

std::optional<std::size_t> ShiftJisConverter::AppendUtf8(std::string_view shift_jis, std::string& out)
{
    // Code page 932 and UTF-8 agree on every byte below 0x80, the backslash
    // and the tilde included, and most names are plain ASCII.
    if (IsAscii(shift_jis)) {
        out.append(shift_jis);
        return std::nullopt;
    }
    return AppendConverted(static_cast<iconv_t>(m_to_utf8), shift_jis, out, AppendCharacterOfStandIn);
}

std::optional<std::size_t> ShiftJisConverter::AppendShiftJis(std::string_view utf8, std::string& out)
{
    if (IsAscii(utf8)) {
        out.append(utf8);
        return std::nullopt;
    }
    return AppendCoreText(static_cast<iconv_t>(m_to_shift_jis), utf8, out, AppendStandInForCharacter);
}

namespace {

// Length of the well-formed UTF-8 character at `offset` (which holds a byte
// of 0x80 or above), or 0 when it is malformed: no overlong forms, no
// surrogates, nothing above U+10FFFF.
std::size_t MultiByteUtf8Length(std::string_view bytes, std::size_t offset)
{
    auto const lead = static_cast<unsigned char>(bytes[offset]);
    std::size_t length = 0;
    unsigned int minimum_second = 0x80;
    unsigned int maximum_second = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        minimum_second = lead == 0xE0 ? 0xA0 : minimum_second;
        maximum_second = lead == 0xED ? 0x9F : maximum_second;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        minimum_second = lead == 0xF0 ? 0x90 : minimum_second;
        maximum_second = lead == 0xF4 ? 0x8F : maximum_second;
    } else {
        return 0;
    }
    if (offset + length > bytes.size())
        return 0;
    auto const second = static_cast<unsigned char>(bytes[offset + 1]);
    if (second < minimum_second || second > maximum_second)
        return 0;
    for (std::size_t index = 2; index < length; ++index) {
        if ((static_cast<unsigned char>(bytes[offset + index]) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

} // namespace

std::size_t FindInvalidUtf8(std::string_view bytes)
{
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        if (static_cast<unsigned char>(bytes[offset]) < 0x80) {
            ++offset;
            continue;
        }
        std::size_t const length = MultiByteUtf8Length(bytes, offset);
        if (length == 0)
            return offset;
        offset += length;
    }
    return std::string_view::npos;
}

char32_t DecodeUtf8Character(std::string_view utf8, std::size_t offset, std::size_t& length)
{
    auto const lead = static_cast<unsigned char>(utf8[offset]);
    length = 1;
    char32_t code_point = lead;
    if (lead >= 0xF0) {
        length = 4;
        code_point = lead & 0x07;
    } else if (lead >= 0xE0) {
        length = 3;
        code_point = lead & 0x0F;
    } else if (lead >= 0xC0) {
        length = 2;
        code_point = lead & 0x1F;
    }
    length = std::min(length, utf8.size() - offset);
    for (std::size_t index = 1; index < length; ++index)
        code_point = (code_point << 6) | (static_cast<unsigned char>(utf8[offset + index]) & 0x3F);
    return code_point;
}

std::string EncodeUtf8Character(char32_t code_point)
{
    auto const byte = [](char32_t value) { return static_cast<char>(value); };
    if (code_point < 0x80)
        return { byte(code_point) };
    auto const continuation = [&](int shift) { return byte(0x80 | ((code_point >> shift) & 0x3F)); };
    if (code_point < 0x800)
        return { byte(0xC0 | (code_point >> 6)), continuation(0) };
    if (code_point < 0x10000)
        return { byte(0xE0 | (code_point >> 12)), continuation(6), continuation(0) };
    return { byte(0xF0 | (code_point >> 18)), continuation(12), continuation(6), continuation(0) };
}

namespace {

bool IsAsciiLower(char32_t c)
{
    return c >= U'a' && c <= U'z';
}

bool IsAsciiUpper(char32_t c)
{
    return c >= U'A' && c <= U'Z';
}

bool IsAsciiLetter(char32_t c)
{
    return IsAsciiLower(c) || IsAsciiUpper(c);
}

bool IsAsciiLetterOrDigit(char32_t c)
{
    return IsAsciiLetter(c) || (c >= U'0' && c <= U'9');
}

// Characters of three and four bytes that text is made of: symbols, kana,
// kanji, Hangul, full-width forms, and everything beyond the first plane; and
// the yen sign, which Japanese text has anywhere, as a path separator too.
bool IsTextCharacter(char32_t c)
{
    return c == 0xA5 || (c >= 0x2000 && c <= 0x2BFF) || (c >= 0x2E80 && c <= 0x9FFF)
        || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F)
        || (c >= 0xFF00 && c <= 0xFFEF) || c >= 0x10000;
}

bool IsLatinLetter(char32_t c)
{
    return (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || (c >= 0x1E00 && c <= 0x1EFF);
}

// 1 for Greek, 2 for Cyrillic letters, 0 for anything else.
int GreekOrCyrillic(char32_t c)
{
    if (c >= 0x391 && c <= 0x3C9)
        return 1;
    if (c >= 0x400 && c <= 0x45F)
        return 2;
    return 0;
}

// The start of the UTF-8 character that ends right before `offset`.
std::size_t PreviousCharacterStart(std::string_view utf8, std::size_t offset)
{
    do
        --offset;
    while (offset > 0 && (static_cast<unsigned char>(utf8[offset]) & 0xC0) == 0x80);
    return offset;
}

// Whether a character beyond ASCII is one that UTF-8 text holds where it
// stands, given the characters around it (0 past either end of the text). A
// Latin letter or sign comes within a word or a figure: "café", "Ñandú",
// "25°C"; a small letter of Latin-1 needs a small letter beside it or a
// capital that begins the word ("Müller", not "ABCý"). A Greek or Cyrillic
// letter comes beside another of its script.
bool IsLikelyUtf8Character(char32_t before_previous, char32_t previous, char32_t c, char32_t next)
{
    if (IsTextCharacter(c))
        return true;
    if (c >= 0xDF && c <= 0xFF && c != 0xF7) // a small letter of Latin-1
        return IsAsciiLower(previous) || IsAsciiLower(next)
            || (IsAsciiUpper(previous) && !IsAsciiLetter(before_previous));
    if (IsLatinLetter(c))
        return IsAsciiLetter(previous) || IsAsciiLetter(next);
    if ((c >= 0xA0 && c <= 0xBF) || c == 0xD7 || c == 0xF7)
        return IsAsciiLetterOrDigit(previous) || IsAsciiLetterOrDigit(next);
    if (int const script = GreekOrCyrillic(c))
        return GreekOrCyrillic(previous) == script || GreekOrCyrillic(next) == script;
    return false;
}

// Whether valid UTF-8 bytes read as text: every character beyond ASCII one
// that text holds where it stands.
bool ReadsAsUtf8Text(std::string_view utf8)
{
    auto const character_at = [&](std::size_t offset) {
        std::size_t length = 0;
        return offset < utf8.size() ? DecodeUtf8Character(utf8, offset, length) : 0;
    };
    for (std::size_t offset = 0; offset < utf8.size();) {
        std::size_t length = 1;
        char32_t const c = DecodeUtf8Character(utf8, offset, length);
        if (c >= 0x80) {
            char32_t previous = 0;
            char32_t before_previous = 0;
            if (offset > 0) {
                std::size_t const previous_start = PreviousCharacterStart(utf8, offset);
                previous = character_at(previous_start);
                if (previous_start > 0)
                    before_previous = character_at(PreviousCharacterStart(utf8, previous_start));
            }
            if (!IsLikelyUtf8Character(before_previous, previous, c, character_at(offset + length)))
                return false;
        }
        offset += length;
    }
    return true;
}

} // namespace

DetectedEncoding DetectEncoding(std::string_view bytes)
{
    if (bytes.starts_with(Utf8ByteOrderMark))
        return { TextEncoding::Utf8, true };
    if (IsAscii(bytes) || !IsValidUtf8(bytes))
        return { TextEncoding::ShiftJis, false };
    // Bytes valid both ways (half-width katakana pair up as UTF-8 often, and
    // a kanji with a half-width katakana after it now and then) are judged by
    // what they read as in UTF-8: Shift-JIS of Japanese text reads as letters
    // of Latin, Armenian or Hebrew out of place ("ﾃｽ" as "ý"), UTF-8 text as
    // kana, kanji and words.
    if (FindInvalidShiftJis(bytes) != std::string_view::npos || ReadsAsUtf8Text(bytes))
        return { TextEncoding::Utf8, false };
    return { TextEncoding::ShiftJis, false };
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t offset = 0;
    while (offset < text.size()) {
        char const c = text[offset];
        if (c != '\r' && c != '\n') {
            ++offset;
            continue;
        }
        lines.emplace_back(text.substr(start, offset - start));
        offset += (c == '\r' && offset + 1 < text.size() && text[offset + 1] == '\n') ? 2 : 1;
        start = offset;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::string JoinLinesCrLf(std::vector<std::string> const& lines)
{
    std::size_t size = 0;
    for (auto const& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (auto const& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace edamaki
