// Feeds arbitrary user-dirs.dirs files to the documents-folder lookup. The
// first line of the input is the home folder ($HOME), the rest is the file.
// Whatever the file holds, the lookup gives an absolute path without a
// trailing separator that fits the buffer and is written whole (a string
// that ends early, at a NUL of the file, would name another folder), or fails
// without touching the buffer; a file without a documents line gives the
// home folder's "Documents".
#include "files/PlatformShellFolders.h"
#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace
{
using fuzz::check;

constexpr char canary = '#';

/** A configuration folder of the fuzzer's own, removed at exit. */
struct ConfigFolder
{
    std::string path;
    std::string file;

    ConfigFolder()
    {
        char pattern[] = "/tmp/vaskor-userdirs-fuzz-XXXXXX";
        check(::mkdtemp(pattern) != nullptr);
        path = pattern;
        file = path + "/user-dirs.dirs";
        ::setenv("XDG_CONFIG_HOME", path.c_str(), 1);
        ::unsetenv("XDG_DOCUMENTS_DIR");
    }

    ~ConfigFolder()
    {
        ::unlink(file.c_str());
        ::rmdir(path.c_str());
    }

    void write(const uint8_t* data, size_t size) const
    {
        std::FILE* out = std::fopen(file.c_str(), "wb");
        check(out != nullptr);
        check(std::fwrite(data, 1, size, out) == size);
        std::fclose(out);
    }
};

const ConfigFolder& configFolder()
{
    static const ConfigFolder folder;
    return folder;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x10000)
        return 0;
    const char* text = reinterpret_cast<const char*>(data);
    const void* lineEnd = std::memchr(text, '\n', size);
    const size_t homeLength = lineEnd != nullptr ? static_cast<size_t>(static_cast<const char*>(lineEnd) - text) : 0;
    // The environment holds no NUL: the home folder ends at the first one.
    const std::string home(text, strnlen(text, homeLength));
    ::setenv("HOME", home.c_str(), 1);
    const size_t fileStart = lineEnd != nullptr ? homeLength + 1 : 0;
    configFolder().write(data + fileStart, size - fileStart);

    char path[MAX_PATH + 16];
    std::memset(path, canary, sizeof path);
    if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_PERSONAL, FALSE))
    {
        for (char c : path)
            check(c == canary);
        return 0;
    }
    const size_t length = strnlen(path, sizeof path);
    check(length > 0 && length < MAX_PATH);
    check(path[0] == '/');
    check(length == 1 || path[length - 1] != '/');
    // Exactly the path and its terminating NUL were written.
    for (size_t i = length + 1; i < sizeof path; ++i)
        check(path[i] == canary);

    const std::string file(text + fileStart, size - fileStart);
    if (file.find("XDG_DOCUMENTS_DIR") == std::string::npos && !home.empty() && home[0] == '/'
        && home.find_first_not_of('/') != std::string::npos)
        check(std::string(path) == home.substr(0, home.find_last_not_of('/') + 1) + "/Documents");
    return 0;
}
