// Linux implementation of the non-blocking open of regular files.
#include "PlatformRegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PlatformRegularFile
{
namespace
{
// The open flags of an fopen mode; -1 for a mode fopen does not know.
int openFlags(const char* mode)
{
    if (mode == nullptr)
        return -1;
    const bool both = std::strchr(mode, '+') != nullptr;
    switch (mode[0])
    {
    case 'r': return both ? O_RDWR : O_RDONLY;
    case 'w': return (both ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a': return (both ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    default: return -1;
    }
}

// The errno that refuses a thing of this mode as a file.
int refusal(mode_t mode)
{
    return S_ISDIR(mode) ? EISDIR : EINVAL;
}
} // namespace

std::FILE* open(const char* path, const char* mode)
{
    const int flags = openFlags(mode);
    if (path == nullptr || flags < 0)
    {
        errno = EINVAL;
        return nullptr;
    }
    // Looked at first, so that a device is never opened at all (an open alone
    // can act on some); the open itself does not wait either, for a FIFO put
    // in place in between.
    struct stat info {};
    if (::stat(path, &info) == 0 && !S_ISREG(info.st_mode))
    {
        errno = refusal(info.st_mode);
        return nullptr;
    }
    const int fd = ::open(path, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    int error = 0;
    if (::fstat(fd, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = refusal(info.st_mode);
    if (error != 0)
    {
        ::close(fd);
        errno = error;
        return nullptr;
    }
    // Reads and writes of a regular file wait as usual.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, mode);
    if (file == nullptr)
    {
        error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

bool readAll(const char* path, std::string& text, std::size_t maxSize)
{
    std::FILE* file = open(path, "rb");
    if (file == nullptr)
        return false;
    // One byte beyond maxSize tells a file that is too large, whatever its
    // size said when it was opened.
    std::string contents;
    char buffer[4096];
    size_t count = 0;
    while (contents.size() <= maxSize
           && (count = std::fread(buffer, 1, std::min(sizeof buffer, maxSize + 1 - contents.size()), file)) > 0)
        contents.append(buffer, count);
    const bool failed = std::ferror(file) != 0 || contents.size() > maxSize;
    std::fclose(file);
    if (failed)
        return false;
    text.swap(contents);
    return true;
}
} // namespace PlatformRegularFile
