// The observer interfaces through which the MIDI library reports changes,
// incoming data and errors.
#pragma once

#include "TString.h"

#include <cstdint>

namespace Tr {

class TMidiDeviceBase;

// Every interface here is implemented by the party that listens and
// registered with the party that calls it; the caller never owns or deletes
// a listener, and a listener unregisters before it is destroyed. The
// destructors are protected: nobody deletes an object through them.

/** Told after the MIDI manager's lists of input and output devices changed. */
class TMidiDeviceListListener
{
public:
    virtual void deviceListChanged() = 0;

protected:
    ~TMidiDeviceListListener() = default;
};

/** Told by the alias manager after its aliases changed. */
class TMidiAliasChangeListener
{
public:
    virtual void aliasesChanged() = 0;

protected:
    ~TMidiAliasChangeListener() = default;
};

/** Told by the router after its routes changed. */
class TMidiRouteChangeListener
{
public:
    virtual void routesChanged() = 0;

protected:
    ~TMidiRouteChangeListener() = default;
};

/** Follows the MIDI manager's opening and closing of ports. index is the
    device's position in the manager's list of its kind (-1 when a request
    named no valid device); isInput tells the kind. Every operation does
    nothing unless overridden. */
class MidiManagerDeviceControlListener
{
public:
    /** A port is about to be opened. */
    virtual void deviceOpening(int index, bool isInput);
    /** A port has been opened or closed (after the matching deviceMessage). */
    virtual void deviceStateChanged(int index, bool isInput);
    /** An open port is about to be closed. */
    virtual void deviceClosing(int index, bool isInput);
    /** Never sent by the manager. */
    virtual void deviceUpdated(int index, bool isInput);
    /** An informational line, such as "Opened MIDI OUT: ...". */
    virtual void deviceMessage(int index, bool isInput, const TString& text);
    /** An error that the manager reports instead of throwing. */
    virtual void deviceError(int index, bool isInput, const TString& text);

protected:
    ~MidiManagerDeviceControlListener() = default;
};

/** Receives what an input port passes on: every short message (its bytes,
    status first) and every filled SysEx buffer. Called in the driver's
    callback context; data is valid during the call only. */
class TMidiDeviceDataListener
{
public:
    virtual void onMidiData(TMidiDeviceBase* port, uint64_t timeStamp, const unsigned char* data, int length) = 0;

protected:
    ~TMidiDeviceDataListener() = default;
};

/** Receives a port's error text, to be reported without throwing. */
class TMidiDeviceErrorListener
{
public:
    virtual void onDeviceError(TMidiDeviceBase* port, const TString& text) = 0;

protected:
    ~TMidiDeviceErrorListener() = default;
};

} // namespace Tr
