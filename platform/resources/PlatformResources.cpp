// The resource table over the data that juce_add_binary_data embeds.
#include "PlatformResources.h"

#include "VaskorBinaryData.h"

#include <string>
#include <vector>

// One entry of the table; HRSRC and the loaded-resource handle point at one.
struct PlatformResourceInfo
{
    std::string name;
    std::string type;
    const char* data;
    DWORD size;
};

namespace
{
std::string upperAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Every embedded file, named after its original file name.
std::vector<PlatformResourceInfo> makeTable()
{
    std::vector<PlatformResourceInfo> table;
    for (int i = 0; i < VaskorBinaryData::namedResourceListSize; ++i)
    {
        const char* symbol = VaskorBinaryData::namedResourceList[i];
        const char* fileName = VaskorBinaryData::getNamedResourceOriginalFilename(symbol);
        int size = 0;
        const char* data = VaskorBinaryData::getNamedResource(symbol, size);
        if (fileName == nullptr || data == nullptr || size < 0)
            continue;
        const std::string file(fileName);
        const size_t dot = file.find_last_of('.');
        const std::string stem = dot == std::string::npos ? file : file.substr(0, dot);
        const std::string extension = dot == std::string::npos ? std::string() : file.substr(dot + 1);
        table.push_back({upperAscii(stem), upperAscii(extension), data, static_cast<DWORD>(size)});
    }
    return table;
}

const std::vector<PlatformResourceInfo>& resourceTable()
{
    static const std::vector<PlatformResourceInfo> table = makeTable();
    return table;
}

// A text argument, as opposed to a numeric id in the pointer's place.
bool isText(LPCSTR nameOrId)
{
    return reinterpret_cast<uintptr_t>(nameOrId) >= 0x10000u;
}

// The entry a handle points at, or null for anything else.
const PlatformResourceInfo* entryOf(const void* handle)
{
    for (const PlatformResourceInfo& entry : resourceTable())
        if (&entry == handle)
            return &entry;
    return nullptr;
}
} // namespace

HRSRC FindResourceA(HMODULE /*module*/, LPCSTR name, LPCSTR type)
{
    if (!isText(name) || !isText(type))
        return nullptr;
    const std::string wantedName = upperAscii(name);
    const std::string wantedType = upperAscii(type);
    for (const PlatformResourceInfo& entry : resourceTable())
        if (entry.name == wantedName && entry.type == wantedType)
            return const_cast<PlatformResourceInfo*>(&entry);
    return nullptr;
}

HGLOBAL LoadResource(HMODULE /*module*/, HRSRC resource)
{
    return entryOf(resource) != nullptr ? static_cast<HGLOBAL>(resource) : nullptr;
}

LPVOID LockResource(HGLOBAL loaded)
{
    const PlatformResourceInfo* entry = entryOf(loaded);
    return entry != nullptr ? const_cast<char*>(entry->data) : nullptr;
}

DWORD SizeofResource(HMODULE /*module*/, HRSRC resource)
{
    const PlatformResourceInfo* entry = entryOf(resource);
    return entry != nullptr ? entry->size : 0;
}

BOOL FreeResource(HGLOBAL /*loaded*/)
{
    return FALSE;
}
