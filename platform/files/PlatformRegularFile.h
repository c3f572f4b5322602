// Opening a file that the program reads or replaces, without ever waiting in
// the open on something that is not a file.
#pragma once

#include <cstdio>
#include <string>

namespace PlatformRegularFile
{
/** Opens the regular file at path as fopen does with mode ("rb", "ab", ...),
    but never waits in the open: the open does not block, and anything that is
    not a regular file (a folder, a FIFO, a device, a socket) is refused with
    null and errno EISDIR for a folder, EINVAL for the others, before a byte is
    read from it or written to it. The stream that comes back reads and writes
    as any other. null, with the system's errno, when the file cannot be
    opened. */
std::FILE* open(const char* path, const char* mode);

/** The whole contents of the regular file at path into text; false (text
    unchanged) when it cannot be opened or read, or is no regular file. */
bool readAll(const char* path, std::string& text);
} // namespace PlatformRegularFile
