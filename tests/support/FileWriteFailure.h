// Whole-file byte helpers and a way to make file writes fail on purpose, for
// the tests of everything that writes files safely. Permissions stop nothing
// when the tests run as root, so a write is made to fail with a file-size
// limit instead.
#pragma once

#include "FileText.h"

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace TestSupport
{
/** Every byte of the file at path; empty when it cannot be read. */
inline std::vector<unsigned char> readBytes(const std::string& path)
{
    const std::string bytes = readFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

/** Makes the file at path hold exactly bytes. */
inline void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    writeFileBytes(path, std::string(bytes.begin(), bytes.end()));
}

/**
    Limits the size of the files this process may write, for its lifetime,
    and ignores SIGXFSZ meanwhile: a write past the limit then fails with
    EFBIG instead of ending the process. Works for root as well. The old
    limit and signal handling come back when the object is destroyed.
*/
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit(rlim_t bytes)
    {
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (::getrlimit(RLIMIT_FSIZE, &old) != 0)
            return;
        rlimit limit = old;
        limit.rlim_cur = bytes;
        limited = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }

    ~ScopedFileSizeLimit()
    {
        if (limited)
            ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }

    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

    /** False when the limit could not be set (a hard limit below it). */
    bool isActive() const { return limited; }

private:
    rlimit old {};
    bool limited = false;
    void (*oldHandler)(int) = nullptr;
};
} // namespace TestSupport
