// Stands in for MidiWinManagerLink.cpp until this branch has the MIDI
// manager: there is no manager to attach to or detach from. Delete this file
// and its line in midi/CMakeLists.txt once the manager is merged.
#include "MidiWinManagerLink.h"

namespace Tr {

void attachMidiWinFactory() {}

void detachFromMidiManager(MidiDeviceFactory*) {}

} // namespace Tr
