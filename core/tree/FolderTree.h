#pragma once

// The in-memory folder tree: one root node whose caption shows the parent
// folder, and below it the folders. Nodes live in an arena and are addressed
// by stable integer ids; removing a node detaches its subtree but keeps the
// ids valid, so a caller can still ask whether a node is in the tree.

#include "core/tree/NameIndex.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

using NodeId = NameIndex::Id;
constexpr NodeId NoNode = NameIndex::NoId;

// Where in the source text the line that made a node stands: offsets count
// Shift-JIS bytes, each line break as two.
struct LineRange {
    std::int32_t Start = 0;
    std::int32_t Length = 0;
};

class FolderTree {
public:
    static constexpr std::string_view NoRootText = "<ROOT>";
    // The most folders one read may create; tags multiply quickly.
    static constexpr std::size_t DefaultFolderBudget = 1'000'000;

    FolderTree();

    // Flags shared by the readers, the writers and the tree pane.
    std::string EditPath;
    bool TreeEdited = false;
    bool NewNodePending = false;
    bool MacroMode = false;
    std::vector<LineRange> LineTable;

    // Parent folder. An empty path means none; a Windows-style path gets a
    // trailing "\", a POSIX path (beginning with "/") a trailing "/".
    void SetRootPath(std::string_view path);
    std::string GetRootPath() const { return m_root_path; }
    // The root node's caption: "<ROOT>", or "ROOT [" + the parent folder + "]".
    std::string GetRootText() const;

    bool IsTreeModified() const { return TreeEdited && !MacroMode; }

    // The read frame: every node is removed and the root node is added with
    // the caption RootText; the folder budget starts afresh.
    void BeginRead(bool macro_mode);
    // Ends the read frame: clears TreeEdited.
    void EndRead();
    // Removes every node, the root included (the state before the first read).
    void Clear();

    bool HasRoot() const { return m_root != NoNode; }
    NodeId Root() const { return m_root; }
    // Nodes in the tree, the root node included.
    std::size_t NodeCount() const { return m_attached_count; }

    std::string const& Name(NodeId node) const { return m_nodes[node].Name; }
    std::int32_t Data(NodeId node) const { return m_nodes[node].Data; }
    void SetData(NodeId node, std::int32_t data) { m_nodes[node].Data = data; }
    NodeId Parent(NodeId node) const { return m_nodes[node].Parent; }
    // The root node has depth 0, top-level folders depth 1.
    int Depth(NodeId node) const { return m_nodes[node].Depth; }
    std::vector<NodeId> const& Children(NodeId node) const { return m_nodes[node].Children; }
    bool IsInTree(NodeId node) const;

    // The first child of `parent` named exactly `name`, or NoNode.
    NodeId FindChildNode(NodeId parent, std::string_view name) const;
    // The child named `name`, appended (with the data value of the newest
    // LineTable record) when there is none. NoNode when the folder budget is spent.
    NodeId AddUniqueChild(NodeId parent, std::string_view name);
    // Appends a new last child. NoNode when the folder budget is spent.
    NodeId AppendChild(NodeId parent, std::string_view name, std::int32_t data);
    // Appends under `target` a copy of every child of `source`, to any depth.
    // Stops when the folder budget is spent.
    void CopySubtree(NodeId target, NodeId source);
    // Detaches the node and everything below it from the tree.
    void RemoveNode(NodeId node);
    void Rename(NodeId node, std::string_view name);

    // The names from the top-level folder down to the node, joined by "/".
    std::string GetNodePath(NodeId node) const;

    // Visits every node below `node` (not `node` itself) in pre-order; the
    // visitor gets the node and its depth relative to `node` (children are 1).
    void WalkDescendants(NodeId node, std::function<void(NodeId, int)> const& visit) const;

    // The folder budget of one read. A read that would create more folders
    // stops creating them and marks the tree truncated.
    void SetFolderBudget(std::size_t budget) { m_folder_budget = budget; }
    std::size_t FolderBudget() const { return m_folder_budget; }
    bool IsTruncated() const { return m_truncated; }
    // Marks the read truncated when the tag expansion stops on a limit of its
    // own (the names it generates and their size grow with the folder budget).
    void MarkTruncated() { m_truncated = true; }

private:
    struct Node {
        std::string Name;
        std::int32_t Data = 0;
        NodeId Parent = NoNode;
        int Depth = 0;
        bool Attached = true;
        std::vector<NodeId> Children;
        NameIndex ChildIndex;
    };

    // The name of a node, for the name indexes of the children lists.
    auto NameOf() const
    {
        return [this](NodeId node) -> std::string const& { return m_nodes[node].Name; };
    }

    NodeId NewNode(NodeId parent, std::string_view name, std::int32_t data);
    // Takes the node out of its parent's children.
    void DetachFromParent(NodeId node);

    std::vector<Node> m_nodes; // a pool: the first m_used records are this read's nodes
    std::size_t m_used = 0;
    NodeId m_root = NoNode;
    std::size_t m_attached_count = 0;
    std::string m_root_path; // empty: no parent folder
    std::size_t m_folder_budget = DefaultFolderBudget;
    std::size_t m_folders_created = 0;
    bool m_truncated = false;
    bool m_reading = false;
};

} // namespace edamaki
