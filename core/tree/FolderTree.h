#pragma once

// The in-memory folder tree: one root node whose caption shows the parent
// folder, and below it the folders. Nodes live in an arena and are addressed
// by stable integer ids; removing a node detaches its subtree but keeps the
// ids valid, so a caller can still ask whether a node is in the tree.
//
// A node is a small record (24 bytes): its name lives in one shared buffer
// (a copied folder shares its original's), its children in one shared store
// of ids (ChildLists). A read sizes the arena from the size of its source.

#include "core/tree/ChildLists.h"
#include "core/tree/NameStore.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

using NodeId = ChildLists::Id;
constexpr NodeId NoNode = ChildLists::NoId;

// The limits of one read. A read that reaches one stops there and remembers
// which limit it was, with the figure that limit allows.
enum class ReadLimit {
    Folders,        // folders of the finished tree (the folder budget)
    ExpansionWork,  // nodes made in all, placeholders and copies that the read removes again included
    GeneratedNames, // names that the tag expansion generates
    NameBytes,      // bytes of the names it generates and of the folders it copies
    Cancelled,      // the read was called off before it ended (see SetCancelSignal)
};

struct ReadStop {
    ReadLimit Limit = ReadLimit::Folders;
    std::size_t Figure = 0;

    bool operator==(ReadStop const&) const = default;
};

// A part of a text-mode source line that made no folder for its name ("a:b",
// ".."): the line's folders above it, from a top-level folder down (none: it
// was the line's first), the line (from 0) and the part.
struct LeftOutPart {
    std::vector<std::string> Folder;
    std::size_t Line = 0;
    std::string Part;
};

class FolderTree {
public:
    static constexpr std::string_view NoRootText = "<ROOT>";
    // The most folders the tree of one read may hold; tags multiply quickly.
    static constexpr std::size_t DefaultFolderBudget = 1'000'000;
    // The nodes one read may make in all, per folder of budget: the tag
    // expansion makes placeholders and copies under them that it removes again.
    static constexpr std::size_t NodesPerFolder = 2;
    // The largest folder budget: the nodes of one read stay far within what a
    // node's depth and a folder's count of children can hold.
    static constexpr std::size_t MostFolderBudget = std::size_t(1) << 26;

    FolderTree();

    // Parent folder. An empty path means none; a Windows-style path gets a
    // trailing "\", a POSIX path (beginning with "/") a trailing "/".
    void SetRootPath(std::string_view path);
    std::string GetRootPath() const { return m_root_path; }
    // The root node's caption: "<ROOT>", or "ROOT [" + the parent folder + "]".
    std::string GetRootText() const;

    // The read frame: every node is removed and the root node is added with
    // the caption RootText; the folder budget starts afresh. The arena is
    // sized for a source of `source_bytes` bytes.
    void BeginRead(bool macro_mode, std::size_t source_bytes = 0);
    // Ends the read frame.
    void EndRead();
    // Removes every node, the root included (the state before the first read).
    void Clear();

    bool HasRoot() const { return m_root != NoNode; }
    NodeId Root() const { return m_root; }
    // Nodes in the tree, the root node included.
    std::size_t NodeCount() const { return m_attached_count; }
    // Every node id of the tree, removed nodes' included, is below this.
    std::size_t NodeIdLimit() const { return m_nodes.size(); }
    // Folders in the tree that are neither a placeholder nor below one.
    std::size_t FolderCount() const { return m_folder_count; }

    // Valid until the tree next changes.
    std::string_view Name(NodeId node) const { return m_names.Get(m_nodes[node].Name); }
    std::int32_t Data(NodeId node) const { return m_nodes[node].Data; }
    void SetData(NodeId node, std::int32_t data)
    {
        m_nodes[node].Data = data;
        ++m_revision;
    }
    NodeId Parent(NodeId node) const { return m_nodes[node].Parent; }
    // A placeholder of a tag line, or a node below one.
    bool InPlaceholder(NodeId node) const { return m_nodes[node].Has(Node::InPlaceholder); }
    // The root node has depth 0, top-level folders depth 1.
    int Depth(NodeId node) const { return m_nodes[node].Depth(); }
    // In order; valid until the tree next changes.
    std::span<NodeId const> Children(NodeId node) const { return m_children.Items(m_nodes[node].Children); }
    bool IsInTree(NodeId node) const;

    // The first child of `parent` named exactly `name`, or NoNode.
    NodeId FindChildNode(NodeId parent, std::string_view name) const;
    // Appends a new last child. NoNode when the folder budget is spent.
    NodeId AppendChild(NodeId parent, std::string_view name, std::int32_t data);
    // The child named `name`, appended with `data` when there is none. NoNode
    // when the folder budget is spent.
    NodeId FindOrAppendChild(NodeId parent, std::string_view name, std::int32_t data);
    // Like FindOrAppendChild, but a new child is a placeholder of a tag line: the
    // read removes it again, so neither it nor anything below it counts
    // against the folder budget.
    NodeId AddPlaceholder(NodeId parent, std::string_view name, std::int32_t data);
    // Appends under `target` a copy of every child of `source`, to any depth.
    // Stops when the folder budget is spent.
    void CopySubtree(NodeId target, NodeId source);
    // Detaches the node and everything below it from the tree.
    void RemoveNode(NodeId node);
    void Rename(NodeId node, std::string_view name);

    // Puts before the child at `row` of `parent` (at the end when `row` is
    // the number of children) a copy of each of `sources`, nodes of another
    // tree, with everything below them: names, data values and all. Outside
    // a read, so the folder budget refuses nothing.
    void InsertCopies(
        NodeId parent, std::size_t row, FolderTree const& source, std::span<NodeId const> sources);
    // Renames each of `nodes`, children of `parent`, to the name at the same
    // place in `names`; a folder with many children is renamed in one step.
    void RenameChildren(
        NodeId parent, std::span<NodeId const> nodes, std::span<std::string_view const> names);
    // Detaches `count` children of `parent` from `row` on, with everything below them.
    void RemoveChildren(NodeId parent, std::size_t row, std::size_t count);
    // The node takes the data value of `other_node`, a node of `other`.
    void CopyNodeState(NodeId node, FolderTree const& other, NodeId other_node);
    // Every node whose data value is an index of `renumbered` takes the value there.
    void RenumberData(std::span<std::int32_t const> renumbered);
    // Records of nodes made since the tree was last cleared, removed ones included.
    std::size_t PoolSize() const { return m_nodes.size(); }
    // Changes whenever a node is made, removed or renamed or its data value
    // set: the same revision seen again means the same nodes.
    std::uint64_t Revision() const { return m_revision; }
    // Takes every node and all the state of `other`, which gets this tree's;
    // the revision moves on.
    void ReplaceWith(FolderTree& other);

    // What a read keeps: the parent folder and the folder budget, taken from
    // `other` before this tree reads a source in its place.
    void CopyKeptState(FolderTree const& other);
    // What a read leaves besides its nodes: the parent folder and why the
    // read stopped, if it did.
    void CopyReadState(FolderTree const& other);

    // The names from the top-level folder down to the node, joined by "/".
    std::string GetNodePath(NodeId node) const;

    // Visits every node below `node` (not `node` itself) in pre-order; the
    // visitor gets the node and its depth relative to `node` (children are 1).
    void WalkDescendants(NodeId node, std::function<void(NodeId, int)> const& visit) const;

    // The folder budget of one read. A read whose tree would hold more
    // folders, or that would make more than NodesPerFolder nodes per folder of
    // budget in all, stops making them and marks the tree truncated.
    void SetFolderBudget(std::size_t budget) { m_folder_budget = std::min(budget, MostFolderBudget); }
    std::size_t FolderBudget() const { return m_folder_budget; }
    // The folder budget times `per_folder`, at most the largest size.
    std::size_t BudgetTimes(std::size_t per_folder) const;
    bool IsTruncated() const { return m_stop.has_value(); }
    // The parts of lines the read left out for their names, the first
    // MostLeftOutParts of them.
    std::vector<LeftOutPart> const& LeftOutParts() const { return m_left_out; }
    void NoteLeftOutPart(LeftOutPart part);
    static constexpr std::size_t MostLeftOutParts = 1000;
    // The limit that stopped the read, if one did.
    std::optional<ReadStop> const& ReadStopped() const { return m_stop; }
    // Stops the read at `limit`, which allows `figure`; the first stop is kept.
    // The tag expansion stops on limits of its own (the names it generates and
    // their size grow with the folder budget).
    void StopRead(ReadLimit limit, std::size_t figure);
    // A read on a thread of its own stops soon after `signal` reads true, as
    // at a limit (Cancelled). The signal outlives the reads; null: none.
    void SetCancelSignal(std::atomic<bool> const* signal) { m_cancel = signal; }

private:
    struct Node {
        // Flags beside the depth, in one word read and written whole.
        static constexpr std::uint32_t Attached = std::uint32_t(1) << 31;
        static constexpr std::uint32_t InPlaceholder = std::uint32_t(1) << 30; // a placeholder or below one
        static constexpr std::uint32_t DepthBits = InPlaceholder - 1;

        NameStore::Offset Name = 0;
        std::int32_t Data = 0;
        NodeId Parent = NoNode;
        std::uint32_t DepthAndFlags = Attached;
        ChildLists::List Children;

        int Depth() const { return static_cast<int>(DepthAndFlags & DepthBits); }
        bool Has(std::uint32_t flag) const { return (DepthAndFlags & flag) != 0; }
    };

    // The name of a node, for the name indexes of the children lists.
    auto NameOf() const
    {
        return [this](NodeId node) { return m_names.Get(m_nodes[node].Name); };
    }

    // Sizes the arena for a read of a source of `source_bytes` bytes.
    void FitArena(bool macro_mode, std::size_t source_bytes);
    // A new last child of `parent`; `index_slot` is where a lookup of its
    // name said it goes in the parent's name index.
    NodeId NewNode(NodeId parent, std::string_view name, std::int32_t data, bool placeholder = false,
        std::size_t index_slot = ChildLists::NoSlot);
    NodeId NewNodeNamed(
        NodeId parent, NameStore::Offset name, std::int32_t data, bool placeholder, std::size_t index_slot);
    // A node record under `parent` that is not yet among its children.
    NodeId MakeRecord(NodeId parent, NameStore::Offset name, std::int32_t data, bool in_placeholder);
    // Marks the node and everything below it as out of the tree.
    void DetachSubtree(NodeId node);
    // During a read: counts a new node against the limits, or stops the read.
    bool SpendNode(bool in_placeholder);
    // Takes the node out of its parent's children.
    void DetachFromParent(NodeId node);

    std::vector<Node> m_nodes;
    NameStore m_names;
    ChildLists m_children;
    NodeId m_root = NoNode;
    std::size_t m_attached_count = 0;
    std::string m_root_path; // empty: no parent folder
    std::size_t m_folder_budget = DefaultFolderBudget;
    std::size_t m_folder_count = 0;
    std::size_t m_nodes_made = 0; // this read's, the root node excepted
    // The sizes the last read reached, so that reads of one source reuse the arena.
    std::size_t m_last_node_count = 0;
    std::size_t m_last_name_bytes = 0;
    std::optional<ReadStop> m_stop;
    std::vector<LeftOutPart> m_left_out;
    std::atomic<bool> const* m_cancel = nullptr;
    bool m_reading = false;
    std::uint64_t m_revision = 0;

    // Lists that copies and removals fill afresh each time, kept for their room.
    struct CopyEntry {
        NodeId Source;
        std::int32_t ParentEntry; // -1: a child of the target
    };
    struct Scratch {
        std::vector<CopyEntry> Entries;
        std::vector<CopyEntry> Pending;
        std::vector<NodeId> Removed;
    };
    Scratch m_scratch;
};

} // namespace edamaki
