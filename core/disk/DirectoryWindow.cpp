#include "core/disk/DirectoryWindow.h"

#include <algorithm>
#include <string>

namespace edamaki {

std::size_t DirectoryWindow::DefaultCapacity()
{
    return std::min<std::size_t>(HostFileSystem::DescriptorLimit() / 8, 64);
}

std::size_t DirectoryWindow::CapacityFor(std::size_t walkers)
{
    std::size_t const share = HostFileSystem::DescriptorLimit() / 4 / std::max<std::size_t>(walkers, 1);
    return std::clamp<std::size_t>(share, 4, 64);
}

DirectoryWindow::DirectoryWindow(HostFileSystem const& file_system, LinkPolicy links, std::size_t capacity)
    : m_file_system(file_system)
    , m_links(links)
    , m_capacity(std::max<std::size_t>(capacity, 3))
{
}

void DirectoryWindow::Start(HostDirectory parent)
{
    m_levels.clear();
    m_open_count = 0;
    m_first_maybe_open = 1;
    m_levels.emplace_back();
    Adopt(m_levels.back(), std::move(parent));
}

void DirectoryWindow::Enter(HostDirectory directory, std::size_t name_begin, std::size_t name_end,
    std::optional<HostFolderIdentity> identity)
{
    Level& level = m_levels.emplace_back();
    level.NameBegin = name_begin;
    level.NameEnd = name_end;
    level.Identity = identity;
    Adopt(level, std::move(directory));
    if (m_open_count > m_capacity)
        CloseShallowest(m_levels.size() - 1);
}

void DirectoryWindow::Leave()
{
    if (m_levels.back().Directory.IsOpen())
        --m_open_count;
    m_levels.pop_back();
    m_first_maybe_open = std::min(m_first_maybe_open, std::max<std::size_t>(m_levels.size(), 1));
}

HostDirectory const* DirectoryWindow::Innermost(std::string_view host_path, HostError& error)
{
    std::size_t const innermost = m_levels.size() - 1;
    Level const& level = m_levels[innermost];
    if (level.Directory.IsOpen())
        return &level.Directory;
    if (!level.Reachable || !Reopen(innermost, host_path, error)) {
        if (!error.IsSet())
            error = HostFileSystem::NotFoundError();
        return nullptr;
    }
    return &level.Directory;
}

void DirectoryWindow::Adopt(Level& level, HostDirectory directory)
{
    level.Reachable = directory.IsOpen();
    level.Directory = std::move(directory);
    if (level.Reachable)
        ++m_open_count;
}

// Closes the open level nearest the parent folder among levels 1 to `below`
// (not included); the parent folder stays open.
void DirectoryWindow::CloseShallowest(std::size_t below)
{
    for (std::size_t index = m_first_maybe_open; index < below; ++index) {
        Level& level = m_levels[index];
        if (level.Directory.IsOpen()) {
            // Reopened by name, it must be this folder again.
            HostFolderIdentity identity;
            if (!level.Identity && m_file_system.GetIdentity(level.Directory, identity))
                level.Identity = identity;
            level.Directory.Close();
            --m_open_count;
            m_first_maybe_open = index + 1;
            return;
        }
    }
}

// Opens the levels from the nearest open ancestor down to `target`, one name
// at a time, keeping them in the window.
bool DirectoryWindow::Reopen(std::size_t target, std::string_view host_path, HostError& error)
{
    std::size_t nearest_open = target;
    while (nearest_open > 0 && !m_levels[nearest_open].Directory.IsOpen())
        --nearest_open;
    if (!m_levels[nearest_open].Directory.IsOpen())
        return false;
    std::string name;
    for (std::size_t index = nearest_open + 1; index <= target; ++index) {
        Level& level = m_levels[index];
        name.assign(host_path.substr(level.NameBegin, level.NameEnd - level.NameBegin));
        m_file_system.ReachRacePoint(RacePoint::BeforeReopen, name.c_str());
        HostDirectory directory
            = m_file_system.OpenDirectoryAt(m_levels[index - 1].Directory, name.c_str(), m_links, error);
        if (!directory.IsOpen() || !IsSameFolder(level, directory, error))
            return false;
        level.Directory = std::move(directory);
        ++m_open_count;
        m_first_maybe_open = std::min(m_first_maybe_open, index);
        if (m_open_count > m_capacity)
            CloseShallowest(index - 1);
    }
    return true;
}

// The reopened directory is the folder the level was entered with: not
// another one renamed into its place, nor one a link swapped in leads to.
bool DirectoryWindow::IsSameFolder(Level const& level, HostDirectory const& directory, HostError& error) const
{
    HostFolderIdentity identity;
    if (level.Identity && m_file_system.GetIdentity(directory, identity) && identity == *level.Identity)
        return true;
    error = HostFileSystem::FolderChangedError();
    return false;
}

} // namespace edamaki
