// What the ALSA backend decides about sequencer ports, apart from the calls
// into the library, so that it can be checked with recorded port data.
#pragma once

#include "midi/MidiBackend.h"

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace PlatformMidi
{
/** One sequencer port as the library describes it. */
struct AlsaPortRecord
{
    int client = 0;
    int port = 0;
    std::string clientName;
    std::string portName;
    unsigned capability = 0;
    unsigned type = 0;
};

/**
    The sequencer's ports and the device lists they make. An output is a
    port of another client (not the system client 0, not our own) that can
    be written to and subscribed to for writing, that allows routing and is
    a MIDI, synth or application port; an input likewise for reading. Lists
    keep arrival order (oldest first); a port that changes keeps its place.
    A device's name is what tells a user which device it is: the port name
    alone when it names the device, that is when it contains the client name
    (case aside) and no port of a client of another name has the same port
    name; else "client: port" (the port name alone for a client without a
    name). So two ports of one name in clients of different names are always
    listed apart, and twins (same client and port names) are told apart by
    the duplicate numbering of the device lists. Its identity is "alsa:" with the
    client and port names (not their numbers, and percent-escaped so that it
    stays ASCII). Ports of the same names are told apart by a twin number
    ("#2", "#3" ...; none for 1) that a port gets when it joins a list (the
    lowest one free among its twins) and keeps while it stays, so a twin
    that leaves never hands its identity to another. The announce events
    change the catalog through the calls below, each answering whether the
    device lists (names included) changed.
*/
class AlsaPortCatalog
{
public:
    // The library's capability and type bits (the backend checks them).
    static constexpr unsigned kCapRead = 1u << 0;
    static constexpr unsigned kCapWrite = 1u << 1;
    static constexpr unsigned kCapSubsRead = 1u << 5;
    static constexpr unsigned kCapSubsWrite = 1u << 6;
    static constexpr unsigned kCapNoExport = 1u << 7;
    static constexpr unsigned kTypeMidiGeneric = 1u << 1;
    static constexpr unsigned kTypeSynth = 1u << 10;
    static constexpr unsigned kTypeApplication = 1u << 20;
    static constexpr int kSystemClient = 0;

    /** A device of one of the lists. */
    struct Device
    {
        int client;
        int port;
        std::string name;
        std::string identity;

        bool operator==(const Device& other) const
        {
            return client == other.client && port == other.port && name == other.name &&
                   identity == other.identity;
        }
    };

    explicit AlsaPortCatalog(int ownClient) : ownClient_(ownClient) {}

    /** The ports present at start, in the order listed (by address). */
    void load(const std::vector<AlsaPortRecord>& ports);

    bool portStarted(const AlsaPortRecord& port);
    bool portChanged(const AlsaPortRecord& port);
    bool portExited(int client, int port);
    bool clientExited(int client);
    bool clientRenamed(int client, const std::string& name);

    const std::vector<Device>& devices(DeviceKind kind) const { return devices_[kind == DeviceKind::output ? 0 : 1]; }
    /** Whether a device of the kind at this address is listed. */
    bool contains(DeviceKind kind, int client, int port) const;

    static bool isDevice(DeviceKind kind, const AlsaPortRecord& port, int ownClient);
    /** The device name of the port; sharedWithOtherClients: a device port
        of a client of another name has the same port name. */
    static std::string displayName(const AlsaPortRecord& port, bool sharedWithOtherClients);

private:
    /** The twin number a listed port holds under the identity it had then. */
    struct Twin
    {
        std::string identity;
        int number;
    };
    using Address = std::pair<int, int>;

    /** The port names that device ports (of either kind) of clients of
        different names share. */
    std::set<std::string> portNamesOfSeveralClients() const;
    /** Rebuilds the device lists; answers whether they changed. */
    bool rebuild();
    /** The twin numbers of the ports that are devices of list k: kept where
        a port's identity is unchanged, the lowest free one for the others. */
    std::map<Address, Twin> numberTwins(int k) const;

    const int ownClient_;
    std::vector<AlsaPortRecord> ports_;
    std::vector<Device> devices_[2];
    std::map<Address, Twin> twins_[2];
};
} // namespace PlatformMidi
