#pragma once

// Takes back a creation run from its journal: removes the folders the run
// made, deepest first, each only while it is still empty and still the very
// folder the run made (same device and inode), never through a link. A
// folder that now holds anything is kept, and so are the folders holding it.

#include "core/journal/RunJournal.h"

#include <cstddef>
#include <functional>
#include <string>

namespace edamaki {

enum class UndoOutcome {
    Removed, // with a dry run: would be removed
    Kept,    // left in place: the reason says why
    Failed,  // the system refused the removal: the reason says why
    Gone,    // not there any more (removed already, by an undo or by hand)
};

struct UndoReport {
    std::string HostPath;
    UndoOutcome Outcome = UndoOutcome::Removed;
    // For Kept and Failed (UTF-8).
    std::string Reason;
};

struct UndoSummary {
    std::size_t Removed = 0;
    std::size_t Kept = 0;
    std::size_t Failed = 0;
    std::size_t Gone = 0;
    // The journal said it was taken back already: nothing was tried.
    bool AlreadyUndone = false;
};

struct UndoOptions {
    // Report what would go without removing anything.
    bool DryRun = false;
};

// Takes back the run of `journal`, reporting each folder, deepest first.
// Unless a dry run, a journal whose folders are all gone afterwards is
// marked as undone in `journal_folder`.
UndoSummary UndoRun(RunJournal const& journal, std::string const& journal_folder,
    std::function<void(UndoReport const&)> const& report, UndoOptions options = {});

} // namespace edamaki
