// Resource loading over the platform's resource calls.
#include "ResourceData.h"

#include "PlatformFilesAndResources.h"

namespace Tr {

bool loadResource(HMODULE module, const char* type, const char* name, TResourceData& resource)
{
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    if (loaded == nullptr)
    {
        resource = TResourceData();
        return false;
    }
    resource.handle = loaded;
    resource.data = LockResource(loaded);
    resource.size = SizeofResource(module, found);
    return resource.data != nullptr || resource.size == 0;
}

void freeResource(TResourceData* resource)
{
    if (resource == nullptr || resource->handle == nullptr)
        return;
    FreeResource(resource->handle);
    *resource = TResourceData();
}

} // namespace Tr
