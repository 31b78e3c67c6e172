#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "core/journal/RunJournal.h"
#include "core/journal/RunUndo.h"
#include "core/text/Printable.h"

#include <iostream>
#include <string>

namespace edamaki::cli {

namespace {

constexpr char const* UndoUsage
    = "usage: edamaki-cli undo [--dry-run] [RUN]\n"
      "\n"
      "Takes back a creation run: the last one, or RUN as \"edamaki-cli runs\" names\n"
      "it. Removes only the folders that run made, deepest first, and each only\n"
      "while it is still empty and still the very folder the run made (the same\n"
      "device and inode: a folder removed and made again is not touched). Never\n"
      "follows a link, and never removes a folder that was there before the run.\n"
      "A folder that holds anything now is kept, and so are the folders holding it.\n"
      "Prints a line per folder, deepest first:\n"
      "  - PATH                removed (with --dry-run: would be removed)\n"
      "  = PATH: kept: REASON  kept (not empty, replaced, a link now)\n"
      "  ! PATH: REASON        the removal failed (permission denied)\n"
      "then the counts on standard error; a folder gone already is only counted.\n"
      "A run whose folders are all gone is marked as taken back; undoing it again\n"
      "removes nothing and says so.\n"
      "\n"
      "Journals live in $XDG_STATE_HOME/edamaki/runs (~/.local/state/edamaki/runs\n"
      "when XDG_STATE_HOME is not set). The newest 50 are kept, none older than 90\n"
      "days; older ones are removed when a run writes a new one.\n"
      "\n"
      "Exit status: 0 every folder went (or was gone), 1 a folder was kept or could\n"
      "not be removed, 2 usage error, or no such run.\n";

constexpr char const* RunsUsage
    = "usage: edamaki-cli runs\n"
      "\n"
      "Lists the runs that can be taken back with \"edamaki-cli undo\", oldest first:\n"
      "  RUN  TIME  PARENT  SOURCE  N folders made [, undone]\n"
      "fields separated by a tab. Journals live in $XDG_STATE_HOME/edamaki/runs\n"
      "(~/.local/state/edamaki/runs when XDG_STATE_HOME is not set).\n";

std::string Count(std::size_t count)
{
    return std::to_string(count);
}

void PrintUndoLine(UndoReport const& report)
{
    std::string line;
    switch (report.Outcome) {
    case UndoOutcome::Removed:
        line = "- " + EscapeForTerminal(report.HostPath);
        break;
    case UndoOutcome::Kept:
        line = "= " + EscapeForTerminal(report.HostPath) + ": kept: " + report.Reason;
        break;
    case UndoOutcome::Failed:
        line = "! " + EscapeForTerminal(report.HostPath) + ": " + report.Reason;
        break;
    case UndoOutcome::Gone:
        return;
    }
    std::cout << line << '\n';
}

} // namespace

int RunUndo(std::vector<std::string> const& arguments)
{
    int exit_status = ExitSuccess;
    auto const parsed
        = ParseCommandArguments("undo", arguments, { {}, { "--dry-run" } }, UndoUsage, exit_status);
    if (!parsed)
        return exit_status;
    if (parsed->Positionals.size() > 1) {
        PrintError("undo: one run at most");
        std::cerr << UndoUsage;
        return ExitUsage;
    }
    std::string const folder = JournalFolder();
    if (folder.empty()) {
        PrintError("undo: no journal folder: neither XDG_STATE_HOME nor HOME is set");
        return ExitUsage;
    }
    std::optional<RunJournal> journal;
    if (!parsed->Positionals.empty()) {
        journal = ReadJournal(folder, parsed->Positionals.front());
        if (!journal) {
            PrintError("undo: no run \"" + parsed->Positionals.front() + "\" in " + folder);
            return ExitUsage;
        }
    } else {
        std::vector<RunJournal> journals = ListJournals(folder);
        if (journals.empty()) {
            PrintError("undo: no run to take back in " + folder);
            return ExitUsage;
        }
        journal = std::move(journals.back());
    }
    bool const dry_run = parsed->Has("--dry-run");
    UndoSummary const summary = UndoRun(*journal, folder, PrintUndoLine, { .DryRun = dry_run });
    std::cout.flush();
    if (summary.AlreadyUndone) {
        PrintError("undo: " + journal->Name + " was taken back already; nothing removed");
        return ExitSuccess;
    }
    PrintError("undo: " + journal->Name + (dry_run ? ": dry run: " : ": ") + Count(summary.Removed)
        + (dry_run ? " would be removed, " : " removed, ") + Count(summary.Kept) + " kept, "
        + Count(summary.Failed) + " failed, " + Count(summary.Gone) + " gone already");
    return summary.Kept + summary.Failed > 0 ? ExitSomeFailed : ExitSuccess;
}

int RunRuns(std::vector<std::string> const& arguments)
{
    int exit_status = ExitSuccess;
    auto const parsed = ParseCommandArguments("runs", arguments, {}, RunsUsage, exit_status);
    if (!parsed)
        return exit_status;
    if (!parsed->Positionals.empty()) {
        PrintError("runs: takes no arguments");
        std::cerr << RunsUsage;
        return ExitUsage;
    }
    for (RunJournal const& journal : ListJournals(JournalFolder())) {
        std::cout << journal.Name << '\t' << journal.Time << '\t' << EscapeForTerminal(journal.ParentFolder)
                  << '\t' << EscapeForTerminal(journal.Source) << '\t' << journal.Folders.size()
                  << " folders made" << (journal.Undone ? ", undone" : "") << '\n';
    }
    return ExitSuccess;
}

} // namespace edamaki::cli
