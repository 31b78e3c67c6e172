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
    if (HasRoot()) {
        m_nodes[m_root].Name = GetRootText();
        ++m_revision;
    }
}

std::string FolderTree::GetRootText() const
{
    if (m_root_path.empty())
        return std::string(NoRootText);
    return std::string(RootTextPrefix) + m_root_path + std::string(RootTextSuffix);
}

void FolderTree::Clear()
{
    // The node records stay allocated for the next read, which reuses their
    // strings and child lists; a pool far larger than the last tree is trimmed.
    if (m_used * 4 < m_nodes.size())
        m_nodes.resize(m_used * 2);
    m_used = 0;
    ++m_revision;
    m_root = NoNode;
    m_attached_count = 0;
    m_folder_count = 0;
}

void FolderTree::BeginRead(bool macro_mode)
{
    MacroMode = macro_mode;
    if (macro_mode)
        NewNodePending = false;
    Clear();
    m_stop.reset();
    m_nodes_made = 0;
    m_reading = true;
    m_root = NewNode(NoNode, GetRootText(), 0);
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

std::size_t FolderTree::BudgetTimes(std::size_t per_folder) const
{
    if (per_folder != 0 && m_folder_budget > std::numeric_limits<std::size_t>::max() / per_folder)
        return std::numeric_limits<std::size_t>::max();
    return m_folder_budget * per_folder;
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
    ++m_nodes_made;
    return true;
}

NodeId FolderTree::NewNode(NodeId parent, std::string_view name, std::int32_t data, bool placeholder)
{
    bool const in_placeholder = placeholder || (parent != NoNode && m_nodes[parent].InPlaceholder);
    if (parent != NoNode && m_reading && !SpendNode(in_placeholder))
        return NoNode;
    NodeId const id = MakeRecord(parent, name, data, in_placeholder);
    if (parent != NoNode) {
        Node& parent_node = m_nodes[parent];
        parent_node.Children.push_back(id);
        parent_node.ChildIndex.ChildAppended(parent_node.Children, NameOf());
    }
    return id;
}

NodeId FolderTree::MakeRecord(NodeId parent, std::string_view name, std::int32_t data, bool in_placeholder)
{
    auto const id = static_cast<NodeId>(m_used++);
    ++m_revision;
    if (m_used > m_nodes.size())
        m_nodes.emplace_back();
    Node& node = m_nodes[id];
    node.Name.assign(name);
    node.Data = data;
    node.Parent = parent;
    node.Depth = parent == NoNode ? 0 : m_nodes[parent].Depth + 1;
    node.Attached = true;
    node.InPlaceholder = in_placeholder;
    node.Children.clear();
    node.ChildIndex.Clear();
    ++m_attached_count;
    if (parent != NoNode && !in_placeholder)
        ++m_folder_count;
    return id;
}

NodeId FolderTree::FindChildNode(NodeId parent, std::string_view name) const
{
    Node const& parent_node = m_nodes[parent];
    return parent_node.ChildIndex.Find(parent_node.Children, name, NameOf());
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

NodeId FolderTree::AddPlaceholder(NodeId parent, std::string_view name)
{
    NodeId const existing = FindChildNode(parent, name);
    if (existing != NoNode)
        return existing;
    return NewNode(parent, name, static_cast<std::int32_t>(LineTable.size()) - 1, true);
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
        if (copies[index] == NoNode && IsTruncated())
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
    std::vector<NodeId> pending { node };
    while (!pending.empty()) {
        NodeId const current = pending.back();
        pending.pop_back();
        Node& removed = m_nodes[current];
        removed.Attached = false;
        --m_attached_count;
        if (!removed.InPlaceholder)
            --m_folder_count;
        pending.insert(pending.end(), removed.Children.begin(), removed.Children.end());
    }
}

void FolderTree::DetachFromParent(NodeId node)
{
    Node& parent = m_nodes[m_nodes[node].Parent];
    auto& siblings = parent.Children;
    auto const position = siblings.erase(std::find(siblings.begin(), siblings.end(), node));
    parent.ChildIndex.ChildRemoved(node, std::span(position, siblings.end()), NameOf());
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
        Node const& original = source.m_nodes[current.Source];
        NodeId const copy
            = MakeRecord(current.CopyParent, original.Name, original.Data, original.InPlaceholder);
        if (current.CopyParent == parent) {
            copies.push_back(copy);
        } else {
            Node& copy_parent = m_nodes[current.CopyParent];
            copy_parent.Children.push_back(copy);
            copy_parent.ChildIndex.ChildAppended(copy_parent.Children, NameOf());
        }
        for (auto child = original.Children.rbegin(); child != original.Children.rend(); ++child)
            pending.push_back({ *child, copy });
    }
    Node& parent_node = m_nodes[parent];
    parent_node.Children.insert(
        parent_node.Children.begin() + static_cast<std::ptrdiff_t>(row), copies.begin(), copies.end());
    parent_node.ChildIndex.ChildrenChanged(parent_node.Children, NameOf());
}

void FolderTree::RemoveChildren(NodeId parent, std::size_t row, std::size_t count)
{
    auto& children = m_nodes[parent].Children;
    auto const first = children.begin() + static_cast<std::ptrdiff_t>(row);
    std::vector<NodeId> const removed(first, first + static_cast<std::ptrdiff_t>(count));
    children.erase(first, first + static_cast<std::ptrdiff_t>(count));
    m_nodes[parent].ChildIndex.ChildrenChanged(children, NameOf());
    for (NodeId const node : removed)
        DetachSubtree(node);
}

void FolderTree::RenameChildren(
    NodeId parent, std::span<NodeId const> nodes, std::span<std::string_view const> names)
{
    for (std::size_t index = 0; index < nodes.size() && index < names.size(); ++index)
        m_nodes[nodes[index]].Name.assign(names[index]);
    ++m_revision;
    Node& parent_node = m_nodes[parent];
    parent_node.ChildIndex.ChildRenamed(parent_node.Children, NameOf());
}

void FolderTree::CopyNodeState(NodeId node, FolderTree const& other, NodeId other_node)
{
    Node const& original = other.m_nodes[other_node];
    m_nodes[node].Data = original.Data;
    m_nodes[node].InPlaceholder = original.InPlaceholder;
    ++m_revision;
}

void FolderTree::RenumberData(std::span<std::int32_t const> renumbered)
{
    for (std::size_t id = 0; id < m_used; ++id) {
        std::int32_t& data = m_nodes[id].Data;
        if (data >= 0 && static_cast<std::size_t>(data) < renumbered.size())
            data = renumbered[static_cast<std::size_t>(data)];
    }
    ++m_revision;
}

void FolderTree::ReplaceWith(FolderTree& other)
{
    std::uint64_t const revision = std::max(m_revision, other.m_revision) + 1;
    std::string edit_path = std::move(EditPath);
    std::swap(*this, other);
    EditPath = std::move(edit_path);
    m_revision = revision;
}

void FolderTree::CopyKeptState(FolderTree const& other)
{
    m_root_path = other.m_root_path;
    m_folder_budget = other.m_folder_budget;
    NewNodePending = other.NewNodePending;
}

void FolderTree::CopyReadState(FolderTree const& other)
{
    MacroMode = other.MacroMode;
    TreeEdited = other.TreeEdited;
    NewNodePending = other.NewNodePending;
    LineTable = other.LineTable;
    m_root_path = other.m_root_path;
    m_stop = other.m_stop;
    // Placeholders left by a stopped read count as they did in the read.
    m_folder_count = other.m_folder_count;
}

void FolderTree::Rename(NodeId node, std::string_view name)
{
    Node& renamed = m_nodes[node];
    renamed.Name.assign(name);
    ++m_revision;
    if (renamed.Parent == NoNode)
        return;
    Node& parent = m_nodes[renamed.Parent];
    parent.ChildIndex.ChildRenamed(parent.Children, NameOf());
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
