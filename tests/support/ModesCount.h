// Running a piece of a test where file modes count. Root ignores them (the
// tests run as root in CI), so there the piece runs in a child process that
// has become an ordinary user.
#pragma once

#include <gtest/gtest.h>

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
    The body's answer; nothing when the child could not give up root. A
    child that ends any other way (a signal, a sanitizer's report, an exit
    of its own) fails the test that runs it, and answers false.
*/
inline std::optional<bool> runWhereModesCount(const std::function<bool()>& body)
{
    // Exit codes of the child that no sanitizer or crash uses.
    constexpr int kTrue = 70, kFalse = 71, kStillRoot = 72;
    if (::geteuid() != 0)
        return body();
    const pid_t child = ::fork();
    if (child == 0)
    {
        if (::setgroups(0, nullptr) != 0 || ::setgid(modesCountGroup()) != 0 || ::setuid(modesCountUser()) != 0
            || ::geteuid() == 0)
            ::_exit(kStillRoot);
        ::_exit(body() ? kTrue : kFalse);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
    {
        ADD_FAILURE() << "the child process that runs without root could not be " << (child < 0 ? "made" : "waited for");
        return false;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kStillRoot)
        return std::nullopt;
    if (WIFEXITED(status) && (WEXITSTATUS(status) == kTrue || WEXITSTATUS(status) == kFalse))
        return WEXITSTATUS(status) == kTrue;
    if (WIFSIGNALED(status))
        ADD_FAILURE() << "the child process that runs without root died of signal " << WTERMSIG(status)
                      << " (its error output above says why)";
    else
        ADD_FAILURE() << "the child process that runs without root ended with status " << WEXITSTATUS(status)
                      << " (its error output above says why)";
    return false;
}
} // namespace TestSupport
