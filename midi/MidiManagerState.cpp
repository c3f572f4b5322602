// Saving and restoring the MIDI manager's port choices.
#include "MidiManager.h"

#include "MidiMessages.h"
#include "TMidiDeviceBase.h"

#include <memory>

namespace Tr {

void MidiManager::saveState(TIniFile& ini)
{
    if (!m_statePersistence)
        return;
    saveRecords(ini, true);
    saveRecords(ini, false);
}

void MidiManager::saveRecords(TIniFile& ini, bool isInput)
{
    int n = 0;
    const int count = getDeviceCount(isInput);
    for (int index = 0; index < count; ++index)
    {
        MidiManagerDev* device = record(index, isInput);
        if (device->isWantedOpen() || device->isOpen())
        {
            device->writeState(ini, n);
            ++n;
        }
    }
    // The lines of ports no longer open, up to the first gap.
    deleteStaleLines(ini, midiStateSection(isInput), kMidiDeviceNameKey, kMidiDeviceOptionsKey, n);
}

void MidiManager::loadState(TIniFile& ini)
{
    if (!m_statePersistence)
        return;
    loadRecords(ini, true);
    loadRecords(ini, false);
}

void MidiManager::loadRecords(TIniFile& ini, bool isInput)
{
    for (int n = 0; ini.valueExists(midiStateSection(isInput), numberedKey(kMidiDeviceNameKey, n)); ++n)
    {
        std::unique_ptr<MidiManagerDev> saved;
        if (isInput)
            saved = std::make_unique<MMDevIn>(nullptr, m_inputs.count());
        else
            saved = std::make_unique<MMDevOut>(nullptr, m_outputs.count());
        saved->readState(ini, n);
        const int index = restore(isInput, saved->getDescriptorDisplayName(), saved->getFactoryId(), true);
        if (index >= 0)
        {
            record(index, isInput)->setWantedOpen(true);
            continue;
        }
        // Only a saved port without a name gets here: it is kept as it was read.
        saved->setWantedOpen(true);
        appendRecord(std::move(saved));
    }
}

int MidiManager::restoreInput(const TString& name, uint32_t factoryId, bool create)
{
    return restore(true, name, factoryId, create);
}

int MidiManager::restoreOutput(const TString& name, uint32_t factoryId, bool create)
{
    return restore(false, name, factoryId, create);
}

int MidiManager::restore(bool isInput, const TString& name, uint32_t factoryId, bool create)
{
    for (int index = recordCount(isInput) - 1; index >= 0; --index)
    {
        MidiManagerDev* device = record(index, isInput);
        if (device->getFactoryId() != factoryId)
            continue;
        if (device->getDescriptorDisplayName() == name)
            return index;
        const TMidiDeviceBase* port = device->currentPort();
        if (factoryId == kFactoryIdKQID && port != nullptr && port->getDisplayName() == name)
            return index;
    }
    if (!create || name.isEmpty())
        return -1;
    const int index = recordCount(isInput);
    if (isInput)
        appendRecord(std::make_unique<MMDevIn>(factoryId, index, name));
    else
        appendRecord(std::make_unique<MMDevOut>(factoryId, index, name));
    return index;
}

} // namespace Tr
