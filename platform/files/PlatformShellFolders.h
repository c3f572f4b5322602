// The shell's special folders: the user's documents and application-data
// folders, found the way the desktop's own tools find them.
#pragma once

#include "PlatformTypes.h"

#define CSIDL_PERSONAL 5 // the user's documents folder
#define CSIDL_APPDATA 26 // the user's (roaming) application-data folder

/** Writes the folder's absolute path, without a trailing separator, into
    path (MAX_PATH bytes) and returns TRUE. Documents: $XDG_DOCUMENTS_DIR, else
    the XDG_DOCUMENTS_DIR line of user-dirs.dirs in the configuration folder
    ($HOME expanded), else $HOME/Documents. Application data: $XDG_CONFIG_HOME,
    else $HOME/.config. The path is given whether the folder exists or not;
    with create set a missing folder is made (its parent must exist). FALSE,
    with path untouched, for any other folder id, a null path, no known home
    folder, a path of MAX_PATH bytes or more, or a folder that create could
    not make. owner is not used. */
BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create);
