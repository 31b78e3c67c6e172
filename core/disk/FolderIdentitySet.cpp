#include "core/disk/FolderIdentitySet.h"

#include <algorithm>
#include <limits>

namespace edamaki {

namespace {

// No folder has it: the device and the inode numbers of the system never both
// reach their largest value.
constexpr HostFolderIdentity Empty { std::numeric_limits<std::uint64_t>::max(),
    std::numeric_limits<std::uint64_t>::max() };

} // namespace

bool HostFolderIdentitySet::Insert(HostFolderIdentity identity)
{
    if ((m_count + 1) * 2 > m_slots.size())
        Grow();
    std::size_t const slot = SlotOf(identity);
    if (m_slots[slot] == identity)
        return false;
    m_slots[slot] = identity;
    ++m_count;
    return true;
}

bool HostFolderIdentitySet::Contains(HostFolderIdentity identity) const
{
    return !m_slots.empty() && m_slots[SlotOf(identity)] == identity;
}

std::size_t HostFolderIdentitySet::SlotOf(HostFolderIdentity identity) const
{
    std::size_t const mask = m_slots.size() - 1;
    HostFolderIdentityHash const hash;
    std::size_t slot = hash(identity) & mask;
    while (!(m_slots[slot] == identity) && !(m_slots[slot] == Empty))
        slot = (slot + 1) & mask;
    return slot;
}

void HostFolderIdentitySet::Grow()
{
    std::vector<HostFolderIdentity> old(std::max<std::size_t>(m_slots.size() * 2, 64), Empty);
    old.swap(m_slots);
    for (HostFolderIdentity const identity : old) {
        if (!(identity == Empty))
            m_slots[SlotOf(identity)] = identity;
    }
}

} // namespace edamaki
