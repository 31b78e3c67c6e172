#include "core/text/SourceLines.h"

namespace edamaki {

SourceLines::SourceLines(std::initializer_list<std::string_view> lines)
    : m_held(lines.begin(), lines.end())
{
}

SourceLines SourceLines::InText(std::string_view text)
{
    SourceLines lines;
    lines.m_text = text;
    lines.m_is_text = true;
    return lines;
}

std::optional<std::string_view> SourceLines::Line(std::size_t index) const
{
    if (!m_is_text)
        return index < List().size() ? std::optional<std::string_view>(List()[index]) : std::nullopt;
    Iterator line = begin();
    for (; line != end() && index > 0; --index)
        ++line;
    if (line == end())
        return std::nullopt;
    return *line;
}

std::size_t SourceLines::ByteCount() const
{
    if (m_is_text)
        return m_text.size();
    std::size_t bytes = 0;
    for (std::string const& line : List())
        bytes += line.size();
    return bytes;
}

void SourceLines::Iterator::LoadFromText()
{
    std::string_view const text = m_lines->m_text;
    std::size_t end = m_position;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r')
        ++end;
    m_line = text.substr(m_position, end - m_position);
    m_next = end;
    if (m_next < text.size())
        m_next += (text[m_next] == '\r' && m_next + 1 < text.size() && text[m_next + 1] == '\n') ? 2 : 1;
}

} // namespace edamaki
