#include "cli/SourceInput.h"

#include "cli/Commands.h"
#include "core/document/SourceBytes.h"
#include "core/document/SourceDocument.h"
#include "core/document/SourceSize.h"
#include "core/document/Templates.h"
#include "core/text/Placeholders.h"
#include "core/text/Printable.h"
#include "core/text/ShiftJis.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <set>

namespace edamaki::cli {

namespace {

std::string EncodingName(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8 ? "UTF-8" : "Shift-JIS";
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

std::optional<std::string> ReadAllBytes(
    std::string const& path, std::string& error, bool template_file, std::string_view what)
{
    SourceBytes read = ReadSourceBytes(path, template_file);
    std::string const name = path == "-" ? "standard input" : path;
    switch (read.Failure) {
    case SourceBytes::Problem::None:
        return std::move(read.Bytes);
    case SourceBytes::Problem::CantOpen:
        error = "cannot open " + name + ": " + std::strerror(read.Error);
        break;
    case SourceBytes::Problem::NotARegularFile:
        error = "cannot open " + name + ": not a regular file";
        break;
    case SourceBytes::Problem::CantRead:
        error = "cannot read " + name + ": " + std::strerror(read.Error);
        break;
    case SourceBytes::Problem::TooLarge:
        error = name + ": the " + std::string(what) + " is larger than " + GroupedNumber(MostSourceBytes)
            + " bytes, the most a " + std::string(what) + " may hold";
        break;
    }
    return std::nullopt;
}

std::optional<SourceInput> ReadSourceInput(
    std::string const& path, EncodingChoice choice, std::string& error, bool template_file)
{
    auto bytes = ReadAllBytes(path, error, template_file);
    if (!bytes)
        return std::nullopt;

    SourceInput input;
    input.DisplayName = path == "-" ? "standard input" : path;
    SourceFileError problem;
    // One buffer, read once: the bytes become the text in place.
    auto source = DecodeSourceFileInPlace(std::move(*bytes), choice, problem);
    if (!source) {
        error = input.DisplayName + ": " + DescribeReadError(problem);
        return std::nullopt;
    }
    input.Encoding = source->Format;
    input.Text = SourceTextAsShiftJis(std::move(*source));
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
    std::string path = parsed.Positionals.empty() ? "-" : parsed.Positionals.front();
    bool template_file = false;
    if (auto const name = parsed.Value("--template")) {
        if (!parsed.Positionals.empty()) {
            PrintError(std::string(command) + ": give a source file or --template, not both");
            return std::nullopt;
        }
        auto const found = FindTemplate(*name);
        if (!found) {
            PrintError(std::string(command) + ": no template is named \"" + EscapeForTerminal(*name)
                + "\" (edamaki-cli templates lists them)");
            return std::nullopt;
        }
        path = found->Path;
        template_file = true;
    }
    std::string error;
    auto input = ReadSourceInput(path, *encoding, error, template_file);
    if (!input)
        PrintError(error);
    return input;
}

char const* const PlaceholderHelp
    = "Placeholders: <%NAME> in a source stands for a value given with --set NAME=VALUE\n"
      "(once per NAME; a NAME the source doesn't use is warned of), <%NAME=DEFAULT>\n"
      "with a default. Built in, for today or --date YYYY-MM-DD: <%日付> (20261207),\n"
      "<%年>, <%月>, <%日>, <%年度> (the fiscal year from April), <%和暦年> and\n"
      "<%和暦年度> (令和8), <%日付:YYYY-MM-DD> (YYYY YY MM M DD D); years and months\n"
      "count on: <%年度-1>, <%年+1>, <%月+1> (December's is 01), <%和暦年度-1>.\n"
      "A value is one folder name, never syntax: not empty, \".\" or \"..\", none of\n"
      "\\ / : * ? \" < > |, no blank at either end, no \";\" first; inside a tag no\n"
      "\",\", and in a <# or <@ tag no \"-\". A placeholder without a value is an\n"
      "input error that names it.\n"
      "--template NAME reads the template NAME instead of FILE (edamaki-cli templates).\n";

namespace {

std::string Utf8Name(std::string const& shift_jis_name, ShiftJisConverter& converter)
{
    std::string name;
    if (converter.AppendUtf8(shift_jis_name, name))
        name = "?";
    return name;
}

// "<%NAME>" as the user reads it.
std::string PlaceholderText(std::string const& shift_jis_name, ShiftJisConverter& converter)
{
    return "<%" + EscapeForTerminal(Utf8Name(shift_jis_name, converter)) + ">";
}

// The first character of a refused value that no folder name may hold, as
// "\":\" (U+003A)"; a control character by its code point alone.
std::string RefusedCharacterName(std::string_view value)
{
    char32_t const refused = FindRefusedNameCharacter(value).value_or(U',');
    std::string const code = CodePointText(refused);
    if (refused < 0x20 || (refused >= 0x7F && refused <= 0x9F))
        return code;
    return "\"" + EncodeUtf8Character(refused) + "\" (" + code + ")";
}

std::string RefusalText(PlaceholderRefusal const& refusal, ShiftJisConverter& converter)
{
    std::string const placeholder = PlaceholderText(refusal.Name, converter);
    std::string value;
    if (converter.AppendUtf8(refusal.Value, value))
        value = "?";
    std::string const quoted = "\"" + EscapeForTerminal(value) + "\"";
    switch (refusal.Why) {
    case PlaceholderRefusal::Kind::NoValue: {
        std::string name;
        converter.AppendUtf8(refusal.Name, name);
        return placeholder + " has no value (give one with --set " + EscapeForTerminal(name) + "=VALUE)";
    }
    case PlaceholderRefusal::Kind::Empty:
        return placeholder + ": the value is empty";
    case PlaceholderRefusal::Kind::DotName:
        return placeholder + ": " + quoted + " is not a folder name";
    case PlaceholderRefusal::Kind::NameCharacter:
        return placeholder + ": " + quoted + " holds " + RefusedCharacterName(refusal.Value)
            + ", which a folder name can't hold (\\ / : * ? \" < > |, a control character, or \",\" inside "
              "a tag)";
    case PlaceholderRefusal::Kind::EdgeBlank:
        return placeholder + ": " + quoted
            + " begins or ends with a blank, which the edge of a line would trim";
    case PlaceholderRefusal::Kind::Semicolon:
        return placeholder + ": " + quoted
            + " begins with \";\", which would make a comment of a line it begins";
    case PlaceholderRefusal::Kind::TagSyntax:
        return placeholder + ": " + quoted
            + " holds \"-\", which would part a range inside the tag (a value is never read as tag syntax)";
    case PlaceholderRefusal::Kind::TagCharacter:
        return placeholder + " stands for a tag's character (a value is never read as tag syntax)";
    case PlaceholderRefusal::Kind::BeforeColon:
        return placeholder + " stands before a \":\" (a value never makes a drive)";
    case PlaceholderRefusal::Kind::InHeader:
        return placeholder + " stands inside a \"<?\" tag (a value never makes the macro header)";
    case PlaceholderRefusal::Kind::TooLarge:
        return "filled in, the source would hold " + GroupedNumber(std::stoull(refusal.Value))
            + " bytes, more than " + GroupedNumber(MostSourceBytes) + ", the most a source may hold";
    case PlaceholderRefusal::Kind::NotShiftJis:
        break;
    }
    return placeholder + ": " + quoted + " holds a character Shift-JIS can't hold";
}

} // namespace

std::optional<CalendarDate> CommandDate(std::string_view command, ParsedArguments const& parsed)
{
    auto const given = parsed.Value("--date");
    if (!given)
        return Today();
    auto const date = ParseCalendarDate(*given);
    if (!date)
        PrintError(std::string(command) + ": --date takes a date YYYY-MM-DD that exists, not \""
            + EscapeForTerminal(*given) + "\"");
    return date;
}

namespace {

// The "--set NAME=VALUE" values, Shift-JIS. Reports a malformed or repeated
// one, ending with `consequence`, and returns nullopt.
std::optional<std::map<std::string, std::string>> SetValues(
    std::string_view command, ParsedArguments const& parsed, std::string_view consequence)
{
    ShiftJisConverter converter;
    std::map<std::string, std::string> values;
    for (std::string const& setting : parsed.AllValues("--set")) {
        std::size_t const equals = setting.find('=');
        std::string name;
        std::string value;
        if (equals == std::string::npos || equals == 0) {
            PrintError(std::string(command) + ": --set takes NAME=VALUE, not \"" + EscapeForTerminal(setting)
                + "\"; " + std::string(consequence));
            return std::nullopt;
        }
        if (converter.AppendShiftJis(setting.substr(0, equals), name)
            || converter.AppendShiftJis(setting.substr(equals + 1), value)) {
            PrintError(std::string(command) + ": --set " + EscapeForTerminal(setting) + ": not valid UTF-8; "
                + std::string(consequence));
            return std::nullopt;
        }
        if (!values.emplace(name, value).second) {
            PrintError(std::string(command) + ": --set " + EscapeForTerminal(setting.substr(0, equals))
                + " is given more than once; " + std::string(consequence));
            return std::nullopt;
        }
    }
    return values;
}

} // namespace

// A typing slip would otherwise pass unseen.
void WarnOfUnusedValues(
    std::string_view command, std::map<std::string, std::string> const& values, std::string_view text)
{
    if (values.empty())
        return;
    ShiftJisConverter converter;
    std::set<std::string> used;
    for (Placeholder const& placeholder : FindPlaceholders(text))
        used.insert(placeholder.Name);
    for (auto const& [name, value] : values) {
        if (!used.contains(name))
            PrintError(std::string(command) + ": warning: --set "
                + EscapeForTerminal(Utf8Name(name, converter)) + ": the source has no placeholder "
                + PlaceholderText(name, converter));
    }
}

std::string PlaceholderText(std::string const& shift_jis_name)
{
    ShiftJisConverter converter;
    return PlaceholderText(shift_jis_name, converter);
}

std::optional<CommandValues> ReadCommandValues(
    std::string_view command, ParsedArguments const& parsed, std::string_view consequence)
{
    auto values = SetValues(command, parsed, consequence);
    if (!values)
        return std::nullopt;
    auto const date = CommandDate(command, parsed);
    if (!date)
        return std::nullopt;
    return CommandValues { std::move(*values), *date };
}

bool FillSourceText(std::string_view command, std::map<std::string, std::string> const& values,
    CalendarDate date, std::string& text, std::function<std::string(PlaceholderRefusal const&)> const& where,
    std::string_view consequence)
{
    std::vector<PlaceholderRefusal> const refusals = FillPlaceholders(text, values, date, MostSourceBytes);
    if (refusals.empty())
        return true;
    ShiftJisConverter converter;
    for (PlaceholderRefusal const& refusal : refusals)
        PrintError(std::string(command) + ": " + where(refusal) + RefusalText(refusal, converter));
    if (consequence.empty())
        return false;
    if (refusals.front().Why == PlaceholderRefusal::Kind::TooLarge) {
        PrintError(std::string(command) + ": " + std::string(consequence));
        return false;
    }
    PrintError(std::string(command) + ": " + GroupedNumber(refusals.size())
        + (refusals.size() == 1 ? " placeholder has" : " placeholders have") + " no usable value; "
        + std::string(consequence));
    return false;
}

bool FillCommandPlaceholders(
    std::string_view command, ParsedArguments const& parsed, SourceInput& input, std::string_view consequence)
{
    auto const given = ReadCommandValues(command, parsed, consequence);
    if (!given)
        return false;
    WarnOfUnusedValues(command, given->Values, input.Text);
    return FillSourceText(
        command, given->Values, given->Date, input.Text,
        [](PlaceholderRefusal const&) { return std::string(); }, consequence);
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
        if (problem.Problem == SourceFileError::Kind::MissingCharacter)
            error += ": " + EscapeForTerminal(problem.Character) + " (" + CodePointText(problem.CodePoint)
                + ")";
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
