// The commands about placeholders and templates: which names a source uses,
// and which templates there are.

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/SourceInput.h"
#include "core/document/Templates.h"
#include "core/text/Encoding.h"
#include "core/text/Placeholders.h"
#include "core/text/Printable.h"

#include <iostream>

namespace edamaki::cli {

namespace {

constexpr char const* PlaceholdersUsage
    = "usage: edamaki-cli placeholders [--date YYYY-MM-DD] [--encoding auto|cp932|utf-8]\n"
      "                                [FILE|-|--template NAME]\n"
      "\n"
      "Lists the placeholders a source uses, one per line in order of first use:\n"
      "NAME, or NAME=DEFAULT when the source gives a default; a built-in one (the\n"
      "date of the run) with its value today (or on --date) after a tab, as\n"
      "\"built in: VALUE\".\n";

constexpr char const* TemplatesUsage
    = "usage: edamaki-cli templates\n"
      "\n"
      "Lists the templates, one per line, sorted by name, in four columns parted by\n"
      "tabs: the name (to give to --template), \"own\" for the user's own folder or\n"
      "\"installed\", the file, and the placeholders it uses (NAME or NAME=DEFAULT,\n"
      "parted by \", \"). The user's own folder is $XDG_DATA_HOME/edamaki/templates\n"
      "(~/.local/share/edamaki/templates); installed ones are in edamaki/templates\n"
      "under each of $XDG_DATA_DIRS. An own template hides an installed one of the\n"
      "same name.\n";

// "NAME" or "NAME=DEFAULT", for the terminal.
std::string PlaceholderLine(Placeholder const& placeholder, ShiftJisConverter& converter)
{
    std::string text;
    converter.AppendUtf8(placeholder.Name, text);
    if (placeholder.Default) {
        text += '=';
        converter.AppendUtf8(*placeholder.Default, text);
    }
    return EscapeForTerminal(text);
}

} // namespace

int RunPlaceholders(std::vector<std::string> const& arguments)
{
    int exit_status = ExitSuccess;
    auto const parsed = ParseCommandArguments("placeholders", arguments,
        { { "--encoding", "--date", "--template" }, {} }, PlaceholdersUsage, exit_status);
    if (!parsed)
        return exit_status;
    auto const input = ReadCommandSource("placeholders", *parsed);
    if (!input)
        return ExitUsage;
    auto const today = CommandDate("placeholders", *parsed);
    if (!today)
        return ExitUsage;
    ShiftJisConverter converter;
    for (Placeholder const& placeholder : FindPlaceholders(input->Text)) {
        std::cout << PlaceholderLine(placeholder, converter);
        if (auto const value = BuiltInValue(placeholder.Name, *today)) {
            std::string shown;
            converter.AppendUtf8(*value, shown);
            std::cout << "\tbuilt in: " << EscapeForTerminal(shown);
        }
        std::cout << '\n';
    }
    std::cout.flush();
    return std::cout ? ExitSuccess : ExitUsage;
}

int RunTemplates(std::vector<std::string> const& arguments)
{
    int exit_status = ExitSuccess;
    auto const parsed = ParseCommandArguments("templates", arguments, {}, TemplatesUsage, exit_status);
    if (!parsed)
        return exit_status;
    if (!parsed->Positionals.empty()) {
        PrintError("templates: takes no arguments");
        std::cerr << TemplatesUsage;
        return ExitUsage;
    }
    ShiftJisConverter converter;
    int status = ExitSuccess;
    for (SourceTemplate const& entry : ListTemplates()) {
        std::cout << EscapeForTerminal(entry.Name) << '\t' << (entry.Own ? "own" : "installed") << '\t'
                  << EscapeForTerminal(entry.Path) << '\t';
        std::string error;
        auto const input = ReadSourceInput(entry.Path, EncodingChoice::Auto, error, true);
        if (!input) {
            // Listed all the same: the user may want to mend it.
            PrintError("templates: " + error);
            status = ExitSomeFailed;
        } else {
            char const* separator = "";
            for (Placeholder const& placeholder : FindPlaceholders(input->Text)) {
                std::cout << separator << PlaceholderLine(placeholder, converter);
                separator = ", ";
            }
        }
        std::cout << '\n';
    }
    std::cout.flush();
    return std::cout ? status : ExitUsage;
}

} // namespace edamaki::cli
