#pragma once

// Worker threads for a walk over folders on a file system where every call
// waits on a server (a share mounted from a file server): pieces of the walk,
// subtrees, run side by side. A piece is handed over only while a worker is
// idle to take it, so no piece waits in a queue holding its directories open,
// and a worker that is busy simply goes on with the piece itself.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace edamaki {

// One piece of a walk, run on a worker.
class WalkPiece {
public:
    virtual ~WalkPiece() = default;
    virtual void Run() = 0;
};

class WalkPool {
public:
    explicit WalkPool(std::size_t workers);
    // Waits for every piece handed over.
    ~WalkPool();
    WalkPool(WalkPool const&) = delete;
    WalkPool& operator=(WalkPool const&) = delete;

    // Hands `piece` to an idle worker and returns true; false, with `piece`
    // left to the caller, when no worker is idle.
    bool TryHand(std::unique_ptr<WalkPiece>& piece);
    // A worker is idle now (it may not be by the time a piece is handed).
    bool HasIdleWorker();
    // Hands `piece` to the next worker to be idle.
    void Hand(std::unique_ptr<WalkPiece> piece);
    // Returns once every piece handed over has run.
    void Wait();

    // How many side by side a walk runs when the caller doesn't say: on a
    // share, enough calls in flight to keep the server busy.
    static constexpr std::size_t ShareJobs = 16;

private:
    void Work();

    std::size_t const m_worker_count;
    std::mutex m_mutex;
    std::condition_variable m_work_ready;
    std::condition_variable m_all_done;
    std::deque<std::unique_ptr<WalkPiece>> m_queue;
    std::size_t m_idle = 0;
    std::size_t m_running = 0;
    bool m_closing = false;
    std::vector<std::jthread> m_workers;
};

} // namespace edamaki
