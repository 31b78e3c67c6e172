#include "gui/qt/EditorOffsets.h"

#include "core/text/SourceOffsets.h"
#include "core/text/StandIn.h"
#include "gui/qt/QtShiftJis.h"

#include <QTextDocument>

#include <algorithm>
#include <string>
#include <utility>

namespace edamaki {

namespace {

bool IsAscii(QString const& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar character) { return character.unicode() < 0x80; });
}

// The bytes of one line of the editor as the source reads it.
std::size_t ShiftJisLength(QString const& line)
{
    if (IsAscii(line))
        return static_cast<std::size_t>(line.size());
    return QStringToShiftJisForReading(line).size();
}

// One line's characters side by side: UTF-16 code units in the editor,
// Shift-JIS bytes in the source. Each character of the line reads as one
// Shift-JIS character, or as its stand-in when Shift-JIS lacks it.
class LineColumns {
public:
    explicit LineColumns(QString line)
        : m_line(std::move(line))
        , m_shift_jis(QStringToShiftJisForReading(m_line))
    {
    }

    // Code units up to the character that holds byte column `bytes`, that
    // character included.
    qsizetype UnitsOf(std::size_t bytes)
    {
        while (m_byte < bytes && !AtEnd())
            Step();
        return m_unit;
    }

    // Bytes up to the character that holds code unit `units`, that character
    // included.
    std::size_t BytesOf(qsizetype units)
    {
        while (m_unit < units && !AtEnd())
            Step();
        return m_byte;
    }

private:
    bool AtEnd() const { return m_unit >= m_line.size() || m_byte >= m_shift_jis.size(); }

    void Step()
    {
        bool const pair = m_line.at(m_unit).isHighSurrogate() && m_unit + 1 < m_line.size()
            && m_line.at(m_unit + 1).isLowSurrogate();
        m_unit += pair ? 2 : 1;
        m_byte += EditorCharacterLength(m_shift_jis, m_byte);
    }

    QString const m_line;
    std::string const m_shift_jis;
    qsizetype m_unit = 0;
    std::size_t m_byte = 0;
};

// The code units of a line before byte column `bytes` (a character that the
// column cuts counts whole), and the bytes before code unit `units`.
qsizetype UnitsOfColumn(QString const& line, std::size_t bytes)
{
    if (IsAscii(line))
        return static_cast<qsizetype>(std::min(bytes, static_cast<std::size_t>(line.size())));
    return LineColumns(line).UnitsOf(bytes);
}

std::size_t ColumnOfUnits(QString const& line, qsizetype units)
{
    if (IsAscii(line))
        return static_cast<std::size_t>(std::min(units, line.size()));
    return LineColumns(line).BytesOf(units);
}

} // namespace

EditorOffsets::EditorOffsets(QTextDocument const& document)
    : m_document(document)
{
    MoveToFirstBlock();
}

EditorOffsets::EditorOffsets(QTextDocument const& document, std::span<std::size_t const> line_starts)
    : m_document(document)
    , m_line_starts(line_starts)
{
    MoveToFirstBlock();
}

void EditorOffsets::MoveToLine(std::size_t line)
{
    if (line >= m_line_starts.size() || static_cast<std::size_t>(m_block.blockNumber()) == line)
        return;
    QTextBlock const block = m_document.findBlockByNumber(static_cast<int>(line));
    if (!block.isValid())
        return;
    m_block = block;
    m_block_start = m_line_starts[line];
    m_block_length = ShiftJisLength(m_block.text());
}

void EditorOffsets::MoveToFirstBlock()
{
    m_block = m_document.firstBlock();
    m_block_start = 0;
    m_block_length = ShiftJisLength(m_block.text());
}

void EditorOffsets::MoveToNextBlock()
{
    m_block_start += m_block_length + LineBreakLength;
    m_block = m_block.next();
    m_block_length = ShiftJisLength(m_block.text());
}

int EditorOffsets::PositionOf(std::size_t offset)
{
    if (!m_line_starts.empty()) {
        auto const after = std::upper_bound(m_line_starts.begin(), m_line_starts.end(), offset);
        MoveToLine(static_cast<std::size_t>(std::max<std::ptrdiff_t>(after - m_line_starts.begin() - 1, 0)));
    }
    if (offset < m_block_start)
        MoveToFirstBlock();
    // The line break after a line belongs to that line.
    while (m_block.next().isValid() && offset >= m_block_start + m_block_length + LineBreakLength)
        MoveToNextBlock();
    std::size_t const column = std::min(offset - m_block_start, m_block_length);
    return m_block.position() + static_cast<int>(UnitsOfColumn(m_block.text(), column));
}

std::size_t EditorOffsets::OffsetOf(int position)
{
    position = std::clamp(position, 0, std::max(0, m_document.characterCount() - 1));
    if (!m_line_starts.empty())
        MoveToLine(static_cast<std::size_t>(m_document.findBlock(position).blockNumber()));
    if (position < m_block.position())
        MoveToFirstBlock();
    while (m_block.next().isValid() && position >= m_block.next().position())
        MoveToNextBlock();
    return m_block_start + ColumnOfUnits(m_block.text(), position - m_block.position());
}

QTextCursor SelectSourceRange(QTextDocument& document, LineRange range)
{
    auto const start = static_cast<std::size_t>(std::max(range.Start, 0));
    auto const end = start + static_cast<std::size_t>(std::max(range.Length, 0));
    EditorOffsets offsets(document);
    QTextCursor cursor(&document);
    cursor.setPosition(offsets.PositionOf(start));
    cursor.setPosition(offsets.PositionOf(end), QTextCursor::KeepAnchor);
    return cursor;
}

LineRange SourceRangeOf(QTextCursor const& cursor)
{
    if (cursor.isNull())
        return {};
    EditorOffsets offsets(*cursor.document());
    std::size_t const start = offsets.OffsetOf(cursor.selectionStart());
    std::size_t const end = offsets.OffsetOf(cursor.selectionEnd());
    return { ClampOffset(start), ClampOffset(end - start) };
}

} // namespace edamaki
