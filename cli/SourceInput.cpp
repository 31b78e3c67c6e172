#include "cli/SourceInput.h"

#include "cli/Commands.h"
#include "core/document/SourceDocument.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace edamaki::cli {

namespace {

// 1-based line of a byte offset, counting CR LF, CR and LF as line ends.
std::size_t LineOfOffset(std::string_view text, std::size_t offset)
{
    std::size_t line = 1;
    for (std::size_t index = 0; index < offset && index < text.size(); ++index) {
        if (text[index] == '\n'
            || (text[index] == '\r' && (index + 1 >= text.size() || text[index + 1] != '\n')))
            ++line;
    }
    return line;
}

} // namespace

std::optional<EncodingChoice> ParseEncodingChoice(std::string const& name)
{
    if (name == "auto")
        return EncodingChoice::Auto;
    if (name == "cp932" || name == "shift-jis" || name == "sjis")
        return EncodingChoice::ShiftJis;
    if (name == "utf-8" || name == "utf8")
        return EncodingChoice::Utf8;
    return std::nullopt;
}

std::optional<std::string> ReadAllBytes(std::string const& path, std::string& error)
{
    if (path == "-") {
        std::ostringstream buffer;
        buffer << std::cin.rdbuf();
        if (std::cin.bad()) {
            error = "cannot read standard input";
            return std::nullopt;
        }
        return std::move(buffer).str();
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    return bytes;
}

std::optional<SourceInput> ReadSourceInput(std::string const& path, EncodingChoice choice, std::string& error)
{
    auto bytes = ReadAllBytes(path, error);
    if (!bytes)
        return std::nullopt;

    SourceInput input;
    input.DisplayName = path == "-" ? "standard input" : path;
    switch (choice) {
    case EncodingChoice::Auto:
        input.Encoding = DetectEncoding(*bytes);
        break;
    case EncodingChoice::ShiftJis:
        input.Encoding = { TextEncoding::ShiftJis, false };
        break;
    case EncodingChoice::Utf8:
        input.Encoding = { TextEncoding::Utf8, bytes->starts_with(Utf8ByteOrderMark) };
        break;
    }

    std::string_view text = *bytes;
    std::string shift_jis;
    if (input.Encoding.Encoding == TextEncoding::Utf8) {
        std::size_t const skipped = input.Encoding.HasByteOrderMark ? Utf8ByteOrderMark.size() : 0;
        text.remove_prefix(skipped);
        if (std::size_t const bad = FindInvalidUtf8(text); bad != std::string_view::npos) {
            error = input.DisplayName + ": line " + std::to_string(LineOfOffset(text, bad))
                + ": not valid UTF-8";
            return std::nullopt;
        }
        ConversionResult converted = Utf8ToShiftJis(text);
        if (!converted.Succeeded()) {
            error = input.DisplayName + ": line "
                + std::to_string(LineOfOffset(text, converted.Failure->Offset))
                + ": a character that Shift-JIS cannot hold";
            return std::nullopt;
        }
        shift_jis = std::move(converted.Text);
    } else {
        ConversionResult const checked = ShiftJisToUtf8(text);
        if (!checked.Succeeded()) {
            error = input.DisplayName + ": line "
                + std::to_string(LineOfOffset(text, checked.Failure->Offset))
                + ": not valid Shift-JIS (try --encoding utf-8)";
            return std::nullopt;
        }
        shift_jis = std::move(*bytes);
    }

    input.Lines = SplitLines(shift_jis);
    TrimLines(input.Lines);
    return input;
}

std::optional<SourceInput> ReadCommandSource(std::string_view command, ParsedArguments const& parsed)
{
    auto const encoding = ParseEncodingChoice(parsed.Value("--encoding").value_or("auto"));
    if (!encoding) {
        PrintError(std::string(command) + ": --encoding must be auto, cp932 or utf-8");
        return std::nullopt;
    }
    if (parsed.Positionals.size() > 1) {
        PrintError(std::string(command) + ": only one source file may be given");
        return std::nullopt;
    }
    std::string error;
    auto input
        = ReadSourceInput(parsed.Positionals.empty() ? "-" : parsed.Positionals.front(), *encoding, error);
    if (!input)
        PrintError(error);
    return input;
}

bool ReadSourceTree(SourceInput const& input, FolderTree& tree, std::string_view consequence)
{
    ReadSource(tree, input.Lines);
    if (!tree.IsTruncated())
        return true;
    PrintError(input.DisplayName + ": the source generates more than one read may make (at most "
        + std::to_string(tree.FolderBudget()) + " folders); " + std::string(consequence));
    return false;
}

bool WriteSourceLines(
    std::ostream& out, std::vector<std::string> const& lines, DetectedEncoding encoding, std::string& error)
{
    std::string const text = JoinLinesCrLf(lines);
    if (encoding.Encoding == TextEncoding::ShiftJis) {
        out << text;
    } else {
        ConversionResult const converted = ShiftJisToUtf8(text);
        if (!converted.Succeeded()) {
            error = "a folder name cannot be written as UTF-8";
            return false;
        }
        if (encoding.HasByteOrderMark)
            out << Utf8ByteOrderMark;
        out << converted.Text;
    }
    out.flush();
    if (!out) {
        error = "cannot write the output";
        return false;
    }
    return true;
}

} // namespace edamaki::cli
