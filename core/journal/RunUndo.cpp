#include "core/journal/RunUndo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <utility>
#include <vector>

namespace edamaki {

namespace {

constexpr char const* NotEmptyReason = "not empty";
constexpr char const* HoldsKeptReason = "holds a folder that is kept";
constexpr char const* ReplacedReason = "another folder of that name, not the one the run made";
constexpr char const* LinkReason = "a link now, not followed";
constexpr char const* NotAFolderReason = "not a folder now";
constexpr char const* LinkAboveReason = "a folder above it is a link or not a folder, not followed";
constexpr char const* UnknownBirthReason
    = "the run was cut short as it made this folder, and the system can't tell whether it did";
constexpr char const* OlderReason = "there before the run came to it";
constexpr char const* OutsideReason = "not below the run's parent folder";

class Descriptor {
public:
    explicit Descriptor(int descriptor = -1)
        : m_descriptor(descriptor)
    {
    }
    ~Descriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    Descriptor(Descriptor&& other) noexcept
        : m_descriptor(std::exchange(other.m_descriptor, -1))
    {
    }
    Descriptor& operator=(Descriptor&&) = delete;
    Descriptor(Descriptor const&) = delete;
    Descriptor& operator=(Descriptor const&) = delete;

    int Get() const { return m_descriptor; }
    bool IsOpen() const { return m_descriptor >= 0; }

private:
    int m_descriptor;
};

HostFolderIdentity IdentityOf(struct stat const& status)
{
    return { static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino) };
}

std::vector<std::string> SplitPath(std::string_view relative)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t const slash = std::min(relative.find('/', start), relative.size());
        if (slash > start)
            parts.emplace_back(relative.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

// The folders holding the current folder, opened one inside the other from
// the parent folder, never through a link. The ones shared with the folder
// before are kept open.
class HolderChain {
public:
    explicit HolderChain(int parent)
        : m_parent(parent)
    {
    }

    // The folder holding `parts`' last; -1 with the errno value in `error`.
    int Reach(std::vector<std::string> const& parts, int& error)
    {
        std::size_t shared = 0;
        while (shared < m_open.size() && shared + 1 < parts.size() && m_open[shared].first == parts[shared])
            ++shared;
        while (m_open.size() > shared)
            m_open.pop_back();
        while (m_open.size() + 1 < parts.size()) {
            int const holder = m_open.empty() ? m_parent : m_open.back().second.Get();
            std::string const& name = parts[m_open.size()];
            int const opened = ::openat(holder, name.c_str(), O_PATH | O_NOFOLLOW | O_DIRECTORY | O_CLOEXEC);
            if (opened < 0) {
                error = errno;
                return -1;
            }
            m_open.emplace_back(name, Descriptor(opened));
        }
        return m_open.empty() ? m_parent : m_open.back().second.Get();
    }

private:
    int m_parent;
    std::vector<std::pair<std::string, Descriptor>> m_open;
};

class Undo {
public:
    Undo(UndoOptions options, std::function<void(UndoReport const&)> const& report)
        : m_options(options)
        , m_report(report)
    {
    }

    void Folder(HolderChain& chain, std::string const& parent, JournalFolderEntry const& entry);
    void AllFail(RunJournal const& journal, std::string const& reason);

    UndoSummary Summary;

private:
    void Take(int holder, std::string const& name, JournalFolderEntry const& entry);
    bool WouldBeEmpty(int folder, std::string& reason);
    void Say(std::string const& path, UndoOutcome outcome, std::string reason = {});
    void ReportRemovalError(std::string const& path, int error);
    void ReportOpenError(int holder, std::string const& name, std::string const& path, int error);

    UndoOptions m_options;
    std::function<void(UndoReport const&)> const& m_report;
    // A dry run: the folders it would remove, which don't count as content.
    std::unordered_set<HostFolderIdentity, HostFolderIdentityHash> m_would_remove;
    std::unordered_set<HostFolderIdentity, HostFolderIdentityHash> m_kept;
    // The paths of folders that hold a kept folder.
    std::unordered_set<std::string> m_holding_kept;
};

void Undo::Say(std::string const& path, UndoOutcome outcome, std::string reason)
{
    switch (outcome) {
    case UndoOutcome::Removed:
        ++Summary.Removed;
        break;
    case UndoOutcome::Kept:
        ++Summary.Kept;
        break;
    case UndoOutcome::Failed:
        ++Summary.Failed;
        break;
    case UndoOutcome::Gone:
        ++Summary.Gone;
        break;
    }
    if (outcome == UndoOutcome::Kept || outcome == UndoOutcome::Failed) {
        std::size_t const slash = path.rfind('/');
        if (slash != std::string::npos && slash > 0)
            m_holding_kept.insert(path.substr(0, slash));
    }
    m_report({ path, outcome, std::move(reason) });
}

void Undo::AllFail(RunJournal const& journal, std::string const& reason)
{
    for (auto entry = journal.Folders.rbegin(); entry != journal.Folders.rend(); ++entry)
        Say(entry->HostPath, UndoOutcome::Failed, reason);
}

void Undo::Folder(HolderChain& chain, std::string const& parent, JournalFolderEntry const& entry)
{
    std::string const& path = entry.HostPath;
    if (!path.starts_with(parent) || path.size() == parent.size()) {
        Say(path, UndoOutcome::Kept, OutsideReason);
        return;
    }
    std::vector<std::string> const parts = SplitPath(std::string_view(path).substr(parent.size()));
    if (parts.empty()) {
        Say(path, UndoOutcome::Kept, OutsideReason);
        return;
    }
    int error = 0;
    int const holder = chain.Reach(parts, error);
    if (holder < 0) {
        if (error == ENOENT)
            Say(path, UndoOutcome::Gone);
        else if (error == ENOTDIR || error == ELOOP)
            Say(path, UndoOutcome::Kept, LinkAboveReason);
        else
            Say(path, UndoOutcome::Failed, std::strerror(error));
        return;
    }
    Take(holder, parts.back(), entry);
}

// Why the folder at the journal's path is not the one the run made; null
// when it is. A folder removed and made again may get the same inode: the
// birth time tells them apart where the file system keeps one.
char const* NotTheFolderMade(
    JournalFolderEntry const& entry, HostFolderIdentity identity, std::uint64_t birth_time)
{
    if (entry.AnnouncedOnly) {
        // Made as the run was cut short, or not at all: only its birth tells.
        if (birth_time == 0)
            return UnknownBirthReason;
        return birth_time < entry.AnnouncedAt ? OlderReason : nullptr;
    }
    if (identity != entry.Identity
        || (birth_time != 0 && entry.BirthTime != 0 && birth_time != entry.BirthTime))
        return ReplacedReason;
    return nullptr;
}

void Undo::ReportOpenError(int holder, std::string const& name, std::string const& path, int error)
{
    struct stat status { };
    if (error == ENOENT)
        Say(path, UndoOutcome::Gone);
    else if (error == ENOTDIR || error == ELOOP)
        Say(path, UndoOutcome::Kept,
            ::fstatat(holder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode)
                ? LinkReason
                : NotAFolderReason);
    else
        Say(path, UndoOutcome::Failed, std::strerror(error));
}

void Undo::Take(int holder, std::string const& name, JournalFolderEntry const& entry)
{
    std::string const& path = entry.HostPath;
    int const flags = (m_options.DryRun ? O_RDONLY : O_PATH) | O_NOFOLLOW | O_DIRECTORY | O_CLOEXEC;
    Descriptor const folder(::openat(holder, name.c_str(), flags));
    if (!folder.IsOpen()) {
        ReportOpenError(holder, name, path, errno);
        return;
    }
    HostFolderIdentity identity;
    std::uint64_t birth_time = 0;
    if (!StatFolderIdentity(folder.Get(), nullptr, identity, birth_time)) {
        Say(path, UndoOutcome::Failed, std::strerror(errno));
        return;
    }
    if (char const* const reason = NotTheFolderMade(entry, identity, birth_time)) {
        Say(path, UndoOutcome::Kept, reason);
        return;
    }
    if (m_options.DryRun) {
        std::string reason;
        if (!WouldBeEmpty(folder.Get(), reason)) {
            Say(path, UndoOutcome::Kept, m_holding_kept.contains(path) ? HoldsKeptReason : reason);
            return;
        }
        m_would_remove.insert(identity);
        Say(path, UndoOutcome::Removed);
        return;
    }
    // Still the folder the run made: removed by name in the folder that holds
    // it, which the system refuses unless it is empty.
    if (::unlinkat(holder, name.c_str(), AT_REMOVEDIR) != 0) {
        ReportRemovalError(path, errno);
        return;
    }
    Say(path, UndoOutcome::Removed);
}

void Undo::ReportRemovalError(std::string const& path, int error)
{
    if (error == ENOTEMPTY || error == EEXIST)
        Say(path, UndoOutcome::Kept, m_holding_kept.contains(path) ? HoldsKeptReason : NotEmptyReason);
    else if (error == ENOENT)
        Say(path, UndoOutcome::Gone);
    else
        Say(path, UndoOutcome::Failed, std::strerror(error));
}

// A dry run: the folder holds nothing but folders it would remove.
bool Undo::WouldBeEmpty(int folder, std::string& reason)
{
    int const listed = ::dup(folder);
    DIR* const directory = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (!directory) {
        reason = std::strerror(errno);
        if (listed >= 0)
            ::close(listed);
        return false;
    }
    bool empty = true;
    while (dirent const* const entry = ::readdir(directory)) {
        std::string_view const name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat status { };
        if (::fstatat(folder, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(status.st_mode)
            || !m_would_remove.contains(IdentityOf(status))) {
            empty = false;
            break;
        }
    }
    ::closedir(directory);
    if (!empty)
        reason = NotEmptyReason;
    return empty;
}

} // namespace

UndoSummary UndoRun(RunJournal const& journal, std::string const& journal_folder,
    std::function<void(UndoReport const&)> const& report, UndoOptions options)
{
    Undo undo(options, report);
    if (journal.Undone) {
        undo.Summary.AlreadyUndone = true;
        return undo.Summary;
    }
    std::string parent = journal.ParentFolder;
    if (!parent.empty() && parent.back() != '/')
        parent += '/';
    // The parent folder is the one the user named: its own path may pass links.
    Descriptor const parent_folder(::open(parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!parent_folder.IsOpen()) {
        undo.AllFail(journal, parent + ": " + std::strerror(errno));
        return undo.Summary;
    }
    HolderChain chain(parent_folder.Get());
    // Deepest first. The folders recorded come in walk order, each after the
    // one holding it: backwards. Those only announced (a run cut short, the
    // lines of several jobs never put in order) hold none recorded: before
    // them, by depth.
    std::vector<JournalFolderEntry const*> order;
    for (auto entry = journal.Folders.rbegin(); entry != journal.Folders.rend(); ++entry)
        order.push_back(&*entry);
    auto const depth = [](JournalFolderEntry const* entry) {
        return entry->AnnouncedOnly ? 1 + std::count(entry->HostPath.begin(), entry->HostPath.end(), '/') : 0;
    };
    std::stable_sort(
        order.begin(), order.end(), [&](JournalFolderEntry const* left, JournalFolderEntry const* right) {
            return depth(left) > depth(right);
        });
    for (JournalFolderEntry const* entry : order)
        undo.Folder(chain, parent, *entry);
    UndoSummary const& summary = undo.Summary;
    if (!options.DryRun && summary.Kept == 0 && summary.Failed == 0)
        MarkJournalUndone(journal_folder, journal.Name);
    return summary;
}

} // namespace edamaki
