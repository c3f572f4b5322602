// Whole-file loading, existence tests, recursive folder creation and the
// user's documents, application-data and settings folders.
#pragma once

#include "TString.h"

#include <cstdint>

namespace Tr {

/** Reads a whole file into a new malloc'd buffer of exactly its size (no
    terminating NUL; an empty file gives a valid buffer of size 0). On success
    *size is set and the buffer returned, to be given back with freeFileBuffer.
    On failure the result is null, *size is left alone and, when error is
    given, it receives one of "error opening file: : <name>", "file too large
    (2GB limit): <name>" (2,147,483,647 bytes or more, or an unknown size),
    "out of memory (trying to allocate <n> bytes)." or "error reading file into
    buffer : <name>". Only a regular file is opened, and the open never waits:
    a folder, a FIFO or a device cannot be opened as a file. */
char* loadFile(const TString& fileName, int32_t* size, TString* error);

/** loadFile for a caller that has no use for a file of more than maxSize
    bytes (0 <= maxSize < 2,147,483,647): such a file is refused from its size,
    before a byte of it is read or any memory is taken for it, with the error
    "file too large (<maxSize> bytes at most): <name>" and *tooLarge (when
    given) true. Otherwise *tooLarge is false and the result is loadFile's. */
char* loadFile(const TString& fileName, int32_t* size, TString* error, int32_t maxSize, bool* tooLarge);

/** Frees a buffer of loadFile; null does nothing. */
void freeFileBuffer(void* buffer);

/** Whether path exists and is not a folder. */
bool fileExists(const char* path);
bool fileExists(const TString& path);

/** Whether path exists and is a folder. */
bool directoryExists(const char* path);
bool directoryExists(const TString& path);

/** Makes the folder path and every missing folder above it, the outermost
    first; true when the folder exists afterwards. A root or an existing folder
    gives true and nothing is made. A name without a separator, or one whose
    only separator is its first character (a folder right under the root), is
    never made and gives false unless it exists. A failure stops the creation
    of every inner folder. */
bool createDirectories(const char* path);
bool createDirectories(const TString& path);

/** True for the file-system root, a lone separator. */
bool isRootPath(const char* path);

/** The shell folder with the given CSIDL number (5 documents, 26 application
    data), whether it exists or not; empty on failure. */
TString getSpecialFolder(int csidl);
TString getDocumentsFolder();
TString getAppDataFolder();

} // namespace Tr

/** The per-user settings folder: the application-data folder, a separator and
    "Vaskor Devices", no trailing separator. It is not created here. */
Tr::TString getSettingsFolder();
