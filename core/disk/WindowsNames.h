#pragma once

// Folder names this host takes but Windows clients of a share can't open:
// the device names, a name that ends in a dot or a blank, a path too long
// for most Windows programs. They are legal here, so a run makes them; the
// front ends name them so that nobody is surprised on the other side.

#include "core/tree/FolderTree.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace edamaki {

class HostNameConverter;

enum class WindowsNameIssue : std::uint8_t {
    None,
    DeviceName,       // CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, with or without an extension
    EndsInDotOrBlank, // Windows drops the dot or blank, and finds another name or none
    PathTooLong,      // the path below the parent folder passes WindowsPathLimit here
};

// Characters (UTF-16 code units, as Windows counts them) a path below the
// parent folder may have before most Windows programs can't open it.
inline constexpr std::size_t WindowsPathLimit = 260;

// What keeps Windows clients from opening the folder at `host_path` (UTF-8,
// "/" between names), whose first `parent_size` bytes are the parent folder
// and its separator. A path that is too long is named at the folder where it
// passes the limit, not again at each folder below.
WindowsNameIssue FindWindowsNameIssue(std::string_view host_path, std::size_t parent_size);

// Calls `found` with the host path of each folder of the tree that Windows
// clients could not open, in the order a run makes them; a folder whose name
// has no host spelling, and what is below it, is passed over.
void ForEachWindowsNameIssue(FolderTree const& tree, HostNameConverter& names,
    std::function<void(std::string const& host_path, WindowsNameIssue issue)> const& found);

} // namespace edamaki
