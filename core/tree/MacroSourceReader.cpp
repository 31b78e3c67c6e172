#include "core/tree/MacroSourceReader.h"

#include "core/text/ShiftJis.h"
#include "core/text/SourceOffsets.h"
#include "core/tree/TagExpansion.h"
#include "core/tree/TextSourceReader.h"

#include <algorithm>

namespace edamaki {

namespace {

// One read of a macro source. Besides the tree, a read keeps the current
// folder, the level of the previous folder line and the pending tag lines.
//
// Placing lines goes by the levels that the lines asked for, not by the depth
// of the folders in the tree: the two part when a line's name is invalid (it
// adds no folder, so what is nested under it sits one folder higher) or when
// the current folder was reset to the root node. Every folder that a line
// makes current remembers that line's level, so a line at level L always goes
// under the last line above it at a level below L, and a tag line's block
// ends at the next line at its own level or a lower one.
class MacroReader {
public:
    MacroReader(FolderTree& tree, SourceMap& map)
        : m_tree(tree)
        , m_map(map)
        , m_expansion(tree, &map)
    {
    }

    void Read(SourceLines const& lines)
    {
        m_current = m_tree.Root();
        SetLevel(m_current, 0);

        std::size_t line_start = 0;
        std::size_t index = 0;
        std::string_view previous;
        for (std::string_view const line : lines) {
            if (m_tree.IsTruncated())
                break;
            if (index++ == 0) {
                previous = line;
                continue;
            }
            line_start = NextLineStart(line_start, previous);
            previous = line;
            // The line's range takes in its line break.
            m_line = { ClampOffset(line_start), ClampOffset(line.size() + LineBreakLength) };
            ReadLine(index - 1, line);
        }

        // Deeper tag lines expand before the tag lines that hold them.
        while (!m_pending.empty() && !m_tree.IsTruncated()) {
            NodeId const tag_node = m_pending.back();
            m_pending.pop_back();
            if (!m_tree.IsInTree(tag_node))
                continue;
            Expand(tag_node);
            m_tree.RemoveNode(tag_node);
        }
        // A truncated read shows no placeholders of tag lines.
        for (NodeId const tag_node : m_pending)
            m_tree.RemoveNode(tag_node);
    }

private:
    void ReadLine(std::size_t index, std::string_view line)
    {
        std::string_view const text = TrimBlanks(line);
        if (text.empty() || text.front() == ';')
            return;
        if (index == 1 && BeginsWithParentFolder(text)) {
            ApplyParentFolderLine(m_tree, text);
            return;
        }

        std::size_t const markers = std::min(text.find_first_not_of('>'), text.size());
        int const level = static_cast<int>(std::min<std::size_t>(markers + 1, m_previous_level + 1));
        std::string_view const name = StripDrive(TrimBlanks(text.substr(markers)));
        // A line without a name leaves no trace, not even its level.
        if (name.empty() || IsDotName(name))
            return;

        std::int32_t const data = m_map.AddLine(m_line);
        if (level <= m_previous_level) {
            EndBlocks(level);
            if (m_tree.IsTruncated())
                return;
        }

        if (HasMacroTag(name)) {
            // A placeholder that carries the whole text; its expansion replaces it.
            NodeId const tag_node = m_tree.AddPlaceholder(m_current, name, data);
            if (tag_node == NoNode)
                return;
            m_pending.push_back(tag_node);
            MakeCurrent(tag_node, level);
        } else if (!HasInvalidNameCharacter(name)) {
            NodeId const folder = m_tree.FindOrAppendChild(m_current, name, data);
            if (folder == NoNode)
                return;
            MakeCurrent(folder, level);
        }
        m_previous_level = level;
    }

    // The blocks of the pending tag lines at `level` or deeper end: they are
    // expanded, innermost first, and the current folder moves up to where a
    // line at `level` goes.
    void EndBlocks(int level)
    {
        while (!m_pending.empty()) {
            NodeId const tag_node = m_pending.back();
            if (!m_tree.IsInTree(tag_node)) {
                // A delete tag removed it; nothing is expanded or copied from it.
                m_pending.pop_back();
                continue;
            }
            if (LevelOf(tag_node) < level)
                break;
            Expand(tag_node);
            m_pending.pop_back();
            if (m_tree.IsInTree(tag_node)) {
                m_current = m_tree.Parent(tag_node);
                m_tree.RemoveNode(tag_node);
            } else {
                m_current = m_tree.Root();
            }
            if (m_tree.IsTruncated())
                return;
        }
        if (!m_tree.IsInTree(m_current) || m_tree.Name(m_current).empty())
            m_current = m_tree.Root();
        while (level <= LevelOf(m_current))
            m_current = m_tree.Parent(m_current);
    }

    void Expand(NodeId tag_node)
    {
        // The expansion copies the text before it changes the tree.
        m_expansion.ExpandName(tag_node, m_tree.Name(tag_node));
    }

    void MakeCurrent(NodeId folder, int level)
    {
        m_current = folder;
        SetLevel(folder, level);
    }

    void SetLevel(NodeId node, int level)
    {
        auto const slot = static_cast<std::size_t>(node);
        if (slot >= m_levels.size())
            m_levels.resize(std::max(slot + 1, m_levels.size() * 2), -1);
        m_levels[slot] = level;
    }

    int LevelOf(NodeId node) const
    {
        if (node == m_tree.Root())
            return 0;
        auto const slot = static_cast<std::size_t>(node);
        if (slot < m_levels.size() && m_levels[slot] >= 0)
            return m_levels[slot];
        return m_tree.Depth(node);
    }

    FolderTree& m_tree;
    SourceMap& m_map;
    TagExpansion m_expansion;
    LineRange m_line; // where the line being read stands in the source
    NodeId m_current = NoNode;
    int m_previous_level = 0;
    std::vector<NodeId> m_pending;
    std::vector<int> m_levels; // by node: the level of the line that last made it current
};

} // namespace

void LoadMacroSource(FolderTree& tree, SourceMap& map, SourceLines const& lines)
{
    tree.BeginRead(true, lines.ByteCount());
    map.BeginRead(true);
    if (!lines.IsEmpty())
        MacroReader(tree, map).Read(lines);
    tree.EndRead();
}

void LoadMacroSource(FolderTree& tree, SourceLines const& lines)
{
    SourceMap map;
    LoadMacroSource(tree, map, lines);
}

} // namespace edamaki
