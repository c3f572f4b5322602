#include "midi/AlsaLibrary.h"

namespace PlatformMidi
{
AlsaLibrary::AlsaLibrary(const char* file) : library_(file)
{
}

AlsaLibrary::~AlsaLibrary()
{
    if (config_update_free_global != nullptr && !library_.wasLoadedBefore())
        config_update_free_global();
}

bool AlsaLibrary::resolveAll()
{
#define VASKOR_ALSA_RESOLVE(name) library_.resolve(name, "snd_" #name) &&
    return VASKOR_ALSA_FUNCTIONS(VASKOR_ALSA_RESOLVE) true;
#undef VASKOR_ALSA_RESOLVE
}

std::shared_ptr<const AlsaLibrary> AlsaLibrary::load(std::string& failure, const char* file)
{
    std::shared_ptr<AlsaLibrary> library(new AlsaLibrary(file));
    if (!library->resolveAll())
    {
        failure = "the ALSA library cannot be loaded (" + library->library_.failure() + ")";
        return nullptr;
    }
    return library;
}
} // namespace PlatformMidi
