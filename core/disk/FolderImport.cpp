#include "core/disk/FolderImport.h"

#include "core/disk/HostFileSystem.h"
#include "core/text/ShiftJis.h"

#include <algorithm>
#include <dirent.h>
#include <locale.h>
#include <string_view>
#include <sys/stat.h>
#include <unordered_set>
#include <wchar.h>
#include <wctype.h>

namespace edamaki {

namespace {

constexpr char const* UnwritableNameReason = "the name holds a character that a source cannot hold";
constexpr char const* BlankEdgeReason = "the name begins or ends with a blank, which a source would lose";
constexpr char const* CommentNameReason = "a top-level name beginning with \";\" would read as a comment";
constexpr char const* LoopReason = "a link back to a folder above it";

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

struct Subfolder {
    std::string HostName;
    std::string ShiftJisName;
};

struct Leaf {
    std::string Line;             // Shift-JIS, parts joined by "\"
    std::string HostRelativePath; // the same path in the host's encoding, parts joined by "/"
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
    for (std::size_t offset = 0; offset < text.size();) {
        auto const lead = static_cast<unsigned char>(text[offset]);
        std::size_t length = 1;
        char32_t code = lead;
        if (lead >= 0xF0) {
            length = 4;
            code = lead & 0x07;
        } else if (lead >= 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xC0) {
            length = 2;
            code = lead & 0x1F;
        }
        for (std::size_t index = 1; index < length && offset + index < text.size(); ++index)
            code = (code << 6) | (static_cast<unsigned char>(text[offset + index]) & 0x3F);
        result += static_cast<wchar_t>(code);
        offset += length;
    }
    return result;
}

// The order of the lines: part by part, case-insensitive in the user's
// locale, ties broken case-sensitively so that twins that differ only in case
// both stay, next to each other.
class LineOrder {
public:
    struct Key {
        std::vector<std::wstring> Folded;
        std::vector<std::string_view> Exact;
    };

    explicit LineOrder(locale_t locale)
        : m_locale(locale)
    {
    }

    Key MakeKey(std::string_view host_relative_path) const
    {
        Key key;
        std::vector<std::string_view> parts;
        SplitAt(host_relative_path, HostFileSystem::Separator, parts);
        for (std::string_view const part : parts) {
            std::wstring folded = DecodeUtf8(part);
            for (wchar_t& character : folded)
                character = static_cast<wchar_t>(towlower_l(static_cast<wint_t>(character), m_locale));
            key.Folded.push_back(Transform(folded));
            key.Exact.push_back(part);
        }
        return key;
    }

    // Part by part, so that a folder's lines stay together even beside a
    // case twin: A\Y, A\z, a\y.
    static bool IsBefore(Key const& left, Key const& right)
    {
        std::size_t const common = std::min(left.Folded.size(), right.Folded.size());
        for (std::size_t index = 0; index < common; ++index) {
            if (int const order = left.Folded[index].compare(right.Folded[index]))
                return order < 0;
            if (int const order = left.Exact[index].compare(right.Exact[index]))
                return order < 0;
        }
        return left.Folded.size() < right.Folded.size();
    }

private:
    std::wstring Transform(std::wstring const& text) const
    {
        std::wstring result(text.size() * 4 + 8, L'\0');
        std::size_t length = wcsxfrm_l(result.data(), text.c_str(), result.size(), m_locale);
        if (length >= result.size()) {
            result.assign(length + 1, L'\0');
            length = wcsxfrm_l(result.data(), text.c_str(), result.size(), m_locale);
        }
        result.resize(length);
        return result;
    }

    locale_t m_locale;
};

class LeafCollector {
public:
    FolderImport Collect(std::string const& directory);

private:
    struct Frame {
        std::vector<Subfolder> Subfolders;
        std::size_t Next = 0;
        std::size_t HostPathSize = 0;
        std::size_t LineSize = 0;
        std::size_t HostRelativeSize = 0;
        DirectoryId Id {};
    };

    bool ListSubfolders(Frame& frame, bool top_level);
    char const* CheckName(std::string_view host_name, std::string& shift_jis_name, bool top_level);
    void LeaveOut(std::string_view host_name, char const* reason);
    void AddLeaf();

    HostNameConverter m_names;
    FolderImport m_result;
    std::vector<Leaf> m_leaves;
    std::unordered_set<DirectoryId, DirectoryIdHash> m_current_path;
    std::string m_host_path;
    std::string m_line;
    std::string m_host_relative_path;
};

FolderImport LeafCollector::Collect(std::string const& directory)
{
    m_host_path = directory;
    std::vector<Frame> pending(1);
    if (!ListSubfolders(pending.back(), true))
        return {};
    m_result.Readable = true;
    if (pending.back().Subfolders.empty())
        AddLeaf();
    else
        m_current_path.insert(pending.back().Id);

    while (!pending.empty() && !pending.back().Subfolders.empty()) {
        Frame& frame = pending.back();
        if (frame.Next == frame.Subfolders.size()) {
            m_current_path.erase(frame.Id);
            pending.pop_back();
            continue;
        }
        Subfolder const& subfolder = frame.Subfolders[frame.Next++];
        m_host_path.resize(frame.HostPathSize);
        if (m_host_path.empty() || m_host_path.back() != HostFileSystem::Separator)
            m_host_path += HostFileSystem::Separator;
        m_host_path += subfolder.HostName;
        m_line.resize(frame.LineSize);
        m_host_relative_path.resize(frame.HostRelativeSize);
        if (!m_line.empty()) {
            m_line += '\\';
            m_host_relative_path += HostFileSystem::Separator;
        }
        m_line += subfolder.ShiftJisName;
        m_host_relative_path += subfolder.HostName;

        Frame child;
        // A folder that can't be listed, like one without subfolders, is a leaf.
        if (!ListSubfolders(child, false) || child.Subfolders.empty()) {
            AddLeaf();
            continue;
        }
        m_current_path.insert(child.Id);
        pending.push_back(std::move(child));
    }

    LocaleHandle const locale;
    LineOrder const order(locale.Get());
    std::vector<std::pair<LineOrder::Key, std::size_t>> keys;
    keys.reserve(m_leaves.size());
    for (std::size_t index = 0; index < m_leaves.size(); ++index)
        keys.emplace_back(order.MakeKey(m_leaves[index].HostRelativePath), index);
    std::sort(keys.begin(), keys.end(),
        [](auto const& left, auto const& right) { return LineOrder::IsBefore(left.first, right.first); });
    for (auto const& key : keys) {
        std::string& line = m_leaves[key.second].Line;
        if (m_result.Lines.empty() || m_result.Lines.back() != line)
            m_result.Lines.push_back(std::move(line));
    }
    return std::move(m_result);
}

// Lists the folder at m_host_path: its subfolders that a source can hold, in
// the order the file system gives them. False when it can't be listed.
bool LeafCollector::ListSubfolders(Frame& frame, bool top_level)
{
    DIR* const directory = ::opendir(m_host_path.c_str());
    if (!directory)
        return false;
    int const descriptor = ::dirfd(directory);
    struct stat status;
    if (::fstat(descriptor, &status) != 0) {
        ::closedir(directory);
        return false;
    }
    frame.Id = { status.st_dev, status.st_ino };
    frame.HostPathSize = m_host_path.size();
    frame.LineSize = m_line.size();
    frame.HostRelativeSize = m_host_relative_path.size();

    std::string shift_jis_name;
    while (dirent const* const entry = ::readdir(directory)) {
        std::string_view const name = entry->d_name;
        // Hidden: a name that begins with "." ("." and ".." among them).
        if (name.starts_with('.'))
            continue;
        if (entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
            continue;
        // Follows links: a link to a folder counts as a folder.
        if (::fstatat(descriptor, entry->d_name, &status, 0) != 0 || !S_ISDIR(status.st_mode))
            continue;
        DirectoryId const id { status.st_dev, status.st_ino };
        if (id == frame.Id || m_current_path.contains(id)) {
            LeaveOut(name, LoopReason);
            continue;
        }
        if (char const* const reason = CheckName(name, shift_jis_name, top_level)) {
            LeaveOut(name, reason);
            continue;
        }
        frame.Subfolders.push_back({ std::string(name), shift_jis_name });
    }
    ::closedir(directory);
    return true;
}

// Why a folder's name can't stand in a text-mode source, or nullptr; sets its
// Shift-JIS form when it can.
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
    if (TrimBlanks(shift_jis_name).size() != shift_jis_name.size())
        return BlankEdgeReason;
    if (top_level && shift_jis_name.front() == ';')
        return CommentNameReason;
    return nullptr;
}

void LeafCollector::LeaveOut(std::string_view host_name, char const* reason)
{
    std::string path = m_host_path;
    if (path.empty() || path.back() != HostFileSystem::Separator)
        path += HostFileSystem::Separator;
    path += host_name;
    m_result.LeftOut.push_back(std::move(path));
    m_result.LeftOutReasons.emplace_back(reason);
}

void LeafCollector::AddLeaf()
{
    m_leaves.push_back({ m_line, m_host_relative_path });
}

} // namespace

FolderImport CollectLeafFolders(std::string const& directory)
{
    return LeafCollector().Collect(directory);
}

} // namespace edamaki
