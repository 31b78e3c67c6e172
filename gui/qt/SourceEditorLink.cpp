#include "gui/qt/SourceEditorLink.h"

#include "core/text/SourceOffsets.h"
#include "gui/qt/EditorOffsets.h"
#include "gui/qt/EditorWrites.h"
#include "gui/qt/QtShiftJis.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

#include <utility>

namespace edamaki {

namespace {

QString JoinedLines(std::vector<std::string> const& lines)
{
    QStringList text;
    text.reserve(static_cast<qsizetype>(lines.size()));
    for (auto const& line : lines)
        text.append(ShiftJisToQString(line));
    return text.join(u'\n');
}

} // namespace

SourceEditorLink::WriteBack::WriteBack(SourceEditorLink& link)
    : m_link(link)
    , m_editor(link.m_editor)
    , m_program_edit(link.m_reads)
{
    m_link.m_writing_back = true;
    m_link.m_next_step = UndoStep::New;
    if (m_editor)
        m_editor->setUpdatesEnabled(false);
}

SourceEditorLink::WriteBack::~WriteBack()
{
    m_link.m_writing_back = false;
    if (m_editor)
        m_editor->setUpdatesEnabled(true);
}

std::size_t SourceEditorLink::AppendLines(std::vector<std::string> const& lines)
{
    if (!m_editor || lines.empty())
        return 0;
    QTextDocument* document = m_editor->document();
    std::size_t start = EditorOffsets(*document).OffsetOf(document->characterCount() - 1);
    if (AppendEditorLines(*m_editor, JoinedLines(lines), TakeUndoStep()))
        start += LineBreakLength;
    return start;
}

UndoStep SourceEditorLink::TakeUndoStep()
{
    if (!m_writing_back)
        return UndoStep::New;
    return std::exchange(m_next_step, UndoStep::JoinPrevious);
}

std::vector<std::string> SourceEditorLink::Lines() const
{
    if (!m_editor)
        return {};
    return SourceLinesForReading(m_editor->document()->toRawText());
}

void SourceEditorLink::ReplaceLines(
    std::vector<std::size_t> const& kept, std::vector<std::string> const& lines)
{
    if (!m_editor)
        return;
    // Kept lines are taken from the editor, so that a character Shift-JIS
    // lacks stays as it was.
    QStringList text;
    for (std::size_t const index : kept) {
        QTextBlock const block = m_editor->document()->findBlockByNumber(static_cast<int>(index));
        if (block.isValid())
            text.append(block.text());
    }
    if (!lines.empty())
        text.append(JoinedLines(lines));
    ReplaceEditorText(*m_editor, text.join(u'\n'), TakeUndoStep());
}

void SourceEditorLink::SelectRange(LineRange range)
{
    if (!m_editor)
        return;
    m_editor->setTextCursor(SelectSourceRange(*m_editor->document(), range));
    m_editor->ensureCursorVisible();
}

} // namespace edamaki
