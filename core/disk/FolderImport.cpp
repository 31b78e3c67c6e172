#include "core/disk/FolderImport.h"

#include "core/disk/HostFileSystem.h"
#include "core/text/ShiftJis.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
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

struct DirectoryIdHash {
    std::size_t operator()(DirectoryId const& id) const
    {
        return std::hash<unsigned long long>()(static_cast<unsigned long long>(id.Inode) * 1000003u
            ^ static_cast<unsigned long long>(id.Device));
    }
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

// Decodes UTF-8 (the names are known to be well formed) into wide characters.
std::wstring DecodeUtf8(std::string_view text)
{
    std::wstring result;
    result.reserve(text.size());
    std::size_t length = 0;
    for (std::size_t offset = 0; offset < text.size(); offset += length)
        result += static_cast<wchar_t>(DecodeUtf8Character(text, offset, length));
    return result;
}

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

    // The name's collation key in the user's locale, case folded.
    std::wstring FoldedKey(std::string_view host_name) const
    {
        std::wstring folded = DecodeUtf8(host_name);
        for (wchar_t& character : folded)
            character = static_cast<wchar_t>(towlower_l(static_cast<wint_t>(character), m_locale));
        std::wstring result(folded.size() * 4 + 8, L'\0');
        std::size_t length = wcsxfrm_l(result.data(), folded.c_str(), result.size(), m_locale);
        if (length >= result.size()) {
            result.assign(length + 1, L'\0');
            length = wcsxfrm_l(result.data(), folded.c_str(), result.size(), m_locale);
        }
        result.resize(length);
        return result;
    }

private:
    locale_t m_locale;
};

struct Subfolder {
    std::string HostName;
    std::string ShiftJisName;
    std::wstring FoldedKey;

    bool operator<(Subfolder const& other) const
    {
        if (int const order = FoldedKey.compare(other.FoldedKey))
            return order < 0;
        return HostName < other.HostName;
    }
};

// An open directory, closed with the object.
class DirectoryStream {
public:
    DirectoryStream() = default;
    explicit DirectoryStream(DIR* stream)
        : m_stream(stream)
    {
    }
    ~DirectoryStream() { Close(); }
    DirectoryStream(DirectoryStream&& other) noexcept
        : m_stream(std::exchange(other.m_stream, nullptr))
    {
    }
    DirectoryStream& operator=(DirectoryStream&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_stream = std::exchange(other.m_stream, nullptr);
        }
        return *this;
    }

    bool IsOpen() const { return m_stream != nullptr; }
    DIR* Get() const { return m_stream; }
    int Descriptor() const { return ::dirfd(m_stream); }
    void Close()
    {
        if (m_stream)
            ::closedir(std::exchange(m_stream, nullptr));
    }

private:
    DIR* m_stream = nullptr;
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
// from the nearest open one, when its next subfolder is due.
class LeafCollector {
public:
    explicit LeafCollector(std::size_t folder_budget);

    FolderImport Collect(std::string const& directory);

private:
    struct Frame {
        DirectoryStream Stream;
        DirectoryId Id {};
        std::vector<Subfolder> Subfolders;
        std::size_t Next = 0;
        std::size_t HostPathSize = 0;
        std::size_t LineSize = 0;
        // A line was written for a folder below it: it is not a leaf.
        bool HasLines = false;
    };

    static constexpr std::size_t MostOpenFolders = 64;

    void Walk();
    void EnterSubfolder(Subfolder const& subfolder);
    // Opens the subfolder `name` of the folder at the top of the walk; sets
    // `reason` when it can't.
    DirectoryStream OpenSubfolder(std::string const& name, std::string& reason);
    bool IdentifyFolder(Frame& frame);
    bool ListSubfolders(Frame& frame, bool top_level);
    bool AcceptEntry(int containing, dirent const& entry, bool top_level, Subfolder& subfolder);
    char const* CheckName(std::string_view host_name, std::string& shift_jis_name, bool top_level);
    bool LeadsInside(int containing, char const* name) const;
    int EnsureOpen(std::size_t frame_index, std::string& reason);
    void LimitOpenFolders();
    bool AddLeaf();
    void LeaveFolder();
    void Notice(std::vector<ImportNotice>& list, std::string_view host_name, std::string reason);

    std::size_t const m_folder_budget;
    std::size_t m_folder_count = 0;
    HostNameConverter m_names;
    LocaleHandle const m_locale;
    NameOrder const m_order;
    FolderImport m_result;
    std::vector<Frame> m_pending;
    std::unordered_set<DirectoryId, DirectoryIdHash> m_visited;
    std::unordered_set<DirectoryId, DirectoryIdHash> m_current_path;
    std::string m_host_path;
    std::string m_line;
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
    Frame top;
    top.Stream = DirectoryStream(::opendir(directory.c_str()));
    if (!top.Stream.IsOpen() || !IdentifyFolder(top))
        return {};
    m_real_root = RealPathOf(top.Stream.Descriptor());
    if (!ListSubfolders(top, true))
        return {};
    m_visited.insert(top.Id);
    m_current_path.insert(top.Id);
    m_result.Readable = true;
    if (top.Subfolders.empty()) {
        AddLeaf();
        return std::move(m_result);
    }
    m_pending.push_back(std::move(top));
    Walk();
    if (m_result.Truncated)
        m_result.Lines.clear();
    return std::move(m_result);
}

void LeafCollector::Walk()
{
    while (!m_pending.empty() && !m_result.Truncated) {
        Frame& frame = m_pending.back();
        if (frame.Next == frame.Subfolders.size()) {
            LeaveFolder();
            continue;
        }
        Subfolder const& subfolder = frame.Subfolders[frame.Next++];
        m_host_path.resize(frame.HostPathSize);
        if (m_host_path.empty() || m_host_path.back() != HostFileSystem::Separator)
            m_host_path += HostFileSystem::Separator;
        m_host_path += subfolder.HostName;
        m_line.resize(frame.LineSize);
        if (!m_line.empty())
            m_line += '\\';
        m_line += subfolder.ShiftJisName;
        EnterSubfolder(subfolder);
    }
}

// The paths name the subfolder. Lists it, or makes it a leaf line when it has
// no subfolders (or can't be read), or leaves it out when it is a folder seen
// before.
void LeafCollector::EnterSubfolder(Subfolder const& subfolder)
{
    std::string reason;
    Frame child;
    child.Stream = OpenSubfolder(subfolder.HostName, reason);
    if (!child.Stream.IsOpen() || !IdentifyFolder(child)) {
        // The folder is there (it was listed) but can't be read: a leaf.
        AddLeaf();
        Notice(m_result.Unreadable, {}, reason.empty() ? HostFileSystem::DescribeError({ errno }) : reason);
        return;
    }
    if (m_current_path.contains(child.Id)) {
        Notice(m_result.LeftOut, {}, LoopReason);
        return;
    }
    if (!m_visited.insert(child.Id).second) {
        Notice(m_result.LeftOut, {}, ListedAlreadyReason);
        return;
    }
    if (!ListSubfolders(child, false)) {
        AddLeaf();
        Notice(m_result.Unreadable, {}, HostFileSystem::DescribeError({ errno }));
        return;
    }
    if (child.Subfolders.empty()) {
        AddLeaf();
        return;
    }
    m_current_path.insert(child.Id);
    m_pending.push_back(std::move(child));
    LimitOpenFolders();
}

DirectoryStream LeafCollector::OpenSubfolder(std::string const& name, std::string& reason)
{
    int const containing = EnsureOpen(m_pending.size() - 1, reason);
    if (containing < 0)
        return {};
    int const descriptor = ::openat(containing, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* const stream = descriptor >= 0 ? ::fdopendir(descriptor) : nullptr;
    if (!stream) {
        reason = HostFileSystem::DescribeError({ errno });
        if (descriptor >= 0)
            ::close(descriptor);
    }
    return DirectoryStream(stream);
}

// Sets the frame's identity: its device and inode.
bool LeafCollector::IdentifyFolder(Frame& frame)
{
    struct stat status;
    if (::fstat(frame.Stream.Descriptor(), &status) != 0)
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
    ::rewinddir(frame.Stream.Get());
    Subfolder subfolder;
    for (;;) {
        // Only readdir's own failure counts: the calls that look at an entry
        // (a dangling link, say) may leave errno set.
        errno = 0;
        dirent const* const entry = ::readdir(frame.Stream.Get());
        if (!entry) {
            if (errno != 0)
                return false;
            break;
        }
        if (!AcceptEntry(frame.Stream.Descriptor(), *entry, top_level, subfolder))
            continue;
        if (++m_folder_count > m_folder_budget) {
            m_result.Truncated = true;
            break;
        }
        subfolder.FoldedKey = m_order.FoldedKey(subfolder.HostName);
        frame.Subfolders.push_back(std::move(subfolder));
    }
    std::sort(frame.Subfolders.begin(), frame.Subfolders.end());
    return true;
}

// A directory entry that is a subfolder a source can hold; names the ones left out.
bool LeafCollector::AcceptEntry(int containing, dirent const& entry, bool top_level, Subfolder& subfolder)
{
    std::string_view const name = entry.d_name;
    // Hidden: a name that begins with "." ("." and ".." among them).
    if (name.starts_with('.'))
        return false;
    if (entry.d_type != DT_DIR && entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    if (entry.d_type != DT_DIR) {
        // Follows links: a link to a folder counts as a folder, unless the
        // folder it leads to is listed in its own place.
        struct stat status;
        if (::fstatat(containing, entry.d_name, &status, 0) != 0 || !S_ISDIR(status.st_mode))
            return false;
        if (::fstatat(containing, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode)
            && LeadsInside(containing, entry.d_name)) {
            Notice(m_result.LeftOut, name, InsideLinkReason);
            return false;
        }
    }
    if (char const* const reason = CheckName(name, subfolder.ShiftJisName, top_level)) {
        Notice(m_result.LeftOut, name, reason);
        return false;
    }
    subfolder.HostName.assign(name);
    return true;
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

// Why a folder's name can't stand in a text-mode source, or nullptr; sets its
// Shift-JIS form when it can. A blank at the end of a name is lost only when
// the name ends a line, which AddLeaf checks.
char const* LeafCollector::CheckName(std::string_view host_name, std::string& shift_jis_name, bool top_level)
{
    shift_jis_name.clear();
    // The name must come back unchanged: some characters only go one way
    // (the yen sign would become a backslash).
    std::string round_trip;
    if (!m_names.AppendShiftJisText(host_name, shift_jis_name)
        || !m_names.AppendHostText(shift_jis_name, round_trip) || round_trip != host_name)
        return UnwritableNameReason;
    if (!IsValidFolderName(shift_jis_name))
        return UnwritableNameReason;
    for (char const character : shift_jis_name) {
        if (static_cast<unsigned char>(character) < 0x20 || character == 0x7F)
            return UnwritableNameReason;
    }
    if (top_level && shift_jis_name.front() == ';')
        return CommentNameReason;
    if (top_level && shift_jis_name.front() == ' ')
        return BlankEdgeReason;
    return nullptr;
}

// The descriptor of the folder of frame `frame_index`, opening it again when
// it was closed: from the nearest open ancestor, one name at a time (the top
// folder is never closed). -1 with `reason` set when it can't be opened or is
// no longer the folder it was.
int LeafCollector::EnsureOpen(std::size_t frame_index, std::string& reason)
{
    std::size_t open = frame_index;
    while (!m_pending[open].Stream.IsOpen())
        --open;
    for (std::size_t index = open + 1; index <= frame_index; ++index) {
        Frame const& above = m_pending[index - 1];
        Frame& frame = m_pending[index];
        std::string const& name = above.Subfolders[above.Next - 1].HostName;
        int const descriptor
            = ::openat(above.Stream.Descriptor(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0) {
            reason = HostFileSystem::DescribeError({ errno });
            return -1;
        }
        frame.Stream = DirectoryStream(::fdopendir(descriptor));
        if (!frame.Stream.IsOpen()) {
            reason = HostFileSystem::DescribeError({ errno });
            ::close(descriptor);
            return -1;
        }
        DirectoryId const expected = frame.Id;
        if (!IdentifyFolder(frame) || frame.Id != expected) {
            frame.Id = expected;
            reason = ChangedReason;
            return -1;
        }
    }
    return m_pending[frame_index].Stream.Descriptor();
}

// Keeps at most MostOpenFolders folders of the path open: the top one and
// the deepest.
void LeafCollector::LimitOpenFolders()
{
    if (m_pending.size() <= MostOpenFolders)
        return;
    m_pending[m_pending.size() - MostOpenFolders].Stream.Close();
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
    if (!m_pending.empty())
        m_pending.back().HasLines = true;
    return true;
}

// Ends the folder at the top of the walk. A folder whose subfolders were all
// left out is a leaf after all.
void LeafCollector::LeaveFolder()
{
    Frame const& frame = m_pending.back();
    bool const is_leaf = !frame.HasLines;
    m_current_path.erase(frame.Id);
    m_host_path.resize(frame.HostPathSize);
    m_line.resize(frame.LineSize);
    m_pending.pop_back();
    if (is_leaf)
        AddLeaf();
    else if (!m_pending.empty())
        m_pending.back().HasLines = true;
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
