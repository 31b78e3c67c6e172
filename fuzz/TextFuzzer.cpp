// Takes arbitrary bytes through everything that turns a file's bytes into a
// source: encoding detection, decoding and encoding, line splitting and
// trimming, source offsets and the terminal escaping of names. Nothing may
// crash, and each step keeps its promise:
// - a file that decodes encodes back to the same text;
// - text saved as Shift-JIS opens again as Shift-JIS, unless its bytes read as
//   UTF-8 text (only characters of three and four bytes, and Latin letters
//   and signs, Greek and Cyrillic letters next to a letter or digit); and
//   UTF-8 of ASCII, kana and kanji opens as UTF-8;
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
#include "core/text/StandIn.h"

#include <algorithm>
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
    auto const lines = edamaki::SourceTextAsShiftJisLines(*decoded);
    edamaki::DetectSourceMode(lines);
    CheckLines(lines);
    // The same lines, read from the text as one.
    auto const text = edamaki::SourceTextAsShiftJis(*decoded);
    auto const view = edamaki::SourceLines::InText(text);
    Check(std::vector<std::string>(view.begin(), view.end()) == lines);
    // What the program writes reads back the same: in UTF-8 always, in
    // Shift-JIS whenever the lines hold no character it lacks.
    for (auto const encoding : { edamaki::TextEncoding::Utf8, edamaki::TextEncoding::ShiftJis }) {
        auto const written = edamaki::EncodeSourceLines(lines, { encoding, false }, error);
        bool const holds_stand_in = std::any_of(lines.begin(), lines.end(),
            [](std::string const& line) { return edamaki::FindStandIn(line) != std::string::npos; });
        Check(written.has_value() || (encoding == edamaki::TextEncoding::ShiftJis && holds_stand_in));
        if (!written || (encoding == edamaki::TextEncoding::ShiftJis && holds_stand_in))
            continue;
        auto const read_back = edamaki::DecodeSourceFile(*written,
            encoding == edamaki::TextEncoding::Utf8 ? edamaki::EncodingChoice::Utf8
                                                    : edamaki::EncodingChoice::ShiftJis,
            error);
        Check(read_back.has_value());
        Check(edamaki::SourceTextAsShiftJisLines(*read_back) == lines);
    }
}

// Valid UTF-8 whose every character beyond ASCII has three or four bytes,
// or is a Latin, Greek or Cyrillic letter or sign next to a letter or digit.
// Looser than detection's judgement: Shift-JIS that reads so may be taken
// for UTF-8, any other must not.
bool ReadsAsUtf8Text(std::string_view bytes)
{
    if (!edamaki::IsValidUtf8(bytes))
        return false;
    auto const is_letter = [](char32_t c) {
        return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9')
            || (c >= 0xC0 && c <= 0x45F);
    };
    std::vector<char32_t> characters;
    for (std::size_t offset = 0, length = 0; offset < bytes.size(); offset += length)
        characters.push_back(edamaki::DecodeUtf8Character(bytes, offset, length));
    for (std::size_t index = 0; index < characters.size(); ++index) {
        char32_t const c = characters[index];
        if (c < 0x80 || c >= 0x800)
            continue;
        bool const beside_letter = (index > 0 && is_letter(characters[index - 1]))
            || (index + 1 < characters.size() && is_letter(characters[index + 1]));
        if (c < 0xA0 || c > 0x45F || !beside_letter)
            return false;
    }
    return true;
}

bool IsKanaAndKanji(std::string_view bytes)
{
    if (!edamaki::IsValidUtf8(bytes))
        return false;
    bool wide = false;
    for (std::size_t offset = 0, length = 0; offset < bytes.size(); offset += length) {
        char32_t const c = edamaki::DecodeUtf8Character(bytes, offset, length);
        bool const kana_or_kanji = (c >= 0x3041 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF);
        if (c >= 0x80 && !kana_or_kanji)
            return false;
        wide = wide || kana_or_kanji;
    }
    return wide;
}

// The bytes taken as UTF-8 text: what the program writes of it in Shift-JIS
// opens as Shift-JIS again, the same text.
void CheckShiftJisReadsBack(std::string_view bytes)
{
    edamaki::SourceFileError error;
    auto const shift_jis
        = edamaki::EncodeSourceFile(bytes, { edamaki::TextEncoding::ShiftJis, false }, error);
    if (!shift_jis)
        return;
    // A UTF-16 look-alike (NUL bytes) is refused whichever way it is read.
    auto const chosen = edamaki::DecodeSourceFile(*shift_jis, edamaki::EncodingChoice::ShiftJis, error);
    auto const detected = edamaki::DecodeSourceFile(*shift_jis, edamaki::EncodingChoice::Auto, error);
    Check(chosen.has_value() == detected.has_value());
    if (!detected)
        return;
    if (detected->Format.Encoding == edamaki::TextEncoding::ShiftJis)
        Check(detected->Text == chosen->Text);
    else
        Check(ReadsAsUtf8Text(*shift_jis));
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
    CheckShiftJisReadsBack(bytes);
    if (IsKanaAndKanji(bytes)) {
        edamaki::SourceFileError error;
        auto const detected = edamaki::DecodeSourceFile(bytes, edamaki::EncodingChoice::Auto, error);
        Check(!detected || detected->Format.Encoding == edamaki::TextEncoding::Utf8);
    }

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
