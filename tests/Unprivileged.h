#pragma once

// Runs a piece of a test as a user without privileges, for behaviour that
// depends on permissions: root may do what the test means to see refused.

#include <functional>
#include <grp.h>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace edamaki::testing {

// What `run` returns when run as a user without privileges: in a child
// process that drops them when the tests run as root. Empty when they can't
// be dropped.
inline std::optional<std::string> RunUnprivileged(std::function<std::string()> const& run)
{
    if (::geteuid() != 0)
        return run();
    int ends[2];
    if (::pipe(ends) != 0)
        return {};
    pid_t const child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0
            || ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(2);
        std::string const text = run();
        bool const written = ::write(ends[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(written ? 0 : 2);
    }
    ::close(ends[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t length; (length = ::read(ends[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(length));
    ::close(ends[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return text;
}

} // namespace edamaki::testing
