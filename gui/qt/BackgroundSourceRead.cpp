#include "gui/qt/BackgroundSourceRead.h"

#include "core/document/SourceDocument.h"
#include "gui/qt/QtShiftJis.h"

#include <utility>

namespace edamaki {

BackgroundSourceRead::BackgroundSourceRead(QObject* parent)
    : QObject(parent)
{
}

BackgroundSourceRead::~BackgroundSourceRead()
{
    m_cancel.store(true, std::memory_order_relaxed);
    if (m_thread.joinable())
        m_thread.join();
}

bool BackgroundSourceRead::Start(Job job)
{
    if (m_running)
        return false;
    m_job = std::move(job);
    m_job.Tree->SetCancelSignal(&m_cancel);
    m_done.store(false, std::memory_order_relaxed);
    m_running = true;
    m_thread = std::thread([this] {
        auto const start = std::chrono::steady_clock::now();
        ReadPreview(*m_job.Tree, m_job.Map, SourceLinesForReading(m_job.RawText),
            m_job.Values ? &*m_job.Values : nullptr, m_job.Filled);
        m_job.ReadTime = std::chrono::steady_clock::now() - start;
        if (m_job.Previous)
            m_job.Delta = CompareReads(*m_job.Previous, m_job.PreviousLines, *m_job.Tree);
        m_done.store(true, std::memory_order_release);
        QMetaObject::invokeMethod(
            this, [this] { emit Done(); }, Qt::QueuedConnection);
    });
    return true;
}

BackgroundSourceRead::Job BackgroundSourceRead::Finish()
{
    if (m_thread.joinable())
        m_thread.join();
    m_running = false;
    if (m_job.Tree)
        m_job.Tree->SetCancelSignal(nullptr);
    return std::exchange(m_job, {});
}

} // namespace edamaki
