#include "text/Encoding.h"

#include <cerrno>
#include <iconv.h>

namespace edamaki {

namespace {

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

    bool IsOpen() const { return m_handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_handle; }

private:
    iconv_t m_handle;
};

enum class OnFailure {
    Stop,
    Substitute,
};

// Converts `input`; on a character that can't be converted either stops and
// reports its offset, or writes `substitute` and skips one input byte (or the
// whole character when its length is known from `character_length`).
template<typename CharacterLength>
ConversionResult Convert(char const* to, char const* from, std::string_view input, OnFailure on_failure,
    std::string_view substitute, CharacterLength character_length)
{
    ConversionResult result;
    IconvHandle const converter(to, from);
    if (!converter.IsOpen()) {
        result.Failure = ConversionFailure { 0 };
        return result;
    }

    std::string& output = result.Text;
    output.resize(input.size() * 2 + 16);
    char* in_pointer = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    std::size_t out_used = 0;

    while (in_left > 0) {
        char* out_pointer = output.data() + out_used;
        std::size_t out_left = output.size() - out_used;
        std::size_t const status = iconv(converter.Get(), &in_pointer, &in_left, &out_pointer, &out_left);
        out_used = output.size() - out_left;
        if (status != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            output.resize(output.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL: a character that can't be converted, or a truncated one.
        std::size_t const offset = input.size() - in_left;
        if (on_failure == OnFailure::Stop) {
            result.Failure = ConversionFailure { offset };
            output.resize(out_used);
            return result;
        }
        std::size_t const skip = std::min(in_left, character_length(input, offset));
        output.resize(out_used);
        output.append(substitute);
        out_used = output.size();
        output.resize(out_used + in_left * 2 + 16);
        in_pointer += skip;
        in_left -= skip;
        iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
    }
    output.resize(out_used);
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

std::size_t OneByte(std::string_view, std::size_t)
{
    return 1;
}

} // namespace

ConversionResult ShiftJisToUtf8(std::string_view shift_jis)
{
    return Convert("UTF-8", "CP932", shift_jis, OnFailure::Stop, {}, OneByte);
}

ConversionResult Utf8ToShiftJis(std::string_view utf8)
{
    return Convert("CP932", "UTF-8", utf8, OnFailure::Stop, {}, OneByte);
}

std::string Utf8ToShiftJisForReading(std::string_view utf8)
{
    return Convert("CP932", "UTF-8", utf8, OnFailure::Substitute, "?", Utf8SequenceLength).Text;
}

std::size_t FindInvalidUtf8(std::string_view bytes)
{
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        auto const lead = static_cast<unsigned char>(bytes[offset]);
        if (lead < 0x80) {
            ++offset;
            continue;
        }
        std::size_t length = 0;
        unsigned int minimum_second = 0x80;
        unsigned int maximum_second = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                minimum_second = 0xA0; // no overlong forms
            if (lead == 0xED)
                maximum_second = 0x9F; // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                minimum_second = 0x90;
            if (lead == 0xF4)
                maximum_second = 0x8F;
        } else {
            return offset;
        }
        if (offset + length > bytes.size())
            return offset;
        auto const second = static_cast<unsigned char>(bytes[offset + 1]);
        if (second < minimum_second || second > maximum_second)
            return offset;
        for (std::size_t index = 2; index < length; ++index) {
            if ((static_cast<unsigned char>(bytes[offset + index]) & 0xC0) != 0x80)
                return offset;
        }
        offset += length;
    }
    return std::string_view::npos;
}

DetectedEncoding DetectEncoding(std::string_view bytes)
{
    if (bytes.starts_with(Utf8ByteOrderMark))
        return { TextEncoding::Utf8, true };
    bool has_high_byte = false;
    for (char const c : bytes) {
        if (static_cast<unsigned char>(c) > 0x7F) {
            has_high_byte = true;
            break;
        }
    }
    if (has_high_byte && IsValidUtf8(bytes))
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
