// Tr::MidiDeviceDescriptorWin: what the multimedia (MME) driver knows of one port.
#pragma once

#include "MidiDeviceDescriptor.h"

namespace Tr {

/** An MME port by its kind and device number: its product name from the
    device capabilities ("unknown" for good once a capability query failed),
    its interface path, and, for a USB audio device, the name the registry
    gives it and the id of the USB device of which it is a function. On
    systems older than Windows Vista the registry's name is the display
    name; from Vista on the capability name is. refresh re-reads all of this
    in place; an unchanged non-empty path means an unchanged device. */
class MidiDeviceDescriptorWin : public MidiDeviceDescriptor
{
public:
    /** Empty and not read (what clone starts from). */
    MidiDeviceDescriptorWin();
    /** The port of the MME factory with this kind and index, read at once. */
    MidiDeviceDescriptorWin(bool isInput, int index);
    ~MidiDeviceDescriptorWin() override;

    /** A copy with the capability and USB names; capsFailed is not copied. */
    MidiDeviceDescriptor* clone() const override;

    /** Re-reads the device; true when its name was set anew. */
    bool refresh();
    /** 1 when the factory lists the MIDI Mapper ahead of the outputs, else 0. */
    int mapperOffset() const;

    const TString& getCapsName() const { return m_capsName; }
    const TString& getUsbName() const { return m_usbName; }
    bool capsFailed() const { return m_capsFailed; }

private:
    /** The system's device id: the index, less the Mapper for outputs. */
    int deviceId() const;
    bool queryInterfacePath();
    bool queryCapsName();
    bool queryUsbName();

    TString m_capsName;
    TString m_usbName;
    bool m_capsFailed = false;
};

} // namespace Tr
