// The names under which the JACK backend lists the MIDI ports of other
// clients, decided apart from the calls into libjack so that the rule can be
// checked with recorded port data.
#pragma once

#include <string>
#include <vector>

namespace PlatformMidi
{
/** One JACK port as the server describes it. */
struct JackPortFacts
{
    std::string fullName; ///< "client:port", unique on a server
    bool physical = false; ///< JackPortIsPhysical: it stands for hardware
    std::string alias;    ///< its first alias, empty when it has none
};

/**
    The device names of one list of ports, in the same order. A port is
    named by its full name, "client:port", which JACK's own tools show and
    no other port of the server has, so that ports of one short name in
    different clients are told apart. A physical port shows its first alias
    (the one that names its hardware) instead, unless that alias is the full
    name or the alias of another port of the list, compared as they are shown
    (cut to a product name's room): two ports whose full names differ never
    get the same name. (Full names longer than a product name may still be
    equal once cut; the device lists number such duplicates.)
*/
std::vector<std::string> jackDeviceNames(const std::vector<JackPortFacts>& ports);
} // namespace PlatformMidi
