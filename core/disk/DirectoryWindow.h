#pragma once

// The directories along a walk's current path (the creation run's, verify's,
// the import's), held open by descriptor so that each folder is looked up and
// made relative to the folder that holds it. At most a window of them stays open, the parent folder always
// among them: a tree of any depth runs with a bounded number of descriptors.
// A directory that the window closed is reopened from its nearest open
// ancestor, name by name, when the walk comes back to it, and only while each
// name still leads to the folder that was open (its device and inode, taken
// when the window closed it).

#include "core/disk/HostFileSystem.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace edamaki {

class DirectoryWindow {
public:
    // An eighth of the descriptors the process may hold, at most 64: deep
    // enough that a common tree never reopens a directory.
    static std::size_t DefaultCapacity();
    // The capacity of each of `walkers` windows of one walk side by side: a
    // quarter of the descriptors shared among them, at least 4 and at most
    // 64 each.
    static std::size_t CapacityFor(std::size_t walkers);

    DirectoryWindow(
        HostFileSystem const& file_system, LinkPolicy links, std::size_t capacity = DefaultCapacity());

    // Starts over at the parent folder (closed when it could not be opened).
    void Start(HostDirectory parent);
    // The walk goes down into a folder: its directory, or a closed one when
    // the folder is not on disk; its name is host_path[name_begin, name_end)
    // of the paths later passed to Innermost. A walk that knows the folder's
    // identity already passes it, saving the window a look when it closes
    // the folder.
    void Enter(HostDirectory directory, std::size_t name_begin, std::size_t name_end,
        std::optional<HostFolderIdentity> identity = {});
    // The walk comes back up from the innermost folder.
    void Leave();

    // The innermost folder's directory, reopened when the window closed it;
    // `host_path` begins with that folder's path. Null, with the error, when
    // it could not be reopened (FolderChangedError when the name leads to
    // another folder now) or was never open.
    HostDirectory const* Innermost(std::string_view host_path, HostError& error);

    std::size_t OpenCount() const { return m_open_count; }

private:
    struct Level {
        HostDirectory Directory;
        std::size_t NameBegin = 0;
        std::size_t NameEnd = 0;
        std::optional<HostFolderIdentity> Identity;
        // The folder was open once, so it can be opened again.
        bool Reachable = false;
    };

    void Adopt(Level& level, HostDirectory directory);
    void CloseShallowest(std::size_t below);
    bool Reopen(std::size_t target, std::string_view host_path, HostError& error);
    bool IsSameFolder(Level const& level, HostDirectory const& directory, HostError& error) const;

    HostFileSystem const& m_file_system;
    LinkPolicy const m_links;
    std::size_t const m_capacity;
    std::vector<Level> m_levels;
    std::size_t m_open_count = 0;
    // Every level from 1 up to (not including) this one is closed.
    std::size_t m_first_maybe_open = 1;
};

} // namespace edamaki
