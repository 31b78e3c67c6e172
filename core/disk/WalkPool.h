#pragma once

// Worker threads for a walk over folders on a file system where every call
// waits on a server (a share mounted from a file server): pieces of the walk,
// subtrees, run side by side. A piece is handed over only while a worker is
// idle to take it, so no piece waits in a queue holding its directories open,
// and a worker that is busy simply goes on with the piece itself.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace edamaki {

// How many walkers a walk wanted, and how many the system let it start.
struct WalkJobs {
    std::size_t Wanted = 1;
    std::size_t Started = 1;

    bool operator==(WalkJobs const&) const = default;
};

// One piece of a walk, run on a worker.
class WalkPiece {
public:
    virtual ~WalkPiece() = default;
    virtual void Run() = 0;
};

class WalkPool {
public:
    // `stop`, once requested, stops the walk as a failed piece does. Starts
    // as many of `workers` as the system will: a session's limit on threads
    // may allow fewer, or none (see Workers).
    explicit WalkPool(std::size_t workers, std::stop_token stop = {});
    // Waits for every piece handed over.
    ~WalkPool();
    WalkPool(WalkPool const&) = delete;
    WalkPool& operator=(WalkPool const&) = delete;

    // The workers that were started.
    std::size_t Workers() const { return m_worker_count; }

    // Hands `piece` to an idle worker and returns true; false, with `piece`
    // left to the caller, when no worker is idle.
    bool TryHand(std::unique_ptr<WalkPiece>& piece);
    // A worker is idle now (it may not be by the time a piece is handed).
    bool HasIdleWorker();
    // Hands `piece` to the next worker to be idle.
    void Hand(std::unique_ptr<WalkPiece> piece);
    // Returns once every piece handed over has run.
    void Wait();

    // Asked for by the caller, or because a piece failed: the walkers try
    // nothing more.
    std::stop_token StopToken() const { return m_stop.get_token(); }
    void RequestStop() { m_stop.request_stop(); }
    // After Wait: throws what the first piece to fail threw.
    void RethrowFailure();

    // How many side by side a walk runs when the caller doesn't say: on a
    // share, enough calls in flight to keep the server busy.
    static constexpr std::size_t ShareJobs = 16;

private:
    struct ForwardStop {
        std::stop_source* Source;
        void operator()() const { Source->request_stop(); }
    };

    void Work();

    std::size_t m_worker_count = 0;
    std::mutex m_mutex;
    std::condition_variable m_work_ready;
    std::condition_variable m_all_done;
    std::deque<std::unique_ptr<WalkPiece>> m_queue;
    std::size_t m_idle = 0;
    std::size_t m_running = 0;
    bool m_closing = false;
    std::stop_source m_stop;
    std::stop_callback<ForwardStop> m_forward_stop;
    std::exception_ptr m_failure;
    std::vector<std::jthread> m_workers;
};

} // namespace edamaki
