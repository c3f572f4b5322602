// Loading the program's embedded resources (the background image).
#pragma once

#include "PlatformTypes.h"

namespace Tr {

/** What a resource load gives: the platform's loaded-resource handle, the
    read-only bytes and their count. All three are zero when nothing is loaded. */
struct TResourceData
{
    HGLOBAL handle = nullptr;
    const void* data = nullptr;
    DWORD size = 0;
};

/** Finds, loads and locks the resource name of the given type in module.
    Not found or not loadable: the record is zeroed and the result false.
    Otherwise true, except for a null data pointer with a non-zero size (the
    record then keeps the handle and the size). */
bool loadResource(HMODULE module, const char* type, const char* name, TResourceData& resource);

/** Releases a loaded resource and zeroes the record; a null record or one
    without a handle is left alone. */
void freeResource(TResourceData* resource);

} // namespace Tr
