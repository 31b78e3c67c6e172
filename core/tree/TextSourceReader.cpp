#include "core/tree/TextSourceReader.h"

#include "core/text/ShiftJis.h"

#include <utility>
#include <vector>

namespace edamaki {

namespace {

// Walks the parts of each line from the root node. Lines that share their
// first folders with the line before reach the same folders through them (the
// tree only grows during the read, and a part that found or added a folder
// finds it again), so the walk picks up where the two lines part.
//
// A line is cut at "\\" alone (a double quote splits nothing here), and each
// part is judged as it is cut: an empty part, "." or "..", and a part holding
// an invalid name character make no folder and are not kept, so a line of
// millions of separators costs no more than its folders.
class TextReader {
public:
    explicit TextReader(FolderTree& tree)
        : m_tree(tree)
    {
    }

    // Reads one folder line, trimmed, line `line_index` of the source; false
    // when the read stopped.
    bool ReadFolderLine(std::string_view line, std::size_t line_index)
    {
        m_parts.clear();
        m_reached.clear();
        bool shared = true; // the folders so far are the line before's first ones
        NodeId folder = m_tree.Root();
        std::size_t start = 0;
        for (bool first = true;; first = false) {
            std::size_t const cut = FindCharacter(line, '\\', start);
            std::string_view part = line.substr(start, cut == std::string_view::npos ? cut : cut - start);
            if (first)
                part = StripDrive(part);
            if (MakesFolder(part)) {
                std::size_t const index = m_parts.size();
                shared = shared && index < m_previous.size() && m_previous[index] == part;
                folder = shared ? m_previous_reached[index] : m_tree.FindOrAppendChild(folder, part, 0);
                if (folder == NoNode) {
                    m_previous.clear();
                    m_previous_reached.clear();
                    return false;
                }
                m_parts.push_back(part);
                m_reached.push_back(folder);
            } else if (!part.empty()) {
                NoteLeftOut(line_index, part);
            }
            if (cut == std::string_view::npos)
                break;
            start = cut + 1;
        }
        // The parts point into the line, which stays until the read ends.
        m_previous.swap(m_parts);
        m_previous_reached.swap(m_reached);
        return true;
    }

private:
    // A part that names no folder is told to the user, where the line's
    // folders above it stand; an empty one ("a\\b", a last "\\") is not.
    void NoteLeftOut(std::size_t line_index, std::string_view part)
    {
        if (m_tree.LeftOutParts().size() >= FolderTree::MostLeftOutParts)
            return;
        LeftOutPart left_out { {}, line_index, std::string(part) };
        left_out.Folder.assign(m_parts.begin(), m_parts.end());
        m_tree.NoteLeftOutPart(std::move(left_out));
    }

    // No folder of the read has an invalid name, so such a part finds none.
    static bool MakesFolder(std::string_view part) { return IsValidFolderName(part); }

    FolderTree& m_tree;
    std::vector<std::string_view> m_parts;    // the parts of this line that make folders
    std::vector<NodeId> m_reached;            // the folder each of them led to
    std::vector<std::string_view> m_previous; // the same for the line before
    std::vector<NodeId> m_previous_reached;
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
    std::size_t line_index = 0;
    for (std::string_view const untrimmed : lines) {
        std::size_t const index = line_index++;
        std::string_view const line = TrimBlanks(untrimmed);
        TextLineKind const kind = ClassifyTextLine(line, std::exchange(first, false));
        if (kind == TextLineKind::ParentFolder)
            ApplyParentFolderLine(tree, line);
        if (kind != TextLineKind::Folder)
            continue;
        if (!reader.ReadFolderLine(line, index))
            break;
    }
    tree.EndRead();
}

} // namespace edamaki
