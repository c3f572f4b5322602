#include "midi/JackPortNames.h"

#include "midi/MidiDeviceNames.h"

namespace PlatformMidi
{
namespace
{
bool showsAlias(const JackPortFacts& port)
{
    return port.physical && !port.alias.empty();
}

/** Whether another port of the list has the alias of the port at index as
    its full name, or as an alias it would show, compared as they are shown
    (cut to a product name's room). */
bool aliasIsTaken(const std::vector<JackPortFacts>& ports, size_t index)
{
    const std::string alias = cutUtf8(ports[index].alias);
    for (size_t other = 0; other < ports.size(); ++other)
    {
        if (other == index)
            continue;
        const bool fullNameIsIt = cutUtf8(ports[other].fullName) == alias;
        if (fullNameIsIt || (showsAlias(ports[other]) && cutUtf8(ports[other].alias) == alias))
            return true;
    }
    return false;
}
} // namespace

std::vector<std::string> jackDeviceNames(const std::vector<JackPortFacts>& ports)
{
    std::vector<std::string> names;
    names.reserve(ports.size());
    for (size_t i = 0; i < ports.size(); ++i)
        names.push_back(showsAlias(ports[i]) && !aliasIsTaken(ports, i) ? ports[i].alias : ports[i].fullName);
    return names;
}
} // namespace PlatformMidi
