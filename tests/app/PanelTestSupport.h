// The main panel inside a real main window, with the state the panel tests
// look at made visible, shared by the tests of editing and of files.
#pragma once

#include "BWindow.h"
#include "DialogSeam.h"
#include "TemplateBank.h"
#include "VaskorContentPanel.h"

#include "WindowTestSupport.h"

#include <string>
#include <vector>

namespace TestSupport
{
using Bytes = std::vector<unsigned char>;

/** The built-in bank as bytes. */
inline Bytes defaultBank()
{
    return Bytes(defaultTemplate.data(), defaultTemplate.data() + TemplateImage::size);
}

/** A bank that the build gives back unchanged, but not the default one:
    program 1 lasts "0.87" (60) and the loop portamento is slow. */
inline Bytes customBank()
{
    Bytes bytes = defaultBank();
    bytes[1 + ProgramRecord::durationOffset] = 60;
    bytes[TemplateImage::loopPortamentoOffset] = 45;
    return bytes;
}

/** The main panel with the state the tests look at made visible. */
class PanelProbe : public VaskorContentPanel
{
public:
    using VaskorContentPanel::baseSettingCombo;
    using VaskorContentPanel::baseSettings;
    using VaskorContentPanel::changed;
    using VaskorContentPanel::channelCombo;
    using VaskorContentPanel::controls;
    using VaskorContentPanel::currentFile;
    using VaskorContentPanel::documentsDir;
    using VaskorContentPanel::durationCombo;
    using VaskorContentPanel::hyperlink;
    using VaskorContentPanel::loopPortamentoCombo;
    using VaskorContentPanel::openButton;
    using VaskorContentPanel::outputTypeCombo;
    using VaskorContentPanel::programCombo;
    using VaskorContentPanel::saveButton;
    using VaskorContentPanel::settingsPath;
    using VaskorContentPanel::sendButton;
    using VaskorContentPanel::stepCombos;
    using VaskorContentPanel::stepCountCombo;
    using VaskorContentPanel::stepPortamentoCombo;
    using VaskorContentPanel::stepTableBase;
    using VaskorContentPanel::stepTableKind;
    using VaskorContentPanel::typeCombo;
    using VaskorContentPanel::workingCopy;

    void afterStart(bool started) override
    {
        VaskorContentPanel::afterStart(started);
        afterStartRan = true;
    }

    /** The working copy as bytes. */
    Bytes working() const { return Bytes(workingCopy.data(), workingCopy.data() + TemplateImage::size); }

    /** The block the panel builds from its working copy. */
    Bytes built() const
    {
        Bytes bytes(TemplateImage::size);
        buildSysex(bytes.data(), TemplateImage::size);
        return bytes;
    }

    bool afterStartRan = false;
};

/** A main window whose content is a PanelProbe. */
class PanelWindow : public BWindow
{
public:
    PanelWindow() : BWindow("Vaskor MIDI 5") {}

    BContentBase* createContentComponent() override
    {
        panel = new PanelProbe();
        return panel;
    }

    PanelProbe* panel = nullptr;
};
/** Records every box the panel shows, answers its questions with Cancel and
    cancels its file dialogs, for its lifetime. */
struct RecordedDialogs
{
    /** "Title|text" of every box in the order shown. */
    std::vector<std::string> boxes;
    std::vector<DialogSeam::FileRequest> fileRequests;
    DialogSeam::ScopedOverride seam {
        [this](juce::MessageBoxIconType, const juce::String& title, const juce::String& text) {
            boxes.push_back((title + "|" + text).toStdString());
        },
        [this](juce::MessageBoxIconType, const juce::String& title, const juce::String& text) {
            boxes.push_back((title + "|" + text).toStdString());
            return 0;
        },
        [this](const DialogSeam::FileRequest& request, juce::File&) {
            fileRequests.push_back(request);
            return false;
        }};
};
} // namespace TestSupport
