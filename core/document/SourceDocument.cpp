#include "core/document/SourceDocument.h"

#include "core/text/ShiftJis.h"
#include "core/tree/MacroSourceReader.h"
#include "core/tree/SourceWriters.h"
#include "core/tree/TextSourceReader.h"

#include <optional>

namespace edamaki {

SourceMode DetectSourceMode(std::vector<std::string> const& lines)
{
    if (!lines.empty() && TrimBlanks(lines.front()) == MacroHeader)
        return SourceMode::Macro;
    return SourceMode::Text;
}

bool IsParentFolderLine(std::string_view line)
{
    return (line.size() >= 2 && line[1] == ':') || line.starts_with("\\\\") || line.starts_with('/');
}

void ReadSource(FolderTree& tree, std::vector<std::string> const& lines)
{
    if (DetectSourceMode(lines) == SourceMode::Macro)
        LoadMacroSource(tree, lines);
    else
        LoadTextSource(tree, lines);
}

std::vector<std::string> ConvertSource(FolderTree& tree, std::vector<std::string> const& lines, SourceMode to)
{
    std::size_t const parent_line_index = DetectSourceMode(lines) == SourceMode::Macro ? 1 : 0;
    std::optional<std::string> parent_line;
    if (parent_line_index < lines.size() && IsParentFolderLine(lines[parent_line_index]))
        parent_line = lines[parent_line_index];

    std::vector<std::string> result;
    if (to == SourceMode::Text) {
        MakeText(tree, result);
        if (parent_line)
            result.insert(result.begin(), *parent_line);
        return result;
    }
    result = lines;
    MakeScript(tree, result);
    LoadMacroSource(tree, result);
    if (parent_line)
        result.insert(result.begin() + 1, *parent_line);
    return result;
}

void TrimLines(std::vector<std::string>& lines)
{
    for (auto& line : lines) {
        std::string_view const trimmed = TrimBlanks(line);
        if (trimmed.size() != line.size())
            line = std::string(trimmed);
    }
}

} // namespace edamaki
