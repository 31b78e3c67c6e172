#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/OutputBuffer.h"
#include "cli/RowRuns.h"
#include "cli/RunSource.h"
#include "cli/SourceInput.h"
#include "cli/StopOnSignal.h"
#include "core/disk/CreationRun.h"
#include "core/disk/HostFileSystem.h"
#include "core/journal/RunJournal.h"
#include "core/text/Printable.h"
#include "core/text/ProgramTexts.h"
#include "core/tree/FolderTree.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <unistd.h>
#include <unordered_set>

namespace edamaki::cli {

namespace {

constexpr char const* CreateUsage
    = "usage: edamaki-cli create [--parent DIR] [--dry-run] [--no-follow] [--jobs N]\n"
      "                          [--set NAME=VALUE]... [--date YYYY-MM-DD]\n"
      "                          [--encoding auto|cp932|utf-8] [--rows TABLE]\n"
      "                          [FILE|-|--template NAME]\n"
      "\n"
      "Reads a source (FILE, or standard input when FILE is \"-\" or missing) and\n"
      "creates its folders below the parent folder: DIR when given, else the\n"
      "source's parent folder line. One folder level per call, each folder before\n"
      "its subfolders. Prints a line per folder in walk order:\n"
      "  + PATH          created (with --dry-run: would be created)\n"
      "  = PATH          existed already\n"
      "  ! PATH: REASON  failed\n"
      "--dry-run creates nothing and prints the lines the run would print, failures\n"
      "included (no permission, a name or path too long for the system), then the\n"
      "counts on standard error: \"dry run: N new, M existing, K failing\".\n"
      "A folder whose full path is longer than the system's path limit fails.\n"
      "A name Windows clients of a share can't open (CON, NUL, COM1 and the other\n"
      "device names, a name ending in a dot or a blank, a path of more than 260\n"
      "characters below the parent folder) is made, and named in a warning on\n"
      "standard error after its line.\n"
      "\n"
      "Links: an existing link to a folder counts as that folder, as with mkdir -p,\n"
      "and the folders below it are made where it leads; a link that leads outside\n"
      "the parent folder is named on standard error. With --no-follow the run\n"
      "passes through no link below the parent folder (links in DIR's own path are\n"
      "followed): such a link fails, and the folders below it are not tried.\n"
      "\n"
      "--jobs N makes up to N folders at once, each in a subtree of its own (1: one\n"
      "after the other). By default the run takes 16 on a file server (an NFS, SMB\n"
      "or FUSE mount, where every call waits on the network) and 1 on a local disk.\n"
      "The lines and the exit status are the same whatever N is. When the system\n"
      "allows fewer threads, or too few open files for N, the run takes fewer.\n"
      "\n"
      "SIGINT or SIGTERM stops the run: the folders being made are finished, every\n"
      "line of what was done is written, then on standard error \"create: stopped:\n"
      "N created, M existing, K failed, X not tried\", and the exit status is 130 or\n"
      "143. A second signal ends it at once.\n"
      "\n"
      "Every run that makes a folder keeps a journal of the folders it made (see\n"
      "\"edamaki-cli undo --help\"), written as it goes; a dry run keeps none.\n"
      "\n"
      "Exit status: 0 no folder failed, 1 a folder failed or there was nothing to\n"
      "create, 2 usage or input error (nothing created) or output that could not\n"
      "be written. A run whose report can't be written (a closed pipe) still\n"
      "creates every folder, then says so on standard error with the counts.\n";

constexpr std::string_view Blue = "\x1b[34m";
constexpr std::string_view Red = "\x1b[31m";
constexpr std::string_view Reset = "\x1b[0m";
constexpr std::string_view ClearLine = "\r\x1b[K";

bool UsesColour()
{
    char const* const no_colour = std::getenv("NO_COLOR");
    return ::isatty(STDOUT_FILENO) && !(no_colour && *no_colour);
}

// Prints each folder as the run handles it, and shows the progress of a long
// run on a terminal.
class TerminalSink : public CreationSink {
public:
    TerminalSink(std::size_t folder_count, HostNameConverter& names)
        : m_names(names)
        , m_colour(UsesColour())
        , m_progress(::isatty(STDERR_FILENO))
        , m_folder_count(folder_count)
        , m_start(Clock::now())
    {
    }

    // A dry run over rows: a folder an earlier row would make counts as
    // existing for the rows after it, as the real run finds it. Holds a hash
    // of each such path, for the dry run alone.
    void PlanAcrossRows() { m_plan_across_rows = true; }
    // The folders so counted as existing instead of new.
    std::size_t PlannedByEarlierRows() const { return m_planned_earlier; }

    void FolderHandled(FolderReport const& original) override
    {
        FolderReport const& report = PlannedReport(original);
        std::string_view colour;
        std::string_view mark = "+ ";
        switch (report.Outcome) {
        case FolderOutcome::Created:
            colour = Blue;
            break;
        case FolderOutcome::Existed:
            mark = "= ";
            break;
        case FolderOutcome::Failed:
            colour = Red;
            mark = "! ";
            break;
        }
        if (m_colour)
            m_out << colour;
        m_out << mark;
        if (!report.HostPath.empty())
            m_out << Printable(report.HostPath);
        else
            m_out << Printable(DisplayablePath(report.Path, m_names));
        if (report.Outcome == FolderOutcome::Failed)
            m_out << ": " << Printable(report.Reason);
        if (m_colour && !colour.empty())
            m_out << Reset;
        m_out << "\n";
        if (!report.LinkTarget.empty())
            ShowNotice("create: " + EscapeForTerminal(report.HostPath) + " is a link to "
                + EscapeForTerminal(report.LinkTarget) + ", outside the parent folder\n");
        if (report.WindowsIssue != WindowsNameIssue::None)
            ShowNotice(WindowsIssueWarning("create", report.HostPath, report.WindowsIssue));

        ++m_handled;
        if (m_progress && (m_handled & 255) == 0)
            ShowProgress();
    }

    void NothingToCreate() override
    {
        if (m_colour)
            m_out << Red;
        m_out << NothingToCreateText.Utf8;
        if (m_colour)
            m_out << Reset;
        m_out << "\n";
    }

    // Clears the progress line and writes what is left. False when standard
    // output could not be written.
    bool Finish()
    {
        if (m_progress_shown)
            WriteError(ClearLine);
        m_out.Flush();
        return !m_out.Failed();
    }

    int OutputError() const { return m_out.Error(); }

private:
    using Clock = std::chrono::steady_clock;

    FolderReport const& PlannedReport(FolderReport const& report)
    {
        if (!m_plan_across_rows || report.Outcome != FolderOutcome::Created)
            return report;
        std::size_t const path
            = std::hash<std::string_view> {}(report.HostPath.empty() ? report.Path : report.HostPath);
        if (m_planned.insert(path).second)
            return report;
        ++m_planned_earlier;
        m_existing = report;
        m_existing.Outcome = FolderOutcome::Existed;
        return m_existing;
    }

    void ShowProgress()
    {
        auto const now = Clock::now();
        if (now - m_start < std::chrono::seconds(1) || now < m_next_progress)
            return;
        m_next_progress = now + std::chrono::milliseconds(200);
        // The lines first, so that a terminal shows them above the progress.
        if (m_progress_shown)
            WriteError(ClearLine);
        m_out.Flush();
        WriteError(
            "create: " + std::to_string(m_handled) + " of " + std::to_string(m_folder_count) + " folders");
        m_progress_shown = true;
    }

    // A note on standard error after the line it is about: a link that leads
    // outside the parent folder, a name Windows clients can't open.
    void ShowNotice(std::string const& notice)
    {
        if (m_progress_shown) {
            WriteError(ClearLine);
            m_progress_shown = false;
        }
        m_out.Flush();
        WriteError(notice);
    }

    static void WriteError(std::string_view text)
    {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }

    // The text with its control characters escaped, in a buffer of the sink's
    // own: valid until the next call.
    std::string_view Printable(std::string_view text)
    {
        m_printable.clear();
        AppendForTerminal(text, m_printable);
        return m_printable;
    }

    HostNameConverter& m_names;
    bool m_plan_across_rows = false;
    std::unordered_set<std::size_t> m_planned;
    std::size_t m_planned_earlier = 0;
    FolderReport m_existing;
    OutputBuffer m_out { STDOUT_FILENO };
    std::string m_printable;
    bool const m_colour;
    bool const m_progress;
    bool m_progress_shown = false;
    std::size_t const m_folder_count;
    std::size_t m_handled = 0;
    Clock::time_point const m_start;
    Clock::time_point m_next_progress {};
};

} // namespace

namespace {

void WarnOfJournalError(RunJournalWriter const& journal)
{
    if (!journal.Error().empty())
        PrintError("create: warning: the run's journal could not be written (" + journal.Error()
            + "); undo can't take back the folders made after that");
}

// Adds a row's figures to the run's.
void AddSummary(CreationSummary& total, CreationSummary const& row)
{
    total.Created += row.Created;
    total.Existed += row.Existed;
    total.Failed += row.Failed;
    total.NotTried += row.NotTried;
    total.Stopped = total.Stopped || row.Stopped;
    total.Jobs.Wanted = std::max(total.Jobs.Wanted, row.Jobs.Wanted);
    total.Jobs.Started = std::max(total.Jobs.Started, row.Jobs.Started);
}

// The end of a run: its report finished, the counts said, the exit status.
// `rows` is the number of rows of a run with "--rows", else nullopt.
int FinishCreation(TerminalSink& sink, CreationSummary const& summary, CreationOptions const& options,
    StopOnSignal const& stop, std::size_t folder_count, std::optional<std::size_t> rows)
{
    NoteJobsStarted("create", summary.Jobs);
    if (!sink.Finish()) {
        // The folders matter more than their report: the run went on to the end.
        PrintError("create: the report could not be written ("
            + std::string(std::strerror(sink.OutputError()))
            + "); the run went on: " + std::to_string(summary.Created) + " created, "
            + std::to_string(summary.Existed) + " existed, " + std::to_string(summary.Failed) + " failed");
        return ExitUsage;
    }
    if (summary.Stopped && stop.Signal() != 0) {
        PrintError("create: stopped: " + GroupedNumber(summary.Created) + " created, "
            + GroupedNumber(summary.Existed) + " existing, " + GroupedNumber(summary.Failed) + " failed, "
            + GroupedNumber(summary.NotTried) + " not tried");
        return 128 + stop.Signal();
    }
    std::string const row_count = rows ? GroupedNumber(*rows) + (*rows == 1 ? " row: " : " rows: ") : "";
    if (options.DryRun && folder_count > 0)
        PrintError("create: dry run: " + row_count + GroupedNumber(summary.Created) + " new, "
            + GroupedNumber(summary.Existed) + " existing, " + GroupedNumber(summary.Failed) + " failing");
    else if (rows)
        PrintError("create: " + row_count + GroupedNumber(summary.Created) + " created, "
            + GroupedNumber(summary.Existed) + " existing, " + GroupedNumber(summary.Failed) + " failed");
    if (folder_count == 0 || summary.Failed > 0)
        return ExitSomeFailed;
    return ExitSuccess;
}

// "create --rows": every row checked, then each row's tree read, made and
// dropped in the table's order, each with the walk of the run's --jobs.
int CreateRows(ParsedArguments const& parsed, CreationOptions const& options, StopOnSignal const& stop)
{
    constexpr std::string_view consequence = "nothing was created";
    auto const rows = ReadRowSource("create", parsed, consequence);
    if (!rows)
        return ExitUsage;
    HostFileSystem file_system;
    std::vector<std::size_t> row_folders;
    std::string parent_host; // the first row's, for the journal
    auto const count = [&](std::size_t, FolderTree& tree, SourceInput const&) {
        if (row_folders.empty())
            file_system.Names().AppendHostText(tree.GetRootPath(), parent_host);
        row_folders.push_back(tree.NodeCount() > 0 ? tree.NodeCount() - 1 : 0);
    };
    if (!CheckEveryRow("create", parsed, *rows, RowTreeUse::Run, file_system.Names(), consequence, count))
        return ExitUsage;

    std::size_t folder_count = 0;
    for (std::size_t const folders : row_folders)
        folder_count += folders;
    TerminalSink sink(folder_count, file_system.Names());
    // One journal for the whole run: undo takes back every row's folders.
    RunJournalWriter journal(
        JournalFolder(), parent_host, rows->Source.DisplayName + " with the rows of " + rows->TableName);
    JournalSink journal_sink(sink, journal);
    CreationSink& run_sink = options.DryRun ? static_cast<CreationSink&>(sink) : journal_sink;
    CreationOptions row_options = options;
    if (!options.DryRun)
        row_options.BeforeCreate = journal.Announcer();
    if (options.DryRun)
        sink.PlanAcrossRows();
    CreationSummary total;
    ForEachRowTree("create", parsed, *rows, RowTreeUse::Run, file_system.Names(),
        [&](std::size_t index, FolderTree& tree, SourceInput const&) {
            if (total.Stopped) {
                total.NotTried += row_folders[index];
                return;
            }
            AddSummary(total, CreateFolders(tree, file_system, run_sink, row_options));
        });
    WarnOfJournalError(journal);
    total.Created -= sink.PlannedByEarlierRows();
    total.Existed += sink.PlannedByEarlierRows();
    return FinishCreation(sink, total, options, stop, folder_count, rows->Table.Rows.size());
}

} // namespace

int RunCreate(std::vector<std::string> const& arguments)
{
    int exit_status = ExitSuccess;
    std::string const usage = std::string(CreateUsage) + "\n" + PlaceholderHelp + "\n" + RowsHelp;
    auto const parsed = ParseCommandArguments("create", arguments,
        { { "--parent", "--encoding", "--jobs", "--set", "--date", "--template", "--rows" },
            { "--dry-run", "--no-follow" } },
        usage, exit_status);
    if (!parsed)
        return exit_status;
    std::optional<std::size_t> const jobs = ParseJobs("create", *parsed, usage, exit_status);
    if (!jobs)
        return exit_status;

    // Before any thread of the run starts, so that none of them takes the signals.
    StopOnSignal const stop;
    CreationOptions const options {
        .DryRun = parsed->Has("--dry-run"),
        .FollowLinks = !parsed->Has("--no-follow"),
        .Jobs = *jobs,
        .Stop = stop.Token(),
    };
    if (parsed->Value("--rows"))
        return CreateRows(*parsed, options, stop);

    FolderTree tree;
    HostFileSystem file_system;
    std::optional<SourceInput> const input
        = ReadRunSource("create", *parsed, tree, file_system.Names(), "nothing was created");
    if (!input)
        return ExitUsage;

    std::size_t const folder_count = tree.NodeCount() > 0 ? tree.NodeCount() - 1 : 0;
    TerminalSink sink(folder_count, file_system.Names());
    // Every folder made goes in the run's journal as it is made, for undo.
    std::string parent_host;
    file_system.Names().AppendHostText(tree.GetRootPath(), parent_host);
    RunJournalWriter journal(JournalFolder(), parent_host, input->DisplayName);
    CreationOptions run_options = options;
    if (!options.DryRun)
        run_options.BeforeCreate = journal.Announcer();
    JournalSink journal_sink(sink, journal);
    CreationSink& run_sink = options.DryRun ? static_cast<CreationSink&>(sink) : journal_sink;
    CreationSummary const summary = CreateFolders(tree, file_system, run_sink, run_options);
    WarnOfJournalError(journal);
    return FinishCreation(sink, summary, options, stop, folder_count, std::nullopt);
}

} // namespace edamaki::cli
