// Opening a file that the program reads or replaces, without ever waiting in
// the open on something that is not a file.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace PlatformRegularFile
{
/** The most bytes the program reads of a text file that it reads whole (its
    preferences, "Language.ini", the desktop's user-dirs.dirs). Real ones hold
    a few kilobytes; a larger file is no such file and counts as one that
    cannot be read, instead of costing memory and time in proportion to its
    size. */
constexpr std::size_t kMaxTextFileSize = 4 * 1024 * 1024;

/** Opens the regular file at path as fopen does with mode ("rb", "ab", ...),
    but never waits in the open: the open does not block, and anything that is
    not a regular file (a folder, a FIFO, a device, a socket) is refused with
    null and errno EISDIR for a folder, EINVAL for the others, before a byte is
    read from it or written to it. The stream that comes back reads and writes
    as any other. null, with the system's errno, when the file cannot be
    opened. */
std::FILE* open(const char* path, const char* mode);

/** The whole contents of the regular file at path into text; false (text
    unchanged) when it cannot be opened or read, is no regular file, or holds
    more than maxSize bytes (of which at most maxSize + 1 are read). */
bool readAll(const char* path, std::string& text, std::size_t maxSize);
} // namespace PlatformRegularFile
