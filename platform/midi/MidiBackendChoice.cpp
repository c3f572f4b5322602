#include "midi/MidiBackendChoice.h"

#include "midi/AlsaMidiBackend.h"
#include "midi/JackMidiBackend.h"
#include "midi/NullMidiBackend.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>

namespace PlatformMidi
{
namespace
{
std::mutex choiceMutex;
std::shared_ptr<MidiBackend>& chosen()
{
    static std::shared_ptr<MidiBackend>* backend = new std::shared_ptr<MidiBackend>();
    return *backend;
}
} // namespace

std::shared_ptr<MidiBackend> MidiBackendChoice::current()
{
    std::lock_guard<std::mutex> hold(choiceMutex);
    std::shared_ptr<MidiBackend>& backend = chosen();
    if (backend == nullptr)
    {
        std::string report;
        backend = choose(std::getenv("VASKOR_MIDI_BACKEND"), report);
        if (!report.empty())
            std::cerr << report << std::endl;
    }
    return backend;
}

std::shared_ptr<MidiBackend> MidiBackendChoice::install(std::shared_ptr<MidiBackend> backend)
{
    std::lock_guard<std::mutex> hold(choiceMutex);
    std::shared_ptr<MidiBackend> previous = std::move(chosen());
    chosen() = std::move(backend);
    return previous;
}

std::shared_ptr<MidiBackend> MidiBackendChoice::choose(const char* setting, std::string& report)
{
    const std::string wanted = setting == nullptr ? "" : setting;
    if (wanted == "none")
        return std::make_shared<NullMidiBackend>();
    if (wanted == "alsa")
    {
        auto alsa = std::make_shared<AlsaMidiBackend>();
        if (!alsa->isOpen())
            report = "MIDI: " + alsa->failure() + "; there are no MIDI devices.";
        return alsa;
    }
    if (wanted == "jack")
    {
        auto jack = std::make_shared<JackMidiBackend>();
        if (!jack->isConnected())
            report = "MIDI: " + jack->failure() +
                     (jack->isAvailable() ? "; there are no MIDI devices until a JACK server starts."
                                          : "; there are no MIDI devices.");
        return jack;
    }
    if (!wanted.empty())
    {
        report = "MIDI: VASKOR_MIDI_BACKEND=\"" + wanted +
                 "\" is none of alsa, jack, none; there are no MIDI devices.";
        return std::make_shared<NullMidiBackend>();
    }
    auto alsa = std::make_shared<AlsaMidiBackend>();
    if (alsa->isOpen())
        return alsa;
    auto jack = std::make_shared<JackMidiBackend>();
    if (jack->isConnected())
        return jack;
    report = "MIDI: " + alsa->failure() + " and " + jack->failure() + "; there are no MIDI devices.";
    return std::make_shared<NullMidiBackend>();
}
} // namespace PlatformMidi
