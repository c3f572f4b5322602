// Whether a shared library is in the test's process (loaded, by anyone).
#pragma once

#include <dlfcn.h>

namespace TestSupport
{
inline bool libraryInProcess(const char* file)
{
    void* loaded = dlopen(file, RTLD_LAZY | RTLD_NOLOAD);
    if (loaded != nullptr)
        dlclose(loaded);
    return loaded != nullptr;
}
} // namespace TestSupport
