// The registry lookup that names a USB audio MIDI device.
#pragma once

#include "TString.h"

namespace Tr {

/** For an interface path of a USB device ("\\?\usb#<hardware id>#<instance
    id>#...", the prefix in any case), reads the device's key under
    SYSTEM\CurrentControlSet\Enum\USB. Only a device whose "Service" is
    exactly "usbaudio" has a name: its "FriendlyName" from Windows Vista on,
    else its "LocationInformation". When it has one, usbName takes it and
    the composite device's subkeys are searched for the one whose
    "ParentIdPrefix" starts the instance id; parentId takes that subkey's
    name. Answers whether a name was found; what is not found leaves usbName
    and parentId as they were. */
bool findUsbName(const TString& interfacePath, bool vistaOrLater, TString& usbName, TString& parentId);

} // namespace Tr
