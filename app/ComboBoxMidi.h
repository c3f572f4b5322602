// The combo box in which the user chooses the MIDI port in use.
#pragma once

#include "BList.h"
#include "ComboBoxMidiListener.h"
#include "JuceUtils.h"
#include "MidiListeners.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <cstdint>

namespace Tr
{
class MidiManagerDev;
}

/**
    Lists the MIDI ports of one kind and makes the chosen one the port in use.
    The choice lives in a named MIDI alias: choosing a port binds the alias to
    the port's name, opens that port and closes every other port of the kind.
    The box shows the port the alias names while that port is open, and
    "(none)" otherwise. It follows the MIDI manager (ports that come and go,
    open and close) and the alias manager, rebuilding its list on the GUI
    thread with the message-manager lock held (one rebuild for a burst of
    requests from other threads), and tells its listeners whenever the
    selected id changes. Items carry the device index + 1 as id, "(none)" is
    -1. A rebuild still queued when the box is destroyed does not run.
    A report from another thread takes the message-manager lock on the
    reporting thread; the system's own reports all come on the GUI thread.
*/
class ComboBoxMidi : public juce::ComboBox,
                     public juce::ComboBox::Listener,
                     public Tr::TMidiDeviceListListener,
                     public Tr::MidiManagerDeviceControlListener,
                     public Tr::TMidiAliasChangeListener,
                     public Runnable
{
public:
    /** A chooser of input ports (isInput) or output ports whose choice is
        kept in the alias of that name. */
    ComboBoxMidi(const juce::String& aliasName, bool isInput);
    /** Unregisters from the managers that still exist; opens and closes no port. */
    ~ComboBoxMidi() override;

    /** Adds a listener unless it is listed already; listeners are not owned. */
    void addListener(ComboBoxMidiListener* listener);

    /** The record of the selected port; null for "(none)" or no selection. */
    Tr::MidiManagerDev* getSelectedDevice();

    /** The user's choice: binds the alias, opens the chosen port and closes
        every other one of the kind. A change that arrives for the selection
        the box set itself (a rebuild overwrote the pick before its change
        message came) does nothing. */
    void comboBoxChanged(juce::ComboBox* box) override;
    void deviceListChanged() override;
    void deviceStateChanged(int index, bool isInput) override;
    void deviceUpdated(int index, bool isInput) override;
    void aliasesChanged() override;
    /** The rebuild handed over to the GUI thread. */
    void run(int arg1, int arg2) override;

private:
    void init();
    /** Rebuilds now when on the GUI thread (or holding its lock), else hands
        one rebuild over to the GUI thread. */
    void triggerRefresh();
    void rebuildList();
    /** Shows the port the alias names when it is open, else "(none)". */
    void updateSelection();
    void notifySelectionChanged();
    /** The alias kind of the ports listed. */
    int aliasKind() const;

    bool isInput;
    juce::String aliasName;
    /** A rebuild is queued for the GUI thread; set by any thread. */
    std::atomic<bool> refreshPending {false};
    /** A rebuild runs (GUI thread or lock holder only). */
    bool rebuilding = false;
    Tr::BList<ComboBoxMidiListener*> listeners;
    int32_t lastNotifiedId = -10;
    /** The id the box last selected itself (updateSelection), 0 before. */
    std::atomic<int32_t> shownId {0};

    JUCE_DECLARE_NON_COPYABLE(ComboBoxMidi)
};
