// The MIDI manager's rescan: its records in step with the factories' lists.
#include "MidiManager.h"

#include "MidiDeviceFactory.h"
#include "TMidiAliasManager.h"

#include <algorithm>
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
    m_aliasMoves.clear();
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
    moveAliases();
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

    // Where each record's port was before this synchronisation: a port
    // follows its device, recognised by where it is attached, also when its
    // record is given another device earlier in this pass.
    DescriptorClones before;
    for (int i = 0; i < recordCount(isInput); ++i)
        before.list.add(record(i, isInput)->getDescriptor()->clone());

    Transfers transfers;
    for (int k = 0; k < descriptors.list.count(); ++k)
    {
        const MidiDeviceDescriptor* d = descriptors.list[k];
        if (d == nullptr)
            continue;
        int byName = findDeviceByName(d->getDisplayName(), isInput);
        const int byDesc = findMatchBefore(before.list, d);
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
            // The port now carries another display name: its port, and the
            // wish to open it, move to the record of that name.
            MidiManagerDev* other = record(byDesc, isInput);
            auto transfer = std::make_unique<MMDevTransfer>(byDesc, byName, other->releasePort());
            transfer->wantedOpen = other->isWantedOpen();
            other->setWantedOpen(false);
            // A record given another device earlier in this pass keeps that
            // device's location.
            if (!other->isSeen())
                other->clearLocation();
            transfers.push_back(std::move(transfer));
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
        handOver(*transfer, transfers, before.list, isInput);
    return changed;
}

int MidiManager::findMatchBefore(const BList<MidiDeviceDescriptor*>& before, const MidiDeviceDescriptor* d) const
{
    for (int i = before.count() - 1; i >= 0; --i)
        if (before[i]->matches(d))
            return i;
    return -1;
}

void MidiManager::handOver(MMDevTransfer& transfer, const Transfers& transfers,
                           const BList<MidiDeviceDescriptor*>& before, bool isInput)
{
    MidiManagerDev* to = record(transfer.toIndex, isInput);
    // The port the record had, open or wanted open, whose device is not
    // listed now (a listed one would have been handed over itself): closed
    // as a vanished port is, its wish kept by the record it comes back to.
    // (A record made in this pass had neither.)
    const MidiDeviceDescriptor* was = before.get(transfer.toIndex);
    const bool open = to->isOpen();
    if (was != nullptr && (open || (to->isWantedOpen() && was->hasLocation())))
    {
        if (open)
            closeDevice(transfer.toIndex, isInput, false, true);
        to->setWantedOpen(false);
        keepWishOfVanishedPort(transfer, transfers, *was, isInput);
    }
    TMidiDeviceBase* port = transfer.port;
    transfer.port = nullptr;
    to->adoptPort(port);
    if (transfer.wantedOpen)
        to->setWantedOpen(true);
    if (to->isOpen() || to->isWantedOpen())
        noteAliasMove(isInput, record(transfer.fromIndex, isInput)->getDescriptorDisplayName(),
                      to->getDescriptorDisplayName());
}

void MidiManager::keepWishOfVanishedPort(const MMDevTransfer& transfer, const Transfers& transfers,
                                         const MidiDeviceDescriptor& vanished, bool isInput)
{
    if (!vanished.hasLocation())
        return;
    // The hand-overs make chains, each record giving its device to the next;
    // the record at the start of the chain into this one was left without a
    // device. It takes the vanished port's location, so that the port is
    // recognised in it when it comes back, whatever its name is then.
    int keeper = transfer.fromIndex;
    for (size_t links = 0; links < transfers.size(); ++links)
    {
        auto into = std::find_if(transfers.begin(), transfers.end(),
                                 [&](const auto& t) { return t->toIndex == keeper; });
        if (into == transfers.end())
            break;
        keeper = (*into)->fromIndex;
    }
    MidiManagerDev* device = record(keeper, isInput);
    if (keeper == transfer.toIndex || device->isSeen() || device->getFactoryId() != vanished.getFactoryId())
        device = appendWaitingRecord(vanished, isInput); // another device arrived in the same pass
    else
        device->takeLocationOf(vanished);
    device->setWantedOpen(true);
    noteAliasMove(isInput, record(transfer.toIndex, isInput)->getDescriptorDisplayName(),
                  device->getDescriptorDisplayName());
}

MidiManagerDev* MidiManager::appendWaitingRecord(const MidiDeviceDescriptor& vanished, bool isInput)
{
    // Under the first duplicate number of its name that no record has: the
    // name it comes back with while the others stay. It takes no listed
    // device from another record, and it is recognised by its location
    // whatever its name is when it comes back.
    std::unique_ptr<MidiDeviceDescriptor> waiting(vanished.clone());
    for (int number = 2;; ++number)
    {
        waiting->setDuplicateNumber(number);
        if (findDeviceByName(waiting->getDisplayName(), isInput) < 0)
            break;
    }
    const int index = recordCount(isInput);
    appendRecord(isInput ? std::unique_ptr<MidiManagerDev>(std::make_unique<MMDevIn>(waiting.get(), index))
                         : std::unique_ptr<MidiManagerDev>(std::make_unique<MMDevOut>(waiting.get(), index)));
    return record(index, isInput);
}

void MidiManager::noteAliasMove(bool isInput, const TString& from, const TString& to)
{
    if (from != to)
        m_aliasMoves.push_back({isInput, from, to});
}

void MidiManager::moveAliases()
{
    // An alias bound to a port by a user (not one named after its port)
    // follows the port, or the wish to open it, to its new display name.
    std::vector<AliasMove> moves;
    moves.swap(m_aliasMoves);
    if (moves.empty())
        return;
    TMidiAliasManager* aliases = TMidiAliasManager::getInstance();
    std::vector<std::pair<TMidiAlias*, TString>> rebound;
    for (int i = 0; i < aliases->getAliasCount(); ++i)
    {
        TMidiAlias* alias = aliases->getAliasAt(i);
        if (alias == nullptr || alias->getKind() == kMidiKindNone || alias->isNamedAfterDevice())
            continue;
        for (const AliasMove& move : moves)
            if (alias->isInput() == move.isInput && alias->getDeviceName() == move.from)
            {
                rebound.emplace_back(alias, move.to);
                break;
            }
    }
    if (rebound.empty())
        return;
    aliases->beginUpdate();
    for (const auto& entry : rebound)
        entry.first->setDeviceName(entry.second);
    aliases->notifyChange();
    aliases->endUpdate();
}

} // namespace Tr
