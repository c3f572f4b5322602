// The MIDI library's fixed texts: its user-visible messages, localised once
// at start-up, and the section and key names of its stored state, which are
// never translated.
#pragma once

#include "TString.h"

namespace Tr {

// Messages, each made through Tr::localize from the English text shown, so a
// "Language.ini" in the current folder at start-up translates them for the
// whole run. A translation keeps the placeholders of its English text.

/** "Unspecified error" */
extern const TString kMidiUnspecifiedError;
/** "Internal error: illegal MIDI In device ID: %d" */
extern const TString kMidiIllegalInDeviceId;
/** "Internal error: illegal MIDI Out device ID: %d" */
extern const TString kMidiIllegalOutDeviceId;
/** "MIDI IN device "%s" could not be opened." */
extern const TString kMidiInCouldNotBeOpened;
/** "MIDI OUT device "%s" could not be opened." */
extern const TString kMidiOutCouldNotBeOpened;
/** "Opened MIDI IN: %s" */
extern const TString kMidiOpenedIn;
/** "Closed MIDI IN: %s" */
extern const TString kMidiClosedIn;
/** "Opened MIDI OUT: %s" */
extern const TString kMidiOpenedOut;
/** "Closed MIDI OUT: %s" */
extern const TString kMidiClosedOut;
/** "Cannot open MIDI input device "%s":" */
extern const TString kMidiCannotOpenInput;
/** "Cannot open MIDI output device "%s":" */
extern const TString kMidiCannotOpenOutput;

// Names of the stored state, as they stand.

/** "MIDI.in": section of the saved inputs. */
extern const TString kMidiInSection;
/** "MIDI.out": section of the saved outputs. */
extern const TString kMidiOutSection;
/** "Name": key prefix of a saved device's display name. */
extern const TString kMidiDeviceNameKey;
/** "Options": key prefix of a saved device's options and id. */
extern const TString kMidiDeviceOptionsKey;
/** "MIDI.alias": section of the saved aliases. */
extern const TString kMidiAliasSection;
/** "Name": key prefix of a saved alias's name. */
extern const TString kMidiAliasNameKey;
/** "Device": key prefix of a saved alias's kind and device. */
extern const TString kMidiAliasDeviceKey;

} // namespace Tr
