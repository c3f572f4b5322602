#include "midi/JackPortNames.h"

namespace PlatformMidi
{
namespace
{
bool showsAlias(const JackPortFacts& port)
{
    return port.physical && !port.alias.empty();
}

/** Whether another port of the list has the alias of the port at index as
    its full name, or as an alias it would show. */
bool aliasIsTaken(const std::vector<JackPortFacts>& ports, size_t index)
{
    const std::string& alias = ports[index].alias;
    for (size_t other = 0; other < ports.size(); ++other)
    {
        if (other == index)
            continue;
        if (ports[other].fullName == alias || (showsAlias(ports[other]) && ports[other].alias == alias))
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
