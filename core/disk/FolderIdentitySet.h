#pragma once

// The folders a walk has seen, by identity: an open-addressing set (linear
// probing, at most half full) of plain records, nothing allocated per folder.
// A walk over many thousands of folders asks it once per folder, so it
// stays a flat array rather than a node per member.

#include "core/disk/HostFileSystem.h"

#include <cstddef>
#include <vector>

namespace edamaki {

class HostFolderIdentitySet {
public:
    // False when the folder was in the set already.
    bool Insert(HostFolderIdentity identity);
    bool Contains(HostFolderIdentity identity) const;
    std::size_t Size() const { return m_count; }

private:
    // The slot that holds `identity`, or the empty one where it goes.
    std::size_t SlotOf(HostFolderIdentity identity) const;
    void Grow();

    std::vector<HostFolderIdentity> m_slots;
    std::size_t m_count = 0;
};

} // namespace edamaki
