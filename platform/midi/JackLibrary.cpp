#include "midi/JackLibrary.h"

namespace PlatformMidi
{
namespace
{
void ignoreJackMessage(const char*)
{
}
} // namespace

JackLibrary::JackLibrary(const char* file) : library_(file, true)
{
}

bool JackLibrary::resolveAll()
{
#define VASKOR_JACK_RESOLVE(name) library_.resolve(name, "jack_" #name) &&
    return VASKOR_JACK_FUNCTIONS(VASKOR_JACK_RESOLVE) true;
#undef VASKOR_JACK_RESOLVE
}

std::shared_ptr<const JackLibrary> JackLibrary::load(std::string& failure, const char* file)
{
    std::shared_ptr<JackLibrary> library(new JackLibrary(file));
    if (!library->resolveAll())
    {
        failure = "the JACK library cannot be loaded (" + library->library_.failure() + ")";
        return nullptr;
    }
    library->set_error_function(ignoreJackMessage);
    library->set_info_function(ignoreJackMessage);
    return library;
}
} // namespace PlatformMidi
