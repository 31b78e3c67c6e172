#include "core/document/SourceFile.h"

#include "core/text/ShiftJis.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace edamaki {

namespace {

// 1-based line of a byte offset: CR LF, a lone CR and a lone LF each end a line.
std::size_t LineOfOffset(std::string_view text, std::size_t offset)
{
    std::size_t line = 1;
    std::size_t const end = std::min(offset, text.size());
    for (std::size_t index = 0; index < end; ++index) {
        bool const is_crlf_start = text[index] == '\r' && index + 1 < text.size() && text[index + 1] == '\n';
        if (text[index] == '\n' || (text[index] == '\r' && !is_crlf_start))
            ++line;
    }
    return line;
}

DetectedEncoding ChosenFormat(std::string_view bytes, EncodingChoice choice)
{
    switch (choice) {
    case EncodingChoice::ShiftJis:
        return { TextEncoding::ShiftJis, false };
    case EncodingChoice::Utf8:
        return { TextEncoding::Utf8, bytes.starts_with(Utf8ByteOrderMark) };
    case EncodingChoice::Auto:
        break;
    }
    return DetectEncoding(bytes);
}

// Offset of the first byte that is not text in `encoding`.
std::optional<std::size_t> FindInvalidText(std::string_view text, TextEncoding encoding)
{
    std::size_t const offset
        = encoding == TextEncoding::Utf8 ? FindInvalidUtf8(text) : FindInvalidShiftJis(text);
    if (offset == std::string_view::npos)
        return std::nullopt;
    return offset;
}

// Trims every line of the text from `from` on, in place: each line loses the
// characters of codes 0 to 32 at both ends, and the lines are joined with LF;
// the last keeps a line break only when it had one. The result takes the
// front of the text: a line never grows, and a line break never gets longer.
void TrimLinesInPlace(std::string& text, std::size_t from)
{
    auto const is_blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    bool const ended = text.size() > from && (text.back() == '\n' || text.back() == '\r');
    std::size_t written = 0;
    bool first = true;
    for (std::size_t start = from; start < text.size();) {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        std::size_t next = end;
        if (next < text.size())
            next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
        while (start < end && is_blank(text[start]))
            ++start;
        while (end > start && is_blank(text[end - 1]))
            --end;
        if (!std::exchange(first, false))
            text[written++] = '\n';
        std::memmove(text.data() + written, text.data() + start, end - start);
        written += end - start;
        start = next;
    }
    text.resize(written);
    if (ended)
        text += '\n';
}

// The character of valid UTF-8 text that starts at `offset`.
SourceFileError MissingCharacter(std::string_view utf8, std::size_t offset, TextEncoding encoding)
{
    std::size_t length = 0;
    char32_t const code_point = DecodeUtf8Character(utf8, offset, length);

    SourceFileError error;
    error.Problem = SourceFileError::Kind::MissingCharacter;
    error.Encoding = encoding;
    error.Line = LineOfOffset(utf8, offset);
    error.Character = std::string(utf8.substr(offset, length));
    error.CodePoint = code_point;
    return error;
}

// UTF-16: its byte order mark, or NUL bytes at least half as many as the
// bytes above 32 (ASCII in UTF-16 has as many). Counted so, trimming the
// lines of a file that is not UTF-16 never makes it one.
bool IsUtf16(std::string_view bytes)
{
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        return true;
    auto const nuls = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\0'));
    if (nuls == 0)
        return false;
    auto const above_blank = static_cast<std::size_t>(
        std::count_if(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) > 32; }));
    return nuls * 2 >= above_blank;
}

SourceFileError InvalidBytes(std::string_view text, std::size_t offset, TextEncoding encoding)
{
    SourceFileError error;
    error.Problem = SourceFileError::Kind::InvalidBytes;
    error.Encoding = encoding;
    error.Line = LineOfOffset(text, offset);
    return error;
}

// The start of the UTF-8 character that holds the byte at `offset`.
std::size_t CharacterStart(std::string_view utf8, std::size_t offset)
{
    while (offset > 0 && (static_cast<unsigned char>(utf8[offset]) & 0xC0) == 0x80)
        --offset;
    return offset;
}

// UTF-8 text as Shift-JIS, only when the Shift-JIS reads back as the same
// text: code page 932 takes a few characters it has no code of its own for
// ("¥" as "\", "‾" as "~", the wave dash "〜" as the full-width tilde "～"),
// and one of them in a name would change the tree, "\" even its shape.
// Fails on the first character that Shift-JIS lacks or would change.
std::optional<std::string> Utf8AsShiftJisExactly(std::string_view utf8, SourceFileError& error)
{
    ConversionResult converted = Utf8ToShiftJis(utf8);
    if (!converted.Succeeded()) {
        error = MissingCharacter(utf8, converted.Failure->Offset, TextEncoding::ShiftJis);
        return std::nullopt;
    }
    std::string const back = ShiftJisToUtf8(converted.Text).Text;
    auto const [changed, unused] = std::mismatch(utf8.begin(), utf8.end(), back.begin(), back.end());
    if (changed != utf8.end()) {
        auto const offset = static_cast<std::size_t>(changed - utf8.begin());
        error = MissingCharacter(utf8, CharacterStart(utf8, offset), TextEncoding::ShiftJis);
        return std::nullopt;
    }
    return std::move(converted.Text);
}

} // namespace

std::optional<SourceText> DecodeSourceFile(
    std::string_view bytes, EncodingChoice choice, SourceFileError& error)
{
    return DecodeSourceFileInPlace(std::string(bytes), choice, error);
}

std::optional<SourceText> DecodeSourceFileInPlace(
    std::string bytes, EncodingChoice choice, SourceFileError& error)
{
    if (IsUtf16(bytes)) {
        error = SourceFileError {};
        error.Problem = SourceFileError::Kind::Utf16;
        return std::nullopt;
    }
    SourceText source;
    source.Format = ChosenFormat(bytes, choice);
    std::size_t const from = source.Format.HasByteOrderMark ? Utf8ByteOrderMark.size() : 0;
    std::string_view const text = std::string_view(bytes).substr(from);
    if (source.Format.Encoding == TextEncoding::Utf8)
        source.ValidShiftJis = FindInvalidShiftJis(bytes) == std::string_view::npos;
    if (auto const invalid = FindInvalidText(text, source.Format.Encoding)) {
        error = InvalidBytes(text, *invalid, source.Format.Encoding);
        error.ValidShiftJis = source.ValidShiftJis;
        return std::nullopt;
    }
    TrimLinesInPlace(bytes, from);
    source.Text = std::move(bytes);
    return source;
}

std::string SourceTextAsUtf8(SourceText const& source)
{
    if (source.Format.Encoding == TextEncoding::Utf8)
        return source.Text;
    return ShiftJisToUtf8(source.Text).Text;
}

std::optional<std::vector<std::string>> SourceTextAsShiftJisLines(
    SourceText const& source, SourceFileError& error)
{
    if (source.Format.Encoding == TextEncoding::ShiftJis)
        return SplitLines(source.Text);
    auto const converted = Utf8AsShiftJisExactly(source.Text, error);
    if (!converted) {
        error.ValidShiftJis = source.ValidShiftJis;
        return std::nullopt;
    }
    return SplitLines(*converted);
}

std::optional<std::string> SourceTextAsShiftJis(SourceText source, SourceFileError& error)
{
    if (source.Format.Encoding == TextEncoding::ShiftJis)
        return std::move(source.Text);
    auto converted = Utf8AsShiftJisExactly(source.Text, error);
    if (!converted)
        error.ValidShiftJis = source.ValidShiftJis;
    return converted;
}

std::optional<std::string> EncodeSourceFile(
    std::string_view utf8_text, DetectedEncoding format, SourceFileError& error)
{
    if (std::size_t const invalid = FindInvalidUtf8(utf8_text); invalid != std::string_view::npos) {
        error = InvalidBytes(utf8_text, invalid, TextEncoding::Utf8);
        return std::nullopt;
    }
    if (format.Encoding == TextEncoding::Utf8) {
        // Text that begins with U+FEFF gets a byte order mark before it even
        // in a file that had none: without one, reading the file again would
        // take that character for the mark and drop it.
        bool const mark = format.HasByteOrderMark || utf8_text.starts_with(Utf8ByteOrderMark);
        std::string bytes(mark ? Utf8ByteOrderMark : std::string_view {});
        bytes += utf8_text;
        return bytes;
    }
    return Utf8AsShiftJisExactly(utf8_text, error);
}

std::optional<std::string> EncodeSourceLines(
    std::vector<std::string> const& shift_jis_lines, DetectedEncoding format, SourceFileError& error)
{
    std::string joined = JoinLinesCrLf(shift_jis_lines);
    if (format.Encoding == TextEncoding::ShiftJis)
        return joined;
    ConversionResult const converted = ShiftJisToUtf8(joined);
    if (!converted.Succeeded()) {
        error = InvalidBytes(joined, converted.Failure->Offset, TextEncoding::ShiftJis);
        return std::nullopt;
    }
    return EncodeSourceFile(converted.Text, format, error);
}

} // namespace edamaki
