// A FIFO where a test expects a file, for the tests of code that must refuse
// it without waiting.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace TestSupport
{
/**
    Makes a FIFO at path (removed with its folder) and, while the object
    lives, opens and closes both of its ends every few milliseconds without
    waiting. An open of the FIFO that waits for a reader or a writer is thus
    released soon, and the code under test goes on (reading nothing, or
    writing into the FIFO) instead of hanging the test; what it then did is
    what the test sees.
*/
class Fifo
{
public:
    explicit Fifo(std::string fifoPath) : path(std::move(fifoPath))
    {
        made = ::mkfifo(path.c_str(), 0600) == 0;
        if (made)
            releaser = std::thread([this] { releaseWaitingOpens(); });
    }

    ~Fifo()
    {
        stop = true;
        if (releaser.joinable())
            releaser.join();
    }

    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    bool isMade() const { return made; }

    /** Whether anything opened the FIFO for reading (seen while it had it open). */
    bool wasOpenedForReading() const { return readerSeen; }

    /** Whether path still is a FIFO (not replaced by a file). */
    bool isStillAFifo() const
    {
        struct stat info {};
        return ::lstat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
    }

    const std::string path;

private:
    void releaseWaitingOpens()
    {
        while (!stop)
        {
            // The reading end opens at once and wakes a writer waiting in its
            // open; the writing end opens only while a reader waits, and wakes it.
            for (const int flags : {O_RDONLY, O_WRONLY})
            {
                const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0)
                {
                    if (flags == O_WRONLY)
                        readerSeen = true;
                    ::close(fd);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    bool made = false;
    std::atomic<bool> stop {false};
    std::atomic<bool> readerSeen {false};
    std::thread releaser;
};
} // namespace TestSupport
