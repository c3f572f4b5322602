// Whole-file replacement that never leaves a half-written file behind.
//
// The new contents go to a temporary file in the folder of the target, which
// is flushed to the disk and closed before it is renamed over the target in
// one step. A path that is a symbolic link is followed, so the file it names
// is replaced and the link stays a link. When anything fails, the target is
// left exactly as it was and the temporary file is removed.
#pragma once

#include <cstddef>
#include <string>

namespace PlatformAtomicFile
{
/** Replaces (or creates) the file at path with size bytes of data.

    The file that results gets the permissions that any newly created file
    gets under the process's file-creation mask. Returns false on any failure,
    with the system's error number in errorCode when one is given; the target
    is then unchanged. */
bool replaceContents(const char* path, const void* data, size_t size, int* errorCode = nullptr);

/** The file that a write to path really reaches: path itself, or, when it is
    a symbolic link (or a chain of them), the path that the last link names.
    A link that names a missing file still gives that name. Returns an empty
    string for a loop of links. */
std::string resolveLinks(const std::string& path);
} // namespace PlatformAtomicFile
