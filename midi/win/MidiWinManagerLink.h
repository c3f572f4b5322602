// The two places where the multimedia (MME) driver calls the MIDI manager.
#pragma once

namespace Tr {

class MidiDeviceFactory;

/** Attaches Tr::MidiWinFactory::getInstance() to the MIDI manager without a
    rescan (the manager's first device query scans). */
void attachMidiWinFactory();

/** Detaches factory from the MIDI manager, when the manager still exists,
    without telling the device-list listeners. */
void detachFromMidiManager(MidiDeviceFactory* factory);

} // namespace Tr
