#include "core/tree/NameIndex.h"

namespace edamaki {

std::size_t NameIndex::TableSizeFor(std::size_t children)
{
    std::size_t size = 16;
    while (size < children * 4)
        size *= 2;
    return size;
}

void NameIndex::Erase(std::size_t slot)
{
    std::size_t const mask = m_slots.size() - 1;
    std::size_t hole = slot;
    for (std::size_t probe = (hole + 1) & mask; m_slots[probe].Entry != NoId; probe = (probe + 1) & mask) {
        // An entry stays when its home slot lies after the hole, up to the
        // entry itself (on the ring of slots): moving it back would put it
        // before its home, where no lookup looks.
        std::size_t const home = m_slots[probe].Hash & mask;
        bool const stays = hole <= probe ? (home > hole && home <= probe) : (home > hole || home <= probe);
        if (stays)
            continue;
        m_slots[hole] = m_slots[probe];
        hole = probe;
    }
    m_slots[hole] = Slot {};
}

} // namespace edamaki
