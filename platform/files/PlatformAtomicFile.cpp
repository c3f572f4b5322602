// Linux implementation of the atomic whole-file replacement.
#include "PlatformAtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace PlatformAtomicFile
{
namespace
{
constexpr int maxLinkDepth = 40;     // the kernel's own limit for one lookup
constexpr int maxNameAttempts = 100; // tries to find an unused temporary name

std::string directoryOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Reads the text of one symbolic link; false when path is no link.
bool readLink(const std::string& path, std::string& target)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return false;
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0)
        return false;
    buffer.resize(static_cast<size_t>(length));
    target = buffer;
    return true;
}

std::string randomSuffix()
{
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof digits) - 2);
    std::string suffix(8, 'x');
    for (char& c : suffix)
        c = digits[pick(generator)];
    return suffix;
}

// Creates a new, empty file beside the target. The name is short, so that a
// target whose own name is near the system's limit can still be saved. The
// mode is the one every new file gets (0666 less the creation mask); a file
// that replaces another gets the old one's afterwards (keepOwnerAndMode).
int createTemporary(const std::string& folder, std::string& name)
{
    for (int attempt = 0; attempt < maxNameAttempts; ++attempt)
    {
        name = folder + "/.vaskor-" + randomSuffix() + ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, const void* data, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0)
    {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0)
        {
            errno = EIO;
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// The rename is on the disk only once the folder is; a failure here does not
// undo the replacement, so it is not reported.
void syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
    {
        ::fsync(fd);
        ::close(fd);
    }
}

bool fail(int* errorCode, int error)
{
    if (errorCode != nullptr)
        *errorCode = error;
    return false;
}

// Gives the new file the owner and mode of the file it replaces. The owner is
// set first (a change of owner clears the set-id bits), and only as far as
// the process may: a user who may not give files away keeps the new file as
// their own (with the old group where they belong to it), and then without
// set-id bits, which would now name them.
void keepOwnerAndMode(int fd, const struct stat& old)
{
    const bool ownerKept = ::fchown(fd, old.st_uid, old.st_gid) == 0;
    if (!ownerKept)
    {
        const int groupKept = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        static_cast<void>(groupKept);
    }
    ::fchmod(fd, old.st_mode & (ownerKept ? 07777 : 0777));
}

// Writes the new contents over the file itself, for a folder where no
// temporary file can be made. The room the new contents need is claimed
// before any byte changes, so a full disk or a size limit leaves the old file
// as it was (a claim that failed half way is cut back to the old size), and
// the tail of a longer old file is cut only once every new byte is written.
// Only a failure of the device in the middle of the writing can leave a mix
// of old and new bytes.
bool writeInPlace(const std::string& target, off_t oldSize, const void* data, size_t size, int* errorCode)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(errorCode, errno);
    int error = size > 0 ? ::posix_fallocate(fd, 0, static_cast<off_t>(size)) : 0;
    if (error != 0)
    {
        const int cutBack = ::ftruncate(fd, oldSize);
        static_cast<void>(cutBack);
        ::close(fd);
        return fail(errorCode, error);
    }
    const bool written = ::lseek(fd, 0, SEEK_SET) == 0 && writeAll(fd, data, size)
                         && ::ftruncate(fd, static_cast<off_t>(size)) == 0 && ::fsync(fd) == 0;
    error = written ? 0 : errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error == 0 || fail(errorCode, error);
}
} // namespace

std::string resolveLinks(const std::string& path)
{
    std::string current = path;
    for (int depth = 0; depth < maxLinkDepth; ++depth)
    {
        std::string target;
        if (!readLink(current, target))
            return current;
        current = (!target.empty() && target[0] == '/') ? target : directoryOf(current) + "/" + target;
    }
    return {};
}

bool replaceContents(const char* path, const void* data, size_t size, int* errorCode)
{
    if (path == nullptr || *path == '\0' || (data == nullptr && size > 0))
        return fail(errorCode, EINVAL);

    const std::string target = resolveLinks(path);
    if (target.empty())
        return fail(errorCode, ELOOP);

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // Only a file is replaced: a FIFO, a device or a socket stays what it is.
    if (exists && !S_ISREG(old.st_mode))
        return fail(errorCode, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    const bool replacing = exists;

    std::string temporary;
    const int fd = createTemporary(directoryOf(target), temporary);
    if (fd < 0)
    {
        const int error = errno;
        // A folder that takes no new file (not writable, out of inodes) may
        // still hold a writable file: write it in place then.
        if (replacing && (error == EACCES || error == EPERM || error == ENOSPC || error == EDQUOT))
            return writeInPlace(target, old.st_size, data, size, errorCode);
        return fail(errorCode, error);
    }
    if (replacing)
        keepOwnerAndMode(fd, old);

    bool written = writeAll(fd, data, size) && ::fsync(fd) == 0;
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && written)
    {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.c_str(), target.c_str()) != 0)
    {
        written = false;
        error = errno;
    }
    if (!written)
    {
        ::unlink(temporary.c_str());
        return fail(errorCode, error);
    }
    syncFolder(directoryOf(target));
    return true;
}
} // namespace PlatformAtomicFile
