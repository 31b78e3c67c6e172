#pragma once

// Source files on disk: decoding a file's bytes into the source's text, and
// encoding a document's text for saving. A source file is Shift-JIS, or UTF-8
// with or without a byte order mark; a document is saved the way its file was
// read. Nothing is ever replaced quietly: bytes that are not text in the
// file's encoding, and characters that the target encoding lacks, are errors
// that name the line. The errors are data; each front end words them itself.

#include "core/text/Encoding.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

// How to take a file's bytes: detected (DetectEncoding), or as the encoding
// named.
enum class EncodingChoice {
    Auto,
    ShiftJis,
    Utf8,
};

struct SourceFileError {
    enum class Kind {
        InvalidBytes,     // bytes that are not text in `Encoding`
        MissingCharacter, // a character that `Encoding` cannot hold
        Utf16,            // a UTF-16 file, which is read in neither encoding
    };

    Kind Problem = Kind::InvalidBytes;
    TextEncoding Encoding = TextEncoding::ShiftJis;
    std::size_t Line = 0;       // 1-based; CR LF, a lone CR and a lone LF each end a line
    std::string Character;      // MissingCharacter: the character, as UTF-8
    char32_t CodePoint = 0;     // MissingCharacter: its code point
    bool ValidShiftJis = false; // read as UTF-8, the bytes are valid Shift-JIS: reading them so may do
};

// A source file's text as it is opened: every line trimmed of the characters
// of codes 0 to 32 at both ends, each line ended by LF, the last one only when
// the file's last line was ended.
struct SourceText {
    DetectedEncoding Format;    // how the file is written; a save writes it the same way
    std::string Text;           // in Format.Encoding, without the byte order mark
    bool ValidShiftJis = false; // a UTF-8 file whose bytes are valid Shift-JIS too
};

// Decodes a source file's bytes. Fails on bytes that are not text in the
// encoding chosen or detected, and on a UTF-16 file (one that begins with its
// byte order mark, or holds NUL bytes at least half as many as bytes above 32).
std::optional<SourceText> DecodeSourceFile(
    std::string_view bytes, EncodingChoice choice, SourceFileError& error);
// The same, reusing the buffer of the bytes for the text.
std::optional<SourceText> DecodeSourceFileInPlace(
    std::string bytes, EncodingChoice choice, SourceFileError& error);

// The text as UTF-8, for an editor. Decoded text always converts.
std::string SourceTextAsUtf8(SourceText const& source);

// The text as Shift-JIS lines, for the readers. A Shift-JIS file keeps its
// own bytes; in a UTF-8 file a character Shift-JIS lacks becomes its
// stand-in (core/text/StandIn.h), so every character keeps its place.
std::vector<std::string> SourceTextAsShiftJisLines(SourceText const& source);
// The same as one text (lines ended by LF, as in SourceText), taking over the
// text of a Shift-JIS file.
std::string SourceTextAsShiftJis(SourceText source);

// The bytes of a source file holding `utf8_text` (line breaks as they are to
// be written) in `format`. Fails on a character the encoding lacks.
std::optional<std::string> EncodeSourceFile(
    std::string_view utf8_text, DetectedEncoding format, SourceFileError& error);

// The bytes of a source file holding Shift-JIS lines, CR LF after each. In a
// Shift-JIS file a stand-in of a JIS form is written with its code; any other
// stand-in fails.
std::optional<std::string> EncodeSourceLines(
    std::vector<std::string> const& shift_jis_lines, DetectedEncoding format, SourceFileError& error);

} // namespace edamaki
