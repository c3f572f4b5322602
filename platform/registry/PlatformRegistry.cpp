// The in-memory registry tree and its open-key table.
//
// An open key is a number that is never reused, mapped to its node; the
// predefined HKEY_LOCAL_MACHINE is the root. Nodes are shared, so a key that
// stays open across clear() keeps a node that is no longer in the tree.
#include "registry/PlatformRegistry.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <strings.h>
#include <unordered_map>
#include <vector>

namespace
{
/** Orders names as the registry does: without regard to case. */
struct Caseless
{
    bool operator()(const std::string& a, const std::string& b) const { return strcasecmp(a.c_str(), b.c_str()) < 0; }
};

struct Node
{
    std::map<std::string, std::shared_ptr<Node>, Caseless> subkeys;
    std::map<std::string, std::string, Caseless> values;
};
using NodePointer = std::shared_ptr<Node>;

constexpr DWORD kReadRights = KEY_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | READ_CONTROL;

std::vector<std::string> splitPath(const char* path)
{
    std::vector<std::string> parts;
    std::string part;
    for (const char* c = path; c != nullptr && *c != '\0'; ++c)
    {
        if (*c == '\\')
        {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        }
        else
            part += *c;
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

/** Copies text with its NUL into a buffer of size units; false when it does
    not fit. */
bool copyText(const std::string& text, char* buffer, DWORD size)
{
    if (buffer == nullptr || text.size() + 1 > size)
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

class Registry
{
public:
    static Registry& instance()
    {
        static Registry* registry = new Registry();
        return *registry;
    }

    NodePointer find(HKEY key)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return findLocked(key);
    }

    /** The node at path below key, made when make is set; null when missing. */
    NodePointer walk(HKEY key, const char* path, bool make)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        NodePointer node = findLocked(key);
        for (const std::string& part : splitPath(path))
        {
            if (node == nullptr)
                return nullptr;
            auto found = node->subkeys.find(part);
            if (found != node->subkeys.end())
                node = found->second;
            else if (make)
                node = node->subkeys[part] = std::make_shared<Node>();
            else
                return nullptr;
        }
        return node;
    }

    HKEY open(const NodePointer& node)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        nextKey_ += 4;
        open_[nextKey_] = node;
        return reinterpret_cast<HKEY>(nextKey_);
    }

    bool close(HKEY key)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return open_.erase(reinterpret_cast<uintptr_t>(key)) == 1;
    }

    void setValue(const std::string& path, const std::string& name, const std::string& value)
    {
        NodePointer node = walk(HKEY_LOCAL_MACHINE, path.c_str(), true);
        std::lock_guard<std::mutex> hold(mutex_);
        node->values[name] = value;
    }

    void clear()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        root_ = std::make_shared<Node>();
    }

    /** Runs reader on the node under the lock (values and subkeys may be
        changed by tests meanwhile). */
    template <typename Reader>
    LSTATUS read(HKEY key, Reader reader)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        NodePointer node = findLocked(key);
        return node == nullptr ? ERROR_INVALID_HANDLE : reader(*node);
    }

private:
    NodePointer findLocked(HKEY key)
    {
        if (key == HKEY_LOCAL_MACHINE)
            return root_;
        auto found = open_.find(reinterpret_cast<uintptr_t>(key));
        return found == open_.end() ? nullptr : found->second;
    }

    std::mutex mutex_;
    NodePointer root_ = std::make_shared<Node>();
    std::unordered_map<uintptr_t, NodePointer> open_;
    uintptr_t nextKey_ = 0x20000;
};
} // namespace

LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result)
{
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if ((access & ~kReadRights) != 0)
        return ERROR_ACCESS_DENIED;
    if (Registry::instance().find(key) == nullptr)
        return ERROR_INVALID_HANDLE;
    NodePointer node = Registry::instance().walk(key, subKey, false);
    if (node == nullptr)
        return ERROR_FILE_NOT_FOUND;
    *result = Registry::instance().open(node);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY key)
{
    if (key == HKEY_LOCAL_MACHINE)
        return ERROR_SUCCESS;
    return Registry::instance().close(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS WINAPI RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classNameSize, LPDWORD, LPDWORD subKeys,
                                LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                                LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securityDescriptor,
                                PFILETIME lastWriteTime)
{
    return Registry::instance().read(key, [&](const Node& node) {
        if (className != nullptr && classNameSize != nullptr && *classNameSize > 0)
            className[0] = '\0';
        if (classNameSize != nullptr)
            *classNameSize = 0;
        DWORD longestKey = 0, longestName = 0, longestValue = 0;
        for (const auto& entry : node.subkeys)
            longestKey = std::max<DWORD>(longestKey, static_cast<DWORD>(entry.first.size()));
        for (const auto& entry : node.values)
        {
            longestName = std::max<DWORD>(longestName, static_cast<DWORD>(entry.first.size()));
            longestValue = std::max<DWORD>(longestValue, static_cast<DWORD>(entry.second.size() + 1));
        }
        if (subKeys != nullptr)
            *subKeys = static_cast<DWORD>(node.subkeys.size());
        if (maxSubKeyLength != nullptr)
            *maxSubKeyLength = longestKey;
        if (maxClassLength != nullptr)
            *maxClassLength = 0;
        if (values != nullptr)
            *values = static_cast<DWORD>(node.values.size());
        if (maxValueNameLength != nullptr)
            *maxValueNameLength = longestName;
        if (maxValueLength != nullptr)
            *maxValueLength = longestValue;
        if (securityDescriptor != nullptr)
            *securityDescriptor = 0;
        if (lastWriteTime != nullptr)
            *lastWriteTime = FILETIME{0, 0};
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR className,
                             LPDWORD classNameSize, PFILETIME lastWriteTime)
{
    if (name == nullptr || nameSize == nullptr)
        return ERROR_INVALID_PARAMETER;
    return Registry::instance().read(key, [&](const Node& node) -> LSTATUS {
        if (index >= node.subkeys.size())
            return ERROR_NO_MORE_ITEMS;
        const std::string& found = std::next(node.subkeys.begin(), index)->first;
        if (!copyText(found, name, *nameSize))
            return ERROR_MORE_DATA;
        *nameSize = static_cast<DWORD>(found.size());
        if (className != nullptr && classNameSize != nullptr && *classNameSize > 0)
            className[0] = '\0';
        if (classNameSize != nullptr)
            *classNameSize = 0;
        if (lastWriteTime != nullptr)
            *lastWriteTime = FILETIME{0, 0};
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    if (data != nullptr && dataSize == nullptr)
        return ERROR_INVALID_PARAMETER;
    return Registry::instance().read(key, [&](const Node& node) -> LSTATUS {
        auto found = node.values.find(valueName == nullptr ? "" : valueName);
        if (found == node.values.end())
            return ERROR_FILE_NOT_FOUND;
        if (type != nullptr)
            *type = REG_SZ;
        const DWORD needed = static_cast<DWORD>(found->second.size() + 1);
        if (dataSize == nullptr)
            return ERROR_SUCCESS;
        const DWORD room = *dataSize;
        *dataSize = needed;
        if (data == nullptr)
            return ERROR_SUCCESS;
        return copyText(found->second, reinterpret_cast<char*>(data), room) ? ERROR_SUCCESS : ERROR_MORE_DATA;
    });
}

namespace PlatformRegistry
{
void setValue(const std::string& path, const std::string& name, const std::string& value)
{
    Registry::instance().setValue(path, name, value);
}

void addKey(const std::string& path)
{
    Registry::instance().walk(HKEY_LOCAL_MACHINE, path.c_str(), true);
}

void clear()
{
    Registry::instance().clear();
}
} // namespace PlatformRegistry
