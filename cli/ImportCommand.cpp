#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/RunSource.h"
#include "cli/SourceInput.h"
#include "core/disk/FolderImport.h"
#include "core/text/Printable.h"
#include "core/text/StandIn.h"

#include <algorithm>
#include <iostream>

namespace edamaki::cli {

namespace {

constexpr char const* ImportUsage
    = "usage: edamaki-cli import [--encoding cp932|utf-8] [--jobs N] DIR\n"
      "\n"
      "Prints a text-mode source of DIR's folder structure: one line per leaf\n"
      "folder, its path below DIR with \"\\\" between the names, sorted, with CR LF\n"
      "line ends, in Shift-JIS (cp932, the default) or UTF-8; without --encoding,\n"
      "in UTF-8 when a name holds a character Shift-JIS can't hold as itself (said\n"
      "on standard error). Files and hidden\n"
      "folders (names beginning with \".\") are left out. A link to a folder\n"
      "inside DIR is left out (that folder is listed in its own place); a link\n"
      "that leads outside is followed, and every real folder is listed once.\n"
      "Folders whose names a source can't hold are left out with everything\n"
      "below them, and folders that can't be read are listed without their\n"
      "contents; both are named on standard error with the reason, as is a link\n"
      "left out because where it leads can't be looked at. A folder\n"
      "holding more than 1,000,000 folders is refused, as a source that makes\n"
      "more would be.\n"
      "\n"
      "--jobs N reads up to N folders at once, each in a subtree of its own (1: one\n"
      "after the other). By default import takes 16 on a file server (an NFS, SMB\n"
      "or FUSE mount, where every call waits on the network) and 1 on a local disk.\n"
      "The lines, the folders named and the exit status are the same whatever N is.\n"
      "\n"
      "Exit status: 0 success, 1 some folders were left out or could not be read,\n"
      "2 usage error, DIR can't be read or holds too many folders (nothing is\n"
      "written then), or the output could not be written.\n";

} // namespace

int RunImport(std::vector<std::string> const& arguments)
{
    int exit_status = ExitSuccess;
    auto const parsed = ParseCommandArguments(
        "import", arguments, { { "--encoding", "--jobs" }, {} }, ImportUsage, exit_status);
    if (!parsed)
        return exit_status;
    std::optional<std::size_t> const jobs = ParseJobs("import", *parsed, ImportUsage, exit_status);
    if (!jobs)
        return exit_status;
    auto const encoding = ParseEncodingChoice(parsed->Value("--encoding").value_or("cp932"));
    if (!encoding || *encoding == EncodingChoice::Auto) {
        PrintError("import: --encoding must be cp932 or utf-8");
        return ExitUsage;
    }
    if (parsed->Positionals.size() != 1) {
        PrintError("import: give exactly one folder");
        std::cerr << ImportUsage;
        return ExitUsage;
    }

    std::string const& directory = parsed->Positionals.front();
    FolderImport const imported = CollectLeafFolders(directory, FolderTree::DefaultFolderBudget, *jobs);
    NoteJobsStarted("import", imported.Jobs);
    if (!imported.Readable) {
        PrintError("import: cannot read the folder " + EscapeForTerminal(directory));
        return ExitUsage;
    }
    if (imported.Truncated) {
        PrintError("import: " + EscapeForTerminal(directory)
            + " holds more folders than one read may make (at most " + GroupedNumber(imported.FolderBudget)
            + " folders); nothing was written");
        return ExitUsage;
    }
    for (auto const& notice : imported.LeftOut)
        PrintError("import: left out " + EscapeForTerminal(notice.HostPath) + ": " + notice.Reason);
    for (auto const& notice : imported.Unreadable)
        PrintError("import: cannot read " + EscapeForTerminal(notice.HostPath) + ": " + notice.Reason);

    DetectedEncoding output_encoding {
        *encoding == EncodingChoice::Utf8 ? TextEncoding::Utf8 : TextEncoding::ShiftJis, false
    };
    // Shift-JIS unless asked for: names it can't hold as themselves make it UTF-8.
    if (!parsed->Value("--encoding")
        && std::any_of(imported.Lines.begin(), imported.Lines.end(),
            [](std::string const& line) { return FindStandIn(line) != std::string::npos; })) {
        output_encoding.Encoding = TextEncoding::Utf8;
        PrintError("import: the output is written in UTF-8: a folder name holds a character that Shift-JIS "
                   "can't hold as itself");
    }
    if (std::string error; !WriteSourceLines(std::cout, imported.Lines, output_encoding, error)) {
        PrintError("import: " + error);
        return ExitUsage;
    }
    return imported.LeftOut.empty() && imported.Unreadable.empty() ? ExitSuccess : ExitSomeFailed;
}

} // namespace edamaki::cli
