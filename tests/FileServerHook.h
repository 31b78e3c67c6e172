#pragma once

// A call hook that makes the host's file system answer like a file server:
// calls on some names wait, some fail, and the threads that called are
// counted, so that a test knows a walk ran side by side.

#include "core/disk/HostFileSystem.h"

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

namespace edamaki::testing {

class FileServerHook {
public:
    // Calls on a name beginning with this wait a while: the subtrees there
    // finish after the ones beside them.
    std::string SlowPrefix = "s";
    // Calls on this name wait longer still: all after it in the walk could
    // be done by then.
    std::string LaggingName;
    // Opening one of these names fails with the error given.
    std::map<std::string, int> FailedOpens;
    // The listing of a folder of this name fails with EIO. Told by the name
    // the same thread opened last, so only for a walk that lists a folder
    // on the thread that opened it.
    std::string UnlistableName;
    // Every listing fails with EIO.
    bool ListsFail = false;

    void Install(HostFileSystem& file_system)
    {
        file_system.SetCallHook([this](HostCall call, char const* name) { return Answer(call, name); });
    }

    std::size_t Threads()
    {
        std::lock_guard lock(m_mutex);
        return m_threads.size();
    }

private:
    HostError Answer(HostCall call, char const* name)
    {
        {
            std::lock_guard lock(m_mutex);
            m_threads.insert(std::this_thread::get_id());
        }
        thread_local std::string last_opened;
        if (call == HostCall::List) {
            bool const unlistable
                = !UnlistableName.empty() && std::exchange(last_opened, {}) == UnlistableName;
            return { ListsFail || unlistable ? EIO : 0 };
        }
        if (call == HostCall::Open)
            last_opened = name;
        if (name == LaggingName)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        else if (std::string_view(name).starts_with(SlowPrefix))
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        if (auto const failed = FailedOpens.find(name); call == HostCall::Open && failed != FailedOpens.end())
            return { failed->second };
        return {};
    }

    std::mutex m_mutex;
    std::set<std::thread::id> m_threads;
};

} // namespace edamaki::testing
