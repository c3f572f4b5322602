// Linux implementation of the file attribute queries and folder creation.
#include "PlatformFiles.h"

#include <sys/stat.h>

DWORD GetFileAttributesA(LPCSTR path)
{
    if (path == nullptr || *path == '\0')
        return INVALID_FILE_ATTRIBUTES;
    struct stat info {};
    if (::stat(path, &info) != 0)
        return INVALID_FILE_ATTRIBUTES;
    return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES /*securityAttributes*/)
{
    if (path == nullptr || *path == '\0')
        return FALSE;
    return ::mkdir(path, 0777) == 0 ? TRUE : FALSE;
}
