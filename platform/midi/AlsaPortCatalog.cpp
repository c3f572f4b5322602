#include "midi/AlsaPortCatalog.h"

#include "midi/MidiDeviceNames.h"

#include <algorithm>
#include <cctype>
#include <set>

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

std::string identityOf(const AlsaPortRecord& port)
{
    return "alsa:" + percentEscaped(port.clientName) + ":" + percentEscaped(port.portName);
}
} // namespace

void AlsaPortCatalog::load(const std::vector<AlsaPortRecord>& ports)
{
    ports_ = ports;
    twins_[0].clear();
    twins_[1].clear();
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

std::string AlsaPortCatalog::displayName(const AlsaPortRecord& port, bool sharedWithOtherClients)
{
    if (port.clientName.empty())
        return port.portName;
    const bool namesItsClient = lowered(port.portName).find(lowered(port.clientName)) != std::string::npos;
    if (namesItsClient && !sharedWithOtherClients)
        return port.portName;
    return port.clientName + ": " + port.portName;
}

std::set<std::string> AlsaPortCatalog::portNamesOfSeveralClients() const
{
    std::map<std::string, std::set<std::string>> clientsOf;
    for (const AlsaPortRecord& port : ports_)
        if (isDevice(DeviceKind::output, port, ownClient_) || isDevice(DeviceKind::input, port, ownClient_))
            clientsOf[port.portName].insert(port.clientName);
    std::set<std::string> shared;
    for (const auto& entry : clientsOf)
        if (entry.second.size() > 1)
            shared.insert(entry.first);
    return shared;
}

bool AlsaPortCatalog::rebuild()
{
    bool changed = false;
    // Both lists use the same rule, so a port that reads and writes has one
    // name in both.
    const std::set<std::string> shared = portNamesOfSeveralClients();
    for (int k = 0; k < 2; ++k)
    {
        twins_[k] = numberTwins(k);
        std::vector<Device> next;
        for (const AlsaPortRecord& port : ports_)
        {
            auto twin = twins_[k].find({port.client, port.port});
            if (twin == twins_[k].end())
                continue;
            std::string identity = twin->second.identity;
            if (twin->second.number > 1)
                identity += "#" + std::to_string(twin->second.number);
            next.push_back({port.client, port.port, displayName(port, shared.count(port.portName) != 0), identity});
        }
        changed = changed || next != devices_[k];
        devices_[k] = std::move(next);
    }
    return changed;
}

std::map<AlsaPortCatalog::Address, AlsaPortCatalog::Twin> AlsaPortCatalog::numberTwins(int k) const
{
    const DeviceKind kind = k == 0 ? DeviceKind::output : DeviceKind::input;
    std::map<Address, Twin> kept;
    std::vector<const AlsaPortRecord*> arrived;
    for (const AlsaPortRecord& port : ports_)
    {
        if (!isDevice(kind, port, ownClient_))
            continue;
        auto held = twins_[k].find({port.client, port.port});
        if (held != twins_[k].end() && held->second.identity == identityOf(port))
            kept.emplace(held->first, held->second);
        else
            arrived.push_back(&port);
    }
    for (const AlsaPortRecord* port : arrived)
    {
        const std::string identity = identityOf(*port);
        std::set<int> taken;
        for (const auto& entry : kept)
            if (entry.second.identity == identity)
                taken.insert(entry.second.number);
        int number = 1;
        while (taken.count(number) != 0)
            ++number;
        kept.emplace(Address{port->client, port->port}, Twin{identity, number});
    }
    return kept;
}
} // namespace PlatformMidi
