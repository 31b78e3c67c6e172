#include "gui/qt/SourceReadScheduler.h"

#include "core/document/Document.h"
#include "gui/qt/QtShiftJis.h"

#include <QPlainTextEdit>
#include <QTextDocument>

#include <utility>

namespace edamaki {

SourceReadScheduler::SourceReadScheduler(
    QPlainTextEdit& editor, ReadView& pane, QObject& pane_object, Document& document, QObject* parent)
    : QObject(parent)
    , m_editor(editor)
    , m_pane(pane)
    , m_pane_object(&pane_object)
    , m_document(document)
    , m_fresh(std::make_unique<FolderTree>())
    , m_previous(std::make_unique<FolderTree>())
{
    connect(&m_background, &BackgroundSourceRead::Done, this, &SourceReadScheduler::BackgroundReadDone);
}

SourceReadScheduler::~SourceReadScheduler() = default;

SourceReadScheduler::ProgramEdit::ProgramEdit(SourceReadScheduler* scheduler)
    : m_scheduler(scheduler)
{
    if (m_scheduler)
        ++m_scheduler->m_program_edits;
}

SourceReadScheduler::ProgramEdit::~ProgramEdit()
{
    if (m_scheduler)
        --m_scheduler->m_program_edits;
}

void SourceReadScheduler::TextChanged()
{
    ++m_ticket;
    if (m_program_edits > 0)
        return;
    m_pending = true;
    // A read still running reads older text; the text as it stands is read
    // once it is done.
    if (m_background.IsRunning())
        return;
    if (IsReadSlow())
        StartBackgroundRead();
    else
        ReadNow();
}

SourceMode SourceReadScheduler::ReadNow()
{
    // A read still running reads older text: its tree is not shown.
    ++m_ticket;
    if (m_background.IsRunning())
        FinishBackgroundRead();
    auto const start = std::chrono::steady_clock::now();
    m_fresh->CopyKeptState(m_document.Tree);
    QString const raw_text = m_editor.document()->toRawText();
    std::optional<PreviewValues> const values = PreviewValuesFor(raw_text);
    SourceMode const mode = ReadPreview(
        *m_fresh, m_fresh_map, SourceLinesForReading(raw_text), values ? &*values : nullptr, m_fresh_filled);
    m_read_time = std::chrono::steady_clock::now() - start;
    ShowFresh(nullptr);
    return mode;
}

void SourceReadScheduler::EnsureTreeCurrent()
{
    if (!m_pending)
        return;
    if (m_background.IsRunning())
        FinishBackgroundRead();
    if (m_pending)
        ReadNow();
}

void SourceReadScheduler::StartBackgroundRead()
{
    BackgroundSourceRead::Job job;
    job.RawText = m_editor.document()->toRawText();
    job.Values = PreviewValuesFor(job.RawText);
    job.Tree = std::move(m_fresh);
    job.Tree->CopyKeptState(m_document.Tree);
    // Compared with the read before only while the pane still shows just that.
    if (m_previous_revision == m_document.Tree.Revision()) {
        job.Previous = std::move(m_previous);
        job.PreviousLines = m_previous_lines;
    }
    job.Ticket = m_ticket;
    // Nothing runs here: a running read is finished before another starts.
    [[maybe_unused]] bool const started = m_background.Start(std::move(job));
    Q_ASSERT(started);
}

void SourceReadScheduler::BackgroundReadDone()
{
    // A read finished early by EnsureTreeCurrent has told already.
    if (!m_background.IsRunning() || !m_background.IsDone())
        return;
    FinishBackgroundRead();
    if (!m_pending)
        return;
    // Typed meanwhile: read the text as it stands now.
    if (IsReadSlow())
        StartBackgroundRead();
    else
        ReadNow();
}

void SourceReadScheduler::FinishBackgroundRead()
{
    BackgroundSourceRead::Job job = m_background.Finish();
    m_fresh = std::move(job.Tree);
    m_fresh_map = std::move(job.Map);
    m_fresh_filled = std::move(job.Filled);
    bool const compared = job.Previous != nullptr;
    if (compared)
        m_previous = std::move(job.Previous);
    m_read_time = job.ReadTime;
    if (!m_pending || job.Ticket != m_ticket)
        return;
    // The comparison holds while the pane shows what it showed when the read began.
    bool const delta_holds = compared && job.Delta && m_previous_revision == m_document.Tree.Revision();
    ShowFresh(delta_holds ? &*job.Delta : nullptr);
}

void SourceReadScheduler::ShowFresh(ReadDelta const* delta)
{
    // The pane goes first when the windows close.
    if (!m_pane_object)
        return;
    std::size_t const lines = m_fresh_map.LineCount();
    // The document takes the map; the next read fills it afresh.
    TreeRefresh const refresh = m_pane.ShowRead(*m_fresh, std::move(m_fresh_map), delta);
    m_marks.Take(std::exchange(m_fresh_filled, {}), m_document.Tree);
    m_pending = false;
    if (refresh.Replaced) {
        // m_fresh holds the former tree now: nothing to compare with.
        m_previous_revision.reset();
        return;
    }
    std::swap(m_fresh, m_previous);
    m_previous_lines = lines;
    m_previous_revision = m_document.Tree.Revision();
}

std::optional<PreviewValues> SourceReadScheduler::PreviewValuesFor(QString const& raw_text) const
{
    if (!m_values || !MayHoldPlaceholders(raw_text))
        return std::nullopt;
    return m_values();
}

} // namespace edamaki
