#include "MidiListeners.h"

namespace Tr {

void MidiManagerDeviceControlListener::deviceOpening(int /*index*/, bool /*isInput*/) {}

void MidiManagerDeviceControlListener::deviceStateChanged(int /*index*/, bool /*isInput*/) {}

void MidiManagerDeviceControlListener::deviceClosing(int /*index*/, bool /*isInput*/) {}

void MidiManagerDeviceControlListener::deviceUpdated(int /*index*/, bool /*isInput*/) {}

void MidiManagerDeviceControlListener::deviceMessage(int /*index*/, bool /*isInput*/, const TString& /*text*/) {}

void MidiManagerDeviceControlListener::deviceError(int /*index*/, bool /*isInput*/, const TString& /*text*/) {}

} // namespace Tr
