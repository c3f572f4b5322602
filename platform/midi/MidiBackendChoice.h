// Which MIDI backend serves the process.
#pragma once

#include "midi/MidiBackend.h"

#include <memory>
#include <string>

namespace PlatformMidi
{
/**
    The process's MIDI backend, chosen once on first use (thread-safe): the
    environment variable VASKOR_MIDI_BACKEND names it ("alsa", "jack",
    "none"); without it the ALSA sequencer when it opens, else JACK when a
    server answers (never starting one), else no devices. The choice is said
    once on stderr when it leaves the process without devices. Tests install
    a backend of their own (the in-memory one) in its place.
*/
class MidiBackendChoice
{
public:
    /** The backend in use, chosen now if none is yet. */
    static std::shared_ptr<MidiBackend> current();
    /** Test seam: makes backend the one in use and answers the one it
        replaces (null when none was chosen yet). Handles opened before stay
        with their backend. */
    static std::shared_ptr<MidiBackend> install(std::shared_ptr<MidiBackend> backend);
    /** The choice for this setting of VASKOR_MIDI_BACKEND (null or empty:
        none given); notes about it go to report once. */
    static std::shared_ptr<MidiBackend> choose(const char* setting, std::string& report);
};
} // namespace PlatformMidi
