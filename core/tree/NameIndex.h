#pragma once

// The name index of one folder's children: it answers "the first child named
// N" without looking at every child. An open-addressing table (linear probing,
// kept at most half full) of (hash, id) pairs; the names stay with the owner
// of the children, which passes a function that gives the name of an id.
//
// A folder with few children is faster to scan than to hash, so the table is
// built only once a folder has Threshold children; until then Find scans.
// The owner keeps the children in order in a list of ids and tells the index
// of every change to that list or to a child's name.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace edamaki {

class NameIndex {
public:
    using Id = std::int32_t;
    static constexpr Id NoId = -1;
    static constexpr std::size_t Threshold = 8;

    bool IsBuilt() const { return !m_slots.empty(); }
    // Forgets the table (the folder has no children any more).
    void Clear() { m_slots.clear(); }

    // The first of `children` named `name`, or NoId.
    template<typename NameOf>
    Id Find(std::span<Id const> children, std::string_view name, NameOf const& name_of) const
    {
        if (!IsBuilt()) {
            for (Id const child : children) {
                if (name_of(child) == name)
                    return child;
            }
            return NoId;
        }
        return m_slots[SlotOfName(HashOf(name), name, name_of)].Entry;
    }

    // `children` has a new last child.
    template<typename NameOf> void ChildAppended(std::span<Id const> children, NameOf const& name_of)
    {
        if (!IsBuilt()) {
            if (children.size() >= Threshold)
                Rebuild(children, name_of);
            return;
        }
        // Keep the table at most half full.
        if (children.size() * 2 > m_slots.size()) {
            Rebuild(children, name_of);
            return;
        }
        Insert(children.back(), name_of);
    }

    // `child` has left the children; `following` are the children that came
    // after it. Its entry passes to the next child of the same name, or leaves
    // the table; the rest of the table is untouched, so that removing children
    // one by one from a large folder stays cheap.
    template<typename NameOf>
    void ChildRemoved(Id child, std::span<Id const> following, NameOf const& name_of)
    {
        if (!IsBuilt())
            return;
        std::string_view const name = name_of(child);
        std::size_t const slot
            = Probe(HashOf(name), [&](Slot candidate) { return candidate.Entry == child; });
        if (m_slots[slot].Entry != child)
            return; // a later child of a name that an earlier child holds
        for (Id const sibling : following) {
            if (name_of(sibling) == name) {
                m_slots[slot].Entry = sibling;
                return;
            }
        }
        Erase(slot);
    }

    // A child has a new name.
    template<typename NameOf> void ChildRenamed(std::span<Id const> children, NameOf const& name_of)
    {
        if (IsBuilt())
            Rebuild(children, name_of);
    }

    // Several children came or went at once, anywhere in the list.
    template<typename NameOf> void ChildrenChanged(std::span<Id const> children, NameOf const& name_of)
    {
        Rebuild(children, name_of);
    }

private:
    struct Slot {
        std::uint32_t Hash = 0;
        Id Entry = NoId;
    };

    // Builds the table from `children` again; a folder below the threshold
    // gets none.
    template<typename NameOf> void Rebuild(std::span<Id const> children, NameOf const& name_of)
    {
        if (children.size() < Threshold) {
            m_slots.clear();
            return;
        }
        m_slots.assign(TableSizeFor(children.size()), Slot {});
        for (Id const child : children)
            Insert(child, name_of);
    }

    static std::uint32_t HashOf(std::string_view name)
    {
        return static_cast<std::uint32_t>(std::hash<std::string_view> {}(name));
    }

    // A power of two, at least four slots per child.
    static std::size_t TableSizeFor(std::size_t children);

    // The slot of the first entry that `matches` on the probe run from
    // `hash`, or the empty slot that ends the run.
    template<typename Matches> std::size_t Probe(std::uint32_t hash, Matches const& matches) const
    {
        std::size_t const mask = m_slots.size() - 1;
        for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
            Slot const slot = m_slots[index];
            if (slot.Entry == NoId || matches(slot))
                return index;
        }
    }

    // The slot of the entry named `name`, or the empty slot where it would go.
    template<typename NameOf>
    std::size_t SlotOfName(std::uint32_t hash, std::string_view name, NameOf const& name_of) const
    {
        return Probe(hash, [&](Slot slot) { return slot.Hash == hash && name_of(slot.Entry) == name; });
    }

    // Adds `child` unless a child of the same name is in the table already.
    template<typename NameOf> void Insert(Id child, NameOf const& name_of)
    {
        std::string_view const name = name_of(child);
        std::uint32_t const hash = HashOf(name);
        std::size_t const slot = SlotOfName(hash, name, name_of);
        if (m_slots[slot].Entry == NoId)
            m_slots[slot] = { hash, child };
    }

    // Empties a slot, moving later entries of its probe run back so that
    // every lookup still reaches them.
    void Erase(std::size_t slot);

    std::vector<Slot> m_slots;
};

} // namespace edamaki
