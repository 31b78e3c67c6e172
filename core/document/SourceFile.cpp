#include "core/document/SourceFile.h"

#include "core/text/ShiftJis.h"
#include "core/text/StandIn.h"

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

// UTF-8 text as a Shift-JIS file holds it, only when the Shift-JIS reads
// back as the same text: code page 932 takes a few characters it has no code
// of its own for ("¥" as "\\", "‾" as "~"), and one of them in a name would
// change the tree, "\\" even its shape. The JIS forms are the exception: they
// are written with their look-alike's code, as every Shift-JIS editor does.
// Fails on the first character that Shift-JIS lacks or would change.
std::optional<std::string> Utf8AsShiftJisExactly(std::string_view utf8, SourceFileError& error)
{
    std::string text;
    text.reserve(utf8.size());
    std::size_t done = 0;
    auto const append_exactly = [&](std::size_t end) {
        std::string_view const piece = utf8.substr(done, end - done);
        ConversionResult const converted = Utf8ToShiftJis(piece);
        std::size_t changed = converted.Succeeded() ? piece.size() : converted.Failure->Offset;
        if (converted.Succeeded()) {
            std::string const back = ShiftJisToUtf8(converted.Text).Text;
            changed = static_cast<std::size_t>(
                std::mismatch(piece.begin(), piece.end(), back.begin(), back.end()).first - piece.begin());
        }
        if (changed != piece.size()) {
            error = MissingCharacter(utf8, CharacterStart(utf8, done + changed), TextEncoding::ShiftJis);
            return false;
        }
        text += converted.Text;
        return true;
    };
    for (std::size_t at = FindOneWayCharacter(utf8); at != std::string_view::npos;
         at = FindOneWayCharacter(utf8, done)) {
        std::size_t length = 0;
        std::string_view const code = JisFormCode(DecodeUtf8Character(utf8, at, length));
        if (!append_exactly(code.empty() ? at + length : at))
            return std::nullopt;
        text += code;
        done = at + length;
    }
    if (!append_exactly(utf8.size()))
        return std::nullopt;
    return text;
}

// Text as the core holds it (stand-ins for what Shift-JIS lacks) from UTF-8
// that is known to be well formed.
std::string Utf8AsCoreText(std::string_view utf8)
{
    std::string text;
    ShiftJisConverter().AppendShiftJis(utf8, text);
    return text;
}

// Shift-JIS lines as a Shift-JIS file holds them: a JIS form's stand-in is
// written with its code, any other stand-in fails, naming its line.
bool WriteStandInsAsShiftJis(std::string& text, SourceFileError& error)
{
    std::size_t at = FindStandIn(text);
    if (at == std::string_view::npos)
        return true;
    std::string written;
    written.reserve(text.size());
    std::size_t done = 0;
    for (; at != std::string_view::npos; at = FindStandIn(text, done)) {
        char32_t const code_point = StandInCodePoint(text, at);
        std::string_view const code = JisFormCode(code_point);
        if (code.empty()) {
            error = MissingCharacter(EncodeUtf8Character(code_point), 0, TextEncoding::ShiftJis);
            error.Line = LineOfOffset(text, at);
            return false;
        }
        written.append(text, done, at - done);
        written += code;
        done = at + StandInLength;
    }
    written.append(text, done);
    text = std::move(written);
    return true;
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

std::vector<std::string> SourceTextAsShiftJisLines(SourceText const& source)
{
    if (source.Format.Encoding == TextEncoding::ShiftJis)
        return SplitLines(source.Text);
    return SplitLines(Utf8AsCoreText(source.Text));
}

std::string SourceTextAsShiftJis(SourceText source)
{
    if (source.Format.Encoding == TextEncoding::ShiftJis)
        return std::move(source.Text);
    return Utf8AsCoreText(source.Text);
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
    if (format.Encoding == TextEncoding::ShiftJis) {
        if (!WriteStandInsAsShiftJis(joined, error))
            return std::nullopt;
        return joined;
    }
    ConversionResult const converted = ShiftJisToUtf8(joined);
    if (!converted.Succeeded()) {
        error = InvalidBytes(joined, converted.Failure->Offset, TextEncoding::ShiftJis);
        return std::nullopt;
    }
    return EncodeSourceFile(converted.Text, format, error);
}

} // namespace edamaki
