#include "MidiUsbName.h"

#include "TextFunctions.h"

#include "registry/PlatformRegistry.h"

#include <cstring>

namespace Tr {

namespace
{
const char* const kUsbPrefix = "\\\\?\\usb#";
const char* const kUsbEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\USB\\";
constexpr DWORD kRegistryBufferSize = 200;

/** A registry key opened for reading, closed with the object. */
class RegistryKey
{
public:
    RegistryKey(const TString& path, REGSAM access)
    {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~RegistryKey()
    {
        if (m_key != nullptr)
            RegCloseKey(m_key);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool isOpen() const { return m_key != nullptr; }

    /** The text value name, at most 200 bytes, whether NUL-terminated or not. */
    bool readText(const char* name, TString& value) const
    {
        char buffer[kRegistryBufferSize] = {};
        DWORD size = kRegistryBufferSize;
        DWORD type = REG_NONE;
        if (m_key == nullptr
            || RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size) != ERROR_SUCCESS)
            return false;
        value = TString(buffer, static_cast<int>(size < kRegistryBufferSize ? size : kRegistryBufferSize));
        return true;
    }

    DWORD subkeyCount() const
    {
        DWORD count = 0;
        if (m_key == nullptr
            || RegQueryInfoKeyA(m_key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr) != ERROR_SUCCESS)
            return 0;
        return count;
    }

    /** The name of subkey index, at most 200 bytes. */
    bool subkeyName(DWORD index, TString& name) const
    {
        char buffer[kRegistryBufferSize] = {};
        DWORD size = kRegistryBufferSize;
        if (m_key == nullptr
            || RegEnumKeyExA(m_key, index, buffer, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        name = TString(buffer, static_cast<int>(size < kRegistryBufferSize ? size : kRegistryBufferSize));
        return true;
    }

private:
    HKEY m_key = nullptr;
};

/** The subkey of the composite device whose "ParentIdPrefix" starts
    instanceId, or empty. */
TString findParentId(const TString& hardwareId, const TString& instanceId)
{
    // The composite device's key is the hardware id without its interface part.
    const int cut = hardwareId.lastIndexOf('&');
    if (cut <= 0)
        return TString();
    const TString parentPath = TString(kUsbEnumKey) + hardwareId.substring(0, cut);
    const RegistryKey parent(parentPath, KEY_READ);
    if (!parent.isOpen())
        return TString();
    const DWORD count = parent.subkeyCount();
    for (DWORD i = 0; i < count; ++i)
    {
        TString subkey;
        if (!parent.subkeyName(i, subkey))
            continue;
        const RegistryKey candidate(parentPath + "\\" + subkey, KEY_QUERY_VALUE);
        TString prefix;
        // A missing or empty prefix would match every instance.
        if (candidate.readText("ParentIdPrefix", prefix) && !prefix.isEmpty()
            && startsWith(instanceId, prefix, true))
            return subkey;
    }
    return TString();
}
} // namespace

bool findUsbName(const TString& interfacePath, bool vistaOrLater, TString& usbName, TString& parentId)
{
    if (!startsWith(interfacePath, kUsbPrefix, true))
        return false;
    int position = static_cast<int>(std::strlen(kUsbPrefix));
    const TString hardwareId = readToken(interfacePath, position, '#');
    ++position;
    const TString instanceId = readToken(interfacePath, position, '#');
    if (hardwareId.isEmpty() || instanceId.isEmpty())
        return false;

    const RegistryKey device(TString(kUsbEnumKey) + hardwareId + "\\" + instanceId, KEY_QUERY_VALUE);
    TString service;
    TString name;
    if (!device.readText("Service", service) || service != "usbaudio"
        || !device.readText(vistaOrLater ? "FriendlyName" : "LocationInformation", name))
        return false;
    usbName = name;
    const TString parent = findParentId(hardwareId, instanceId);
    if (!parent.isEmpty())
        parentId = parent;
    return true;
}

} // namespace Tr
