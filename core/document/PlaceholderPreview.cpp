#include "core/document/PlaceholderPreview.h"

#include "core/document/SourceSize.h"
#include "core/text/ShiftJis.h"
#include "core/text/SourceOffsets.h"
#include "core/text/StandIn.h"
#include "core/tree/TextSourceReader.h"

#include <algorithm>
#include <utility>

namespace edamaki {

namespace {

constexpr std::string_view OpenBracket = "\x81\x73";  // 《
constexpr std::string_view CloseBracket = "\x81\x74"; // 》
constexpr std::string_view GetaMark = "\x81\xac";     // 〓

std::string JoinLines(std::vector<std::string> const& lines)
{
    std::string text;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (index > 0)
            text += '\n';
        text += lines[index];
    }
    return text;
}

std::vector<std::string> SplitAtLineFeeds(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (true) {
        std::size_t const end = text.find('\n', begin);
        lines.emplace_back(text.substr(begin, end == std::string_view::npos ? end : end - begin));
        if (end == std::string_view::npos)
            return lines;
        begin = end + 1;
    }
}

bool HoldsPlaceholder(std::string const& line)
{
    return line.find("<%") != std::string::npos && !FindPlaceholders(line).empty();
}

// The text filled as the pane shows it: a value that can't stand where its
// placeholder does gives way to the stand-in, and that to a bare one.
std::optional<std::string> FillForPreview(std::string const& text, PreviewValues const& values)
{
    PlaceholderValues given;
    for (Placeholder const& placeholder : FindPlaceholders(text))
        given[placeholder.Name] = StartingValue(placeholder, values.Last, values.Today)
                                      .value_or(PlaceholderStandIn(placeholder.Name));
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string filled = text;
        std::vector<PlaceholderRefusal> const refusals
            = FillPlaceholders(filled, given, values.Today, MostSourceBytes);
        if (refusals.empty())
            return filled;
        // Too large to fill at all: the pane shows the source as it stands.
        if (refusals.front().Why == PlaceholderRefusal::Kind::TooLarge)
            return std::nullopt;
        for (PlaceholderRefusal const& refusal : refusals)
            given[refusal.Name] = attempt == 0 ? PlaceholderStandIn(refusal.Name)
                                               : std::string(OpenBracket) + std::string(CloseBracket);
    }
    return std::nullopt;
}

// Line starts as SourceOffsets counts them.
std::vector<std::size_t> LineStarts(std::vector<std::string> const& lines)
{
    std::vector<std::size_t> starts;
    starts.reserve(lines.size());
    std::size_t start = 0;
    for (std::string const& line : lines) {
        starts.push_back(start);
        start = NextLineStart(start, line);
    }
    return starts;
}

// The parts of a text line between its "\".
std::vector<std::string_view> LineParts(std::string_view line)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t const cut = FindCharacter(line, '\\', start);
        parts.push_back(line.substr(start, cut == std::string_view::npos ? cut : cut - start));
        if (cut == std::string_view::npos)
            return parts;
        start = cut + 1;
    }
}

} // namespace

bool MayHoldPlaceholders(std::vector<std::string> const& lines)
{
    // Neither byte is ever the second byte of a Shift-JIS character.
    return std::any_of(lines.begin(), lines.end(),
        [](std::string const& line) { return line.find("<%") != std::string::npos; });
}

std::vector<Placeholder> FindSourcePlaceholders(std::vector<std::string> const& lines)
{
    if (!MayHoldPlaceholders(lines))
        return {};
    return FindPlaceholders(JoinLines(lines));
}

std::vector<PlaceholderRefusal> FillSourceLines(
    std::vector<std::string>& lines, PlaceholderValues const& values, CalendarDate date)
{
    std::string text = JoinLines(lines);
    std::vector<PlaceholderRefusal> refusals = FillPlaceholders(text, values, date, MostSourceBytes);
    if (refusals.empty())
        lines = SplitAtLineFeeds(text);
    return refusals;
}

std::optional<std::string> StartingValue(
    Placeholder const& placeholder, PlaceholderValues const& last, CalendarDate today)
{
    if (auto const given = last.find(placeholder.Name); given != last.end())
        return given->second;
    if (placeholder.Default)
        return placeholder.Default;
    return BuiltInValue(placeholder.Name, today);
}

std::string PlaceholderStandIn(std::string_view name)
{
    std::string text(OpenBracket);
    for (std::size_t offset = 0; offset < name.size();) {
        if (IsStandInAt(name, offset)) {
            text += GetaMark;
            offset += StandInLength;
            continue;
        }
        std::size_t const length = CharacterLength(name, offset);
        auto const byte = static_cast<unsigned char>(name[offset]);
        if (length == 1
            && (IsInvalidNameCharacter(name[offset]) || byte == ',' || byte < 0x20 || byte == 0x7F))
            text += '_';
        else
            text.append(name.substr(offset, length));
        offset += length;
    }
    text += CloseBracket;
    return text;
}

SourceMode ReadPreview(FolderTree& tree, SourceMap& map, std::vector<std::string> const& lines,
    PreviewValues const* values, FilledRead& read)
{
    read = {};
    if (!values || !MayHoldPlaceholders(lines))
        return ReadSource(tree, map, lines);
    std::vector<bool> holds(lines.size());
    for (std::size_t index = 0; index < lines.size(); ++index)
        holds[index] = HoldsPlaceholder(lines[index]);
    if (std::none_of(holds.begin(), holds.end(), [](bool held) { return held; }))
        return ReadSource(tree, map, lines);
    std::optional<std::string> const text = FillForPreview(JoinLines(lines), *values);
    std::vector<std::string> filled = text ? SplitAtLineFeeds(*text) : std::vector<std::string>();
    if (filled.size() != lines.size())
        return ReadSource(tree, map, lines);

    SourceMode const mode = ReadSource(tree, map, filled);
    read.Macro = mode == SourceMode::Macro;
    if (!read.Macro) {
        for (std::size_t index = 0; index < lines.size(); ++index) {
            if (holds[index]
                && ClassifyTextLine(TrimBlanks(filled[index]), index == 0) == TextLineKind::Folder)
                read.TextLines.push_back({ lines[index], std::move(filled[index]) });
        }
        read.Filled = !read.TextLines.empty();
        return mode;
    }
    // Each range is one whole line: it moves to that line of the editor's text.
    std::vector<std::size_t> const filled_starts = LineStarts(filled);
    std::vector<std::size_t> const written_starts = LineStarts(lines);
    SourceMap written;
    written.BeginRead(true);
    for (std::int32_t data = 0; auto const range = map.Find(data); ++data) {
        auto const after = std::upper_bound(
            filled_starts.begin(), filled_starts.end(), static_cast<std::size_t>(std::max(range->Start, 0)));
        auto const index
            = static_cast<std::size_t>(std::max<std::ptrdiff_t>(after - filled_starts.begin() - 1, 0));
        auto const length = static_cast<std::int64_t>(range->Length)
            + static_cast<std::int64_t>(lines[index].size())
            - static_cast<std::int64_t>(filled[index].size());
        written.AddLine({ ClampOffset(written_starts[index]),
            ClampOffset(static_cast<std::size_t>(std::max<std::int64_t>(length, 0))) });
        read.FilledLines.push_back(holds[index]);
    }
    map = std::move(written);
    read.Filled = std::find(read.FilledLines.begin(), read.FilledLines.end(), true) != read.FilledLines.end();
    return mode;
}

void PlaceholderMarks::Take(FilledRead read, FolderTree const& shown)
{
    m_read = std::move(read);
    m_text_nodes.clear();
    if (!m_read.Filled || m_read.Macro || !shown.HasRoot())
        return;
    // The text reader's walk again, over the lines that hold a value: a part
    // that held a placeholder marks the folder it reached.
    for (FilledTextLine const& line : m_read.TextLines) {
        std::vector<std::string_view> const parts = LineParts(TrimBlanks(line.Filled));
        std::vector<std::string_view> const written = LineParts(TrimBlanks(line.Written));
        // A name or default holding "\" cuts the line elsewhere: every folder of it is marked.
        bool const aligned = parts.size() == written.size();
        NodeId folder = shown.Root();
        for (std::size_t index = 0; index < parts.size(); ++index) {
            std::string_view const part = index == 0 ? StripDrive(parts[index]) : parts[index];
            if (!IsValidFolderName(part))
                continue;
            folder = shown.FindChildNode(folder, part);
            if (folder == NoNode)
                break;
            if (!aligned || written[index].find("<%") != std::string_view::npos)
                m_text_nodes.insert(folder);
        }
    }
}

bool PlaceholderMarks::HoldsValue(FolderTree const& tree, NodeId node) const
{
    if (!m_read.Filled || !tree.IsInTree(node) || node == tree.Root())
        return false;
    if (!m_read.Macro)
        return m_text_nodes.contains(node);
    std::int32_t const data = tree.Data(node);
    return data >= 0 && static_cast<std::size_t>(data) < m_read.FilledLines.size()
        && m_read.FilledLines[static_cast<std::size_t>(data)];
}

bool PlaceholderMarks::WritesValue(FolderTree const& tree, std::span<NodeId const> written) const
{
    if (!m_read.Filled)
        return false;
    // A text-mode edit writes every folder line anew.
    if (!m_read.Macro)
        return true;
    // A tag names a folder by its path.
    for (NodeId node : written) {
        for (; node != NoNode && tree.IsInTree(node); node = tree.Parent(node)) {
            if (HoldsValue(tree, node))
                return true;
        }
    }
    return false;
}

} // namespace edamaki
