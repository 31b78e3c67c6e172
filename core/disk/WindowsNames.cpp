#include "core/disk/WindowsNames.h"

#include "core/disk/HostFileSystem.h"

#include <algorithm>
#include <array>
#include <vector>

namespace edamaki {

namespace {

char UpperAscii(char character)
{
    return character >= 'a' && character <= 'z' ? static_cast<char>(character - 'a' + 'A') : character;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view upper)
{
    return text.size() == upper.size()
        && std::equal(text.begin(), text.end(), upper.begin(),
            [](char left, char right) { return UpperAscii(left) == right; });
}

// The part before the first dot, as Windows takes it to find a device.
bool IsDeviceName(std::string_view name)
{
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    constexpr std::array<std::string_view, 4> devices { "CON", "PRN", "AUX", "NUL" };
    if (std::any_of(devices.begin(), devices.end(),
            [base](std::string_view device) { return EqualsIgnoringCase(base, device); }))
        return true;
    if (base.size() != 4 || base[3] < '1' || base[3] > '9')
        return false;
    return EqualsIgnoringCase(base.substr(0, 3), "COM") || EqualsIgnoringCase(base.substr(0, 3), "LPT");
}

// UTF-16 code units of UTF-8 text: one for each character, two beyond the
// basic plane.
std::size_t Utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (char const byte : utf8) {
        auto const value = static_cast<unsigned char>(byte);
        if ((value & 0xC0) != 0x80)
            units += value >= 0xF0 ? 2 : 1;
    }
    return units;
}

} // namespace

WindowsNameIssue FindWindowsNameIssue(std::string_view host_path, std::size_t parent_size)
{
    if (host_path.size() <= parent_size)
        return WindowsNameIssue::None;
    std::size_t const name_begin = host_path.rfind('/') + 1;
    std::string_view const name = host_path.substr(std::max(name_begin, parent_size));
    if (IsDeviceName(name))
        return WindowsNameIssue::DeviceName;
    if (!name.empty() && (name.back() == '.' || name.back() == ' '))
        return WindowsNameIssue::EndsInDotOrBlank;
    // UTF-8 never has fewer bytes than UTF-16 has units: most paths are done here.
    std::string_view const below = host_path.substr(parent_size);
    if (below.size() <= WindowsPathLimit || Utf16Length(below) <= WindowsPathLimit)
        return WindowsNameIssue::None;
    std::size_t const above_end = std::max(name_begin, parent_size + 1) - 1;
    bool const above_too_long = above_end > parent_size
        && Utf16Length(host_path.substr(parent_size, above_end - parent_size)) > WindowsPathLimit;
    return above_too_long ? WindowsNameIssue::None : WindowsNameIssue::PathTooLong;
}

void ForEachWindowsNameIssue(FolderTree const& tree, HostNameConverter& names,
    std::function<void(std::string const& host_path, WindowsNameIssue issue)> const& found)
{
    std::string path;
    if (!tree.HasRoot() || !names.AppendHostText(tree.GetRootPath(), path))
        return;
    std::size_t const parent_size = path.size();
    // The end of each level's path, the parent folder's first; a level
    // without a host spelling holds npos.
    std::vector<std::size_t> ends { parent_size };
    tree.WalkDescendants(tree.Root(), [&](NodeId node, int depth) {
        ends.resize(static_cast<std::size_t>(depth));
        std::size_t const above = ends.back();
        if (above == std::string::npos) {
            ends.push_back(above);
            return;
        }
        path.resize(above);
        if (above > parent_size)
            path += HostFileSystem::Separator;
        bool const known = names.AppendHostText(tree.Name(node), path);
        ends.push_back(known ? path.size() : std::string::npos);
        if (!known)
            return;
        if (WindowsNameIssue const issue = FindWindowsNameIssue(path, parent_size);
            issue != WindowsNameIssue::None)
            found(path, issue);
    });
}

} // namespace edamaki
