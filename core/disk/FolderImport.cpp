#include "core/disk/FolderImport.h"

#include "core/disk/DirectoryWindow.h"
#include "core/disk/FolderIdentitySet.h"
#include "core/disk/HostFileSystem.h"
#include "core/disk/SideBySide.h"
#include "core/text/ShiftJis.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <locale.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>
#include <wchar.h>
#include <wctype.h>

namespace edamaki {

namespace {

constexpr char const* UnwritableNameReason = "the name holds a character that a source cannot hold";
constexpr char const* BlankEdgeReason = "the name begins or ends with a blank, which a source would lose";
constexpr char const* CommentNameReason = "a top-level name beginning with \";\" would read as a comment";
constexpr char const* LoopReason = "a link back to a folder above it";
constexpr char const* ListedAlreadyReason = "the same folder is listed already under another path";
constexpr char const* InsideLinkReason
    = "a link to a folder inside the imported folder, listed in its own place";

constexpr std::string_view UnfollowableLinkReason = "a link that can't be followed: ";

class LocaleHandle {
public:
    LocaleHandle()
    {
        int const categories = LC_COLLATE_MASK | LC_CTYPE_MASK;
        for (char const* name : { "", "C.UTF-8", "C" }) {
            m_locale = newlocale(categories, name, static_cast<locale_t>(0));
            if (m_locale)
                return;
        }
    }
    ~LocaleHandle()
    {
        if (m_locale)
            freelocale(m_locale);
    }
    LocaleHandle(LocaleHandle const&) = delete;
    LocaleHandle& operator=(LocaleHandle const&) = delete;

    locale_t Get() const { return m_locale; }

private:
    locale_t m_locale = static_cast<locale_t>(0);
};

// The order of the lines: part by part, case-insensitive in the user's
// locale, ties broken case-sensitively so that twins that differ only in case
// both stay, next to each other. Sorting the subfolders of every folder by
// their names and walking in that order writes the lines in that order.
class NameOrder {
public:
    explicit NameOrder(locale_t locale)
        : m_locale(locale)
    {
    }

    // Appends the name's collation key in the user's locale, case folded.
    void AppendFoldedKey(std::string_view host_name, std::wstring& keys)
    {
        // The names are known to be well formed UTF-8.
        m_folded.clear();
        std::size_t length = 0;
        for (std::size_t offset = 0; offset < host_name.size(); offset += length) {
            auto const character = static_cast<wint_t>(DecodeUtf8Character(host_name, offset, length));
            m_folded += static_cast<wchar_t>(towlower_l(character, m_locale));
        }
        std::size_t const start = keys.size();
        std::size_t room = m_folded.size() * 4 + 8;
        for (;;) {
            keys.resize(start + room);
            std::size_t const key_length = wcsxfrm_l(keys.data() + start, m_folded.c_str(), room, m_locale);
            if (key_length < room) {
                keys.resize(start + key_length);
                return;
            }
            room = key_length + 1;
        }
    }

private:
    locale_t m_locale;
    std::wstring m_folded;
};

// A subfolder of a folder being walked: where its names and its key stand
// in the buffers of the folder's frame.
struct Subfolder {
    std::uint32_t HostName = 0; // ended by a NUL, for the system's calls
    std::uint32_t HostLength = 0;
    std::uint32_t ShiftJisName = 0;
    std::uint32_t ShiftJisLength = 0;
    std::uint32_t Key = 0;
    std::uint32_t KeyLength = 0;
    // A link to a folder, not the folder itself.
    bool IsLink = false;
};

// What the import reports, in walk order: a leaf folder's line, or a notice.
struct LeftOutItem {
    ImportNotice Notice;
};
struct UnreadableItem {
    ImportNotice Notice;
};
using ImportItem = std::variant<std::string, LeftOutItem, UnreadableItem>;
using OutputPiece = OrderedOutput<ImportItem>::Piece;

// What the walkers of an import with several jobs share. The first walker
// starts at the imported folder; each folder a walker has listed that has
// subfolders may go to an idle worker as a piece of its own. Every real
// folder is listed once, by the first path to it in walk order: the folders
// reached without passing a link are all different folders (a link into the
// imported folder is left out), so only a walker about to pass through a
// link waits for everything before it in the walk to be done before it
// claims the folder there.
struct SharedImport : SideBySide<ImportItem> {
    SharedImport(HostFileSystem& file_system, locale_t locale, std::size_t folder_budget, std::size_t jobs)
        : SideBySide(jobs)
        , FileSystem(file_system)
        , Locale(locale)
        , FolderBudget(folder_budget)
    {
    }

    bool Claim(HostFolderIdentity identity)
    {
        std::lock_guard lock(VisitedMutex);
        return Visited.Insert(identity);
    }

    HostFileSystem& FileSystem;
    locale_t const Locale;
    std::size_t const FolderBudget;
    // Set by the first walker before it hands anything over.
    std::string RealRoot;
    bool Readable = false;
    std::atomic<std::size_t> FolderCount = 0;
    std::atomic<bool> Truncated = false;
    std::mutex VisitedMutex;
    HostFolderIdentitySet Visited;
};

// Walks the folder with directory descriptors: each folder is opened
// relative to the one holding it, so no path grows with the depth. The
// folders along the current path are held in a directory window, which
// reopens an ancestor it closed only while its name still leads to the same
// folder. The frames of the walk keep their buffers from one folder to the
// next.
class LeafCollector {
public:
    LeafCollector(HostFileSystem& file_system, locale_t locale, std::size_t folder_budget,
        std::size_t window_capacity = DirectoryWindow::DefaultCapacity());
    // A walker of an import with several jobs, reporting to its piece.
    LeafCollector(SharedImport& shared, HostFileSystem& file_system, OutputPiece& piece);

    FolderImport Collect(std::string const& directory);

    struct Frame {
        HostFolderIdentity Identity;
        std::string Names; // the subfolders' host and Shift-JIS names
        std::wstring Keys; // their collation keys
        std::vector<Subfolder> Subfolders;
        std::size_t Next = 0;
        std::size_t HostPathSize = 0;
        std::size_t LineSize = 0;
        // A line was written for a folder below it: it is not a leaf.
        bool HasLines = false;

        void Reset()
        {
            Names.clear();
            Keys.clear();
            Subfolders.clear();
            Next = 0;
            HasLines = false;
        }
        char const* HostName(Subfolder const& subfolder) const { return Names.data() + subfolder.HostName; }
        std::string_view ShiftJisName(Subfolder const& subfolder) const
        {
            return std::string_view(Names).substr(subfolder.ShiftJisName, subfolder.ShiftJisLength);
        }
    };

    // A piece of an import: the subfolders of the folder `frame` has listed,
    // whose directory and paths are given, and the folders above it.
    void CollectBelow(Frame frame, HostDirectory directory, std::string host_path, std::string line,
        std::vector<HostFolderIdentity> ancestors);

private:
    enum class NoticeKind {
        LeftOut,
        Unreadable,
    };

    Frame& Top() { return m_frames[m_depth - 1]; }
    // The frame after the top one, emptied, for a folder about to be entered.
    Frame& NextFrame();
    void Walk();
    void EnterSubfolder(char const* host_name, bool through_link, std::size_t name_begin);
    bool HandOver(Frame& child, HostDirectory& directory);
    void AwaitTurn();
    bool Claim(HostFolderIdentity identity);
    bool CountFolder();
    bool IsTruncated() const;
    // Opens the subfolder `name` of the folder at the top of the walk.
    HostDirectory OpenSubfolder(char const* name, HostError& error);
    HostError ListSubfolders(Frame& frame, HostDirectory const& directory, bool top_level);
    bool AcceptEntry(
        Frame& frame, HostDirectory const& directory, DirectoryEntries::Entry entry, bool top_level);
    void NoticeUnfollowableLink(HostDirectory const& directory, DirectoryEntries::Entry entry);
    void SortSubfolders(Frame& frame);
    char const* CheckName(std::string_view host_name, bool top_level);
    bool LeadsInside(HostDirectory const& containing, char const* name) const;
    bool IsOnPath(HostFolderIdentity identity) const;
    bool AddLeaf();
    void LeaveFolder();
    void Notice(NoticeKind kind, std::string_view host_name, std::string reason);

    std::size_t const m_folder_budget;
    std::size_t m_folder_count = 0;
    HostFileSystem& m_file_system;
    NameOrder m_order;
    FolderImport m_result;
    // The walk: the first m_depth frames; a deque, so that a frame stays
    // where it is while the ones after it come and go.
    std::deque<Frame> m_frames;
    std::size_t m_depth = 0;
    // The folders of the frames of the walk, the top one always open.
    DirectoryWindow m_window;
    HostFolderIdentitySet m_visited;
    std::string m_host_path;
    std::string m_line;
    std::string m_shift_jis_name;
    std::string m_round_trip;
    // The imported folder's real path, for telling where links lead.
    std::string m_real_root;
    // Set for a walker of an import with several jobs: the folders above
    // the walker's first one, and whether it handed a piece over.
    SharedImport* m_shared = nullptr;
    OutputPiece* m_piece = nullptr;
    std::vector<HostFolderIdentity> m_ancestors;
    bool m_handed_over = false;
};

LeafCollector::LeafCollector(
    HostFileSystem& file_system, locale_t locale, std::size_t folder_budget, std::size_t window_capacity)
    : m_folder_budget(folder_budget)
    , m_file_system(file_system)
    , m_order(locale)
    , m_window(m_file_system, LinkPolicy::Follow, window_capacity)
{
    m_result.FolderBudget = folder_budget;
}

LeafCollector::LeafCollector(SharedImport& shared, HostFileSystem& file_system, OutputPiece& piece)
    : LeafCollector(file_system, shared.Locale, shared.FolderBudget, shared.WindowCapacity)
{
    m_shared = &shared;
    m_piece = &piece;
    m_real_root = shared.RealRoot;
}

FolderImport LeafCollector::Collect(std::string const& directory)
{
    m_host_path = directory;
    Frame& top = NextFrame();
    HostError error;
    HostDirectory folder = m_file_system.OpenDirectoryToRead(directory.c_str(), error);
    if (!folder.IsOpen() || !m_file_system.GetIdentity(folder, top.Identity))
        return {};
    m_real_root = m_file_system.RealPathOf(folder);
    if (m_shared)
        m_shared->RealRoot = m_real_root;
    if (ListSubfolders(top, folder, true).IsSet())
        return {};
    Claim(top.Identity);
    m_result.Readable = true;
    if (top.Subfolders.empty()) {
        AddLeaf();
    } else {
        m_window.Start(std::move(folder));
        ++m_depth;
        Walk();
    }
    if (IsTruncated()) {
        m_result.Truncated = true;
        m_result.Lines.clear();
        m_result.LeftOut.clear();
        m_result.Unreadable.clear();
    }
    return std::move(m_result);
}

void LeafCollector::CollectBelow(Frame frame, HostDirectory directory, std::string host_path,
    std::string line, std::vector<HostFolderIdentity> ancestors)
{
    m_host_path = std::move(host_path);
    m_line = std::move(line);
    m_ancestors = std::move(ancestors);
    NextFrame() = std::move(frame);
    ++m_depth;
    m_window.Start(std::move(directory));
    Walk();
}

LeafCollector::Frame& LeafCollector::NextFrame()
{
    if (m_depth == m_frames.size())
        m_frames.emplace_back();
    Frame& frame = m_frames[m_depth];
    frame.Reset();
    return frame;
}

void LeafCollector::Walk()
{
    while (m_depth > 0 && !IsTruncated()) {
        Frame& frame = Top();
        if (frame.Next == frame.Subfolders.size()) {
            LeaveFolder();
            continue;
        }
        Subfolder const& subfolder = frame.Subfolders[frame.Next++];
        m_host_path.resize(frame.HostPathSize);
        if (m_host_path.empty() || m_host_path.back() != HostFileSystem::Separator)
            m_host_path += HostFileSystem::Separator;
        std::size_t const name_begin = m_host_path.size();
        m_host_path.append(frame.HostName(subfolder), subfolder.HostLength);
        m_line.resize(frame.LineSize);
        if (!m_line.empty())
            m_line += '\\';
        m_line += frame.ShiftJisName(subfolder);
        EnterSubfolder(frame.HostName(subfolder), subfolder.IsLink, name_begin);
    }
}

// The paths name the subfolder, whose name begins at `name_begin` of the host
// path. Lists it, or makes it a leaf line when it has no subfolders (or can't
// be read), or leaves it out when it is a folder seen before.
void LeafCollector::EnterSubfolder(char const* host_name, bool through_link, std::size_t name_begin)
{
    HostError error;
    HostDirectory directory = OpenSubfolder(host_name, error);
    Frame& child = NextFrame();
    if (!directory.IsOpen() || !m_file_system.GetIdentity(directory, child.Identity, error)) {
        // The folder is there (it was listed) but can't be read: a leaf.
        AddLeaf();
        Notice(NoticeKind::Unreadable, {}, HostFileSystem::DescribeError(error));
        return;
    }
    if (through_link)
        AwaitTurn();
    if (!Claim(child.Identity)) {
        Notice(NoticeKind::LeftOut, {}, IsOnPath(child.Identity) ? LoopReason : ListedAlreadyReason);
        return;
    }
    if (HostError const unread = ListSubfolders(child, directory, false); unread.IsSet()) {
        child.Reset();
        AddLeaf();
        Notice(NoticeKind::Unreadable, {}, HostFileSystem::DescribeError(unread));
        return;
    }
    if (child.Subfolders.empty()) {
        child.Reset();
        AddLeaf();
        return;
    }
    if (HandOver(child, directory))
        return;
    ++m_depth;
    m_window.Enter(std::move(directory), name_begin, m_host_path.size(), child.Identity);
}

// A piece of an import with several jobs: the subfolders of a folder listed
// already, with their own walker, file system and directory window.
class ImportPiece final : public WalkPiece {
public:
    ImportPiece(SharedImport& shared, OutputPiece& piece, LeafCollector::Frame frame, HostDirectory directory,
        std::string host_path, std::string line, std::vector<HostFolderIdentity> ancestors)
        : m_shared(shared)
        , m_piece(piece)
        , m_frame(std::move(frame))
        , m_directory(std::move(directory))
        , m_host_path(std::move(host_path))
        , m_line(std::move(line))
        , m_ancestors(std::move(ancestors))
    {
    }

    // Not taken: the frame and the directory go back to the walker.
    void GiveBack(LeafCollector::Frame& frame, HostDirectory& directory)
    {
        frame = std::move(m_frame);
        directory = std::move(m_directory);
    }

    void Run() override
    {
        OrderedOutput<ImportItem>::FinishOnExit const finish(m_shared.Output, m_piece);
        std::unique_ptr<HostFileSystem> const file_system = m_shared.FileSystem.ForAnotherThread();
        LeafCollector collector(m_shared, *file_system, m_piece);
        collector.CollectBelow(std::move(m_frame), std::move(m_directory), std::move(m_host_path),
            std::move(m_line), std::move(m_ancestors));
    }

private:
    SharedImport& m_shared;
    OutputPiece& m_piece;
    LeafCollector::Frame m_frame;
    HostDirectory m_directory;
    std::string m_host_path;
    std::string m_line;
    std::vector<HostFolderIdentity> m_ancestors;
};

// Hands the subfolders of the folder just listed to an idle worker; false
// when the import has one job or no worker is idle. A folder whose line
// ends with a blank is kept: it may give no line at all, and the folder
// above it must know whether it has lines. Any other gives one at least.
bool LeafCollector::HandOver(Frame& child, HostDirectory& directory)
{
    if (!m_shared || m_line.back() == ' ' || !m_shared->Pool.HasIdleWorker())
        return false;
    std::vector<HostFolderIdentity> ancestors = m_ancestors;
    for (std::size_t index = 0; index < m_depth; ++index)
        ancestors.push_back(m_frames[index].Identity);
    auto output = OrderedOutput<ImportItem>::NewPiece();
    std::unique_ptr<WalkPiece> piece = std::make_unique<ImportPiece>(*m_shared, *output, std::move(child),
        std::move(directory), m_host_path, m_line, std::move(ancestors));
    if (!m_shared->TryHand(*m_piece, output, piece)) {
        static_cast<ImportPiece&>(*piece).GiveBack(child, directory);
        return false;
    }
    Top().HasLines = true;
    m_handed_over = true;
    return true;
}

// A link may lead to a folder that a walker ahead in the walk lists too: the
// first path to it in walk order lists it, so the walker waits for all
// before it to be done. A first walker that handed nothing over has all
// before it behind it.
void LeafCollector::AwaitTurn()
{
    if (m_shared && (m_handed_over || m_piece != &m_shared->Output.First()))
        m_shared->Output.WaitForFront(*m_piece);
}

bool LeafCollector::Claim(HostFolderIdentity identity)
{
    return m_shared ? m_shared->Claim(identity) : m_visited.Insert(identity);
}

// Counts a folder listed; true once there are more than the budget.
bool LeafCollector::CountFolder()
{
    std::size_t const count
        = m_shared ? m_shared->FolderCount.fetch_add(1, std::memory_order_relaxed) + 1 : ++m_folder_count;
    return count > m_folder_budget;
}

bool LeafCollector::IsTruncated() const
{
    return m_result.Truncated || (m_shared && m_shared->Truncated.load(std::memory_order_relaxed));
}

HostDirectory LeafCollector::OpenSubfolder(char const* name, HostError& error)
{
    HostDirectory const* const holder = m_window.Innermost(m_host_path, error);
    if (!holder)
        return {};
    return m_file_system.OpenDirectoryToReadAt(*holder, name, LinkPolicy::Follow, error);
}

// Lists the open folder of `frame`: its subfolders that a source can hold,
// sorted. Records the paths' sizes for the walk. Returns the error when the
// folder can't be read to the end.
HostError LeafCollector::ListSubfolders(Frame& frame, HostDirectory const& directory, bool top_level)
{
    frame.HostPathSize = m_host_path.size();
    frame.LineSize = m_line.size();
    HostError const error = m_file_system.ReadEntries(directory, [&](DirectoryEntries::Entry entry) {
        if (!IsTruncated() && AcceptEntry(frame, directory, entry, top_level) && CountFolder()) {
            frame.Subfolders.pop_back();
            m_result.Truncated = true;
            if (m_shared)
                m_shared->Truncated = true;
        }
    });
    if (!error.IsSet())
        SortSubfolders(frame);
    return error;
}

// A directory entry that is a subfolder a source can hold: adds it to the
// frame. Names the ones left out.
bool LeafCollector::AcceptEntry(
    Frame& frame, HostDirectory const& directory, DirectoryEntries::Entry entry, bool top_level)
{
    // Hidden: a name that begins with "." ("." and ".." among them).
    if (entry.Name.starts_with('.'))
        return false;
    ListedEntryKind const kind = m_file_system.KindOfListedEntry(directory, entry);
    if (kind == ListedEntryKind::NotAFolder) {
        NoticeUnfollowableLink(directory, entry);
        return false;
    }
    // A link to a folder counts as a folder, unless the folder it leads to
    // is listed in its own place.
    if (kind == ListedEntryKind::LinkToFolder && LeadsInside(directory, entry.Name.data())) {
        Notice(NoticeKind::LeftOut, entry.Name, InsideLinkReason);
        return false;
    }
    if (char const* const reason = CheckName(entry.Name, top_level)) {
        Notice(NoticeKind::LeftOut, entry.Name, reason);
        return false;
    }
    Subfolder subfolder;
    subfolder.HostName = static_cast<std::uint32_t>(frame.Names.size());
    subfolder.HostLength = static_cast<std::uint32_t>(entry.Name.size());
    frame.Names.append(entry.Name);
    frame.Names += '\0';
    subfolder.ShiftJisName = static_cast<std::uint32_t>(frame.Names.size());
    subfolder.ShiftJisLength = static_cast<std::uint32_t>(m_shift_jis_name.size());
    frame.Names += m_shift_jis_name;
    subfolder.IsLink = kind == ListedEntryKind::LinkToFolder;
    frame.Subfolders.push_back(subfolder);
    return true;
}

// A link whose target can't be looked at (a folder on the way may not be
// searched) may lead to a folder: it is named rather than passed over.
// Dangling links, links to files and loops are not folders.
void LeafCollector::NoticeUnfollowableLink(HostDirectory const& directory, DirectoryEntries::Entry entry)
{
    if (entry.Kind != DirectoryEntries::Type::Link && entry.Kind != DirectoryEntries::Type::Unknown)
        return;
    HostError error;
    if (m_file_system.GetEntryKindAt(directory, entry.Name.data(), LinkPolicy::Follow, error)
            != HostEntryKind::Unknown
        || HostFileSystem::IsNotFound(error) || HostFileSystem::IsNotADirectory(error)
        || HostFileSystem::IsNameTooLong(error))
        return;
    Notice(NoticeKind::LeftOut, entry.Name,
        std::string(UnfollowableLinkReason) + HostFileSystem::DescribeError(error));
}

// Sorts the frame's subfolders by their keys; only a folder with more than
// one subfolder needs them.
void LeafCollector::SortSubfolders(Frame& frame)
{
    if (frame.Subfolders.size() < 2)
        return;
    for (Subfolder& subfolder : frame.Subfolders) {
        subfolder.Key = static_cast<std::uint32_t>(frame.Keys.size());
        m_order.AppendFoldedKey({ frame.HostName(subfolder), subfolder.HostLength }, frame.Keys);
        subfolder.KeyLength = static_cast<std::uint32_t>(frame.Keys.size() - subfolder.Key);
    }
    std::wstring_view const keys = frame.Keys;
    std::string_view const names = frame.Names;
    std::sort(
        frame.Subfolders.begin(), frame.Subfolders.end(), [&](Subfolder const& left, Subfolder const& right) {
            if (int const order
                = keys.substr(left.Key, left.KeyLength).compare(keys.substr(right.Key, right.KeyLength)))
                return order < 0;
            return names.substr(left.HostName, left.HostLength)
                < names.substr(right.HostName, right.HostLength);
        });
}

// The link `name` leads to the imported folder or a folder below it.
bool LeafCollector::LeadsInside(HostDirectory const& containing, char const* name) const
{
    if (m_real_root.empty())
        return false;
    HostError error;
    HostDirectory const target = m_file_system.OpenDirectoryAt(containing, name, LinkPolicy::Follow, error);
    if (!target.IsOpen())
        return false;
    std::string const real_path = m_file_system.RealPathOf(target);
    return real_path == m_real_root
        || (real_path.starts_with(m_real_root)
            && (m_real_root.back() == '/' || real_path[m_real_root.size()] == '/'));
}

// Why a folder's name can't stand in a text-mode source, or nullptr; when it
// can, leaves its Shift-JIS form in m_shift_jis_name. A blank at the end of a
// name is lost only when the name ends a line, which AddLeaf checks.
char const* LeafCollector::CheckName(std::string_view host_name, bool top_level)
{
    m_shift_jis_name.clear();
    m_round_trip.clear();
    // The name must come back unchanged: some characters only go one way
    // (the yen sign would become a backslash).
    HostNameConverter& names = m_file_system.Names();
    if (!names.AppendShiftJisText(host_name, m_shift_jis_name)
        || !names.AppendHostText(m_shift_jis_name, m_round_trip) || m_round_trip != host_name)
        return UnwritableNameReason;
    if (!IsValidFolderName(m_shift_jis_name))
        return UnwritableNameReason;
    for (char const character : m_shift_jis_name) {
        if (static_cast<unsigned char>(character) < 0x20 || character == 0x7F)
            return UnwritableNameReason;
    }
    if (top_level && m_shift_jis_name.front() == ';')
        return CommentNameReason;
    if (top_level && m_shift_jis_name.front() == ' ')
        return BlankEdgeReason;
    return nullptr;
}

// A folder on the path of the walk: a link back to it makes a loop.
bool LeafCollector::IsOnPath(HostFolderIdentity identity) const
{
    return std::any_of(m_frames.begin(), m_frames.begin() + static_cast<std::ptrdiff_t>(m_depth),
               [&](Frame const& frame) { return frame.Identity == identity; })
        || std::find(m_ancestors.begin(), m_ancestors.end(), identity) != m_ancestors.end();
}

// Writes the line of the folder the paths name. False when a source could
// not hold it: a blank at the end of a line is trimmed when it is read.
bool LeafCollector::AddLeaf()
{
    if (!m_line.empty() && m_line.back() == ' ') {
        Notice(NoticeKind::LeftOut, {}, BlankEdgeReason);
        return false;
    }
    if (m_shared)
        m_shared->Output.Add(*m_piece, m_line);
    else
        m_result.Lines.push_back(m_line);
    if (m_depth > 0)
        Top().HasLines = true;
    return true;
}

// Ends the folder at the top of the walk. A folder whose subfolders were all
// left out is a leaf after all.
void LeafCollector::LeaveFolder()
{
    Frame& frame = Top();
    bool const is_leaf = !frame.HasLines;
    m_host_path.resize(frame.HostPathSize);
    m_line.resize(frame.LineSize);
    frame.Reset();
    --m_depth;
    m_window.Leave();
    if (is_leaf)
        AddLeaf();
    else if (m_depth > 0)
        Top().HasLines = true;
}

// Names the folder at the current host path, or its subfolder `host_name`.
void LeafCollector::Notice(NoticeKind kind, std::string_view host_name, std::string reason)
{
    std::string path = m_host_path;
    if (!host_name.empty()) {
        if (path.empty() || path.back() != HostFileSystem::Separator)
            path += HostFileSystem::Separator;
        path += host_name;
    }
    ImportNotice notice { std::move(path), std::move(reason) };
    if (m_shared) {
        if (kind == NoticeKind::LeftOut)
            m_shared->Output.Add(*m_piece, LeftOutItem { std::move(notice) });
        else
            m_shared->Output.Add(*m_piece, UnreadableItem { std::move(notice) });
        return;
    }
    (kind == NoticeKind::LeftOut ? m_result.LeftOut : m_result.Unreadable).push_back(std::move(notice));
}

// Nothing when no walker could be started.
std::optional<FolderImport> CollectSideBySide(std::string const& directory, HostFileSystem& file_system,
    locale_t locale, std::size_t folder_budget, std::size_t jobs)
{
    SharedImport shared(file_system, locale, folder_budget, jobs);
    if (!shared.Started())
        return std::nullopt;
    FolderImport result;
    result.Jobs = shared.Jobs;
    result.FolderBudget = folder_budget;
    auto const walk = [&shared, &directory](HostFileSystem& walker_file_system, OutputPiece& piece) {
        shared.Readable = LeafCollector(shared, walker_file_system, piece).Collect(directory).Readable;
    };
    shared.Run(file_system, walk, [&](ImportItem&& item) {
        if (auto* line = std::get_if<std::string>(&item))
            result.Lines.push_back(std::move(*line));
        else if (auto* left_out = std::get_if<LeftOutItem>(&item))
            result.LeftOut.push_back(std::move(left_out->Notice));
        else
            result.Unreadable.push_back(std::move(std::get<UnreadableItem>(item).Notice));
    });
    // As a lone walk: nothing of a folder that can't be read, and of one
    // that holds too many folders only that it does.
    if (!shared.Readable)
        return FolderImport {};
    result.Readable = true;
    if (shared.Truncated) {
        result.Truncated = true;
        result.Lines.clear();
        result.LeftOut.clear();
        result.Unreadable.clear();
    }
    return result;
}

} // namespace

FolderImport CollectLeafFolders(std::string const& directory, std::size_t folder_budget, std::size_t jobs)
{
    HostFileSystem file_system;
    return CollectLeafFolders(directory, file_system, folder_budget, jobs);
}

FolderImport CollectLeafFolders(
    std::string const& directory, HostFileSystem& file_system, std::size_t folder_budget, std::size_t jobs)
{
    LocaleHandle const locale;
    if (jobs == 0)
        jobs = file_system.SuggestedJobs(directory.c_str());
    if (jobs > 1) {
        if (auto result = CollectSideBySide(directory, file_system, locale.Get(), folder_budget, jobs))
            return std::move(*result);
    }
    FolderImport result = LeafCollector(file_system, locale.Get(), folder_budget).Collect(directory);
    result.Jobs = { WalkersForDescriptors(jobs), 1 };
    return result;
}

} // namespace edamaki
