// Running a piece of a test where file modes count. Root ignores them (the
// tests run as root in CI), so there the piece runs in a child process that
// has become an ordinary user.
#pragma once

#include <functional>
#include <grp.h>
#include <optional>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace TestSupport
{
/** The user who runs the pieces given to runWhereModesCount: nobody (65534)
    when the tests run as root, else the user running them. A test gives the
    files that piece is to own to this user. */
inline uid_t modesCountUser()
{
    return ::geteuid() == 0 ? 65534 : ::geteuid();
}

/** That user's group: nogroup (65534) under root, else the running group. */
inline gid_t modesCountGroup()
{
    return ::geteuid() == 0 ? 65534 : ::getegid();
}

/**
    Runs body as modesCountUser(): here when this process is not root, else
    in a child process that has given up root (the body must then report
    through its answer and the files it leaves, not through test assertions).
    The body's answer; nothing when the child could not give up root.
*/
inline std::optional<bool> runWhereModesCount(const std::function<bool()>& body)
{
    if (::geteuid() != 0)
        return body();
    const pid_t child = ::fork();
    if (child == 0)
    {
        if (::setgroups(0, nullptr) != 0 || ::setgid(modesCountGroup()) != 0 || ::setuid(modesCountUser()) != 0
            || ::geteuid() == 0)
            ::_exit(2);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 2)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}
} // namespace TestSupport
