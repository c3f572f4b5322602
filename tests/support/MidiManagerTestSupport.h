// A MIDI manager on a scripted factory for one test: the manager is made and
// its factory attached in a fresh process (each case runs in its own), with
// JUCE set up for its timer (see MessageLoop.h to run it), and everything the
// registry owns is destroyed when the test ends. Listeners that record what
// the manager tells.
#pragma once

#include "AutoDelete.h"
#include "MidiManager.h"
#include "TMidiAliasManager.h"

#include "MidiManagerInitializer.h"
#include "support/ScriptedMidiFactory.h"
#include "support/TStringPrinting.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <functional>
#include <string>
#include <vector>

namespace TestSupport
{
// Writes one line per call, such as "opening out 0", "message out 0 Opened
// MIDI OUT: Synth" or "error in -1 ...", prefixed by its name when it has
// one; runs an optional action on every call.
class RecordingControlListener : public Tr::MidiManagerDeviceControlListener
{
public:
    explicit RecordingControlListener(std::string name = "") : prefix(name.empty() ? "" : name + ": ") {}

    void deviceOpening(int index, bool isInput) override { note("opening", index, isInput); }
    void deviceStateChanged(int index, bool isInput) override { note("state", index, isInput); }
    void deviceClosing(int index, bool isInput) override { note("closing", index, isInput); }
    void deviceUpdated(int index, bool isInput) override { note("updated", index, isInput); }
    void deviceMessage(int index, bool isInput, const Tr::TString& text) override
    {
        note("message", index, isInput, text.c_str());
    }
    void deviceError(int index, bool isInput, const Tr::TString& text) override
    {
        note("error", index, isInput, text.c_str());
    }

    std::vector<std::string>* sink = &calls; // a shared sink keeps the order across listeners
    std::vector<std::string> calls;
    std::function<void()> action;

private:
    void note(const char* what, int index, bool isInput, const std::string& text = "")
    {
        sink->push_back(prefix + what + (isInput ? " in " : " out ") + std::to_string(index)
                        + (text.empty() ? "" : " " + text));
        if (action)
            action();
    }

    std::string prefix;
};

// Counts the device-list notices; runs an optional action in each.
class CountingDeviceListListener : public Tr::TMidiDeviceListListener
{
public:
    void deviceListChanged() override
    {
        ++count;
        if (action)
            action();
    }

    int count = 0;
    std::function<void()> action;
};

// A new manager without the drivers that attach themselves at start-up
// (the multimedia driver), so that it holds the factories a test gives it.
inline Tr::MidiManager* managerWithoutDrivers()
{
    Tr::deleteMidiManagerInitializers();
    return Tr::MidiManager::getInstance();
}

// The manager with one scripted factory attached (without a rescan), still
// suspended, and no other. The factory belongs to the registry, which
// destroys it after the manager, as it does the program's own factory.
class MidiManagerTest : public ::testing::Test
{
protected:
    MidiManagerTest()
        : manager(managerWithoutDrivers()), factory(new ScriptedMidiFactory())
    {
        manager->addFactory(factory, false);
    }

    ~MidiManagerTest() override { Tr::AutoDelete::deleteAll(); }

    // Lets the factory re-read its ports at its next list read.
    void replug() { factory->advanceMillis(Tr::MidiDeviceFactory::kRefreshInterval); }

    // Resumes the manager (which rescans) with the ports the factory lists now.
    void resume()
    {
        replug();
        manager->setSuspended(false);
    }

    // The display names of the records of a kind, "-" marking absent ones.
    std::vector<std::string> records(bool isInput)
    {
        std::vector<std::string> names;
        for (int i = 0; i < manager->getDeviceCount(isInput); ++i)
        {
            Tr::MidiManagerDev* device = manager->getDevice(i, isInput);
            names.push_back(std::string(device->isPresent() ? "" : "-") + device->getDescriptorDisplayName().c_str());
        }
        return names;
    }

    juce::ScopedJuceInitialiser_GUI juce_;
    Tr::MidiManager* manager;
    ScriptedMidiFactory* factory;
};
} // namespace TestSupport
