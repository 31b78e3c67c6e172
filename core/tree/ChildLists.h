#pragma once

// The children of every folder of a tree, in one store of ids. Each folder's
// children stand in order in one block of the store, so the row-th child and
// the number of children are at hand at once, and the folder itself keeps only
// a List: where its block is and how many children it holds (8 bytes).
//
// A block's capacity is a power of two, two at first. A full list moves to a
// block twice as large, and the block it leaves waits for the next list that needs one of
// its size. A block of IndexedCapacity or more also holds, after the
// children, an index of their names: an open-addressing table (linear
// probing, twice as many slots as the block holds children, so at most half
// full) of the first child of each name. A folder with few children is
// faster to scan than to hash. The names stay with the owner of the lists,
// which passes a function that gives the name of an id.

#include "core/tree/PoolCapacity.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace edamaki {

class ChildLists {
public:
    using Id = std::int32_t;
    static constexpr Id NoId = -1;
    static constexpr std::uint32_t NoBlock = UINT32_MAX;
    static constexpr std::uint32_t MostChildren = (std::uint32_t(1) << 27) - 1;
    static constexpr std::uint32_t IndexedCapacity = 16;

    // Where a folder's children stand and how many there are. The count and
    // the block's capacity share one word, read and written whole.
    class List {
    public:
        std::uint32_t Block() const { return m_block; }
        std::uint32_t Count() const { return m_packed & MostChildren; }
        unsigned int CapacityShift() const { return m_packed >> ShiftPosition; }

    private:
        friend class ChildLists;
        static constexpr unsigned int ShiftPosition = 27;

        void SetCount(std::uint32_t count) { m_packed = (m_packed & ~MostChildren) | count; }
        void Move(std::uint32_t block, unsigned int shift)
        {
            m_block = block;
            m_packed = (m_packed & MostChildren) | (shift << ShiftPosition);
        }

        std::uint32_t m_block = NoBlock;
        std::uint32_t m_packed = 0;
    };

    ChildLists() { m_free.fill(NoBlock); }

    // Forgets every list; their owners forget theirs.
    void Clear();
    // Room for lists of about `children` children in all (see FitPoolCapacity).
    void Fit(std::size_t children);

    std::span<Id const> Items(List list) const
    {
        if (list.Count() == 0)
            return {};
        return { m_slots.data() + list.Block(), list.Count() };
    }

    static bool IsIndexed(List list) { return list.Block() != NoBlock && Capacity(list) >= IndexedCapacity; }

    // What a lookup found: the first child of the name, or, when there is
    // none, where a child of that name goes in the index (NoSlot when the
    // list has no index, or no room, so that an append moves it).
    static constexpr std::size_t NoSlot = SIZE_MAX;
    struct Lookup {
        Id Found = NoId;
        std::size_t Slot = NoSlot;
    };

    // The first child named `name`, or NoId.
    template<typename NameOf> Id Find(List list, std::string_view name, NameOf const& name_of) const
    {
        return Look(list, name, name_of).Found;
    }

    template<typename NameOf> Lookup Look(List list, std::string_view name, NameOf const& name_of) const
    {
        if (!IsIndexed(list)) {
            for (Id const child : Items(list)) {
                if (name_of(child) == name)
                    return { child };
            }
            return {};
        }
        std::span<Id const> const table = Table(list);
        std::size_t const slot = SlotOfName(table, HashOf(name), name, name_of);
        if (table[slot] != NoId)
            return { table[slot] };
        return { NoId, list.Count() == Capacity(list) ? NoSlot : slot };
    }

    // Appends `child`, whose name `name_of` gives already; `slot` is where a
    // Look for its name, with no change to the list since, said it goes.
    // False when the list holds MostChildren or the store is full.
    template<typename NameOf>
    bool Append(List& list, Id child, NameOf const& name_of, std::size_t slot = NoSlot)
    {
        bool const moved = list.Block() == NoBlock || list.Count() == Capacity(list);
        if (moved && !Grow(list))
            return false;
        m_slots[list.Block() + list.Count()] = child;
        list.SetCount(list.Count() + 1);
        if (moved)
            Reindex(list, name_of);
        else if (slot != NoSlot)
            Table(list)[slot] = child;
        else if (IsIndexed(list))
            Insert(Table(list), child, name_of);
        return true;
    }

    // Takes `child` out of the list. Its index entry passes to the next child
    // of the same name, or leaves the index; the rest of the index stays, so
    // that removing children one by one from a large folder stays cheap.
    template<typename NameOf> void Remove(List& list, Id child, NameOf const& name_of)
    {
        if (list.Count() == 0)
            return;
        Id* const items = m_slots.data() + list.Block();
        Id* const end = items + list.Count();
        Id* const position = std::find(items, end, child);
        if (position == end)
            return;
        std::copy(position + 1, end, position);
        list.SetCount(list.Count() - 1);
        if (!IsIndexed(list))
            return;
        std::span<Id> const table = Table(list);
        std::string_view const name = name_of(child);
        std::size_t const slot = Probe(table, HashOf(name), [&](Id entry) { return entry == child; });
        if (table[slot] != child)
            return; // a later child of a name that an earlier child holds
        for (Id const* sibling = position; sibling != end - 1; ++sibling) {
            if (name_of(*sibling) == name) {
                table[slot] = *sibling;
                return;
            }
        }
        Erase(table, slot, name_of);
    }

    // Puts `children` (whose names `name_of` gives) before the child at
    // `row`, or at the end when `row` is the count. False when the list would
    // hold more than MostChildren or the store is full.
    template<typename NameOf>
    bool InsertAt(List& list, std::size_t row, std::span<Id const> children, NameOf const& name_of)
    {
        if (children.empty())
            return true;
        std::size_t const count = list.Count();
        if (count + children.size() > MostChildren || !MakeRoom(list, count + children.size()))
            return false;
        Id* const items = m_slots.data() + list.Block();
        std::copy_backward(items + row, items + count, items + count + children.size());
        std::copy(children.begin(), children.end(), items + row);
        list.SetCount(static_cast<std::uint32_t>(count + children.size()));
        Reindex(list, name_of);
        return true;
    }

    // Takes `count` children from `row` on out of the list.
    template<typename NameOf>
    void RemoveAt(List& list, std::size_t row, std::size_t count, NameOf const& name_of)
    {
        if (count == 0)
            return;
        Id* const items = m_slots.data() + list.Block();
        std::copy(items + row + count, items + list.Count(), items + row);
        list.SetCount(static_cast<std::uint32_t>(list.Count() - count));
        Reindex(list, name_of);
    }

    // A child of the list has a new name.
    template<typename NameOf> void Renamed(List list, NameOf const& name_of)
    {
        if (list.Block() != NoBlock)
            Reindex(list, name_of);
    }

private:
    // Slots reserved ahead per child: a block is at most twice its children,
    // and an indexed one carries a table twice as large again.
    static constexpr std::size_t SlotsPerChild = 4;

    static std::uint32_t Capacity(List list) { return std::uint32_t(1) << list.CapacityShift(); }
    static std::size_t BlockSize(unsigned int shift)
    {
        std::size_t const capacity = std::size_t(1) << shift;
        return capacity >= IndexedCapacity ? capacity * 3 : capacity;
    }

    std::span<Id> Table(List list)
    {
        return { m_slots.data() + list.Block() + Capacity(list), std::size_t(Capacity(list)) * 2 };
    }
    std::span<Id const> Table(List list) const
    {
        return { m_slots.data() + list.Block() + Capacity(list), std::size_t(Capacity(list)) * 2 };
    }

    // Moves the list to a block twice as large (the first block holds two).
    bool Grow(List& list);
    // Moves the list, when it must, to a block that holds `capacity` children.
    bool MakeRoom(List& list, std::size_t capacity);
    // Moves the list to a new block of capacity 1 << `shift`.
    bool MoveTo(List& list, unsigned int shift);
    std::uint32_t Allocate(unsigned int shift);
    void Release(std::uint32_t block, unsigned int shift);

    static std::size_t HashOf(std::string_view name) { return std::hash<std::string_view> {}(name); }

    // The slot of the first entry that `matches` on the probe run from
    // `hash`, or the empty slot that ends the run.
    template<typename Matches>
    static std::size_t Probe(std::span<Id const> table, std::size_t hash, Matches const& matches)
    {
        std::size_t const mask = table.size() - 1;
        for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
            Id const entry = table[index];
            if (entry == NoId || matches(entry))
                return index;
        }
    }

    template<typename NameOf>
    static std::size_t SlotOfName(
        std::span<Id const> table, std::size_t hash, std::string_view name, NameOf const& name_of)
    {
        return Probe(table, hash, [&](Id entry) { return name_of(entry) == name; });
    }

    // Adds `child` unless a child of the same name is in the table already.
    template<typename NameOf> static void Insert(std::span<Id> table, Id child, NameOf const& name_of)
    {
        std::string_view const name = name_of(child);
        std::size_t const slot = SlotOfName(table, HashOf(name), name, name_of);
        if (table[slot] == NoId)
            table[slot] = child;
    }

    // Builds the index of an indexed list afresh.
    template<typename NameOf> void Reindex(List list, NameOf const& name_of)
    {
        if (!IsIndexed(list))
            return;
        std::span<Id> const table = Table(list);
        std::fill(table.begin(), table.end(), NoId);
        for (Id const child : Items(list))
            Insert(table, child, name_of);
    }

    // Empties a slot, moving later entries of its probe run back so that
    // every lookup still reaches them.
    template<typename NameOf> static void Erase(std::span<Id> table, std::size_t slot, NameOf const& name_of)
    {
        std::size_t const mask = table.size() - 1;
        std::size_t hole = slot;
        for (std::size_t probe = (hole + 1) & mask; table[probe] != NoId; probe = (probe + 1) & mask) {
            // An entry stays when its home slot lies after the hole, up to the
            // entry itself (on the ring of slots): moving it back would put it
            // before its home, where no lookup looks.
            std::size_t const home = HashOf(name_of(table[probe])) & mask;
            bool const stays
                = hole <= probe ? (home > hole && home <= probe) : (home > hole || home <= probe);
            if (stays)
                continue;
            table[hole] = table[probe];
            hole = probe;
        }
        table[hole] = NoId;
    }

    // The blocks handed out are the first m_used slots; the slots past them
    // were written before and are reused as they are.
    std::vector<Id> m_slots;
    std::size_t m_used = 0;
    // By capacity shift: the first block waiting to be used again, or NoBlock.
    // A waiting block's first slot holds the next one.
    std::array<std::uint32_t, 32> m_free {};
};

} // namespace edamaki
