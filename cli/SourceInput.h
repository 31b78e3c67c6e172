#pragma once

// Reading a source for the command line: from a file or standard input, in a
// chosen or detected encoding, into trimmed Shift-JIS lines for the core; and
// writing lines back in the encoding they were read in.

#include "cli/CommandLine.h"
#include "core/document/SourceFile.h"
#include "core/text/Encoding.h"
#include "core/text/Placeholders.h"
#include "core/text/SourceLines.h"
#include "core/tree/FolderTree.h"

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki::cli {

// Parses "auto", "cp932" (also "shift-jis", "sjis") and "utf-8" (also "utf8").
std::optional<EncodingChoice> ParseEncodingChoice(std::string const& name);

struct SourceInput {
    std::string DisplayName;   // the file name, or "standard input"
    std::string Text;          // Shift-JIS, every line trimmed and ended by LF (the last one maybe not)
    DetectedEncoding Encoding; // how the bytes were read

    SourceLines Lines() const { return SourceLines::InText(Text); }
};

// Reads FILE, or standard input for "-". On failure returns nullopt and sets
// `error` to a message that names the file and, for encoding errors, the line.
// A template file is opened as OpenTemplateFile says: only a regular file.
std::optional<SourceInput> ReadSourceInput(
    std::string const& path, EncodingChoice choice, std::string& error, bool template_file = false);

// The source a command names: at most one FILE (standard input for "-" or
// none), or the template "--template NAME", read with its "--encoding" (auto
// when missing). Reports a failure and returns nullopt.
std::optional<SourceInput> ReadCommandSource(std::string_view command, ParsedArguments const& parsed);

// "Today" for the command: the "--date YYYY-MM-DD" given, else the day of the
// run. Reports a date that doesn't exist and returns nullopt.
std::optional<CalendarDate> CommandDate(std::string_view command, ParsedArguments const& parsed);

// Fills the input's placeholders with the "--set NAME=VALUE" values, the
// built-in date (see CommandDate) and the defaults. A name set twice is
// refused, a name the source doesn't use warned of; a source that would grow
// past MostSourceBytes is refused before it is filled. Reports every name without a usable value,
// ending with `consequence`, and returns false; the input is then unchanged.
bool FillCommandPlaceholders(std::string_view command, ParsedArguments const& parsed, SourceInput& input,
    std::string_view consequence);

// The values of the command line: each "--set NAME=VALUE" (Shift-JIS) and
// the date of the built-ins. Reports a malformed or repeated "--set" or a date
// that doesn't exist, ending with `consequence`, and returns nullopt.
struct CommandValues {
    std::map<std::string, std::string> Values;
    CalendarDate Date;
};
std::optional<CommandValues> ReadCommandValues(
    std::string_view command, ParsedArguments const& parsed, std::string_view consequence);

// Fills the placeholders of `text` with `values`, the date's built-ins and the
// defaults, as FillCommandPlaceholders does. Each refusal is reported after
// "COMMAND: " and `where(refusal)`; the closing line, which ends with
// `consequence`, only when `consequence` is not empty. `text` is unchanged on
// failure.
bool FillSourceText(std::string_view command, std::map<std::string, std::string> const& values,
    CalendarDate date, std::string& text, std::function<std::string(PlaceholderRefusal const&)> const& where,
    std::string_view consequence);

// Warns of each value given with "--set" for a name the source doesn't use.
void WarnOfUnusedValues(
    std::string_view command, std::map<std::string, std::string> const& values, std::string_view text);

// "<%NAME>" as the user reads it, from a Shift-JIS name.
std::string PlaceholderText(std::string const& shift_jis_name);

// What the help texts of the commands that fill placeholders say of them.
extern char const* const PlaceholderHelp;

// Reads the input's lines into the tree with the reader of their mode. A
// source that asks for more than one read may make (the folder budget) is
// refused: prints why, ending with `consequence`, and returns false.
bool ReadSourceTree(SourceInput const& input, FolderTree& tree, std::string_view consequence);

// "1,000,000": digits in groups of three, as the messages print figures.
std::string GroupedNumber(std::size_t number);

// Why a source whose read stopped at `stop` is refused: names the limit with
// its figure, and ends with `consequence`.
std::string TooManyFoldersMessage(
    SourceInput const& input, ReadStop const& stop, std::string_view consequence);

// Writes Shift-JIS lines, CR LF after each, in `encoding` (a byte order mark
// first when the input had one). Fails with a message when a line can't be
// converted.
bool WriteSourceLines(
    std::ostream& out, std::vector<std::string> const& lines, DetectedEncoding encoding, std::string& error);

// Reads a whole file or standard input ("-") as bytes. A file larger than
// MostSourceBytes is refused, read no further than one byte past it, and the
// message calls it `what` (a source, a table).
std::optional<std::string> ReadAllBytes(std::string const& path, std::string& error,
    bool template_file = false, std::string_view what = "source");

} // namespace edamaki::cli
