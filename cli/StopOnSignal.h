#pragma once

// SIGINT and SIGTERM during a run: the first asks the run to stop as the
// desktop program's stop button does (the calls in flight finish, every line
// of what was done is written, then the summary), the second ends the
// process at once. The signals are taken by a thread of their own, so that
// nothing but that thread ever sees them; every thread started after this
// object inherits the blocked signals.

#include <atomic>
#include <csignal>
#include <stop_token>
#include <thread>

namespace edamaki::cli {

class StopOnSignal {
public:
    StopOnSignal();
    ~StopOnSignal();
    StopOnSignal(StopOnSignal const&) = delete;
    StopOnSignal& operator=(StopOnSignal const&) = delete;

    std::stop_token Token() const { return m_stop.get_token(); }
    // The signal that asked for the stop, 0 when none did.
    int Signal() const { return m_signal.load(); }

private:
    void Wait();

    sigset_t m_signals {};
    sigset_t m_previous {};
    bool m_blocked = false;
    std::stop_source m_stop;
    std::atomic<int> m_signal { 0 };
    std::atomic<bool> m_done { false };
    std::thread m_waiter;
};

} // namespace edamaki::cli
