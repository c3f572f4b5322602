#include "TMidiDeviceBase.h"

#include "OpenDeviceNames.h"

namespace Tr {

TMidiDeviceBase::TMidiDeviceBase(const MidiDeviceDescriptor* descriptor)
    : m_descriptor(descriptor != nullptr ? descriptor->clone() : new MidiDeviceDescriptor())
{
}

TMidiDeviceBase::~TMidiDeviceBase() = default;

void TMidiDeviceBase::checkClosed() {}

void TMidiDeviceBase::open()
{
    if (isOpen())
        return;
    {
        BAutoLock hold(&m_lock);
        openHandle();
    }
    // A driver that neither opened nor threw leaves nothing to list.
    if (isOpen())
        addOpenDeviceName(isInput(), getDisplayName());
}

void TMidiDeviceBase::close()
{
    // Cleared first, so a driver callback sees the port closed at once.
    void* const handle = m_handle.exchange(nullptr);
    if (handle != nullptr)
    {
        try
        {
            BAutoLock hold(&m_lock);
            closeHandle(handle);
        }
        catch (...)
        {
            removeOpenDeviceName(isInput(), getDisplayName());
            throw;
        }
    }
    removeOpenDeviceName(isInput(), getDisplayName());
}

void TMidiDeviceBase::setDescriptor(const MidiDeviceDescriptor* d)
{
    if (d == nullptr || d->equals(m_descriptor.get()))
        return;
    m_descriptor.reset(d->clone());
}

void TMidiDeviceBase::setOwner(void* owner, int ownerIndex)
{
    m_owner.store(owner);
    m_ownerIndex.store(ownerIndex);
}

} // namespace Tr
