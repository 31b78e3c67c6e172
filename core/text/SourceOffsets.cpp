#include "core/text/SourceOffsets.h"

#include "core/text/ShiftJis.h"

#include <algorithm>
#include <limits>

namespace edamaki {

std::int32_t ClampOffset(std::size_t offset)
{
    constexpr auto Largest = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(std::min(offset, Largest));
}

SourceOffsets::SourceOffsets(std::vector<std::string> const& lines)
{
    m_line_starts.reserve(lines.size());
    m_line_lengths.reserve(lines.size());
    std::size_t start = 0;
    for (auto const& line : lines) {
        m_line_starts.push_back(start);
        m_line_lengths.push_back(line.size());
        start = NextLineStart(start, line);
    }
    m_text_length = start;
}

SourcePosition SourceOffsets::PositionOf(std::size_t offset) const
{
    if (m_line_starts.empty())
        return {};
    auto const after = std::upper_bound(m_line_starts.begin(), m_line_starts.end(), offset);
    auto const line = static_cast<std::size_t>(after - m_line_starts.begin()) - 1;
    return { line, std::min(offset - m_line_starts[line], m_line_lengths[line]) };
}

std::size_t SourceOffsets::OffsetOf(SourcePosition position) const
{
    if (m_line_starts.empty())
        return 0;
    if (position.Line >= m_line_starts.size())
        return m_text_length;
    return m_line_starts[position.Line] + std::min(position.Column, m_line_lengths[position.Line]);
}

std::size_t CharactersInBytes(std::string_view line, std::size_t bytes)
{
    std::size_t characters = 0;
    for (std::size_t offset = 0; offset < bytes && offset < line.size();
         offset += CharacterLength(line, offset))
        ++characters;
    return characters;
}

std::size_t BytesOfCharacters(std::string_view line, std::size_t characters)
{
    std::size_t offset = 0;
    for (; characters > 0 && offset < line.size(); --characters)
        offset += CharacterLength(line, offset);
    return offset;
}

} // namespace edamaki
