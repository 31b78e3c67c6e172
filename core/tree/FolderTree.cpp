#include "core/tree/FolderTree.h"

#include "core/text/ShiftJis.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace edamaki {

namespace {

constexpr std::string_view RootTextPrefix = "ROOT [";
constexpr std::string_view RootTextSuffix = "]";

// True when the last whole character of the text is `character`.
bool EndsWithCharacter(std::string_view text, char character)
{
    std::size_t last = std::string_view::npos;
    for (std::size_t offset = 0; offset < text.size(); offset += CharacterLength(text, offset))
        last = offset;
    return last != std::string_view::npos && last + 1 == text.size() && text[last] == character;
}

} // namespace

FolderTree::FolderTree() = default;

void FolderTree::SetRootPath(std::string_view path)
{
    m_root_path = path;
    if (!path.empty()) {
        char const separator = path.front() == '/' ? '/' : '\\';
        if (!EndsWithCharacter(path, separator))
            m_root_path += separator;
    }
    if (HasRoot())
        Rename(m_root, GetRootText());
}

std::string FolderTree::GetRootText() const
{
    if (m_root_path.empty())
        return std::string(NoRootText);
    return std::string(RootTextPrefix) + m_root_path + std::string(RootTextSuffix);
}

void FolderTree::Clear()
{
    if (!m_nodes.empty()) {
        m_last_node_count = m_nodes.size();
        m_last_name_bytes = m_names.Size();
    }
    // The arena keeps its room for the next read.
    m_nodes.clear();
    m_names.Clear();
    m_children.Clear();
    ++m_revision;
    m_root = NoNode;
    m_attached_count = 0;
    m_folder_count = 0;
}

void FolderTree::FitArena(bool macro_mode, std::size_t source_bytes)
{
    // A folder takes at least one byte of the source and a separator. Reads
    // of the same source reuse the room the last one needed.
    std::size_t const most_nodes = macro_mode ? BudgetTimes(NodesPerFolder) : m_folder_budget;
    std::size_t const nodes = std::max(std::min(source_bytes / 2 + 1, most_nodes) + 1, m_last_node_count);
    FitPoolCapacity(m_nodes, nodes);
    m_children.Fit(nodes);
    m_names.Fit(std::max(source_bytes + nodes + GetRootText().size(), m_last_name_bytes));
}

void FolderTree::BeginRead(bool macro_mode, std::size_t source_bytes)
{
    Clear();
    FitArena(macro_mode, source_bytes);
    m_stop.reset();
    m_left_out.clear();
    m_nodes_made = 0;
    m_reading = true;
    m_root = NewNode(NoNode, GetRootText(), 0);
}

void FolderTree::EndRead()
{
    m_reading = false;
}

bool FolderTree::IsInTree(NodeId node) const
{
    return node >= 0 && static_cast<std::size_t>(node) < m_nodes.size() && m_nodes[node].Has(Node::Attached);
}

std::size_t FolderTree::BudgetTimes(std::size_t per_folder) const
{
    if (per_folder != 0 && m_folder_budget > std::numeric_limits<std::size_t>::max() / per_folder)
        return std::numeric_limits<std::size_t>::max();
    return m_folder_budget * per_folder;
}

void FolderTree::NoteLeftOutPart(LeftOutPart part)
{
    if (m_left_out.size() < MostLeftOutParts)
        m_left_out.push_back(std::move(part));
}

void FolderTree::StopRead(ReadLimit limit, std::size_t figure)
{
    if (!m_stop)
        m_stop = ReadStop { limit, figure };
}

bool FolderTree::SpendNode(bool in_placeholder)
{
    if (!in_placeholder && m_folder_count >= m_folder_budget) {
        StopRead(ReadLimit::Folders, m_folder_budget);
        return false;
    }
    std::size_t const work_limit = BudgetTimes(NodesPerFolder);
    if (m_nodes_made >= work_limit) {
        StopRead(ReadLimit::ExpansionWork, work_limit);
        return false;
    }
    // Looked at now and then: a called-off read stops within a few thousand nodes.
    constexpr std::size_t CancelCheckInterval = 4096;
    if (m_cancel && m_nodes_made % CancelCheckInterval == 0 && m_cancel->load(std::memory_order_relaxed)) {
        StopRead(ReadLimit::Cancelled, 0);
        return false;
    }
    ++m_nodes_made;
    return true;
}

NodeId FolderTree::NewNode(
    NodeId parent, std::string_view name, std::int32_t data, bool placeholder, std::size_t index_slot)
{
    NameStore::Offset const stored = m_names.Add(name);
    if (stored == NameStore::Full) {
        // Only a source of gigabytes of names gets here.
        if (m_reading)
            StopRead(ReadLimit::NameBytes, NameStore::Full);
        return NoNode;
    }
    return NewNodeNamed(parent, stored, data, placeholder, index_slot);
}

NodeId FolderTree::NewNodeNamed(
    NodeId parent, NameStore::Offset name, std::int32_t data, bool placeholder, std::size_t index_slot)
{
    bool const in_placeholder = placeholder || (parent != NoNode && m_nodes[parent].Has(Node::InPlaceholder));
    if (parent != NoNode && m_reading && !SpendNode(in_placeholder))
        return NoNode;
    NodeId const id = MakeRecord(parent, name, data, in_placeholder);
    if (parent != NoNode && !m_children.Append(m_nodes[parent].Children, id, NameOf(), index_slot)) {
        // Past what a folder's children can hold: far beyond any folder budget.
        m_nodes.pop_back();
        --m_attached_count;
        if (!in_placeholder)
            --m_folder_count;
        if (m_reading)
            StopRead(ReadLimit::Folders, m_folder_budget);
        return NoNode;
    }
    return id;
}

NodeId FolderTree::MakeRecord(NodeId parent, NameStore::Offset name, std::int32_t data, bool in_placeholder)
{
    Node node;
    node.Name = name;
    node.Data = data;
    node.Parent = parent;
    if (parent != NoNode)
        node.DepthAndFlags |= static_cast<std::uint32_t>(m_nodes[parent].Depth() + 1);
    if (in_placeholder)
        node.DepthAndFlags |= Node::InPlaceholder;
    auto const id = static_cast<NodeId>(m_nodes.size());
    m_nodes.push_back(node);
    ++m_revision;
    ++m_attached_count;
    if (parent != NoNode && !in_placeholder)
        ++m_folder_count;
    return id;
}

NodeId FolderTree::FindChildNode(NodeId parent, std::string_view name) const
{
    return m_children.Find(m_nodes[parent].Children, name, NameOf());
}

NodeId FolderTree::FindOrAppendChild(NodeId parent, std::string_view name, std::int32_t data)
{
    auto const lookup = m_children.Look(m_nodes[parent].Children, name, NameOf());
    if (lookup.Found != NoNode)
        return lookup.Found;
    return NewNode(parent, name, data, false, lookup.Slot);
}

NodeId FolderTree::AppendChild(NodeId parent, std::string_view name, std::int32_t data)
{
    return NewNode(parent, name, data);
}

NodeId FolderTree::AddPlaceholder(NodeId parent, std::string_view name, std::int32_t data)
{
    auto const lookup = m_children.Look(m_nodes[parent].Children, name, NameOf());
    if (lookup.Found != NoNode)
        return lookup.Found;
    return NewNode(parent, name, data, true, lookup.Slot);
}

void FolderTree::CopySubtree(NodeId target, NodeId source)
{
    // Take a snapshot of the source subtree first, so that copying into a
    // folder inside it can never copy its own copies. Its entries are in
    // pre-order: each entry's parent entry comes before it.
    auto& entries = m_scratch.Entries;
    auto& pending = m_scratch.Pending;
    entries.clear();
    pending.clear();
    auto push_children = [&](NodeId node, std::int32_t entry) {
        auto const children = Children(node);
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.push_back({ *child, entry });
    };
    push_children(source, -1);
    while (!pending.empty()) {
        CopyEntry const entry = pending.back();
        pending.pop_back();
        entries.push_back(entry);
        push_children(entry.Source, static_cast<std::int32_t>(entries.size()) - 1);
    }

    // A copy shares its original's name; each entry's Source becomes its copy.
    for (CopyEntry& entry : entries) {
        NodeId const parent = entry.ParentEntry < 0 ? target : entries[entry.ParentEntry].Source;
        Node const original = m_nodes[entry.Source];
        entry.Source = parent == NoNode
            ? NoNode
            : NewNodeNamed(parent, original.Name, original.Data, false, ChildLists::NoSlot);
        if (entry.Source == NoNode && IsTruncated())
            return;
    }
}

void FolderTree::RemoveNode(NodeId node)
{
    if (!IsInTree(node) || node == m_root)
        return;
    DetachFromParent(node);
    DetachSubtree(node);
}

void FolderTree::DetachSubtree(NodeId node)
{
    ++m_revision;
    auto& pending = m_scratch.Removed;
    pending.assign(1, node);
    while (!pending.empty()) {
        NodeId const current = pending.back();
        pending.pop_back();
        Node& removed = m_nodes[current];
        removed.DepthAndFlags &= ~Node::Attached;
        --m_attached_count;
        if (!removed.Has(Node::InPlaceholder))
            --m_folder_count;
        auto const children = Children(current);
        pending.insert(pending.end(), children.begin(), children.end());
    }
}

void FolderTree::DetachFromParent(NodeId node)
{
    m_children.Remove(m_nodes[m_nodes[node].Parent].Children, node, NameOf());
}

void FolderTree::Rename(NodeId node, std::string_view name)
{
    NameStore::Offset const stored = m_names.Add(name);
    if (stored == NameStore::Full)
        return; // gigabytes of names: the node keeps its name
    Node& renamed = m_nodes[node];
    renamed.Name = stored;
    ++m_revision;
    if (renamed.Parent != NoNode)
        m_children.Renamed(m_nodes[renamed.Parent].Children, NameOf());
}

void FolderTree::InsertCopies(
    NodeId parent, std::size_t row, FolderTree const& source, std::span<NodeId const> sources)
{
    // The records are made in the order a walk down the tree meets them, so
    // that a view going over the rows in order goes over memory in order.
    struct Pending {
        NodeId Source;
        NodeId CopyParent;
    };
    std::vector<Pending> pending;
    for (auto node = sources.rbegin(); node != sources.rend(); ++node)
        pending.push_back({ *node, parent });
    std::vector<NodeId> copies;
    copies.reserve(sources.size());
    while (!pending.empty()) {
        Pending const current = pending.back();
        pending.pop_back();
        NameStore::Offset const name = m_names.Add(source.Name(current.Source));
        if (name == NameStore::Full)
            continue; // gigabytes of names: the copy and what is below it are left out
        NodeId const copy = MakeRecord(current.CopyParent, name, source.Data(current.Source),
            source.m_nodes[current.Source].Has(Node::InPlaceholder));
        if (current.CopyParent == parent)
            copies.push_back(copy);
        else
            m_children.Append(m_nodes[current.CopyParent].Children, copy, NameOf());
        auto const children = source.Children(current.Source);
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.push_back({ *child, copy });
    }
    m_children.InsertAt(m_nodes[parent].Children, row, copies, NameOf());
}

void FolderTree::RenameChildren(
    NodeId parent, std::span<NodeId const> nodes, std::span<std::string_view const> names)
{
    for (std::size_t index = 0; index < nodes.size() && index < names.size(); ++index) {
        if (NameStore::Offset const stored = m_names.Add(names[index]); stored != NameStore::Full)
            m_nodes[nodes[index]].Name = stored;
    }
    ++m_revision;
    m_children.Renamed(m_nodes[parent].Children, NameOf());
}

void FolderTree::RemoveChildren(NodeId parent, std::size_t row, std::size_t count)
{
    auto const children = Children(parent).subspan(row, count);
    std::vector<NodeId> const removed(children.begin(), children.end());
    m_children.RemoveAt(m_nodes[parent].Children, row, count, NameOf());
    for (NodeId const node : removed)
        DetachSubtree(node);
}

void FolderTree::CopyNodeState(NodeId node, FolderTree const& other, NodeId other_node)
{
    Node& copy = m_nodes[node];
    copy.Data = other.Data(other_node);
    copy.DepthAndFlags &= ~Node::InPlaceholder;
    if (other.InPlaceholder(other_node))
        copy.DepthAndFlags |= Node::InPlaceholder;
    ++m_revision;
}

void FolderTree::RenumberData(std::span<std::int32_t const> renumbered)
{
    for (Node& node : m_nodes) {
        if (node.Data >= 0 && static_cast<std::size_t>(node.Data) < renumbered.size())
            node.Data = renumbered[static_cast<std::size_t>(node.Data)];
    }
    ++m_revision;
}

void FolderTree::ReplaceWith(FolderTree& other)
{
    std::uint64_t const revision = std::max(m_revision, other.m_revision) + 1;
    std::swap(*this, other);
    m_revision = revision;
}

void FolderTree::CopyKeptState(FolderTree const& other)
{
    m_root_path = other.m_root_path;
    m_folder_budget = other.m_folder_budget;
}

void FolderTree::CopyReadState(FolderTree const& other)
{
    m_root_path = other.m_root_path;
    m_stop = other.m_stop;
    m_left_out = other.m_left_out;
    // Placeholders left by a stopped read count as they did in the read.
    m_folder_count = other.m_folder_count;
}

std::string FolderTree::GetNodePath(NodeId node) const
{
    std::vector<std::string_view> names { Name(node) };
    NodeId current = node;
    while (m_nodes[current].Depth() > 1) {
        current = m_nodes[current].Parent;
        names.push_back(Name(current));
    }
    std::string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (name != names.rbegin())
            path += '/';
        path += *name;
    }
    return path;
}

void FolderTree::WalkDescendants(NodeId node, std::function<void(NodeId, int)> const& visit) const
{
    int const base_depth = Depth(node);
    std::vector<NodeId> pending;
    auto push_children = [&](NodeId parent) {
        auto const children = Children(parent);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    };
    push_children(node);
    while (!pending.empty()) {
        NodeId const current = pending.back();
        pending.pop_back();
        visit(current, Depth(current) - base_depth);
        push_children(current);
    }
}

} // namespace edamaki
