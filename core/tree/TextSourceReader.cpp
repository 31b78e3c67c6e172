#include "core/tree/TextSourceReader.h"

#include "core/text/ShiftJis.h"

#include <utility>
#include <vector>

namespace edamaki {

namespace {

// Walks the parts of each line from the root node. Lines that share their
// first parts with the line before reach the same folders through them (the
// tree only grows during the read, and a part that found or added a folder
// finds it again), so the walk starts where the two lines part.
class TextReader {
public:
    explicit TextReader(FolderTree& tree)
        : m_tree(tree)
    {
    }

    // Reads one folder line, trimmed; false when the read stopped.
    bool ReadFolderLine(std::string_view line)
    {
        // A double quote splits nothing here: the line is cut at "\" alone, and
        // a part holding a quote is an invalid name that is skipped.
        SplitAt(line, '\\', m_parts);
        m_parts.front() = StripDrive(m_parts.front());

        std::size_t shared = 0;
        while (shared < m_parts.size() && shared < m_previous.size() && m_parts[shared] == m_previous[shared])
            ++shared;
        m_reached.resize(shared);
        NodeId folder = shared == 0 ? m_tree.Root() : m_reached.back();
        for (std::size_t index = shared; index < m_parts.size(); ++index) {
            folder = Walk(folder, m_parts[index]);
            if (folder == NoNode) {
                m_previous.clear();
                return false;
            }
            m_reached.push_back(folder);
        }
        // The parts point into the line, which stays until the read ends.
        m_previous.swap(m_parts);
        return true;
    }

private:
    // The folder that part `part` leads to from `folder`; NoNode when the
    // read stopped.
    NodeId Walk(NodeId folder, std::string_view part)
    {
        // No folder of the read has an invalid name, so such a part finds none.
        if (part.empty() || IsDotName(part) || HasInvalidNameCharacter(part))
            return folder;
        return m_tree.FindOrAppendChild(folder, part, 0);
    }

    FolderTree& m_tree;
    std::vector<std::string_view> m_parts;
    std::vector<std::string_view> m_previous; // the parts of the line before
    std::vector<NodeId> m_reached;            // the folder each of them led to
};

} // namespace

TextLineKind ClassifyTextLine(std::string_view trimmed_line, bool first)
{
    if (trimmed_line.empty())
        return TextLineKind::Blank;
    if (trimmed_line.front() == ';')
        return TextLineKind::Comment;
    if (first && BeginsWithParentFolder(trimmed_line))
        return TextLineKind::ParentFolder;
    return TextLineKind::Folder;
}

void ApplyParentFolderLine(FolderTree& tree, std::string_view trimmed_line)
{
    tree.SetRootPath(IsValidParentFolderLine(trimmed_line) ? trimmed_line : std::string_view {});
}

void LoadTextSource(FolderTree& tree, SourceLines const& lines)
{
    tree.BeginRead(false, lines.ByteCount());
    TextReader reader(tree);
    bool first = true;
    for (std::string_view const untrimmed : lines) {
        std::string_view const line = TrimBlanks(untrimmed);
        TextLineKind const kind = ClassifyTextLine(line, std::exchange(first, false));
        if (kind == TextLineKind::ParentFolder)
            ApplyParentFolderLine(tree, line);
        if (kind != TextLineKind::Folder)
            continue;
        if (!reader.ReadFolderLine(line))
            break;
    }
    tree.EndRead();
}

} // namespace edamaki
