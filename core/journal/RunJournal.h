#pragma once

// The journal of a creation run: the folders the run made, each with the
// device and inode it had when made, so that the run can be taken back
// exactly (see RunUndo.h). A journal is a text file of its own per run in
// the journal folder, appended to as the run goes, one line per folder
// written straight to the file, so a run killed midway leaves a journal of
// every folder it made up to then.
//
// Format (UTF-8, one record a line, fields separated by a tab; a backslash,
// tab, line feed or carriage return inside a field is written \\ \t \n \r):
//
//   edamaki-journal 1
//   run	TIME	PARENT	SOURCE       TIME is UTC, "2026-12-08T05:27:27Z"
//   +	DEVICE	INODE	BIRTH	PATH   a folder made: its identity, its birth time
//                                 in nanoseconds (0: unknown), its full host path
//   ?	TIME	PATH                 a folder about to be made (TIME: nanoseconds
//                                 of the system's coarse clock, which stamps
//                                 the births of files); followed by its "+"
//                                 line unless the run was killed in between
//   undone	TIME                     every folder of it is gone
//
// A last line cut short is ignored. The journals are named by the time the
// run began ("20261208-052727.123456"), so their names sort as the runs did.

#include "core/disk/CreationRun.h"
#include "core/disk/HostFileSystem.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

// How many journals are kept, and for how long: the newest KeptJournals, and
// none older than KeptJournalDays. Older ones are removed when a new one is
// written.
inline constexpr std::size_t KeptJournals = 50;
inline constexpr int KeptJournalDays = 90;

// "$XDG_STATE_HOME/edamaki/runs", else "$HOME/.local/state/edamaki/runs";
// empty when neither is set.
std::string JournalFolder();

struct JournalFolderEntry {
    HostFolderIdentity Identity;
    std::uint64_t BirthTime = 0;
    std::string HostPath;
    // Announced, but the run ended before it recorded the folder: the
    // identity is unknown, and a folder born at or after AnnouncedAt counts
    // as the run's.
    bool AnnouncedOnly = false;
    std::uint64_t AnnouncedAt = 0;
};

struct RunJournal {
    // The journal's name: its file name without ".journal".
    std::string Name;
    std::string Time;
    std::string ParentFolder;
    std::string Source;
    // In the order the run made them: each folder after the one holding it
    // (the ones only announced last).
    std::vector<JournalFolderEntry> Folders;
    bool Undone = false;
};

// Writes a run's journal, the file made with the first folder recorded.
class RunJournalWriter {
public:
    // `folder`: where journals go (JournalFolder() for the user's).
    RunJournalWriter(std::string folder, std::string parent_folder, std::string source);
    ~RunJournalWriter();
    RunJournalWriter(RunJournalWriter const&) = delete;
    RunJournalWriter& operator=(RunJournalWriter const&) = delete;

    // Records a folder the run made. False, with Error() saying why, when
    // the journal could not be written; later calls then do nothing.
    bool Record(std::string_view host_path, HostFolderIdentity identity, std::uint64_t birth_time);
    // Notes a folder about to be made; from any thread of the run.
    void Announce(std::string const& host_path);
    // Announce, for CreationOptions::BeforeCreate.
    std::function<void(std::string const&)> Announcer()
    {
        return [this](std::string const& host_path) { Announce(host_path); };
    }
    // Empty until a folder was recorded.
    std::string const& Name() const { return m_name; }
    std::string const& Error() const { return m_error; }

private:
    bool Open();
    bool Append(std::string const& line);
    bool Map(std::size_t needed);

    std::string m_folder;
    std::string m_parent_folder;
    std::string m_source;
    std::string m_name;
    std::string m_error;
    int m_descriptor = -1;
    // The file is written through a shared mapping: a line costs no call,
    // and what is in it reaches the file even when the run is killed.
    char* m_mapped = nullptr;
    std::size_t m_capacity = 0;
    std::size_t m_size = 0;
    bool m_recorded = false;
    std::mutex m_mutex;
};

// Passes every report on to `inner`, and records the folders made in the
// journal. A dry run writes none.
class JournalSink final : public CreationSink {
public:
    JournalSink(CreationSink& inner, RunJournalWriter& journal)
        : m_inner(inner)
        , m_journal(journal)
    {
    }

    void FolderHandled(FolderReport const& report) override;
    void NothingToCreate() override { m_inner.NothingToCreate(); }

private:
    CreationSink& m_inner;
    RunJournalWriter& m_journal;
};

// Reads the journal of that name in `folder`; nullopt when there is none or
// it is not a journal.
std::optional<RunJournal> ReadJournal(std::string const& folder, std::string const& name);
// The journals in `folder`, oldest first.
std::vector<RunJournal> ListJournals(std::string const& folder);
// Records that every folder of the journal is gone.
bool MarkJournalUndone(std::string const& folder, std::string const& name);
// Removes the journals past the newest `keep`, and those older than
// `max_age`, by the time of their last change.
void PruneJournals(std::string const& folder, std::size_t keep = KeptJournals,
    std::chrono::seconds max_age = std::chrono::days(KeptJournalDays));

} // namespace edamaki
