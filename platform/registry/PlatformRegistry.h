// The read-only registry of the platform layer: the Windows registry
// operations the MIDI driver's device naming calls, over an in-memory tree.
// The tree is empty in the program (every lookup finds nothing); tests fill
// it through PlatformRegistry::setValue.
//
// - Key paths are separated by '\' and compared without regard to case.
// - Opening for anything beyond reading (KEY_READ and its parts) answers
//   ERROR_ACCESS_DENIED; a missing key ERROR_FILE_NOT_FOUND.
// - Sizes follow the Windows rules: RegEnumKeyExA takes and answers
//   characters (in: buffer size with the NUL, out: length without it),
//   RegQueryValueExA bytes (a REG_SZ value's size includes its NUL); a buffer
//   too small answers ERROR_MORE_DATA with the size needed.
// - Subkeys are enumerated in the order of their names (without regard to
//   case).
#pragma once

#include "PlatformTypes.h"

#include <string>

typedef HKEY* PHKEY;
typedef DWORD REGSAM;

/** A file time as the key query answers it (always 0 here). */
struct FILETIME
{
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
typedef FILETIME* PFILETIME;

#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002u)

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L

#define KEY_QUERY_VALUE 0x0001u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_NOTIFY 0x0010u
#define READ_CONTROL 0x00020000u
#define KEY_READ 0x00020019u

#define REG_NONE 0u
#define REG_SZ 1u

LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS WINAPI RegCloseKey(HKEY key);
LSTATUS WINAPI RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classNameSize, LPDWORD reserved,
                                LPDWORD subKeys, LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                                LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securityDescriptor,
                                PFILETIME lastWriteTime);
LSTATUS WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                             LPSTR className, LPDWORD classNameSize, PFILETIME lastWriteTime);
LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD dataSize);

/** Test access to the tree; the program never fills it. */
namespace PlatformRegistry
{
/** Stores the text value name (REG_SZ) in the key at path below
    HKEY_LOCAL_MACHINE, making the key and its parents as needed. An empty
    name is the key's default value. */
void setValue(const std::string& path, const std::string& name, const std::string& value);
/** Makes the key at path (and its parents) without values. */
void addKey(const std::string& path);
/** Empties the tree. Keys still open stay valid and read as empty. */
void clear();
} // namespace PlatformRegistry
