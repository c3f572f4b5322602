// Whole-file replacement that never leaves a half-written file behind.
//
// The new contents go to a temporary file in the folder of the target, which
// gets the old file's owner (as far as the process may set it) and mode, is
// flushed to the disk and closed before it is renamed over the target in one
// step. A path that is a symbolic link is followed, so the file it names is
// replaced and the link stays a link. Only a regular file is replaced: a
// folder, a FIFO, a device or a socket at the path is refused and stays. When anything fails, the target is
// left exactly as it was and the temporary file is removed.
//
// A folder where no new file can be made (not writable, no room for one
// more entry) may still hold a writable file. That file is then written in
// place: the room for the new contents is claimed before any byte changes,
// so a full disk or a size limit leaves the old file as it was; only a
// failure of the device in the middle of the writing can leave it mixed.
#pragma once

#include <cstddef>
#include <string>

namespace PlatformAtomicFile
{
/** Replaces (or creates) the file at path with size bytes of data.

    A file that replaces another keeps the old one's mode and, where the
    process may set it, its owner and group; a new file gets the permissions
    that any newly created file gets under the process's file-creation mask.
    Returns false on any failure, with the system's error number in errorCode
    when one is given; the target is then unchanged (see above for the one
    exception, a device failing in the middle of an in-place write). */
bool replaceContents(const char* path, const void* data, size_t size, int* errorCode = nullptr);

/** The file that a write to path really reaches: path itself, or, when it is
    a symbolic link (or a chain of them), the path that the last link names.
    A link that names a missing file still gives that name. Returns an empty
    string for a loop of links. */
std::string resolveLinks(const std::string& path);
} // namespace PlatformAtomicFile
