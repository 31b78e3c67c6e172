#include "core/document/SourceDocument.h"

#include "core/disk/HostFileSystem.h"
#include "core/text/ShiftJis.h"
#include "core/tree/MacroSourceReader.h"
#include "core/tree/SourceWriters.h"
#include "core/tree/TextSourceReader.h"

#include <algorithm>
#include <optional>

namespace edamaki {

namespace {

// The parent folder (Shift-JIS, ending with its separator) is an absolute
// path in the host's style. The host's separator and the leading "/" are
// plain ASCII, the same byte in Shift-JIS.
bool IsUsableParentFolder(std::string_view root_path)
{
    return root_path.back() == HostFileSystem::Separator && HostFileSystem::IsAbsoluteFolderPath(root_path);
}

} // namespace

SourceMode DetectSourceMode(SourceLines const& lines)
{
    auto const first = lines.Line(0);
    if (first && TrimBlanks(*first) == MacroHeader)
        return SourceMode::Macro;
    return SourceMode::Text;
}

bool IsParentFolderLine(std::string_view line)
{
    // The readers' own rule: a line set off by blanks names the parent folder all the same.
    return BeginsWithParentFolder(TrimBlanks(line));
}

SourceMode ReadSource(FolderTree& tree, SourceMap& map, SourceLines const& lines)
{
    SourceMode const mode = DetectSourceMode(lines);
    if (mode == SourceMode::Macro) {
        LoadMacroSource(tree, map, lines);
    } else {
        map.BeginRead(false);
        LoadTextSource(tree, lines);
    }
    return mode;
}

SourceMode ReadSource(FolderTree& tree, SourceLines const& lines)
{
    SourceMap map;
    return ReadSource(tree, map, lines);
}

std::size_t ParentFolderLineIndex(SourceMode mode)
{
    return mode == SourceMode::Macro ? 1 : 0;
}

std::optional<std::size_t> FindParentFolderLine(SourceLines const& lines)
{
    std::size_t const index = ParentFolderLineIndex(DetectSourceMode(lines));
    if (auto const line = lines.Line(index); line && IsParentFolderLine(*line))
        return index;
    return std::nullopt;
}

ParentFolderCarry FindParentFolderCarry(SourceLines const& lines, SourceMode to)
{
    return { FindParentFolderLine(lines), ParentFolderLineIndex(to) };
}

SourceConversion ConvertSourceLines(
    FolderTree const& tree, std::vector<std::string> const& lines, SourceMode to)
{
    SourceConversion conversion { FindParentFolderCarry(lines, to), {} };
    if (to == SourceMode::Text) {
        MakeText(tree, conversion.Lines);
        return conversion;
    }
    conversion.Lines = lines;
    MakeScript(tree, conversion.Lines);
    return conversion;
}

void WriteConvertedSource(
    FolderTree const& tree, SourceLines const& lines, SourceMode to, LineSink const& sink)
{
    ParentFolderCarry const carry = FindParentFolderCarry(lines, to);
    std::string_view const carried_line
        = carry.CarriedFrom ? *lines.Line(*carry.CarriedFrom) : std::string_view {};
    // The carried line goes where InsertCarriedLine puts it: before the
    // written line that takes its place, or last when none does.
    bool pending = carry.CarriedFrom.has_value();
    std::size_t written = 0;
    auto const write = [&](std::string_view line) {
        if (pending && written == carry.CarriedTo) {
            sink(carried_line);
            pending = false;
        }
        sink(line);
        ++written;
    };
    if (to == SourceMode::Text)
        MakeText(tree, write);
    else
        MakeScript(tree, write);
    if (pending)
        sink(carried_line);
}

std::optional<RunRefusal> CheckCreationRun(FolderTree const& tree)
{
    if (tree.GetRootPath().empty())
        return RunRefusal { RunRefusal::NoParentFolder };
    if (!IsUsableParentFolder(tree.GetRootPath()))
        return RunRefusal { RunRefusal::UnusableParentFolder };
    if (auto const& stop = tree.ReadStopped())
        return RunRefusal { RunRefusal::TooManyFolders, *stop };
    return std::nullopt;
}

} // namespace edamaki
