#include "MidiManager.h"

#include "MIDIDevChangeNotifier.h"
#include "MidiDeviceFactory.h"
#include "MidiManagerInitializer.h"
#include "MidiMessages.h"
#include "TMidiAliasManager.h"
#include "TMidiInputBase.h"
#include "TMidiOutputBase.h"
#include "TMidiRouter.h"
#include "TextFunctions.h"

#include <algorithm>

namespace Tr {

SingletonSlot<MidiManager> MidiManager::s_slot;

// ---------------------------------------------------------------------------
// Life cycle

MidiManager* MidiManager::getInstance()
{
    if (MidiManager* manager = s_slot.instance())
        return manager;
    MidiManager* made = s_slot.getInstance("Cannot re-instanciate MidiManager!");
    made->postInit();
    return made;
}

bool MidiManager::exists()
{
    return s_slot.instance() != nullptr;
}

void MidiManager::registerInitializer(MidiManagerInitializer* initializer)
{
    registerMidiManagerInitializer(initializer);
}

MidiManager::MidiManager()
{
    // Code reached from here on that asks for the manager gets this one.
    s_slot.attach(this);
    m_notifier = std::make_unique<MIDIDevChangeNotifier>();
    m_notifier->init();
    runMidiManagerInitializers(&MidiManagerInitializer::onManagerConstructed);
}

void MidiManager::postInit()
{
    TMidiAliasManager::getInstance()->addListener(this);
    TMidiRouter::getInstance()->addListener(this);
    runMidiManagerInitializers(&MidiManagerInitializer::onManagerReady);
}

MidiManager::~MidiManager()
{
    if (midiManagerInitializers() != nullptr)
    {
        runMidiManagerInitializers(&MidiManagerInitializer::onManagerDestroying);
        deleteMidiManagerInitializers();
    }
    m_notifier.reset(); // no tick and no rescan from here on
    if (TMidiAliasManager::exists())
        TMidiAliasManager::getInstance()->removeListener(this);
    if (TMidiRouter::exists())
        TMidiRouter::getInstance()->removeListener(this);
    m_inputs.deleteAll(); // each record deletes its port, which closes it
    m_outputs.deleteAll();
    m_deviceListListeners.clear();
    m_controlListeners.clear();
    s_slot.detach();
}

// ---------------------------------------------------------------------------
// Devices and factories

int MidiManager::recordCount(bool isInput) const
{
    return isInput ? m_inputs.count() : m_outputs.count();
}

MidiManagerDev* MidiManager::record(int index, bool isInput) const
{
    if (isInput)
        return m_inputs.get(index);
    return m_outputs.get(index);
}

void MidiManager::appendRecord(std::unique_ptr<MidiManagerDev> device)
{
    if (device->isInput())
        m_inputs.add(static_cast<MMDevIn*>(device.get()));
    else
        m_outputs.add(static_cast<MMDevOut*>(device.get()));
    device.release(); // the list owns it now
}

void MidiManager::scanIfNeverScanned()
{
    if (!m_scannedOnce && !m_suspended)
        rescan(true, true);
}

int MidiManager::getDeviceCount(bool isInput)
{
    scanIfNeverScanned();
    return recordCount(isInput);
}

MidiManagerDev* MidiManager::getDevice(int index, bool isInput)
{
    scanIfNeverScanned();
    return record(index, isInput);
}

bool MidiManager::tryGetDevice(int index, bool isInput, MidiManagerDev** device)
{
    *device = getDevice(index, isInput);
    return *device != nullptr;
}

int MidiManager::findDeviceByName(const TString& name, bool isInput)
{
    scanIfNeverScanned();
    for (int i = recordCount(isInput) - 1; i >= 0; --i)
        if (record(i, isInput)->getDescriptorDisplayName() == name)
            return i;
    return -1;
}

int MidiManager::findDeviceByDescriptor(bool isInput, const MidiDeviceDescriptor* d)
{
    scanIfNeverScanned();
    for (int i = recordCount(isInput) - 1; i >= 0; --i)
        if (record(i, isInput)->getDescriptor()->matches(d))
            return i;
    return -1;
}

int MidiManager::findFactoryIndex(uint32_t factoryId) const
{
    for (int i = m_factories.count() - 1; i >= 0; --i)
        if (m_factories[i]->getFactoryId() == factoryId)
            return i;
    return -1;
}

MidiDeviceFactory* MidiManager::findFactory(uint32_t factoryId) const
{
    return m_factories.get(findFactoryIndex(factoryId));
}

void MidiManager::addFactory(MidiDeviceFactory* factory, bool rescanNow)
{
    // The device counts are kept per factory position, for kMaxFactories.
    if (factory == nullptr || m_factories.contains(factory) || m_factories.count() >= kMaxFactories)
        return;
    // A position freed by a removal still holds the count of the factory
    // that had it: the new factory must not take its first synchronisation
    // for a poll with an unchanged count.
    m_inputCounts[m_factories.count()] = 0;
    m_outputCounts[m_factories.count()] = 0;
    m_factories.add(factory);
    factory->setErrorListener(this);
    if (rescanNow && !m_suspended)
        rescan(false, true);
    else
        m_scannedOnce = false;
}

void MidiManager::removeFactory(MidiDeviceFactory* factory, bool notify)
{
    const int position = m_factories.indexOf(factory);
    if (position >= 0)
    {
        // The device counts are kept per position: they move down with the
        // factories after the removed one.
        m_factories.removeAt(position);
        for (int* counts : {m_inputCounts, m_outputCounts})
        {
            std::copy(counts + position + 1, counts + kMaxFactories, counts + position);
            counts[kMaxFactories - 1] = 0;
        }
    }
    bool marked = false;
    for (const bool isInput : {true, false})
        for (int i = 0; i < recordCount(isInput); ++i)
        {
            MidiManagerDev* device = record(i, isInput);
            if (device->getDescriptor()->getFactory() == factory && factory != nullptr)
            {
                device->setPresent(false);
                marked = true;
            }
        }
    if (marked && notify)
        notifyDeviceListChanged();
}

void MidiManager::setSuspended(bool suspended)
{
    if (suspended == m_suspended)
        return;
    m_suspended = suspended;
    if (!suspended)
        rescan(false, true);
}

// ---------------------------------------------------------------------------
// Opening and closing

template <typename Call>
void MidiManager::tellControlListeners(Call call)
{
    for (int i = m_controlListeners.count() - 1; i >= 0; --i)
        if (MidiManagerDeviceControlListener* listener = m_controlListeners.get(i))
            call(*listener);
}

void MidiManager::reportError(int index, bool isInput, const TString& text, bool throwIt)
{
    if (throwIt)
        throw Exception(TString(isInput ? "MIDI IN: " : "MIDI OUT: ") + text);
    tellControlListeners([&](MidiManagerDeviceControlListener& l) { l.deviceError(index, isInput, text); });
}

void MidiManager::openDevice(int index, bool isInput, bool report)
{
    if (isInput)
        openInput(index, report);
    else
        openOutput(index, report);
}

void MidiManager::openInput(int index, bool report)
{
    openPort(index, true, report);
}

void MidiManager::openOutput(int index, bool report)
{
    openPort(index, false, report);
}

void MidiManager::closeDevice(int index, bool isInput, bool report, bool force)
{
    if (isInput)
        closeInput(index, report, force);
    else
        closeOutput(index, report, force);
}

void MidiManager::closeInput(int index, bool report, bool force)
{
    closePort(index, true, report, force);
}

void MidiManager::closeOutput(int index, bool report, bool force)
{
    closePort(index, false, report, force);
}

void MidiManager::openPort(int index, bool isInput, bool report)
{
    MidiManagerDev* device = record(index, isInput);
    if (device == nullptr)
    {
        reportError(-1, isInput, formatInt(isInput ? kMidiIllegalInDeviceId : kMidiIllegalOutDeviceId, index), report);
        return;
    }
    if (m_suspended || !device->isPresent() || device->getPort() == nullptr)
    {
        device->setWantedOpen(true); // opened by a later rescan
        return;
    }
    try
    {
        device->setErrorText(TString());
        tellControlListeners([&](MidiManagerDeviceControlListener& l) { l.deviceOpening(index, isInput); });
        TMidiDeviceBase* port = device->getPort();
        port->open();
        if (!port->isOpen())
        {
            reportError(index, isInput,
                        formatStr(isInput ? kMidiInCouldNotBeOpened : kMidiOutCouldNotBeOpened,
                                  device->getDescriptorDisplayName()),
                        report);
            return;
        }
        if (isInput)
            if (auto* input = dynamic_cast<TMidiInputBase*>(port))
                input->start();
        device->setWantedOpen(false);
        const TString text = formatStr(isInput ? kMidiOpenedIn : kMidiOpenedOut, device->getDescriptorDisplayName());
        tellControlListeners([&](MidiManagerDeviceControlListener& l) {
            l.deviceMessage(index, isInput, text);
            l.deviceStateChanged(index, isInput);
        });
    }
    catch (const Exception& e)
    {
        device->setErrorText(e.message());
        if (TMidiDeviceBase* port = device->currentPort())
            port->close();
        if (report)
            throw;
        reportError(index, isInput, e.message(), false);
    }
}

void MidiManager::closePort(int index, bool isInput, bool report, bool force)
{
    MidiManagerDev* device = record(index, isInput);
    if (device == nullptr)
    {
        reportError(-1, isInput, formatInt(isInput ? kMidiIllegalInDeviceId : kMidiIllegalOutDeviceId, index), report);
        return;
    }
    try
    {
        const TMidiDeviceBase* opened = device->currentPort();
        if ((!m_suspended || force) && opened != nullptr && opened->isOpen())
        {
            tellControlListeners([&](MidiManagerDeviceControlListener& l) { l.deviceClosing(index, isInput); });
            // A listener may have replaced or handed over the record's port
            // (deleting the one read above): close what the record holds now.
            TMidiDeviceBase* port = device->currentPort();
            if (port != nullptr && port->isOpen())
            {
                if (isInput)
                    if (auto* input = dynamic_cast<TMidiInputBase*>(port))
                        input->stop();
                port->close();
            }
            const TString text =
                formatStr(isInput ? kMidiClosedIn : kMidiClosedOut, device->getDescriptorDisplayName());
            tellControlListeners([&](MidiManagerDeviceControlListener& l) {
                l.deviceMessage(index, isInput, text);
                l.deviceStateChanged(index, isInput);
            });
        }
        device->setWantedOpen(false);
    }
    catch (const Exception& e)
    {
        if (report)
            throw;
        reportError(index, isInput, e.message(), false);
    }
}

void MidiManager::reopenWhenClosedBySystem(int index, bool isInput)
{
    // A device that went away and came back between two rescans leaves the
    // record present and its port open on a handle that the system has
    // closed: nothing sent through it arrives. The port closes itself then.
    MidiManagerDev* device = record(index, isInput);
    if (!device->isOpen())
        return;
    try
    {
        device->currentPort()->checkClosed();
    }
    catch (const Exception& e)
    {
        reportError(index, isInput, e.message(), false);
    }
    // Closed without a message, as a port whose numbers may have moved is:
    // the caller opens it again, with the messages of an open.
    if (!device->isOpen())
        device->setWantedOpen(true);
}

// ---------------------------------------------------------------------------
// Sending and receiving

bool MidiManager::sendToOutput(int index, const unsigned char*& data, int& length, bool& proceed)
{
    MidiManagerDev* device = m_outputs.get(index);
    if (device == nullptr || !device->isPresent())
        return false;
    auto* port = dynamic_cast<TMidiOutputBase*>(device->currentPort());
    if (port == nullptr || !port->isOpen())
        return false;
    if (m_outFilters.count() > 0)
    {
        int carryOn = 1;
        for (int i = m_outFilters.count() - 1; i >= 0; --i)
        {
            m_outFilters[i]->filterOutput(index, &data, &length, &carryOn);
            if (carryOn == 0)
            {
                proceed = false;
                return true;
            }
        }
    }
    // No status byte is looked at: three bytes always go as one short message.
    switch (length)
    {
    case 1:
        return port->sendShort(data[0]);
    case 2:
        return port->sendShort(data[0] | uint32_t{data[1]} << 8);
    case 3:
        return port->sendShort(data[0] | uint32_t{data[1]} << 8 | uint32_t{data[2]} << 16);
    default:
        return port->sendLong(data, length);
    }
}

bool MidiManager::send(const unsigned char* data, int length)
{
    if (m_suspended)
        return false;
    bool result = false;
    bool proceed = true;
    for (int i = m_outputs.count() - 1; i >= 0; --i)
    {
        if (sendToOutput(i, data, length, proceed))
            result = true;
        if (!proceed)
            return true;
    }
    return result;
}

bool MidiManager::sendToAliases(const TMidiAliasList& targets, const unsigned char* data, int length)
{
    if (m_suspended)
        return false;
    bool result = false;
    bool proceed = true;
    for (int i = targets.count() - 1; i >= 0; --i)
    {
        const TMidiAlias* alias = targets.at(i);
        if (alias == nullptr || alias->getKind() != kMidiKindOutput || alias->getDeviceIndex() < 0
            || alias->getDeviceIndex() >= m_outputs.count())
            continue;
        if (sendToOutput(alias->getDeviceIndex(), data, length, proceed))
            result = true;
        if (!proceed)
            return true;
    }
    return result;
}

void MidiManager::onMidiData(TMidiDeviceBase* port, uint64_t timeStamp, const unsigned char* data, int length)
{
    const int index = port->getOwnerIndex();
    if (m_inFilters.count() > 0)
    {
        int carryOn = 1;
        for (int i = 0; i < m_inFilters.count() && carryOn != 0; ++i)
            m_inFilters[i]->filterInput(index, &timeStamp, &data, &length, &carryOn);
        if (carryOn == 0)
            return;
    }
    MidiInputHook* const inputHook = m_inputHook.load();
    if (m_suspended.load() || inputHook == nullptr)
        return;
    int handled = 0;
    inputHook->onInput(index, timeStamp, data, length, &handled);
    if (handled != 0)
        return;
    // The owner was stored as the record's MidiManagerDev*: cast back to that first.
    const auto* input = static_cast<const MMDevIn*>(static_cast<const MidiManagerDev*>(port->getOwner()));
    if (input == nullptr || !sendToAliases(input->getRouteTargets(), data, length))
        return;
    if (MidiRoutedHook* const routedHook = m_routedHook.load())
        routedHook->onRouted(input->getRouteTargets());
}

void MidiManager::onDeviceError(TMidiDeviceBase* port, const TString& text)
{
    reportError(port->getOwnerIndex(), port->isInput(), text, false);
}

// ---------------------------------------------------------------------------
// Listeners, aliases and routes

void MidiManager::addDeviceControlListener(MidiManagerDeviceControlListener* listener)
{
    m_controlListeners.addUnique(listener);
}

void MidiManager::removeDeviceControlListener(MidiManagerDeviceControlListener* listener)
{
    m_controlListeners.remove(listener);
}

void MidiManager::addDeviceListListener(TMidiDeviceListListener* listener)
{
    m_deviceListListeners.addUnique(listener);
}

void MidiManager::removeDeviceListListener(TMidiDeviceListListener* listener)
{
    m_deviceListListeners.remove(listener);
}

void MidiManager::notifyDeviceListChanged()
{
    const int count = m_deviceListListeners.count();
    for (int i = 0; i < count; ++i)
        if (TMidiDeviceListListener* listener = m_deviceListListeners.get(i))
            listener->deviceListChanged();
}

void MidiManager::addOutFilter(MidiOutDeviceFilter* filter)
{
    m_outFilters.addUnique(filter);
}

void MidiManager::removeOutFilter(MidiOutDeviceFilter* filter)
{
    m_outFilters.remove(filter);
}

void MidiManager::addInFilter(MidiInDeviceFilter* filter)
{
    m_inFilters.addUnique(filter);
}

void MidiManager::removeInFilter(MidiInDeviceFilter* filter)
{
    m_inFilters.remove(filter);
}

void MidiManager::aliasesChanged()
{
    TMidiAliasManager* aliases = TMidiAliasManager::getInstance();
    for (int i = 0; i < aliases->getAliasCount(); ++i)
    {
        TMidiAlias* alias = aliases->getAliasAt(i);
        if (alias->getKind() == kMidiKindInput || alias->getKind() == kMidiKindOutput)
            alias->setBinding(-1, 0);
    }
    for (int i = m_inputs.count() - 1; i >= 0; --i)
        m_inputs[i]->collectAliases();
    for (int i = m_outputs.count() - 1; i >= 0; --i)
        m_outputs[i]->collectAliases();
    routesChanged();
}

void MidiManager::routesChanged()
{
    for (int i = m_inputs.count() - 1; i >= 0; --i)
        m_inputs[i]->updateRoutes();
}

} // namespace Tr
