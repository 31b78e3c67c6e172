#include "cli/StopOnSignal.h"

#include <cstdlib>
#include <pthread.h>
#include <system_error>

namespace edamaki::cli {

StopOnSignal::StopOnSignal()
{
    sigemptyset(&m_signals);
    sigaddset(&m_signals, SIGINT);
    sigaddset(&m_signals, SIGTERM);
    if (::pthread_sigmask(SIG_BLOCK, &m_signals, &m_previous) != 0)
        return;
    m_blocked = true;
    try {
        m_waiter = std::thread([this] { Wait(); });
    } catch (std::system_error const&) {
        // No thread to take them (the session's limit on threads): the
        // signals end the process as they would have.
        ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
        m_blocked = false;
    }
}

StopOnSignal::~StopOnSignal()
{
    if (m_waiter.joinable()) {
        m_done = true;
        ::pthread_kill(m_waiter.native_handle(), SIGTERM);
        m_waiter.join();
    }
    if (m_blocked)
        ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

void StopOnSignal::Wait()
{
    for (;;) {
        int signal = 0;
        if (::sigwait(&m_signals, &signal) != 0 || m_done)
            return;
        // A second signal: the user means it.
        if (m_signal.exchange(signal) != 0)
            std::_Exit(128 + signal);
        m_stop.request_stop();
    }
}

} // namespace edamaki::cli
