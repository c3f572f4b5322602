// The MIDI manager's rescan: its records in step with the factories' lists.
#include "MidiManager.h"

#include "MidiDeviceFactory.h"

#include <memory>
#include <vector>

namespace Tr {

MMDevTransfer::~MMDevTransfer()
{
    delete port; // a port whose hand-over never happened
}

namespace {

/** Owns the descriptor clones of one synchronisation. */
struct DescriptorClones
{
    DescriptorClones() = default;
    DescriptorClones(const DescriptorClones&) = delete;
    DescriptorClones& operator=(const DescriptorClones&) = delete;
    ~DescriptorClones() { list.deleteAll(); }

    MidiDeviceDescriptorList list;
};

/** Clears the busy flag on every way out of a rescan that set it. */
struct BusyReset
{
    explicit BusyReset(std::atomic<int>& flag_) : flag(flag_) {}
    BusyReset(const BusyReset&) = delete;
    BusyReset& operator=(const BusyReset&) = delete;
    ~BusyReset() { flag.store(0); }

    std::atomic<int>& flag;
};

} // namespace

bool MidiManager::rescan(bool force, bool notify)
{
    if (!m_scannedOnce)
        force = true;
    m_scannedOnce = true;
    bool changed = force;

    m_lock.lock();
    if (m_rescanBusy.load() != 0)
    {
        m_rescanRestartRequested.store(1);
        m_lock.unlock();
        return false;
    }
    m_rescanBusy.store(1);
    // Also when a device-list listener throws: otherwise every later rescan
    // would only ask for a pass that never comes.
    BusyReset busy(m_rescanBusy);
    try
    {
        do
            rescanPass(force, changed);
        while (m_rescanRestartRequested.load() != 0);
    }
    catch (...)
    {
        m_lock.unlock();
        throw;
    }
    m_lock.unlock();
    if (changed && notify)
        notifyDeviceListChanged();
    return changed;
}

void MidiManager::rescanPass(bool force, bool& changed)
{
    m_rescanRestartRequested.store(0);
    for (int position = 0; position < m_factories.count(); ++position)
        for (const bool isInput : {false, true})
        {
            if (syncFactoryDevices(m_factories[position], position, isInput, force))
                changed = true;
            if (m_rescanRestartRequested.load() != 0)
                break;
        }
    syncPresence(false, changed);
    syncPresence(true, changed);
    if (m_rescanRestartRequested.load() == 0 && changed)
        aliasesChanged();
}

void MidiManager::syncPresence(bool isInput, bool& changed)
{
    for (int index = 0; index < recordCount(isInput); ++index)
    {
        MidiManagerDev* device = record(index, isInput);
        if (!device->isSeen() && device->isPresent())
        {
            device->setPresent(false);
            changed = true;
        }
        if (!device->isPresent())
        {
            if (device->isOpen())
            {
                closeDevice(index, isInput, false, true);
                device->setWantedOpen(true); // reopened when it returns
            }
        }
        else
        {
            reopenWhenClosedBySystem(index, isInput);
            if (device->isWantedOpen() && !device->isOpen())
                openDevice(index, isInput, false);
        }
    }
}

bool MidiManager::syncFactoryDevices(MidiDeviceFactory* factory, int position, bool isInput, bool force)
{
    bool changed = false;
    const int count = factory->getDeviceCount(isInput);
    int& lastCount = isInput ? m_inputCounts[position] : m_outputCounts[position];
    const uint32_t factoryId = factory->getFactoryId();
    if (!force && count == lastCount)
    {
        for (int i = 0; i < recordCount(isInput); ++i)
        {
            MidiManagerDev* device = record(i, isInput);
            if (device->getFactoryId() == factoryId)
                device->setSeen(device->isPresent());
        }
        return false;
    }
    lastCount = count;
    for (int i = recordCount(isInput) - 1; i >= 0; --i)
    {
        MidiManagerDev* device = record(i, isInput);
        if (device->getFactoryId() == factoryId)
            device->setSeen(false);
    }

    DescriptorClones descriptors;
    factory->getDescriptors(isInput, descriptors.list);
    if (m_rescanRestartRequested.load() != 0)
        return changed;

    std::vector<std::unique_ptr<MMDevTransfer>> transfers;
    for (int k = 0; k < descriptors.list.count(); ++k)
    {
        const MidiDeviceDescriptor* d = descriptors.list[k];
        if (d == nullptr)
            continue;
        int byName = findDeviceByName(d->getDisplayName(), isInput);
        const int byDesc = findDeviceByDescriptor(isInput, d);
        if (byName >= 0 && record(byName, isInput)->getFactoryId() != factoryId)
        {
            // A remembered port of that name but of another factory: an
            // absent one takes the listed port, a present one is not it.
            if (!record(byName, isInput)->isPresent())
                record(byName, isInput)->setDescriptor(d);
            else
                byName = -1;
        }
        if (byName < 0)
        {
            byName = recordCount(isInput);
            appendRecord(isInput ? std::unique_ptr<MidiManagerDev>(std::make_unique<MMDevIn>(d, byName))
                                 : std::unique_ptr<MidiManagerDev>(std::make_unique<MMDevOut>(d, byName)));
        }
        MidiManagerDev* device = record(byName, isInput);
        device->setSeen(true);
        if (!device->isPresent())
        {
            device->setPresent(true);
            changed = true;
        }
        if (byDesc >= 0 && byDesc != byName)
        {
            // The port now carries another display name: its open port moves
            // to the record of that name.
            MidiManagerDev* other = record(byDesc, isInput);
            transfers.push_back(std::make_unique<MMDevTransfer>(byDesc, byName, other->releasePort()));
            other->clearLocation();
            changed = true;
        }
        device->setDescriptor(d);
        if (changed && d->getInterfacePath().isEmpty() && d->getParentId().isEmpty() && device->isOpen())
        {
            // Without a location the driver's numbers may have moved: reopen
            // it through the presence pass.
            device->currentPort()->close();
            device->setWantedOpen(true);
        }
    }
    for (const auto& transfer : transfers)
    {
        TMidiDeviceBase* port = transfer->port;
        transfer->port = nullptr;
        record(transfer->toIndex, isInput)->adoptPort(port);
    }
    return changed;
}

} // namespace Tr
