#include "core/tree/TreeRefresh.h"

#include <algorithm>
#include <span>
#include <string_view>
#include <utility>

namespace edamaki {

namespace {

// Records of removed nodes a shown tree may carry before it is replaced:
// besides as many as the tree holds, this many.
constexpr std::size_t SpareRecords = 4096;

bool IsWorthReplacing(FolderTree const& shown, FolderTree const& fresh)
{
    if (!shown.HasRoot() || !fresh.HasRoot())
        return true;
    std::size_t const removed = shown.PoolSize() - shown.NodeCount();
    return removed > fresh.NodeCount() + SpareRecords;
}

// Which children of two folders pair up. Children that keep their names at
// the front and at the back pair; between them, equally many children on both
// sides pair in order (renamed ones), and otherwise none of them do.
struct ChildPairing {
    std::size_t Front = 0;
    std::size_t Back = 0;
    std::size_t FormerMiddle = 0;
    std::size_t FreshMiddle = 0;

    bool PairsAll() const { return FormerMiddle == FreshMiddle; }
};

ChildPairing PairChildren(
    FolderTree const& former, NodeId former_parent, FolderTree const& fresh, NodeId fresh_parent)
{
    auto const& former_children = former.Children(former_parent);
    auto const& fresh_children = fresh.Children(fresh_parent);
    std::size_t const common = std::min(former_children.size(), fresh_children.size());
    ChildPairing pairing;
    while (pairing.Front < common
        && former.Name(former_children[pairing.Front]) == fresh.Name(fresh_children[pairing.Front]))
        ++pairing.Front;
    while (pairing.Front + pairing.Back < common
        && former.Name(former_children[former_children.size() - 1 - pairing.Back])
            == fresh.Name(fresh_children[fresh_children.size() - 1 - pairing.Back]))
        ++pairing.Back;
    pairing.FormerMiddle = former_children.size() - pairing.Front - pairing.Back;
    pairing.FreshMiddle = fresh_children.size() - pairing.Front - pairing.Back;
    return pairing;
}

// Calls `pair` with each pair of children, by their rows on both sides.
template<typename Pair>
void ForEachPair(
    ChildPairing const& pairing, std::size_t former_count, std::size_t fresh_count, Pair const& pair)
{
    if (pairing.PairsAll()) {
        for (std::size_t row = 0; row < former_count; ++row)
            pair(row, row);
        return;
    }
    for (std::size_t row = 0; row < pairing.Front; ++row)
        pair(row, row);
    for (std::size_t from_back = 1; from_back <= pairing.Back; ++from_back)
        pair(former_count - from_back, fresh_count - from_back);
}

class ReadComparison {
public:
    ReadComparison(FolderTree const& previous, std::size_t previous_lines, FolderTree const& fresh)
        : m_previous(previous)
        , m_fresh(fresh)
    {
        m_delta.Unchanged.assign(fresh.PoolSize(), false);
        m_delta.Renumbered.resize(previous_lines);
        for (std::size_t value = 0; value < m_delta.Renumbered.size(); ++value)
            m_delta.Renumbered[value] = static_cast<std::int32_t>(value);
        m_renumbered.assign(previous_lines, false);
    }

    ReadDelta Run()
    {
        if (!m_previous.HasRoot() || !m_fresh.HasRoot())
            return std::move(m_delta);
        // Parents before children, so that a walk backwards meets each
        // node's children before the node.
        m_visits.push_back(
            { m_previous.Root(), m_fresh.Root(), NoParent, IsAlike(m_previous.Root(), m_fresh.Root()) });
        for (std::size_t index = 0; index < m_visits.size(); ++index)
            VisitChildren(index);
        for (std::size_t index = m_visits.size(); index-- > 0;) {
            Visit const& visit = m_visits[index];
            if (!visit.Unchanged && visit.Parent != NoParent)
                m_visits[visit.Parent].Unchanged = false;
            m_delta.Unchanged[static_cast<std::size_t>(visit.Fresh)] = visit.Unchanged;
        }
        return std::move(m_delta);
    }

private:
    static constexpr std::size_t NoParent = static_cast<std::size_t>(-1);

    struct Visit {
        NodeId Previous;
        NodeId Fresh;
        std::size_t Parent;
        bool Unchanged;
    };

    void VisitChildren(std::size_t index)
    {
        NodeId const previous_parent = m_visits[index].Previous;
        NodeId const fresh_parent = m_visits[index].Fresh;
        auto const& previous_children = m_previous.Children(previous_parent);
        auto const& fresh_children = m_fresh.Children(fresh_parent);
        ChildPairing const pairing = PairChildren(m_previous, previous_parent, m_fresh, fresh_parent);
        if (!pairing.PairsAll())
            m_visits[index].Unchanged = false;
        ForEachPair(pairing, previous_children.size(), fresh_children.size(),
            [&](std::size_t previous_row, std::size_t fresh_row) {
                NodeId const previous = previous_children[previous_row];
                NodeId const fresh = fresh_children[fresh_row];
                m_visits.push_back({ previous, fresh, index, IsAlike(previous, fresh) });
            });
    }

    // The same name and placeholder state, and a data value that renumbers
    // as every other unchanged node's of the same former value does.
    bool IsAlike(NodeId previous, NodeId fresh)
    {
        if (m_previous.Name(previous) != m_fresh.Name(fresh)
            || m_previous.InPlaceholder(previous) != m_fresh.InPlaceholder(fresh))
            return false;
        std::int32_t const former = m_previous.Data(previous);
        std::int32_t const now = m_fresh.Data(fresh);
        if (former < 0 || static_cast<std::size_t>(former) >= m_renumbered.size())
            return former == now;
        auto const slot = static_cast<std::size_t>(former);
        if (!m_renumbered[slot]) {
            m_renumbered[slot] = true;
            m_delta.Renumbered[slot] = now;
            m_delta.DataMoved = m_delta.DataMoved || now != former;
        }
        return m_delta.Renumbered[slot] == now;
    }

    FolderTree const& m_previous;
    FolderTree const& m_fresh;
    ReadDelta m_delta;
    std::vector<bool> m_renumbered;
    std::vector<Visit> m_visits;
};

class Refresh {
public:
    Refresh(FolderTree& shown, FolderTree const& fresh, TreeRefreshListener& listener, ReadDelta const* delta)
        : m_shown(shown)
        , m_fresh(fresh)
        , m_listener(listener)
        , m_delta(delta)
    {
    }

    void Run()
    {
        if (m_delta && m_delta->DataMoved)
            m_shown.RenumberData(m_delta->Renumbered);
        NodeId const root = m_shown.Root();
        if (m_shown.Name(root) != m_fresh.Name(m_fresh.Root())) {
            m_shown.Rename(root, m_fresh.Name(m_fresh.Root()));
            m_listener.NodeRenamed(root);
        }
        // Every pair on the stack has the same name on both sides.
        m_pairs.push_back({ root, m_fresh.Root() });
        while (!m_pairs.empty()) {
            auto const [shown, fresh] = m_pairs.back();
            m_pairs.pop_back();
            if (IsUnchanged(fresh))
                continue;
            m_shown.CopyNodeState(shown, m_fresh, fresh);
            RefreshChildren(shown, fresh);
        }
        m_shown.CopyReadState(m_fresh);
    }

private:
    struct Pair {
        NodeId Shown;
        NodeId Fresh;
    };

    bool IsUnchanged(NodeId fresh) const
    {
        return m_delta && static_cast<std::size_t>(fresh) < m_delta->Unchanged.size()
            && m_delta->Unchanged[static_cast<std::size_t>(fresh)];
    }

    void RefreshChildren(NodeId shown_parent, NodeId fresh_parent)
    {
        auto const& shown = m_shown.Children(shown_parent);
        auto const& fresh = m_fresh.Children(fresh_parent);
        ChildPairing const pairing = PairChildren(m_shown, shown_parent, m_fresh, fresh_parent);
        if (pairing.PairsAll())
            RenameMiddle(shown_parent, pairing.Front, fresh_parent);
        ForEachPair(pairing, shown.size(), fresh.size(), [&](std::size_t shown_row, std::size_t fresh_row) {
            m_pairs.push_back({ shown[shown_row], fresh[fresh_row] });
        });
        if (pairing.PairsAll())
            return;
        if (pairing.FormerMiddle > 0) {
            m_listener.ChildrenAboutToBeRemoved(shown_parent, pairing.Front, pairing.FormerMiddle);
            m_shown.RemoveChildren(shown_parent, pairing.Front, pairing.FormerMiddle);
            m_listener.ChildrenRemoved();
        }
        if (pairing.FreshMiddle > 0) {
            m_listener.ChildrenAboutToBeInserted(shown_parent, pairing.Front, pairing.FreshMiddle);
            m_shown.InsertCopies(shown_parent, pairing.Front, m_fresh,
                std::span(fresh).subspan(pairing.Front, pairing.FreshMiddle));
            m_listener.ChildrenInserted();
        }
    }

    // The children from `front` on that pair up with fresh ones of other names
    // take those names, all at once (one change of the folder's name index).
    void RenameMiddle(NodeId shown_parent, std::size_t front, NodeId fresh_parent)
    {
        auto const& shown = m_shown.Children(shown_parent);
        auto const& fresh = m_fresh.Children(fresh_parent);
        m_renamed.clear();
        m_new_names.clear();
        for (std::size_t row = front; row < shown.size(); ++row) {
            if (m_shown.Name(shown[row]) != m_fresh.Name(fresh[row])) {
                m_renamed.push_back(shown[row]);
                m_new_names.push_back(m_fresh.Name(fresh[row]));
            }
        }
        if (m_renamed.empty())
            return;
        m_shown.RenameChildren(shown_parent, m_renamed, m_new_names);
        for (NodeId const node : m_renamed)
            m_listener.NodeRenamed(node);
    }

    FolderTree& m_shown;
    FolderTree const& m_fresh;
    TreeRefreshListener& m_listener;
    ReadDelta const* m_delta;
    std::vector<Pair> m_pairs;
    std::vector<NodeId> m_renamed;
    std::vector<std::string_view> m_new_names;
};

} // namespace

ReadDelta CompareReads(FolderTree const& previous, std::size_t previous_lines, FolderTree const& fresh)
{
    return ReadComparison(previous, previous_lines, fresh).Run();
}

TreeRefresh RefreshTree(
    FolderTree& shown, FolderTree& fresh, TreeRefreshListener& listener, ReadDelta const* delta)
{
    if (IsWorthReplacing(shown, fresh)) {
        listener.TreeAboutToBeReplaced();
        shown.ReplaceWith(fresh);
        listener.TreeReplaced();
        return { .Replaced = true };
    }
    Refresh(shown, fresh, listener, delta).Run();
    return { .Replaced = false };
}

} // namespace edamaki
