// edamaki-cli: the folder tree engine of Edamaki for scripts and servers.

#include "cli/Commands.h"
#include "edamaki/Version.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki::cli {

void PrintError(std::string const& message)
{
    std::cerr << "edamaki-cli: " << message << '\n';
}

namespace {

struct Command {
    std::string_view Name;
    std::string_view Summary;
    int (*Run)(std::vector<std::string> const&);
};

constexpr Command Commands[] = {
    { "convert", "write a source's folder tree as a text-mode or macro-mode source", RunConvert },
    { "create", "create a source's folders below the parent folder", RunCreate },
    { "import", "write the folder structure of a folder as a text-mode source", RunImport },
    { "placeholders", "list the placeholders a source uses, with their defaults", RunPlaceholders },
    { "runs", "list the creation runs that undo can take back", RunRuns },
    { "templates", "list the templates, where each comes from and its placeholders", RunTemplates },
    { "undo", "take back the folders the last (or a named) creation run made", RunUndo },
    { "verify", "compare the folders below the parent folder with a source's", RunVerify },
};

void PrintUsage(std::ostream& out)
{
    out << "usage: edamaki-cli COMMAND [OPTIONS] [ARGUMENTS]\n"
           "\n"
           "Creates whole trees of folders from a short source text.\n"
           "\n"
           "Commands:\n";
    for (auto const& command : Commands)
        out << "  " << command.Name << std::string(14 - command.Name.size(), ' ') << command.Summary << '\n';
    out << "\n"
           "Run \"edamaki-cli COMMAND --help\" for a command's options.\n"
           "Exit status: 0 success, 1 some folders failed or were left out (verify: the\n"
           "folders differ), 2 usage or input error.\n";
}

} // namespace

} // namespace edamaki::cli

namespace edamaki::cli {
namespace {

int RunCommandLine(std::vector<std::string> const& arguments)
{
    if (arguments.empty()) {
        PrintUsage(std::cerr);
        return ExitUsage;
    }
    std::string const& name = arguments.front();
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(std::cout);
        return ExitSuccess;
    }
    if (name == "--version") {
        std::cout << "edamaki-cli " << VersionText << "\n";
        return ExitSuccess;
    }
    for (auto const& command : Commands) {
        if (command.Name == name)
            return command.Run({ arguments.begin() + 1, arguments.end() });
    }
    PrintError("unknown command \"" + name + "\"");
    PrintUsage(std::cerr);
    return ExitUsage;
}

} // namespace
} // namespace edamaki::cli

int main(int argc, char** argv)
{
    using namespace edamaki::cli;
    // A reader that goes away (`| head`) must not kill a run half-way: a write
    // to it fails instead, and the command says so once it is done.
    std::signal(SIGPIPE, SIG_IGN);
    int status = RunCommandLine({ argv + 1, argv + argc });
    std::cout.flush();
    if (!std::cout && status == ExitSuccess) {
        PrintError(std::string("cannot write the output: ") + std::strerror(errno));
        status = ExitUsage;
    }
    return status;
}
