#include "core/tree/ChildLists.h"

namespace edamaki {

void ChildLists::Clear()
{
    m_used = 0;
    m_free.fill(NoBlock);
}

void ChildLists::Fit(std::size_t children)
{
    std::size_t const wanted = children * SlotsPerChild;
    // The slots past the ones in use hold nothing needed: a store far larger
    // than wanted drops them before it gives back its room.
    if (m_slots.capacity() / 4 > wanted)
        m_slots.resize(m_used);
    FitPoolCapacity(m_slots, wanted);
}

bool ChildLists::Grow(List& list)
{
    bool const first = list.Block() == NoBlock;
    if (!first && list.Count() >= MostChildren)
        return false;
    // A folder that has children mostly has more than one.
    return MoveTo(list, first ? 1 : list.CapacityShift() + 1);
}

bool ChildLists::MakeRoom(List& list, std::size_t capacity)
{
    if (list.Block() != NoBlock && capacity <= Capacity(list))
        return true;
    unsigned int shift = 1;
    while ((std::size_t(1) << shift) < capacity)
        ++shift;
    return MoveTo(list, shift);
}

bool ChildLists::MoveTo(List& list, unsigned int shift)
{
    std::uint32_t const block = Allocate(shift);
    if (block == NoBlock)
        return false;
    if (list.Block() != NoBlock) {
        std::copy_n(m_slots.begin() + list.Block(), list.Count(), m_slots.begin() + block);
        Release(list.Block(), list.CapacityShift());
    }
    list.Move(block, shift);
    return true;
}

std::uint32_t ChildLists::Allocate(unsigned int shift)
{
    if (std::uint32_t const waiting = m_free[shift]; waiting != NoBlock) {
        m_free[shift] = static_cast<std::uint32_t>(m_slots[waiting]);
        return waiting;
    }
    std::size_t const block = m_used;
    std::size_t const size = BlockSize(shift);
    if (size >= NoBlock || block + size >= NoBlock)
        return NoBlock;
    m_used = block + size;
    if (m_used > m_slots.size())
        m_slots.resize(m_used);
    return static_cast<std::uint32_t>(block);
}

void ChildLists::Release(std::uint32_t block, unsigned int shift)
{
    m_slots[block] = static_cast<Id>(m_free[shift]);
    m_free[shift] = block;
}

} // namespace edamaki
