// The main panel's operations whose work belongs to parts of the program that
// are not built yet: sending the bank and the MIDI library (its manager and
// the output chooser of the first row of controls). Each is called from the
// place where the panel needs it, so that the part that fills it in has
// nothing else to change. Until then SEND stays disabled (no output port can
// be chosen).
#include "VaskorContentPanel.h"

// Sending the bank: pressing SEND, and the end of the wait after a send.
void VaskorContentPanel::sendToDevice()
{
}

void VaskorContentPanel::onTimer()
{
}

// The MIDI library: the manager made at construction (with state
// persistence), its first rescan after start-up, and the output chooser.
void VaskorContentPanel::attachMidiManager()
{
}

void VaskorContentPanel::startMidiManager()
{
}

void VaskorContentPanel::createMidiOutChooser()
{
}

int VaskorContentPanel::midiOutChooserIndex() const
{
    return -1;
}
