#include "core/disk/FolderImport.h"

#include "core/disk/DirectoryEntries.h"
#include "core/disk/HostFileSystem.h"
#include "core/text/ShiftJis.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <fcntl.h>
#include <locale.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
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
constexpr char const* ChangedReason = "the folder changed while it was read";

struct DirectoryId {
    dev_t Device;
    ino_t Inode;

    bool operator==(DirectoryId const&) const = default;
};

// The folders seen so far, by identity: an open-addressing set (linear
// probing, at most half full) of plain records, nothing allocated per folder.
class DirectoryIdSet {
public:
    // False when the folder was in the set already.
    bool Insert(DirectoryId id)
    {
        if ((m_count + 1) * 2 > m_slots.size())
            Grow();
        std::size_t const slot = SlotOf(id);
        if (m_slots[slot] == id)
            return false;
        m_slots[slot] = id;
        ++m_count;
        return true;
    }

private:
    static constexpr DirectoryId Empty { static_cast<dev_t>(-1), static_cast<ino_t>(-1) };

    // The slot that holds `id`, or the empty one where it goes.
    std::size_t SlotOf(DirectoryId id) const
    {
        std::size_t const mask = m_slots.size() - 1;
        std::size_t slot = std::hash<unsigned long long> {}(
                               static_cast<unsigned long long>(id.Inode) * 0x9E3779B97F4A7C15ull
                               ^ static_cast<unsigned long long>(id.Device))
            & mask;
        while (!(m_slots[slot] == id) && !(m_slots[slot] == Empty))
            slot = (slot + 1) & mask;
        return slot;
    }

    void Grow()
    {
        std::vector<DirectoryId> old(std::max<std::size_t>(m_slots.size() * 2, 64), Empty);
        old.swap(m_slots);
        for (DirectoryId const id : old) {
            if (!(id == Empty))
                m_slots[SlotOf(id)] = id;
        }
    }

    std::vector<DirectoryId> m_slots;
    std::size_t m_count = 0;
};

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
};

// The real path of an open directory, from the system's table of open files;
// empty where there is none.
std::string RealPathOf(int descriptor)
{
    std::string const link = "/proc/self/fd/" + std::to_string(descriptor);
    std::string path(4096, '\0');
    for (;;) {
        ssize_t const length = ::readlink(link.c_str(), path.data(), path.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// Walks the folder with directory descriptors: each folder is opened
// relative to the one holding it, so no path grows with the depth. Only the
// folders along the current path stay open, and only the deepest few of them:
// an ancestor closed to stay within the limit is opened again, name by name
// from the nearest open one, when its next subfolder is due. The frames of
// the walk keep their buffers from one folder to the next.
class LeafCollector {
public:
    explicit LeafCollector(std::size_t folder_budget);

    FolderImport Collect(std::string const& directory);

private:
    struct Frame {
        HostDirectory Directory;
        DirectoryId Id {};
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
            Directory.Close();
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

    static constexpr std::size_t MostOpenFolders = 64;

    Frame& Top() { return m_frames[m_depth - 1]; }
    // The frame after the top one, emptied, for a folder about to be entered.
    Frame& NextFrame();
    void Walk();
    void EnterSubfolder(char const* host_name);
    // Opens the subfolder `name` of the folder at the top of the walk; sets
    // `reason` when it can't.
    HostDirectory OpenSubfolder(char const* name, std::string& reason);
    bool IdentifyFolder(Frame& frame);
    bool ListSubfolders(Frame& frame, bool top_level);
    bool AcceptEntry(Frame& frame, DirectoryEntries::Entry entry, bool top_level);
    bool IsFolderEntry(int containing, DirectoryEntries::Entry entry, bool& is_link) const;
    void SortSubfolders(Frame& frame);
    char const* CheckName(std::string_view host_name, bool top_level);
    bool LeadsInside(int containing, char const* name) const;
    bool IsOnPath(DirectoryId id) const;
    int EnsureOpen(std::size_t frame_index, std::string& reason);
    void LimitOpenFolders();
    bool AddLeaf();
    void LeaveFolder();
    void Notice(std::vector<ImportNotice>& list, std::string_view host_name, std::string reason);

    std::size_t const m_folder_budget;
    std::size_t m_folder_count = 0;
    HostNameConverter m_names;
    LocaleHandle const m_locale;
    NameOrder m_order;
    DirectoryEntries m_entries;
    FolderImport m_result;
    // The walk: the first m_depth frames; a deque, so that a frame stays
    // where it is while the ones after it come and go.
    std::deque<Frame> m_frames;
    std::size_t m_depth = 0;
    DirectoryIdSet m_visited;
    std::string m_host_path;
    std::string m_line;
    std::string m_shift_jis_name;
    std::string m_round_trip;
    // The imported folder's real path, for telling where links lead.
    std::string m_real_root;
};

LeafCollector::LeafCollector(std::size_t folder_budget)
    : m_folder_budget(folder_budget)
    , m_order(m_locale.Get())
{
    m_result.FolderBudget = folder_budget;
}

FolderImport LeafCollector::Collect(std::string const& directory)
{
    m_host_path = directory;
    Frame& top = NextFrame();
    top.Directory = HostDirectory(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top.Directory.IsOpen() || !IdentifyFolder(top))
        return {};
    m_real_root = RealPathOf(top.Directory.Descriptor());
    if (!ListSubfolders(top, true))
        return {};
    m_visited.Insert(top.Id);
    m_result.Readable = true;
    if (top.Subfolders.empty()) {
        AddLeaf();
        return std::move(m_result);
    }
    ++m_depth;
    Walk();
    if (m_result.Truncated)
        m_result.Lines.clear();
    return std::move(m_result);
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
    while (m_depth > 0 && !m_result.Truncated) {
        Frame& frame = Top();
        if (frame.Next == frame.Subfolders.size()) {
            LeaveFolder();
            continue;
        }
        Subfolder const& subfolder = frame.Subfolders[frame.Next++];
        m_host_path.resize(frame.HostPathSize);
        if (m_host_path.empty() || m_host_path.back() != HostFileSystem::Separator)
            m_host_path += HostFileSystem::Separator;
        m_host_path.append(frame.HostName(subfolder), subfolder.HostLength);
        m_line.resize(frame.LineSize);
        if (!m_line.empty())
            m_line += '\\';
        m_line += frame.ShiftJisName(subfolder);
        EnterSubfolder(frame.HostName(subfolder));
    }
}

// The paths name the subfolder. Lists it, or makes it a leaf line when it has
// no subfolders (or can't be read), or leaves it out when it is a folder seen
// before.
void LeafCollector::EnterSubfolder(char const* host_name)
{
    std::string reason;
    HostDirectory directory = OpenSubfolder(host_name, reason);
    Frame& child = NextFrame();
    child.Directory = std::move(directory);
    if (!child.Directory.IsOpen() || !IdentifyFolder(child)) {
        // The folder is there (it was listed) but can't be read: a leaf.
        int const error = errno;
        child.Reset();
        AddLeaf();
        Notice(m_result.Unreadable, {}, reason.empty() ? HostFileSystem::DescribeError({ error }) : reason);
        return;
    }
    if (!m_visited.Insert(child.Id)) {
        child.Reset();
        Notice(m_result.LeftOut, {}, IsOnPath(child.Id) ? LoopReason : ListedAlreadyReason);
        return;
    }
    if (!ListSubfolders(child, false)) {
        int const error = errno;
        child.Reset();
        AddLeaf();
        Notice(m_result.Unreadable, {}, HostFileSystem::DescribeError({ error }));
        return;
    }
    if (child.Subfolders.empty()) {
        child.Reset();
        AddLeaf();
        return;
    }
    ++m_depth;
    LimitOpenFolders();
}

HostDirectory LeafCollector::OpenSubfolder(char const* name, std::string& reason)
{
    int const containing = EnsureOpen(m_depth - 1, reason);
    if (containing < 0)
        return {};
    HostDirectory directory(::openat(containing, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.IsOpen())
        reason = HostFileSystem::DescribeError({ errno });
    return directory;
}

// Sets the frame's identity: its device and inode.
bool LeafCollector::IdentifyFolder(Frame& frame)
{
    struct stat status;
    if (::fstat(frame.Directory.Descriptor(), &status) != 0)
        return false;
    frame.Id = { status.st_dev, status.st_ino };
    return true;
}

// Lists the open folder of `frame`: its subfolders that a source can hold,
// sorted. Records the paths' sizes for the walk. False (errno set) when the
// folder can't be read to the end.
bool LeafCollector::ListSubfolders(Frame& frame, bool top_level)
{
    frame.HostPathSize = m_host_path.size();
    frame.LineSize = m_line.size();
    bool const read = m_entries.Read(frame.Directory.Descriptor(), [&](DirectoryEntries::Entry entry) {
        if (!m_result.Truncated && AcceptEntry(frame, entry, top_level)
            && ++m_folder_count > m_folder_budget) {
            frame.Subfolders.pop_back();
            m_result.Truncated = true;
        }
    });
    if (!read)
        return false;
    SortSubfolders(frame);
    return true;
}

// A directory entry that is a subfolder a source can hold: adds it to the
// frame. Names the ones left out.
bool LeafCollector::AcceptEntry(Frame& frame, DirectoryEntries::Entry entry, bool top_level)
{
    // Hidden: a name that begins with "." ("." and ".." among them).
    if (entry.Name.starts_with('.'))
        return false;
    bool is_link = false;
    int const containing = frame.Directory.Descriptor();
    if (!IsFolderEntry(containing, entry, is_link))
        return false;
    // A link to a folder counts as a folder, unless the folder it leads to
    // is listed in its own place.
    if (is_link && LeadsInside(containing, entry.Name.data())) {
        Notice(m_result.LeftOut, entry.Name, InsideLinkReason);
        return false;
    }
    if (char const* const reason = CheckName(entry.Name, top_level)) {
        Notice(m_result.LeftOut, entry.Name, reason);
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
    frame.Subfolders.push_back(subfolder);
    return true;
}

// The entry is a folder, or a link to one (`is_link`). Only a link, or an
// entry of a type the file system doesn't record, costs a look.
bool LeafCollector::IsFolderEntry(int containing, DirectoryEntries::Entry entry, bool& is_link) const
{
    struct stat status;
    switch (entry.Kind) {
    case DirectoryEntries::Type::Directory:
        return true;
    case DirectoryEntries::Type::Unknown:
        if (::fstatat(containing, entry.Name.data(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        if (S_ISDIR(status.st_mode))
            return true;
        if (!S_ISLNK(status.st_mode))
            return false;
        [[fallthrough]];
    case DirectoryEntries::Type::Link:
        is_link = true;
        return ::fstatat(containing, entry.Name.data(), &status, 0) == 0 && S_ISDIR(status.st_mode);
    case DirectoryEntries::Type::Other:
        break;
    }
    return false;
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
bool LeafCollector::LeadsInside(int containing, char const* name) const
{
    if (m_real_root.empty())
        return false;
    int const target = ::openat(containing, name, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (target < 0)
        return false;
    std::string const real_path = RealPathOf(target);
    ::close(target);
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
    if (!m_names.AppendShiftJisText(host_name, m_shift_jis_name)
        || !m_names.AppendHostText(m_shift_jis_name, m_round_trip) || m_round_trip != host_name)
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
bool LeafCollector::IsOnPath(DirectoryId id) const
{
    return std::any_of(m_frames.begin(), m_frames.begin() + static_cast<std::ptrdiff_t>(m_depth),
        [&](Frame const& frame) { return frame.Id == id; });
}

// The descriptor of the folder of frame `frame_index`, opening it again when
// it was closed: from the nearest open ancestor, one name at a time (the top
// folder is never closed). -1 with `reason` set when it can't be opened or is
// no longer the folder it was.
int LeafCollector::EnsureOpen(std::size_t frame_index, std::string& reason)
{
    std::size_t open = frame_index;
    while (!m_frames[open].Directory.IsOpen())
        --open;
    for (std::size_t index = open + 1; index <= frame_index; ++index) {
        Frame const& above = m_frames[index - 1];
        Frame& frame = m_frames[index];
        char const* const name = above.HostName(above.Subfolders[above.Next - 1]);
        frame.Directory
            = HostDirectory(::openat(above.Directory.Descriptor(), name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!frame.Directory.IsOpen()) {
            reason = HostFileSystem::DescribeError({ errno });
            return -1;
        }
        DirectoryId const expected = frame.Id;
        if (!IdentifyFolder(frame) || frame.Id != expected) {
            frame.Id = expected;
            reason = ChangedReason;
            return -1;
        }
    }
    return m_frames[frame_index].Directory.Descriptor();
}

// Keeps at most MostOpenFolders folders of the path open: the top one and
// the deepest.
void LeafCollector::LimitOpenFolders()
{
    if (m_depth <= MostOpenFolders)
        return;
    m_frames[m_depth - MostOpenFolders].Directory.Close();
}

// Writes the line of the folder the paths name. False when a source could
// not hold it: a blank at the end of a line is trimmed when it is read.
bool LeafCollector::AddLeaf()
{
    if (!m_line.empty() && m_line.back() == ' ') {
        Notice(m_result.LeftOut, {}, BlankEdgeReason);
        return false;
    }
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
    if (is_leaf)
        AddLeaf();
    else if (m_depth > 0)
        Top().HasLines = true;
}

// Names the folder at the current host path, or its subfolder `host_name`.
void LeafCollector::Notice(std::vector<ImportNotice>& list, std::string_view host_name, std::string reason)
{
    std::string path = m_host_path;
    if (!host_name.empty()) {
        if (path.empty() || path.back() != HostFileSystem::Separator)
            path += HostFileSystem::Separator;
        path += host_name;
    }
    list.push_back({ std::move(path), std::move(reason) });
}

} // namespace

FolderImport CollectLeafFolders(std::string const& directory, std::size_t folder_budget)
{
    return LeafCollector(folder_budget).Collect(directory);
}

} // namespace edamaki
