#pragma once

// The expansion of macro tags. When the block of a tag line ends, the macro
// reader hands the line's placeholder node T to ExpandName, which either makes
// the folders that the tags of the line generate (beside T, each with a copy of
// what is nested under T) or applies an add, delete or rename tag to the tree.
// The tags are read with TagSyntax; this is what they do to the tree.
//
// Several generating tags on one line give every combination of their values,
// the leftmost changing slowest. The expansion cuts the whole line into its
// tags first and then counts through the combinations in a loop: the stack
// does not grow with the tags of a line, and the limits bound the time:
//  - it stops at once when the tree stops the read (its folders or the nodes
//    made in all reach their limits), or when T has left the tree (a delete
//    tag in the line removed a folder holding it);
//  - it also stops the read when it has generated more than NamesPerFolder
//    names per folder of budget (names that make no folder, such as empty or
//    repeated ones, count too), or more than BytesPerFolder bytes of names per
//    folder of budget (generated names and copied folders).

#include "core/tree/FolderTree.h"
#include "core/tree/SourceMap.h"
#include "core/tree/TagSyntax.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace edamaki {

namespace detail {
struct ExpansionPlan;
class TagValues;
} // namespace detail

class TagExpansion {
public:
    static constexpr std::size_t NamesPerFolder = 4;
    static constexpr std::size_t BytesPerFolder = 256;

    // Folders an add tag makes carry the data value of the line `map` recorded
    // last (-1 without one).
    explicit TagExpansion(FolderTree& tree, SourceMap const* map = nullptr);

    // Makes the folder or folders that `text` stands for; `tag_node` is T.
    void ExpandName(NodeId tag_node, std::string_view text);
    // `rest` begins with "<": cuts the first tag out of it and acts on it.
    void ExpandTag(NodeId tag_node, std::string_view prefix, std::string_view rest);

    // The generating tags: one name prefix + value + suffix per value, in order;
    // the suffix may hold further tags.
    void ExpandNumberTag(
        NodeId tag_node, std::string_view tag, std::string_view prefix, std::string_view suffix);
    void ExpandCharTag(
        NodeId tag_node, std::string_view tag, std::string_view prefix, std::string_view suffix);
    void ExpandListTag(
        NodeId tag_node, std::string_view tag, std::string_view prefix, std::string_view suffix);

    // The tree-changing tags, on their own (without copying what is nested
    // under T to the top level, which ExpandTag does).
    void ApplyAddTag(NodeId tag_node, std::string_view tag);
    void ApplyDeleteTag(std::string_view tag);
    void ApplyRenameTag(NodeId tag_node, std::string_view tag);

private:
    struct NestedSize {
        std::size_t Folders = 0;
        std::size_t Bytes = 0;
    };

    using TagParser = std::optional<detail::TagValues> (*)(std::string_view tag);
    void ExpandGenerated(NodeId tag_node, std::string_view tag, TagParser parse, std::string_view prefix,
        std::string_view suffix);
    // Makes the folders, or applies the tree tag, of every combination of
    // the values of the plan's tags.
    void Run(NodeId tag_node, detail::ExpansionPlan const& plan);
    bool MakeFolder(NodeId tag_node, std::string const& name, NestedSize nested);
    bool ApplyTreeTag(NodeId tag_node, detail::ExpansionPlan const& plan, NestedSize nested);
    NestedSize MeasureNested(NodeId tag_node) const;

    // Each returns whether it changed the tree.
    bool AddPath(NodeId tag_node, AddTag const& tag);
    bool DeletePath(DeleteTag const& tag);
    bool RenamePath(NodeId tag_node, RenameTag const& tag);

    bool SpendName();
    bool SpendBytes(std::size_t bytes);

    FolderTree& m_tree;
    SourceMap const* m_map;
    std::size_t m_names_generated = 0;
    std::size_t m_bytes_generated = 0;
    std::string m_name;
};

} // namespace edamaki
