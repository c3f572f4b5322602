// What the backends with a core of their own (ALSA, JACK) tell the clients
// of connections whose device went away.
#pragma once

#include "midi/MidiBackend.h"

#include <memory>
#include <vector>

namespace PlatformMidi
{
/**
    The clients of the links whose device went away. A core collects them
    in the same locked pass that finds the links gone, marking each link gone
    there, and tells them once its lock is released. Nothing refers to a link
    after that pass, so a link closed and freed meanwhile (and another made
    at its address) is never touched. A Link has the fields gone,
    outputClient and inputClient.
*/
class GoneClients
{
public:
    /** Marks link gone and keeps its clients; nothing for a link that is
        gone already. Under the core's lock. */
    template <typename Link>
    void collect(Link& link)
    {
        if (link.gone)
            return;
        link.gone = true;
        if (link.outputClient != nullptr)
            outputs_.push_back(link.outputClient);
        if (link.inputClient != nullptr)
            inputs_.push_back(link.inputClient);
    }

    /** Tells every collected client that its device is gone, outputs first.
        Without the core's lock: clients may call back into the core. */
    void tell() const
    {
        for (const auto& client : outputs_)
            client->deviceGone();
        for (const auto& client : inputs_)
            client->deviceGone();
    }

private:
    std::vector<std::shared_ptr<OutputClient>> outputs_;
    std::vector<std::shared_ptr<InputClient>> inputs_;
};
} // namespace PlatformMidi
