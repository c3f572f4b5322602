// The MIDI side of the main panel: the MIDI manager made at construction and
// started after start-up, the output chooser of the first row of controls,
// and sending the bank with the wait that follows a send.
#include "VaskorContentPanel.h"

#include "ComboBoxMidi.h"
#include "JuceUtils.h"
#include "MidiManager.h"

#include <memory>

namespace
{
const char* const outputAlias = "MIDI Output Device";
const char* const chooserTooltip = "select the MIDI port to which your device is connected";

const char* const sendQuestion =
    "Sending the data will write (and overwrite) all 19 programs.\nDo you want to send all programs now?";
const char* const sendFailed = "An error occurred when sending the Vaskor MIDI 5 File.\nPlease verify the MIDI port.";
const char* const sendText = "SEND";
const char* const waitingText = "(waiting for device)";
/** The device takes the bank in; no further send before this has passed. */
constexpr int sendWaitMs = 6000;
} // namespace

// ---------------------------------------------------------------------------
// The manager and the chooser

void VaskorContentPanel::attachMidiManager()
{
    Tr::MidiManager::getInstance()->setStatePersistence(true);
}

void VaskorContentPanel::startMidiManager()
{
    // The first scan lists the ports and opens the remembered ones; the
    // chooser's first rebuild comes with its device-list report.
    Tr::MidiManager* manager = Tr::MidiManager::getInstance();
    manager->rescan(false, true);
    manager->setSuspended(false);
}

void VaskorContentPanel::createMidiOutChooser()
{
    auto chooser = std::make_unique<ComboBoxMidi>(outputAlias, false);
    controls.add(chooser.get());
    midiOutChooser = chooser.release(); // owned by controls
    midiOutChooser->setTooltip(chooserTooltip);
    midiOutChooser->setBounds(131, 18, 215, 19);
    midiOutChooser->addListener(static_cast<ComboBoxMidiListener*>(this));
    styleCombo(midiOutChooser);
    addAndMakeVisible(midiOutChooser);
}

int VaskorContentPanel::midiOutChooserIndex() const
{
    return midiOutChooser != nullptr ? midiOutChooser->getSelectedItemIndex() : -1;
}

// ---------------------------------------------------------------------------
// Sending the bank

void VaskorContentPanel::sendToDevice()
{
    unsigned char block[TemplateImage::size];
    buildSysex(block, TemplateImage::size);
    if (!showConfirmBox(sendQuestion, nullptr))
        return;
    if (!Tr::MidiManager::getInstance()->send(block, TemplateImage::size))
    {
        showErrorBox(sendFailed);
        return;
    }

    if (sendTimer == nullptr)
        sendTimer = createSendTimer(this);
    sendTimer->setInterval(sendWaitMs);
    sendTimer->setRunning(true);
    sending = true;
    if (sendButton != nullptr)
        sendButton->setButtonText(waitingText);
    updateControlStates();
}

void VaskorContentPanel::onTimer()
{
    if (sendTimer != nullptr)
    {
        sendTimer->setRunning(false); // once per send
        sending = false;
        const juce::MessageManagerLock lock;
        updateControlStates();
    }
    if (sendButton != nullptr)
    {
        const juce::MessageManagerLock lock;
        sendButton->setButtonText(sendText);
    }
}
