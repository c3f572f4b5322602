// Whole-file loading and folders over the platform's file and shell calls.
#include "FileSystem.h"

#include "PlatformFilesAndResources.h"
#include "TextFunctions.h"
#include "files/PlatformRegularFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Tr {

namespace
{
// Files of this size or more are refused.
constexpr long long kFileSizeLimit = 0x7FFFFFFF;

char* fail(TString* error, const TString& text)
{
    if (error != nullptr)
        *error = text;
    return nullptr;
}

// The size of an open file, or -1 when it cannot be told. The size is taken
// in 64 bits, so a file of 4 GiB or more is never mistaken for a small one.
long long fileSize(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    const long long size = std::ftell(file);
    if (std::fseek(file, 0, SEEK_SET) != 0)
        return -1;
    return size;
}

// Reads the whole file when it holds at most maxSize bytes; a larger file is
// refused with tooLargeText before anything is read, and *tooLarge set.
char* loadUpTo(const TString& fileName, long long maxSize, const TString& tooLargeText, int32_t* size,
               TString* error, bool* tooLarge)
{
    // Only a regular file is opened, and without waiting: a folder or a FIFO
    // is no file to load, and the open of a FIFO would wait for a writer.
    std::FILE* file = PlatformRegularFile::open(fileName.c_str(), "rb");
    if (file == nullptr)
        return fail(error, "error opening file: : " + fileName);

    // maxSize is below the 2 GB limit, so a file at that limit is too large
    // here as well; a size that cannot be told is refused as over the limit.
    const long long length = fileSize(file);
    if (length < 0 || length > maxSize)
    {
        std::fclose(file);
        *tooLarge = length > maxSize;
        return fail(error, *tooLarge ? tooLargeText : "file too large (2GB limit): " + fileName);
    }

    // The size is that of the open file, and no more than that is read even
    // when the file grows meanwhile.
    const auto byteCount = static_cast<size_t>(length);
    // One byte for an empty file, so that it too gets a buffer of its own.
    auto* buffer = static_cast<char*>(std::malloc(byteCount > 0 ? byteCount : 1));
    if (buffer == nullptr)
    {
        std::fclose(file);
        return fail(error, "out of memory (trying to allocate " + toString(static_cast<int>(length)) + " bytes).");
    }

    const size_t read = byteCount > 0 ? std::fread(buffer, 1, byteCount, file) : 0;
    std::fclose(file);
    if (read < byteCount)
    {
        std::free(buffer);
        return fail(error, "error reading file into buffer : " + fileName);
    }
    *size = static_cast<int32_t>(length);
    return buffer;
}
} // namespace

char* loadFile(const TString& fileName, int32_t* size, TString* error)
{
    bool tooLarge = false;
    return loadUpTo(fileName, kFileSizeLimit - 1, "file too large (2GB limit): " + fileName, size, error, &tooLarge);
}

char* loadFile(const TString& fileName, int32_t* size, TString* error, int32_t maxSize, bool* tooLarge)
{
    bool refused = false;
    const TString tooLargeText = "file too large (" + toString(maxSize) + " bytes at most): " + fileName;
    char* buffer = loadUpTo(fileName, maxSize, tooLargeText, size, error, &refused);
    if (tooLarge != nullptr)
        *tooLarge = refused;
    return buffer;
}

void freeFileBuffer(void* buffer)
{
    if (buffer != nullptr)
        std::free(buffer);
}

bool fileExists(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool fileExists(const TString& path)
{
    return fileExists(path.c_str());
}

bool directoryExists(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool directoryExists(const TString& path)
{
    return directoryExists(path.c_str());
}

bool isRootPath(const char* path)
{
    return path != nullptr && path[0] == kPathSeparator && path[1] == '\0';
}

bool createDirectories(const char* path)
{
    if (path == nullptr || *path == '\0')
        return false;
    if (isRootPath(path) || directoryExists(path))
        return true;

    const char* lastSeparator = std::strrchr(path, kPathSeparator);
    if (lastSeparator == nullptr || lastSeparator == path)
        return false;

    const TString parent(path, static_cast<int>(lastSeparator - path));
    if (!createDirectories(parent))
        return false;
    // Another process may make the folder at the same moment; what counts is
    // that it exists afterwards.
    return CreateDirectoryA(path, nullptr) || directoryExists(path);
}

bool createDirectories(const TString& path)
{
    return createDirectories(path.c_str());
}

TString getSpecialFolder(int csidl)
{
    char folder[MAX_PATH];
    if (!SHGetSpecialFolderPathA(nullptr, folder, csidl, FALSE))
        return TString();
    return TString(folder);
}

TString getDocumentsFolder()
{
    return getSpecialFolder(CSIDL_PERSONAL);
}

TString getAppDataFolder()
{
    return getSpecialFolder(CSIDL_APPDATA);
}

} // namespace Tr

Tr::TString getSettingsFolder()
{
    const char separator[] = {Tr::kPathSeparator, '\0'};
    return Tr::getAppDataFolder() + separator + "Vaskor Devices";
}
