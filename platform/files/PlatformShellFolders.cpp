// Linux implementation of the shell's special folders, after the XDG base
// directory and user-dirs conventions.
#include "PlatformShellFolders.h"

#include "PlatformRegularFile.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const char kDocumentsKey[] = "XDG_DOCUMENTS_DIR";

bool isAbsolute(const std::string& path)
{
    return !path.empty() && path[0] == '/';
}

// The path without trailing separators ("/" itself stays).
std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// An environment variable that holds an absolute path, else "".
std::string absoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || !isAbsolute(value))
        return {};
    return withoutTrailingSlash(value);
}

std::string homeFolder()
{
    std::string home = absoluteFromEnvironment("HOME");
    if (!home.empty())
        return home;
    // No usable HOME: the account's own home folder.
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr
        && found->pw_dir != nullptr && isAbsolute(found->pw_dir))
        return withoutTrailingSlash(found->pw_dir);
    return {};
}

std::string configFolder()
{
    std::string config = absoluteFromEnvironment("XDG_CONFIG_HOME");
    if (!config.empty())
        return config;
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + "/.config";
}

// The value of one user-dirs.dirs line: a double-quoted, shell-escaped text
// that may start with $HOME, or an unquoted one.
std::string userDirsValue(const std::string& raw, const std::string& home)
{
    std::string value;
    if (!raw.empty() && raw[0] == '"')
    {
        for (size_t i = 1; i < raw.size() && raw[i] != '"'; ++i)
        {
            if (raw[i] == '\\' && i + 1 < raw.size())
                ++i;
            value += raw[i];
        }
    }
    else
    {
        value = raw;
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
            value.pop_back();
    }
    const std::string homeVariable = "$HOME";
    if (value.compare(0, homeVariable.size(), homeVariable) == 0
        && (value.size() == homeVariable.size() || value[homeVariable.size()] == '/'))
    {
        if (home.empty())
            return {};
        value = home + value.substr(homeVariable.size());
    }
    // A NUL would end the path early and name another folder.
    if (!isAbsolute(value) || value.find('\0') != std::string::npos)
        return {};
    return withoutTrailingSlash(value);
}

// The documents folder that user-dirs.dirs names, else "". Of several lines
// the last one counts, as when the file is read by a shell.
std::string documentsFromUserDirs(const std::string& home)
{
    const std::string config = configFolder();
    if (config.empty())
        return {};
    // Read only when it is a regular file (a FIFO there would block the read)
    // of a size that such a file can have.
    std::string text;
    const std::string path = config + "/user-dirs.dirs";
    if (!PlatformRegularFile::readAll(path.c_str(), text, PlatformRegularFile::kMaxTextFileSize))
        return {};
    std::istringstream file(text);
    std::string line;
    std::string found;
    const size_t keyLength = std::strlen(kDocumentsKey);
    while (std::getline(file, line))
    {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, keyLength, kDocumentsKey) != 0
            || line.compare(start + keyLength, 1, "=") != 0)
            continue;
        const std::string value = userDirsValue(line.substr(start + keyLength + 1), home);
        if (!value.empty())
            found = value;
    }
    return found;
}

std::string documentsFolder()
{
    std::string documents = absoluteFromEnvironment(kDocumentsKey);
    if (!documents.empty())
        return documents;
    const std::string home = homeFolder();
    documents = documentsFromUserDirs(home);
    if (!documents.empty())
        return documents;
    return home.empty() ? std::string() : home + "/Documents";
}

bool folderExistsOrMade(const std::string& folder)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    return ::mkdir(folder.c_str(), 0777) == 0;
}
} // namespace

BOOL SHGetSpecialFolderPathA(HWND /*owner*/, LPSTR path, int csidl, BOOL create)
{
    if (path == nullptr)
        return FALSE;
    std::string folder;
    if (csidl == CSIDL_PERSONAL)
        folder = documentsFolder();
    else if (csidl == CSIDL_APPDATA)
        folder = configFolder();
    if (folder.empty() || folder.size() >= MAX_PATH)
        return FALSE;
    if (create && !folderExistsOrMade(folder))
        return FALSE;
    std::memcpy(path, folder.c_str(), folder.size() + 1);
    return TRUE;
}
