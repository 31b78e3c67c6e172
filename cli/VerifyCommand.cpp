#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/OutputBuffer.h"
#include "cli/RowRuns.h"
#include "cli/RunSource.h"
#include "core/disk/FolderComparison.h"
#include "core/disk/HostFileSystem.h"
#include "core/disk/WindowsNames.h"
#include "core/text/Printable.h"
#include "core/tree/FolderTree.h"

#include <cstring>
#include <iostream>
#include <unistd.h>

namespace edamaki::cli {

namespace {

constexpr char const* VerifyUsage
    = "usage: edamaki-cli verify [--parent DIR] [--extra] [--jobs N] [--set NAME=VALUE]...\n"
      "                          [--date YYYY-MM-DD] [--encoding auto|cp932|utf-8]\n"
      "                          [--rows TABLE] [FILE|-|--template NAME]\n"
      "\n"
      "Reads a source (FILE, or standard input when FILE is \"-\" or missing) and\n"
      "compares the folders below the parent folder (DIR when given, else the\n"
      "source's parent folder line) with the folders create would make there.\n"
      "It only reads: nothing is created or changed. Prints a line per difference:\n"
      "  - PATH   the source names the folder and there is none (nothing, a file,\n"
      "           or a link that leads to no folder); so are the folders below it\n"
      "  + PATH   with --extra: a folder below the parent folder that the source\n"
      "           doesn't name, and each folder below it\n"
      "and nothing when they match. The folders the source names come first, in\n"
      "the order create makes them; the extra ones in a folder follow the named.\n"
      "Folders are looked up as create finds them: a link to a folder counts as\n"
      "that folder, and the folders below it are looked up where it leads.\n"
      "--extra leaves out hidden folders (names beginning with \".\") and what is\n"
      "below an extra link. A folder that can't be looked into (no permission)\n"
      "is named on standard error, and what is below it is not compared; so is\n"
      "a link whose target can't be looked at, and the folders beside it are.\n"
      "Names of the source that Windows clients of a share can't open are named\n"
      "in warnings on standard error first, as create names them.\n"
      "A folder whose name differs from the source's only by Unicode normalisation\n"
      "(NFC and NFD, as some clients write names) counts as the same folder, and\n"
      "standard error says so.\n"
      "\n"
      "--jobs N looks into up to N folders at once, each in a subtree of its own\n"
      "(1: one after the other). By default verify takes 16 on a file server (an\n"
      "NFS, SMB or FUSE mount, where every call waits on the network) and 1 on a\n"
      "local disk. The lines and the exit status are the same whatever N is.\n"
      "\n"
      "Exit status: 0 the folders match, 1 they differ, 2 usage or input error\n"
      "(as for create, and a parent folder that can't be opened), a folder that\n"
      "could not be looked into, or output that could not be written.\n";

constexpr std::string_view NothingCompared = "nothing was compared";

// Prints the differences, one line each.
class DifferenceSink : public ComparisonSink {
public:
    explicit DifferenceSink(HostNameConverter& names)
        : m_names(names)
    {
    }

    void FolderDiffers(DifferenceReport const& report) override
    {
        if (report.Kind == FolderDifference::NamedOtherwise) {
            m_out.Flush();
            PrintError("verify: " + EscapeForTerminal(report.HostPath) + " is the folder "
                + EscapeForTerminal(DisplayablePath(report.Path, m_names))
                + " of the source: the names differ only by Unicode normalisation");
            return;
        }
        m_line.assign(report.Kind == FolderDifference::Missing ? "- " : "+ ");
        if (!report.HostPath.empty())
            AppendForTerminal(report.HostPath, m_line);
        else
            AppendForTerminal(DisplayablePath(report.Path, m_names), m_line);
        m_line += '\n';
        m_out << m_line;
    }

    void FolderUnreadable(std::string const& host_path, std::string const& reason) override
    {
        // Standard error comes after the lines before it.
        m_out.Flush();
        PrintError("verify: cannot look into " + EscapeForTerminal(host_path) + ": " + reason);
    }

    // False when standard output could not be written.
    bool Finish()
    {
        m_out.Flush();
        return !m_out.Failed();
    }

    int OutputError() const { return m_out.Error(); }

private:
    HostNameConverter& m_names;
    OutputBuffer m_out { STDOUT_FILENO };
    std::string m_line;
};

} // namespace

namespace {

// The parent folder of the tree as the terminal shows it, without its
// final separator.
std::string ParentForMessage(FolderTree const& tree, HostFileSystem& file_system)
{
    std::string parent;
    file_system.Names().AppendHostText(tree.GetRootPath(), parent);
    if (parent.size() > 1 && parent.back() == HostFileSystem::Separator)
        parent.pop_back();
    return EscapeForTerminal(parent);
}

void WarnOfWindowsNames(FolderTree const& tree, HostFileSystem& file_system)
{
    ForEachWindowsNameIssue(
        tree, file_system.Names(), [](std::string const& host_path, WindowsNameIssue issue) {
            std::cerr << WindowsIssueWarning("verify", host_path, issue);
        });
}

// "2 missing, 1 extra".
std::string DifferenceCounts(ComparisonSummary const& summary)
{
    std::string text;
    if (summary.Missing > 0)
        text = GroupedNumber(summary.Missing) + " missing";
    if (summary.Extra > 0)
        text += (text.empty() ? "" : ", ") + GroupedNumber(summary.Extra) + " extra";
    return text;
}

// "verify --rows": each row's tree compared in the table's order; a row that
// differs is named on standard error after its lines.
int VerifyRows(ParsedArguments const& parsed, ComparisonOptions const& options)
{
    auto const rows = ReadRowSource("verify", parsed, NothingCompared);
    if (!rows)
        return ExitUsage;
    HostFileSystem file_system;
    if (!CheckEveryRow("verify", parsed, *rows, RowTreeUse::Run, file_system.Names(), NothingCompared))
        return ExitUsage;
    DifferenceSink sink(file_system.Names());
    std::size_t differing = 0;
    bool trouble = false;
    bool written = true;
    ForEachRowTree("verify", parsed, *rows, RowTreeUse::Run, file_system.Names(),
        [&](std::size_t index, FolderTree& tree, SourceInput const&) {
            WarnOfWindowsNames(tree, file_system);
            ComparisonSummary const summary = CompareFolders(tree, file_system, sink, options);
            NoteJobsStarted("verify", summary.Jobs);
            written = sink.Finish() && written;
            if (!summary.ParentError.empty()) {
                PrintError("verify: " + RowWithValues(*rows, index) + ": cannot open the parent folder "
                    + ParentForMessage(tree, file_system) + ": " + summary.ParentError);
                trouble = true;
            }
            trouble = trouble || summary.Unreadable > 0;
            if (summary.Differs()) {
                ++differing;
                PrintError("verify: " + RowWithValues(*rows, index) + ": " + DifferenceCounts(summary));
            }
        });
    if (!written) {
        PrintError("verify: the report could not be written ("
            + std::string(std::strerror(sink.OutputError())) + ")");
        return ExitUsage;
    }
    if (differing > 0)
        PrintError("verify: " + GroupedNumber(differing) + " of " + GroupedNumber(rows->Table.Rows.size())
            + " rows differ");
    if (trouble)
        return ExitUsage;
    return differing > 0 ? ExitSomeFailed : ExitSuccess;
}

} // namespace

int RunVerify(std::vector<std::string> const& arguments)
{
    int exit_status = ExitSuccess;
    std::string const usage = std::string(VerifyUsage) + "\n" + PlaceholderHelp + "\n" + RowsHelp;
    auto const parsed = ParseCommandArguments("verify", arguments,
        { { "--parent", "--encoding", "--jobs", "--set", "--date", "--template", "--rows" }, { "--extra" } },
        usage, exit_status);
    if (!parsed)
        return exit_status;
    std::optional<std::size_t> const jobs = ParseJobs("verify", *parsed, usage, exit_status);
    if (!jobs)
        return exit_status;
    ComparisonOptions const options { .Extra = parsed->Has("--extra"), .Jobs = *jobs };
    if (parsed->Value("--rows") && options.Extra) {
        // Every other row's folders would count as extra to each row.
        PrintError("verify: --extra can't be used with --rows: the folders of the other rows would be extra");
        return ExitUsage;
    }
    if (parsed->Value("--rows"))
        return VerifyRows(*parsed, options);

    FolderTree tree;
    HostFileSystem file_system;
    if (!ReadRunSource("verify", *parsed, tree, file_system.Names(), NothingCompared))
        return ExitUsage;

    WarnOfWindowsNames(tree, file_system);
    DifferenceSink sink(file_system.Names());
    ComparisonSummary const summary = CompareFolders(tree, file_system, sink, options);
    NoteJobsStarted("verify", summary.Jobs);
    if (!summary.ParentError.empty()) {
        PrintError("verify: cannot open the parent folder " + ParentForMessage(tree, file_system) + ": "
            + summary.ParentError + "; " + std::string(NothingCompared));
        return ExitUsage;
    }
    if (!sink.Finish()) {
        PrintError("verify: the report could not be written ("
            + std::string(std::strerror(sink.OutputError())) + ")");
        return ExitUsage;
    }
    if (summary.Unreadable > 0)
        return ExitUsage;
    return summary.Differs() ? ExitSomeFailed : ExitSuccess;
}

} // namespace edamaki::cli
