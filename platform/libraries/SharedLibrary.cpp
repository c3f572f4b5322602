#include "libraries/SharedLibrary.h"

#include <dlfcn.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace
{
/** dlopen. What a library's initialisers allocate while it loads is the
    library's own for as long as the process lives: some never free it
    (libjack keeps two mutexes), and once the library is unloaded nothing
    points to it any more. The leak checker of the sanitizer builds is told
    to ignore it. */
void* openLibrary(const char* file, int flags)
{
#if defined(__SANITIZE_ADDRESS__)
    __lsan_disable();
#endif
    void* handle = dlopen(file, flags);
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
    return handle;
}

bool alreadyLoaded(const char* file)
{
    void* loaded = dlopen(file, RTLD_LAZY | RTLD_NOLOAD);
    if (loaded != nullptr)
        dlclose(loaded);
    return loaded != nullptr;
}

void* load(const char* file, bool bindNow, std::string& failure)
{
    void* handle = openLibrary(file, (bindNow ? RTLD_NOW : RTLD_LAZY) | RTLD_LOCAL);
    if (handle == nullptr)
    {
        const char* reason = dlerror();
        failure = reason != nullptr ? reason : std::string(file) + " cannot be loaded";
    }
    return handle;
}
} // namespace

SharedLibrary::SharedLibrary(const char* file, bool bindNow)
    : file_(file), loadedBefore_(alreadyLoaded(file)), handle_(load(file, bindNow, failure_))
{
}

SharedLibrary::~SharedLibrary()
{
    if (handle_ != nullptr)
        dlclose(handle_);
}

void SharedLibrary::keepLoaded() const
{
    if (handle_ != nullptr)
        dlopen(file_.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

void* SharedLibrary::symbol(const char* name) const
{
    return handle_ == nullptr ? nullptr : dlsym(handle_, name);
}

bool SharedLibrary::lacks(const char* name)
{
    if (failure_.empty())
        failure_ = file_ + " has no " + name;
    return false;
}
