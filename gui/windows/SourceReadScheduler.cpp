#include "gui/windows/SourceReadScheduler.h"

#include "gui/qt/QtShiftJis.h"
#include "gui/windows/TForm1.h"

#include <QPlainTextEdit>
#include <QTextDocument>

SourceReadScheduler::SourceReadScheduler(
    QPlainTextEdit& editor, TForm1& pane, edamaki::FolderTree& shown, QObject* parent)
    : QObject(parent)
    , m_editor(editor)
    , m_pane(&pane)
    , m_shown(shown)
    , m_fresh(std::make_unique<edamaki::FolderTree>())
    , m_previous(std::make_unique<edamaki::FolderTree>())
{
    connect(
        &m_background, &edamaki::BackgroundSourceRead::Done, this, &SourceReadScheduler::BackgroundReadDone);
}

SourceReadScheduler::~SourceReadScheduler() = default;

void SourceReadScheduler::TextChanged()
{
    ++m_ticket;
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

edamaki::SourceMode SourceReadScheduler::ReadNow()
{
    // A read still running reads older text: its tree is not shown.
    ++m_ticket;
    if (m_background.IsRunning())
        FinishBackgroundRead();
    auto const start = std::chrono::steady_clock::now();
    m_fresh->CopyKeptState(m_shown);
    edamaki::SourceMode const mode
        = edamaki::ReadSource(*m_fresh, edamaki::SourceLinesForReading(m_editor.document()->toRawText()));
    m_read_time = std::chrono::steady_clock::now() - start;
    ShowFresh(nullptr);
    return mode;
}

void SourceReadScheduler::DropPendingRead()
{
    ++m_ticket;
    m_pending = false;
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
    edamaki::BackgroundSourceRead::Job job;
    job.RawText = m_editor.document()->toRawText();
    job.Tree = std::move(m_fresh);
    job.Tree->CopyKeptState(m_shown);
    // Compared with the read before only while the pane still shows just that.
    if (m_previous_revision == m_shown.Revision())
        job.Previous = std::move(m_previous);
    job.Ticket = m_ticket;
    m_background.Start(std::move(job));
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
    edamaki::BackgroundSourceRead::Job job = m_background.Finish();
    m_fresh = std::move(job.Tree);
    bool const compared = job.Previous != nullptr;
    if (compared)
        m_previous = std::move(job.Previous);
    m_read_time = job.ReadTime;
    if (!m_pending || job.Ticket != m_ticket)
        return;
    // The comparison holds while the pane shows what it showed when the read began.
    bool const delta_holds = compared && job.Delta && m_previous_revision == m_shown.Revision();
    ShowFresh(delta_holds ? &*job.Delta : nullptr);
}

void SourceReadScheduler::ShowFresh(edamaki::ReadDelta const* delta)
{
    // The pane goes first when the windows close.
    if (!m_pane)
        return;
    edamaki::TreeRefresh const refresh = m_pane->ShowRead(*m_fresh, delta);
    m_pending = false;
    if (refresh.Replaced) {
        // m_fresh holds the former tree now: nothing to compare with.
        m_previous_revision.reset();
        return;
    }
    std::swap(m_fresh, m_previous);
    m_previous_revision = m_shown.Revision();
}
