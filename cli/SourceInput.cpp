#include "cli/SourceInput.h"

#include "cli/Commands.h"
#include "core/document/SourceDocument.h"
#include "core/document/SourceSize.h"
#include "core/text/Printable.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace edamaki::cli {

namespace {

std::string EncodingName(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8 ? "UTF-8" : "Shift-JIS";
}

// "U+XXXX", at least four hexadecimal digits.
std::string CodePointText(char32_t code_point)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned int>(code_point));
    return text;
}

// What is wrong with a source that was read, after "NAME: ".
std::string DescribeReadError(SourceFileError const& error)
{
    if (error.Problem == SourceFileError::Kind::Utf16)
        return "a UTF-16 file, which is not read (save it as UTF-8 or Shift-JIS)";
    std::string const line = "line " + std::to_string(error.Line) + ": ";
    std::string const hint = error.ValidShiftJis ? " (try --encoding cp932)" : "";
    if (error.Problem == SourceFileError::Kind::MissingCharacter)
        return line + "a character that " + EncodingName(error.Encoding) + " cannot hold: "
            + EscapeForTerminal(error.Character) + " (" + CodePointText(error.CodePoint) + ")" + hint;
    if (error.Encoding == TextEncoding::Utf8)
        return line + "not valid UTF-8" + hint;
    return line + "not valid Shift-JIS (try --encoding utf-8)";
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

namespace {

// Reads everything from `descriptor`, but stops once `bytes` holds more than
// MostSourceBytes. Returns the system's error, 0 on success.
int ReadDescriptor(int descriptor, std::string& bytes)
{
    char buffer[1 << 16];
    while (bytes.size() <= MostSourceBytes) {
        std::size_t const wanted = std::min(sizeof buffer, MostSourceBytes + 1 - bytes.size());
        ssize_t const count = ::read(descriptor, buffer, wanted);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return errno;
        if (count == 0)
            return 0;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return 0;
}

// Why a source that ran past MostSourceBytes is refused.
std::string TooLargeMessage(std::string const& name)
{
    return name + ": the source is larger than " + GroupedNumber(MostSourceBytes)
        + " bytes, the most a source may hold";
}

} // namespace

std::optional<std::string> ReadAllBytes(std::string const& path, std::string& error)
{
    std::string bytes;
    if (path == "-") {
        if (int const failure = ReadDescriptor(STDIN_FILENO, bytes)) {
            error = "cannot read standard input: " + std::string(std::strerror(failure));
            return std::nullopt;
        }
        if (bytes.size() > MostSourceBytes) {
            error = TooLargeMessage("standard input");
            return std::nullopt;
        }
        return bytes;
    }
    int const descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    // A file's size is known ahead: the buffer is made once, not grown.
    if (struct stat status; ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode))
        bytes.reserve(std::min(static_cast<std::size_t>(status.st_size), MostSourceBytes) + 1);
    int const failure = ReadDescriptor(descriptor, bytes);
    ::close(descriptor);
    if (failure) {
        error = "cannot read " + path + ": " + std::strerror(failure);
        return std::nullopt;
    }
    if (bytes.size() > MostSourceBytes) {
        error = TooLargeMessage(path);
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
    SourceFileError problem;
    // One buffer, read once: the bytes become the text in place.
    auto source = DecodeSourceFileInPlace(std::move(*bytes), choice, problem);
    if (source)
        input.Encoding = source->Format;
    auto text = source ? SourceTextAsShiftJis(std::move(*source), problem) : std::nullopt;
    if (!text) {
        error = input.DisplayName + ": " + DescribeReadError(problem);
        return std::nullopt;
    }
    input.Text = std::move(*text);
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
    ReadSource(tree, input.Lines());
    auto const& stop = tree.ReadStopped();
    if (!stop)
        return true;
    PrintError(TooManyFoldersMessage(input, *stop, consequence));
    return false;
}

std::string GroupedNumber(std::size_t number)
{
    std::string digits = std::to_string(number);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ',');
    return digits;
}

namespace {

// The limit that stopped the read, with its figure.
std::string ReadLimitText(ReadStop const& stop)
{
    std::string const figure = GroupedNumber(stop.Figure);
    switch (stop.Limit) {
    case ReadLimit::Folders:
        break;
    case ReadLimit::ExpansionWork:
        return "the source takes more expansion work than one read may do (more than " + figure
            + " folders made in all, the copies its tags remove again included)";
    case ReadLimit::GeneratedNames:
        return "the source generates more than " + figure + " names, the most one read may generate";
    case ReadLimit::Cancelled:
        return "the read was called off";
    case ReadLimit::NameBytes:
        return "the source generates more than " + figure + " bytes of names, the most one read may generate";
    }
    return "the source makes more than " + figure + " folders, the most one read may make";
}

} // namespace

std::string TooManyFoldersMessage(
    SourceInput const& input, ReadStop const& stop, std::string_view consequence)
{
    return input.DisplayName + ": " + ReadLimitText(stop) + "; " + std::string(consequence);
}

bool WriteSourceLines(
    std::ostream& out, std::vector<std::string> const& lines, DetectedEncoding encoding, std::string& error)
{
    SourceFileError problem;
    auto const bytes = EncodeSourceLines(lines, encoding, problem);
    if (!bytes) {
        error = "line " + std::to_string(problem.Line) + " of the output: a folder name cannot be written as "
            + EncodingName(encoding.Encoding);
        return false;
    }
    out << *bytes;
    out.flush();
    if (!out) {
        error = "cannot write the output";
        return false;
    }
    return true;
}

} // namespace edamaki::cli
