#include "core/tree/TextSourceReader.h"

#include "core/text/ShiftJis.h"

namespace edamaki {

void ApplyParentFolderLine(FolderTree& tree, std::string_view trimmed_line)
{
    tree.SetRootPath(IsValidParentFolderLine(trimmed_line) ? trimmed_line : std::string_view {});
}

void LoadTextSource(FolderTree& tree, std::vector<std::string> const& lines)
{
    tree.BeginRead(false);
    std::vector<std::string_view> parts;
    for (std::size_t index = 0; index < lines.size() && !tree.IsTruncated(); ++index) {
        std::string_view const line = TrimBlanks(lines[index]);
        if (line.empty() || line.front() == ';')
            continue;
        if (index == 0 && BeginsWithParentFolder(line)) {
            ApplyParentFolderLine(tree, line);
            continue;
        }

        // A double quote splits nothing here: the line is cut at "\" alone, and
        // a part holding a quote is an invalid name that is skipped.
        SplitAt(line, '\\', parts);
        parts.front() = StripDrive(parts.front());

        NodeId folder = tree.Root();
        for (std::string_view const part : parts) {
            if (part.empty() || IsDotName(part))
                continue;
            if (NodeId const existing = tree.FindChildNode(folder, part); existing != NoNode) {
                folder = existing;
                continue;
            }
            if (HasInvalidNameCharacter(part))
                continue;
            NodeId const added = tree.AppendChild(folder, part, 0);
            if (added == NoNode)
                break;
            folder = added;
        }
    }
    tree.EndRead();
}

} // namespace edamaki
