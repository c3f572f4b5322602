// The texts are made in this order before main and released in the reverse
// order at exit. Tr::localize keeps its store in a function-local static and
// TString copes with being made before the shared empty string, so the order
// of start-up initialisers across translation units does not matter here.
#include "MidiMessages.h"

#include "Localize.h"

namespace Tr {

const TString kMidiUnspecifiedError = localize("Unspecified error");
const TString kMidiIllegalInDeviceId = localize("Internal error: illegal MIDI In device ID: %d");
const TString kMidiIllegalOutDeviceId = localize("Internal error: illegal MIDI Out device ID: %d");
const TString kMidiInCouldNotBeOpened = localize("MIDI IN device \"%s\" could not be opened.");
const TString kMidiOutCouldNotBeOpened = localize("MIDI OUT device \"%s\" could not be opened.");
const TString kMidiOpenedIn = localize("Opened MIDI IN: %s");
const TString kMidiClosedIn = localize("Closed MIDI IN: %s");
const TString kMidiOpenedOut = localize("Opened MIDI OUT: %s");
const TString kMidiClosedOut = localize("Closed MIDI OUT: %s");
const TString kMidiCannotOpenInput = localize("Cannot open MIDI input device \"%s\":");
const TString kMidiCannotOpenOutput = localize("Cannot open MIDI output device \"%s\":");

const TString kMidiInSection("MIDI.in");
const TString kMidiOutSection("MIDI.out");
const TString kMidiDeviceNameKey("Name");
const TString kMidiDeviceOptionsKey("Options");
const TString kMidiAliasSection("MIDI.alias");
const TString kMidiAliasNameKey("Name");
const TString kMidiAliasDeviceKey("Device");

} // namespace Tr
