#include "core/tree/FolderTree.h"

#include "core/text/ShiftJis.h"

#include <algorithm>
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
    if (path.empty()) {
        m_root_text = NoRootText;
    } else {
        char const separator = path.front() == '/' ? '/' : '\\';
        std::string full_path(path);
        if (!EndsWithCharacter(full_path, separator))
            full_path += separator;
        m_root_text = std::string(RootTextPrefix) + full_path + std::string(RootTextSuffix);
    }
    if (HasRoot())
        m_nodes[m_root].Name = m_root_text;
}

std::string FolderTree::GetRootPath() const
{
    if (m_root_text == NoRootText)
        return {};
    return m_root_text.substr(
        RootTextPrefix.size(), m_root_text.size() - RootTextPrefix.size() - RootTextSuffix.size());
}

void FolderTree::Clear()
{
    // The node records stay allocated for the next read, which reuses their
    // strings and child lists; a pool far larger than the last tree is trimmed.
    if (m_used * 4 < m_nodes.size())
        m_nodes.resize(m_used * 2);
    m_used = 0;
    m_root = NoNode;
    m_attached_count = 0;
}

void FolderTree::BeginRead(bool macro_mode)
{
    MacroMode = macro_mode;
    if (macro_mode)
        NewNodePending = false;
    Clear();
    m_truncated = false;
    m_folders_created = 0;
    m_reading = true;
    m_root = NewNode(NoNode, m_root_text, 0);
}

void FolderTree::EndRead()
{
    m_reading = false;
    TreeEdited = false;
}

bool FolderTree::IsInTree(NodeId node) const
{
    return node >= 0 && static_cast<std::size_t>(node) < m_used && m_nodes[node].Attached;
}

NodeId FolderTree::NewNode(NodeId parent, std::string_view name, std::int32_t data)
{
    if (parent != NoNode && m_reading) {
        if (m_folders_created >= m_folder_budget) {
            m_truncated = true;
            return NoNode;
        }
        ++m_folders_created;
    }
    auto const id = static_cast<NodeId>(m_used++);
    if (m_used > m_nodes.size())
        m_nodes.emplace_back();
    Node& node = m_nodes[id];
    node.Name.assign(name);
    node.Data = data;
    node.Parent = parent;
    node.Depth = 0;
    node.Attached = true;
    node.Children.clear();
    node.ChildIndex.clear();
    ++m_attached_count;
    if (parent != NoNode) {
        Node& parent_node = m_nodes[parent];
        node.Depth = parent_node.Depth + 1;
        parent_node.Children.push_back(id);
        IndexChild(parent_node, id);
    }
    return id;
}

void FolderTree::IndexChild(Node& parent, NodeId child)
{
    if (parent.ChildIndex.empty()) {
        if (parent.Children.size() >= ChildIndexThreshold)
            RebuildChildIndex(parent);
        return;
    }
    // Keep the table at most half full.
    if (parent.Children.size() * 2 > parent.ChildIndex.size()) {
        RebuildChildIndex(parent);
        return;
    }
    InsertIntoChildIndex(parent.ChildIndex, child);
}

void FolderTree::RebuildChildIndex(Node& parent)
{
    std::size_t size = 16;
    while (size < parent.Children.size() * 4)
        size *= 2;
    parent.ChildIndex.assign(size, ChildSlot {});
    for (NodeId const child : parent.Children)
        InsertIntoChildIndex(parent.ChildIndex, child);
}

void FolderTree::InsertIntoChildIndex(std::vector<ChildSlot>& slots, NodeId child)
{
    std::string const& name = m_nodes[child].Name;
    auto const hash = static_cast<std::uint32_t>(std::hash<std::string_view> {}(name));
    std::size_t const mask = slots.size() - 1;
    for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
        ChildSlot& slot = slots[index];
        if (slot.Node == NoNode) {
            slot = { hash, child };
            return;
        }
        if (slot.Hash == hash && m_nodes[slot.Node].Name == name)
            return;
    }
}

NodeId FolderTree::FindChildNode(NodeId parent, std::string_view name) const
{
    Node const& parent_node = m_nodes[parent];
    if (!parent_node.ChildIndex.empty()) {
        auto const& slots = parent_node.ChildIndex;
        auto const hash = static_cast<std::uint32_t>(std::hash<std::string_view> {}(name));
        std::size_t const mask = slots.size() - 1;
        for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
            ChildSlot const& slot = slots[index];
            if (slot.Node == NoNode)
                return NoNode;
            if (slot.Hash == hash && m_nodes[slot.Node].Name == name)
                return slot.Node;
        }
    }
    for (NodeId const id : parent_node.Children) {
        if (m_nodes[id].Name == name)
            return id;
    }
    return NoNode;
}

NodeId FolderTree::AddUniqueChild(NodeId parent, std::string_view name)
{
    NodeId const existing = FindChildNode(parent, name);
    if (existing != NoNode)
        return existing;
    return AppendChild(parent, name, static_cast<std::int32_t>(LineTable.size()) - 1);
}

NodeId FolderTree::AppendChild(NodeId parent, std::string_view name, std::int32_t data)
{
    return NewNode(parent, name, data);
}

void FolderTree::CopySubtree(NodeId target, NodeId source)
{
    // Take a snapshot of the source subtree first, so that copying into a
    // folder inside it can never copy its own copies.
    struct Entry {
        NodeId Source;
        std::ptrdiff_t ParentEntry; // -1: a child of the target
    };
    std::vector<Entry> entries;
    std::vector<Entry> pending;
    auto push_children = [&](NodeId node, std::ptrdiff_t entry) {
        auto const& children = m_nodes[node].Children;
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.push_back({ *child, entry });
    };
    push_children(source, -1);
    while (!pending.empty()) {
        Entry const entry = pending.back();
        pending.pop_back();
        entries.push_back(entry);
        push_children(entry.Source, static_cast<std::ptrdiff_t>(entries.size()) - 1);
    }

    std::vector<NodeId> copies(entries.size(), NoNode);
    // The copies must not move the records they are copied from. Grow by
    // doubling: copies made one after the other must not move the pool each time.
    if (m_used + entries.size() > m_nodes.capacity())
        m_nodes.reserve(std::max(m_nodes.capacity() * 2, m_used + entries.size()));
    for (std::size_t index = 0; index < entries.size(); ++index) {
        Entry const& entry = entries[index];
        NodeId const parent = entry.ParentEntry < 0 ? target : copies[entry.ParentEntry];
        if (parent == NoNode)
            continue;
        Node const& original = m_nodes[entry.Source];
        copies[index] = NewNode(parent, original.Name, original.Data);
        if (copies[index] == NoNode && m_truncated)
            return;
    }
}

void FolderTree::RemoveNode(NodeId node)
{
    if (!IsInTree(node) || node == m_root)
        return;
    Node& parent = m_nodes[m_nodes[node].Parent];
    auto& siblings = parent.Children;
    auto const following = siblings.erase(std::find(siblings.begin(), siblings.end(), node));
    if (!parent.ChildIndex.empty()) {
        // Only the removed child's entry changes, so that removing placeholders
        // from a folder with many children stays cheap: the entry passes to the
        // next child of that name, or leaves the table, the later entries of its
        // probe run moving back so that every lookup still reaches them.
        std::string const& name = m_nodes[node].Name;
        auto& slots = parent.ChildIndex;
        std::size_t const mask = slots.size() - 1;
        std::size_t hole = static_cast<std::uint32_t>(std::hash<std::string_view> {}(name)) & mask;
        while (slots[hole].Node != node && slots[hole].Node != NoNode)
            hole = (hole + 1) & mask;
        if (slots[hole].Node == node) {
            auto const next = std::find_if(
                following, siblings.end(), [&](NodeId sibling) { return m_nodes[sibling].Name == name; });
            if (next != siblings.end()) {
                slots[hole].Node = *next;
            } else {
                for (std::size_t probe = (hole + 1) & mask; slots[probe].Node != NoNode;
                     probe = (probe + 1) & mask) {
                    std::size_t const home = slots[probe].Hash & mask;
                    bool const stays
                        = hole <= probe ? (home > hole && home <= probe) : (home > hole || home <= probe);
                    if (stays)
                        continue;
                    slots[hole] = slots[probe];
                    hole = probe;
                }
                slots[hole] = ChildSlot {};
            }
        }
    }

    std::vector<NodeId> pending { node };
    while (!pending.empty()) {
        NodeId const current = pending.back();
        pending.pop_back();
        Node& removed = m_nodes[current];
        removed.Attached = false;
        --m_attached_count;
        pending.insert(pending.end(), removed.Children.begin(), removed.Children.end());
    }
}

void FolderTree::Rename(NodeId node, std::string_view name)
{
    Node& renamed = m_nodes[node];
    renamed.Name.assign(name);
    if (renamed.Parent == NoNode)
        return;
    if (Node& parent = m_nodes[renamed.Parent]; !parent.ChildIndex.empty())
        RebuildChildIndex(parent);
}

std::string FolderTree::GetNodePath(NodeId node) const
{
    std::vector<std::string const*> names { &m_nodes[node].Name };
    NodeId current = node;
    while (m_nodes[current].Depth > 1) {
        current = m_nodes[current].Parent;
        names.push_back(&m_nodes[current].Name);
    }
    std::string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (name != names.rbegin())
            path += '/';
        path += **name;
    }
    return path;
}

void FolderTree::WalkDescendants(NodeId node, std::function<void(NodeId, int)> const& visit) const
{
    int const base_depth = m_nodes[node].Depth;
    std::vector<NodeId> pending;
    auto push_children = [&](NodeId parent) {
        auto const& children = m_nodes[parent].Children;
        pending.insert(pending.end(), children.rbegin(), children.rend());
    };
    push_children(node);
    while (!pending.empty()) {
        NodeId const current = pending.back();
        pending.pop_back();
        visit(current, m_nodes[current].Depth - base_depth);
        push_children(current);
    }
}

} // namespace edamaki
