// Takes arbitrary bytes through everything that turns a file's bytes into a
// source: encoding detection, decoding and encoding, line splitting and
// trimming, source offsets and the terminal escaping of names. Nothing may
// crash, and each step keeps its promise:
// - a file that decodes encodes back to the same text;
// - scanning for bytes that are not Shift-JIS agrees with converting them;
// - lines joined and split again are the same lines;
// - offsets map to positions and back onto the same line;
// - escaped text holds no control character.
//
// Build with clang (-DEDAMAKI_BUILD_FUZZ=ON) and run, for instance:
//   build-fuzz/TextFuzzer -max_len=65536 -timeout=10 corpus/

#include "core/document/SourceDocument.h"
#include "core/document/SourceFile.h"
#include "core/text/Encoding.h"
#include "core/text/Printable.h"
#include "core/text/ShiftJis.h"
#include "core/text/SourceLines.h"
#include "core/text/SourceOffsets.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckLines(std::vector<std::string> const& lines)
{
    for (auto const& line : lines)
        Check(line.find_first_of("\r\n") == std::string::npos);
    Check(edamaki::SplitLines(edamaki::JoinLinesCrLf(lines)) == lines);

    edamaki::SourceOffsets const offsets(lines);
    for (std::size_t line = 0; line < lines.size(); line += 1 + line / 8) {
        for (std::size_t column : { std::size_t { 0 }, lines[line].size() / 2, lines[line].size() }) {
            std::size_t const offset = offsets.OffsetOf({ line, column });
            Check(offsets.PositionOf(offset) == edamaki::SourcePosition { line, column });
            std::size_t const characters = edamaki::CharactersInBytes(lines[line], column);
            Check(edamaki::BytesOfCharacters(lines[line], characters) >= column);
        }
    }
}

void CheckDecoding(std::string_view bytes, edamaki::EncodingChoice choice)
{
    edamaki::SourceFileError error;
    auto const decoded = edamaki::DecodeSourceFile(bytes, choice, error);
    if (!decoded)
        return;
    std::string const utf8 = edamaki::SourceTextAsUtf8(*decoded);
    Check(edamaki::IsValidUtf8(utf8));
    // What was opened saves again: the same text, in the same encoding.
    auto const encoded = edamaki::EncodeSourceFile(utf8, decoded->Format, error);
    Check(encoded.has_value());
    auto const again = edamaki::DecodeSourceFile(*encoded, choice, error);
    Check(again && edamaki::SourceTextAsUtf8(*again) == utf8);
    if (auto const lines = edamaki::SourceTextAsShiftJisLines(*decoded, error)) {
        edamaki::DetectSourceMode(*lines);
        CheckLines(*lines);
        // The same lines, read from the text as one.
        auto const text = edamaki::SourceTextAsShiftJis(*decoded, error);
        Check(text.has_value());
        auto const view = edamaki::SourceLines::InText(*text);
        Check(std::vector<std::string>(view.begin(), view.end()) == *lines);
    }
}

void CheckEscaping(std::string_view bytes)
{
    std::string const printed = edamaki::EscapeForTerminal(bytes);
    Check(edamaki::IsValidUtf8(printed));
    for (char const byte : printed)
        Check(static_cast<unsigned char>(byte) >= 0x20 && byte != 0x7F);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::string_view const bytes(reinterpret_cast<char const*>(data), size);
    for (auto const choice :
        { edamaki::EncodingChoice::Auto, edamaki::EncodingChoice::ShiftJis, edamaki::EncodingChoice::Utf8 })
        CheckDecoding(bytes, choice);

    // The converters agree with the UTF-8 check, and what converts comes back.
    edamaki::ConversionResult const as_shift_jis = edamaki::Utf8ToShiftJis(bytes);
    if (as_shift_jis.Succeeded()) {
        Check(edamaki::IsValidUtf8(bytes));
        Check(edamaki::ShiftJisToUtf8(as_shift_jis.Text).Succeeded());
    }
    edamaki::ConversionResult const as_utf8 = edamaki::ShiftJisToUtf8(bytes);
    if (as_utf8.Succeeded())
        Check(edamaki::IsValidUtf8(as_utf8.Text));
    // The scan finds what the conversion fails on, at the same byte.
    std::size_t const invalid = edamaki::FindInvalidShiftJis(bytes);
    Check(as_utf8.Succeeded() ? invalid == std::string_view::npos : invalid == as_utf8.Failure->Offset);

    std::vector<std::string> lines = edamaki::SplitLines(bytes);
    for (auto& line : lines)
        line = std::string(edamaki::TrimBlanks(line));
    CheckLines(lines);
    CheckEscaping(bytes);
    return 0;
}
