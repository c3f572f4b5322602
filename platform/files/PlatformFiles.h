// File attribute queries and folder creation, under the names the rest of the
// system calls them by.
#pragma once

#include "PlatformTypes.h"

/** Security settings for a new folder. Never given here: new folders get the
    default permissions (0777 less the process's file-creation mask). */
typedef struct PlatformSecurityAttributes* LPSECURITY_ATTRIBUTES;

/** FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_NORMAL for anything
    else that exists, INVALID_FILE_ATTRIBUTES when the path does not exist
    (or is null or empty). Symbolic links are followed. */
DWORD GetFileAttributesA(LPCSTR path);

/** Creates one folder; its parent must exist. FALSE when the folder (or a
    file of that name) already exists, when the parent is missing, or when the
    folder cannot be made. */
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES securityAttributes);
