#include "midi/AlsaPortCatalog.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace PlatformMidi
{
namespace
{
std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
} // namespace

void AlsaPortCatalog::load(const std::vector<AlsaPortRecord>& ports)
{
    ports_ = ports;
    rebuild();
}

bool AlsaPortCatalog::portStarted(const AlsaPortRecord& port)
{
    auto found = std::find_if(ports_.begin(), ports_.end(), [&](const AlsaPortRecord& listed) {
        return listed.client == port.client && listed.port == port.port;
    });
    if (found != ports_.end())
        *found = port;
    else
        ports_.push_back(port);
    return rebuild();
}

bool AlsaPortCatalog::portChanged(const AlsaPortRecord& port)
{
    return portStarted(port);
}

bool AlsaPortCatalog::portExited(int client, int port)
{
    ports_.erase(std::remove_if(ports_.begin(), ports_.end(),
                                [&](const AlsaPortRecord& listed) {
                                    return listed.client == client && listed.port == port;
                                }),
                 ports_.end());
    return rebuild();
}

bool AlsaPortCatalog::clientExited(int client)
{
    ports_.erase(std::remove_if(ports_.begin(), ports_.end(),
                                [&](const AlsaPortRecord& listed) { return listed.client == client; }),
                 ports_.end());
    return rebuild();
}

bool AlsaPortCatalog::clientRenamed(int client, const std::string& name)
{
    for (AlsaPortRecord& port : ports_)
        if (port.client == client)
            port.clientName = name;
    return rebuild();
}

bool AlsaPortCatalog::contains(DeviceKind kind, int client, int port) const
{
    const std::vector<Device>& list = devices(kind);
    return std::any_of(list.begin(), list.end(),
                       [&](const Device& device) { return device.client == client && device.port == port; });
}

bool AlsaPortCatalog::isDevice(DeviceKind kind, const AlsaPortRecord& port, int ownClient)
{
    if (port.client == kSystemClient || port.client == ownClient || (port.capability & kCapNoExport) != 0)
        return false;
    if ((port.type & (kTypeMidiGeneric | kTypeSynth | kTypeApplication)) == 0)
        return false;
    const unsigned needed = kind == DeviceKind::output ? kCapWrite | kCapSubsWrite : kCapRead | kCapSubsRead;
    return (port.capability & needed) == needed;
}

std::string AlsaPortCatalog::displayName(const AlsaPortRecord& port)
{
    if (port.clientName.empty() || lowered(port.portName).find(lowered(port.clientName)) != std::string::npos)
        return port.portName;
    return port.clientName + ": " + port.portName;
}

bool AlsaPortCatalog::rebuild()
{
    bool changed = false;
    const DeviceKind kinds[2] = {DeviceKind::output, DeviceKind::input};
    for (int k = 0; k < 2; ++k)
    {
        std::vector<Device> next;
        std::map<std::string, int> seen;
        for (const AlsaPortRecord& port : ports_)
        {
            if (!isDevice(kinds[k], port, ownClient_))
                continue;
            std::string identity = "alsa:" + port.clientName + ":" + port.portName;
            const int occurrence = ++seen[identity];
            if (occurrence > 1)
                identity += "#" + std::to_string(occurrence);
            next.push_back({port.client, port.port, displayName(port), identity});
        }
        changed = changed || next != devices_[k];
        devices_[k] = std::move(next);
    }
    return changed;
}
} // namespace PlatformMidi
