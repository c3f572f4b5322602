#include "ComboBoxMidi.h"

#include "Exception.h"
#include "MidiManager.h"
#include "MidiManagerDev.h"
#include "TMidiAliasManager.h"
#include "TextFunctions.h"

namespace
{
const char* const noneText = "(none)";
const char* const noDevicesText = "(no devices available)";
constexpr int noneId = -1;

const char* const openFailed = "Error opening MIDI device '%s':\n%s";
const char* const notPluggedIn = "Device is not plugged in. It will be used after plugging it in.";
const char* const choiceFailed = "Error opening MIDI device: ";
} // namespace

ComboBoxMidi::ComboBoxMidi(const juce::String& aliasNameToUse, bool listsInputs)
    : juce::ComboBox(juce::String("ComboBox MIDI ") + (listsInputs ? "IN" : "OUT")),
      isInput(listsInputs),
      aliasName(aliasNameToUse)
{
    init();
}

void ComboBoxMidi::init()
{
    refreshPending = false;
    rebuilding = false;
    juce::ComboBox::addListener(this);
    setEditableText(false);
    setJustificationType(juce::Justification::left);
    setTextWhenNothingSelected(noneText);
    setTextWhenNoChoicesAvailable(noDevicesText);
    Tr::MidiManager* manager = Tr::MidiManager::getInstance();
    manager->addDeviceListListener(this);
    manager->addDeviceControlListener(this);
    Tr::TMidiAliasManager::getInstance()->addListener(this);
}

ComboBoxMidi::~ComboBoxMidi()
{
    juce::ComboBox::removeListener(this);
    // Asking for a manager that is gone would throw: only those still there.
    if (Tr::MidiManager::exists())
    {
        Tr::MidiManager* manager = Tr::MidiManager::getInstance();
        manager->removeDeviceListListener(this);
        manager->removeDeviceControlListener(this);
    }
    if (Tr::TMidiAliasManager::exists())
        Tr::TMidiAliasManager::getInstance()->removeListener(this);
    // A rebuild still queued for this box is cancelled by ~Runnable.
}

void ComboBoxMidi::addListener(ComboBoxMidiListener* listener)
{
    listeners.addUnique(listener);
}

int ComboBoxMidi::aliasKind() const
{
    return isInput ? Tr::kMidiKindInput : Tr::kMidiKindOutput;
}

Tr::MidiManagerDev* ComboBoxMidi::getSelectedDevice()
{
    return Tr::MidiManager::getInstance()->getDevice(getSelectedId() - 1, isInput);
}

// ---------------------------------------------------------------------------
// Following the managers

void ComboBoxMidi::deviceListChanged()
{
    triggerRefresh();
}

void ComboBoxMidi::deviceStateChanged(int /*index*/, bool reportedInput)
{
    if (reportedInput == isInput)
        updateSelection();
}

void ComboBoxMidi::deviceUpdated(int index, bool reportedInput)
{
    deviceStateChanged(index, reportedInput);
}

void ComboBoxMidi::aliasesChanged()
{
    updateSelection();
}

void ComboBoxMidi::run(int /*arg1*/, int /*arg2*/)
{
    rebuildList();
}

void ComboBoxMidi::triggerRefresh()
{
    if (juce::MessageManager::existsAndIsLockedByCurrentThread()) // the GUI thread, or holding its lock
    {
        if (!rebuilding)
            rebuildList();
        return;
    }
    // From another thread: one hand-over for the whole burst. A refused one
    // (the program is quitting) leaves the next request free to try again.
    if (!refreshPending.exchange(true) && !callAsync0(this))
        refreshPending = false;
}

void ComboBoxMidi::rebuildList()
{
    const juce::MessageManagerLock lock;
    refreshPending = false;
    rebuilding = true;
    Tr::MidiManager* manager = Tr::MidiManager::getInstance();
    const int count = manager->getDeviceCount(isInput);

    clear(juce::dontSendNotification);
    addItem(noneText, noneId);
    for (int i = 0; i < count; ++i)
    {
        Tr::MidiManagerDev* device = nullptr;
        if (manager->tryGetDevice(i, isInput, &device) && device->isPresent())
            addItem(toJuceString(device->getDisplayName()), i + 1);
    }
    updateSelection();
    rebuilding = false;
}

void ComboBoxMidi::updateSelection()
{
    if (getNumItems() == 0)
    {
        triggerRefresh(); // the rebuild comes back here
        return;
    }
    const Tr::TMidiAlias* alias =
        Tr::TMidiAliasManager::getInstance()->lookupAlias(toTrString(aliasName), aliasKind(), true);
    Tr::MidiManager* manager = Tr::MidiManager::getInstance();
    const int index = manager->findDeviceByName(alias->getDeviceName(), isInput);
    Tr::MidiManagerDev* device = nullptr;
    const int id = manager->tryGetDevice(index, isInput, &device) && device->isOpen() ? index + 1 : noneId;
    {
        const juce::MessageManagerLock lock;
        setSelectedId(id, juce::dontSendNotification);
        shownId = id;
    }
    notifySelectionChanged();
}

void ComboBoxMidi::notifySelectionChanged()
{
    const int id = getSelectedId();
    if (id == lastNotifiedId)
        return;
    lastNotifiedId = id;
    for (int i = 0; i < listeners.count(); ++i)
        listeners[i]->comboBoxMidiChanged(this);
}

// ---------------------------------------------------------------------------
// The user's choice

void ComboBoxMidi::comboBoxChanged(juce::ComboBox* /*box*/)
{
    // The toolkit delivers a pick later than it selects it: a rebuild or a
    // report in between re-selects what the alias names, and the change then
    // arrives for that selection, which is not the user's. Picking the item
    // shown sends no change at all, so a pick always differs from shownId.
    if (getSelectedId() == shownId)
        return;
    Tr::MidiManagerDev* chosen = getSelectedDevice();
    const Tr::TString deviceName = chosen != nullptr ? chosen->getDescriptorDisplayName() : Tr::TString();
    Tr::TMidiAliasManager* aliases = Tr::TMidiAliasManager::getInstance();
    Tr::MidiManager* manager = Tr::MidiManager::getInstance();
    const Tr::TString name = toTrString(aliasName);

    aliases->beginUpdate();
    try
    {
        aliases->setAlias(name, aliasKind(), name, deviceName, true);
        const int count = manager->getDeviceCount(isInput);
        for (int i = 0; i < count; ++i)
        {
            if (chosen == nullptr || i != chosen->getIndex())
            {
                manager->closeDevice(i, isInput, false, true);
                continue;
            }
            try
            {
                manager->openDevice(i, isInput, true);
                if (chosen->isWantedOpen())
                    throw Tr::Exception(notPluggedIn);
            }
            catch (const Tr::Exception& e)
            {
                showErrorBox(toJuceString(Tr::formatStrStr(openFailed, deviceName, e.message())));
            }
        }
    }
    catch (const Tr::Exception& e)
    {
        showErrorBox(choiceFailed + toJuceString(e.message()));
    }
    catch (...)
    {
        aliases->endUpdate();
        throw;
    }
    aliases->endUpdate();
    // The alias may not have changed (the same port chosen again) and a port
    // that failed to open reports no state: show what holds now all the same,
    // so a failed choice never stays on screen as the port in use.
    updateSelection();
}
