// Tr::TMidiDeviceBase: the driver-independent part of every MIDI port.
#pragma once

#include "BLock.h"
#include "MidiDeviceDescriptor.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace Tr {

/** One MIDI port of a driver family, made by its factory and owned by the
    managed device record that uses it. It keeps its own copy of the port's
    descriptor and the driver's handle: the port is open exactly while the
    handle is set. open and close call the driver (openHandle, closeHandle)
    under the port's lock and keep the process-wide lists of open port names.
    A derived port's destructor closes it; this one expects it closed. */
class TMidiDeviceBase
{
public:
    /** The port keeps a clone of descriptor (an empty one when it is null). */
    explicit TMidiDeviceBase(const MidiDeviceDescriptor* descriptor);
    TMidiDeviceBase(const TMidiDeviceBase&) = delete;
    TMidiDeviceBase& operator=(const TMidiDeviceBase&) = delete;

protected:
    /** Opens the driver's port and stores its handle with setHandle, or
        throws Tr::EMidiError. Called under the port's lock. */
    virtual void openHandle() = 0;
    /** Closes the driver's port of handle. Called under the port's lock,
        after the port already reads as closed. */
    virtual bool closeHandle(void* handle) = 0;

public:
    /** Deletes the descriptor. */
    virtual ~TMidiDeviceBase();
    /** Closes the port when the driver reported it gone; nothing here. */
    virtual void checkClosed();

    bool isOpen() const { return m_handle.load() != nullptr; }
    bool isClosed() const { return !isOpen(); }
    bool isInput() const { return m_descriptor->isInput(); }
    TString getDisplayName() const { return m_descriptor->getDisplayName(); }
    uint32_t getFactoryId() const { return m_descriptor->getFactoryId(); }
    const MidiDeviceDescriptor* getDescriptor() const { return m_descriptor.get(); }

    /** Opens a closed port (nothing for an open one) and lists its name as
        open. A failure of the driver passes on as its Tr::EMidiError, with
        the lock released and the port closed and unlisted. */
    void open();
    /** Closes an open port, then, open or not, takes its name off the list. */
    void close();

    /** Takes a clone of d unless d is null or equal to the current one. */
    void setDescriptor(const MidiDeviceDescriptor* d);

    /** The managed record that owns the port, and its index. */
    void setOwner(void* owner, int ownerIndex);
    void* getOwner() const { return m_owner.load(); }
    int getOwnerIndex() const { return m_ownerIndex.load(); }

protected:
    void* getHandle() const { return m_handle.load(); }
    void setHandle(void* handle) { m_handle.store(handle); }

private:
    BLock m_lock;
    std::unique_ptr<MidiDeviceDescriptor> m_descriptor;
    // Read by the driver's callbacks while the sender opens and closes.
    std::atomic<void*> m_handle{nullptr};
    std::atomic<int> m_ownerIndex{0};
    std::atomic<void*> m_owner{nullptr};
};

} // namespace Tr
