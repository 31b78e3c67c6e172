#include "gui/qt/EditorSourceText.h"

#include "gui/qt/EditorOffsets.h"
#include "gui/qt/QtShiftJis.h"

#include <QTextDocument>

#include <algorithm>

namespace edamaki {

EditorSourceText::EditorSourceText(QTextDocument& document)
    : m_document(document)
{
    m_change_connection
        = QObject::connect(&document, &QTextDocument::contentsChanged, [this] { m_current = false; });
}

EditorSourceText::~EditorSourceText()
{
    QObject::disconnect(m_change_connection);
}

std::string const& EditorSourceText::Text()
{
    if (!m_current)
        Update();
    return m_text;
}

void EditorSourceText::Update()
{
    QString text = m_document.toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    std::string const lines = QStringToShiftJisForReading(text);

    m_text.clear();
    m_text.reserve(lines.size() + static_cast<std::size_t>(m_document.blockCount()));
    m_line_starts.assign(1, 0);
    std::size_t line_start = 0;
    while (true) {
        std::size_t const line_end = lines.find('\n', line_start);
        if (line_end == std::string::npos)
            break;
        m_text.append(lines, line_start, line_end - line_start);
        m_text += "\r\n";
        m_line_starts.push_back(m_text.size());
        line_start = line_end + 1;
    }
    m_text.append(lines, line_start);
    m_current = true;
}

TextRange EditorSourceText::RangeOf(int start_position, int end_position)
{
    Text();
    EditorOffsets offsets(m_document, m_line_starts);
    std::size_t const start = offsets.OffsetOf(start_position);
    std::size_t const end = offsets.OffsetOf(end_position);
    return { static_cast<std::ptrdiff_t>(start), static_cast<std::ptrdiff_t>(end - start) };
}

std::vector<int> EditorSourceText::PositionsOf(std::vector<std::size_t> const& offsets)
{
    Text();
    EditorOffsets editor_offsets(m_document, m_line_starts);
    std::vector<int> positions;
    positions.reserve(offsets.size());
    for (std::size_t const offset : offsets)
        positions.push_back(editor_offsets.PositionOf(offset));
    return positions;
}

} // namespace edamaki
