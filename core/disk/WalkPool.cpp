#include "core/disk/WalkPool.h"

#include <system_error>
#include <utility>

namespace edamaki {

WalkPool::WalkPool(std::size_t workers, std::stop_token stop)
    : m_forward_stop(std::move(stop), ForwardStop { &m_stop })
{
    // The workers wait for the lock until their number is known.
    std::unique_lock lock(m_mutex);
    m_workers.reserve(workers);
    for (std::size_t index = 0; index < workers; ++index) {
        try {
            m_workers.emplace_back([this] { Work(); });
        } catch (std::system_error const&) {
            // The session's limit on processes and threads: the walk goes on
            // with those there are.
            break;
        }
    }
    m_worker_count = m_workers.size();
    // Every worker is ready before the walk looks for an idle one.
    m_all_done.wait(lock, [&] { return m_idle == m_worker_count; });
}

WalkPool::~WalkPool()
{
    Wait();
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_work_ready.notify_all();
    m_workers.clear();
}

bool WalkPool::TryHand(std::unique_ptr<WalkPiece>& piece)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_idle <= m_queue.size())
            return false;
        m_queue.push_back(std::move(piece));
    }
    m_work_ready.notify_one();
    return true;
}

bool WalkPool::HasIdleWorker()
{
    std::lock_guard lock(m_mutex);
    return m_idle > m_queue.size();
}

void WalkPool::Hand(std::unique_ptr<WalkPiece> piece)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(piece));
    }
    m_work_ready.notify_one();
}

void WalkPool::Wait()
{
    std::unique_lock lock(m_mutex);
    m_all_done.wait(lock, [this] { return m_queue.empty() && m_running == 0; });
}

void WalkPool::RethrowFailure()
{
    std::lock_guard lock(m_mutex);
    if (m_failure)
        std::rethrow_exception(m_failure);
}

void WalkPool::Work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (++m_idle == m_worker_count)
            m_all_done.notify_all();
        m_work_ready.wait(lock, [this] { return m_closing || !m_queue.empty(); });
        --m_idle;
        if (m_queue.empty())
            return;
        std::unique_ptr<WalkPiece> piece = std::move(m_queue.front());
        m_queue.pop_front();
        ++m_running;
        lock.unlock();
        try {
            piece->Run();
        } catch (...) {
            std::lock_guard const failing(m_mutex);
            if (!m_failure)
                m_failure = std::current_exception();
            m_stop.request_stop();
        }
        piece.reset();
        lock.lock();
        if (--m_running == 0 && m_queue.empty())
            m_all_done.notify_all();
    }
}

} // namespace edamaki
