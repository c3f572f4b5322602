// The main panel's state, editing rules, change tracking and lifecycle.
#include "VaskorContentPanel.h"

#include "AutoDelete.h"
#include "BWindow.h"
#include "Exception.h"
#include "JuceUtils.h"
#include "TextFunctions.h"

namespace
{
constexpr int differentSettings = TemplateBank::differentSettingsType;

/** Step programs (types 1 and 3) and "Different Settings" programs have no
    duration of their own; every other type, unknown ones included, has one. */
bool hasDuration(int type)
{
    return type != 1 && type != 3 && type != differentSettings;
}
} // namespace

// ---------------------------------------------------------------------------
// Construction and destruction

VaskorContentPanel* VaskorContentPanel::create()
{
    return new VaskorContentPanel();
}

VaskorContentPanel::VaskorContentPanel()
{
    setLookAndFeel(&controlLook);
    attachMidiManager();
    baseSettings.fill(TemplateBank::octaveUp);
    initSettingsPaths();
}

VaskorContentPanel::~VaskorContentPanel()
{
    // saveSettings has normally deleted it; a panel destroyed another way must
    // not leave a wait behind that calls onTimer on it.
    deleteSendTimer();
    controls.deleteAll();
    Tr::AutoDelete::deleteAll();
    setLookAndFeel(nullptr);
}

// ---------------------------------------------------------------------------
// Hooks driven by the main window

bool VaskorContentPanel::loadSettings(const juce::String& commandLine)
{
    const bool result = BContentBase::loadSettings(commandLine);
    if (result)
        readSettings();
    updateTitle();
    return result;
}

void VaskorContentPanel::afterStart(bool started)
{
    BContentBase::afterStart(started);
    Tr::assertTrue(programTableCount == TemplateImage::programCount);
    Tr::assertTrue(stepCountTableCount + 1 == stepCount);
    Tr::assertTrue(defaultTemplateSize == TemplateImage::size);

    startMidiManager();

    bool loaded = false;
    if (currentFile.isNotEmpty()
        && juce::File::getCurrentWorkingDirectory().getChildFile(currentFile).exists())
    {
        try
        {
            loadFile(currentFile);
            loaded = true;
        }
        catch (const Tr::Exception&)
        {
            // The failed load already titled the window with the file's name;
            // the default bank comes in under no name.
            currentFile.clear();
            updateTitle();
        }
    }
    if (!loaded)
    {
        try
        {
            loadTemplate(defaultTemplate.data(), defaultTemplateSize);
        }
        catch (const Tr::Exception& e)
        {
            showErrorBox(juce::String::fromUTF8(e.what()));
            juce::JUCEApplication::quit();
        }
    }
}

void VaskorContentPanel::saveSettings()
{
    deleteSendTimer();
    BContentBase::saveSettings();
    writeSettings();
}

void VaskorContentPanel::deleteSendTimer()
{
    delete sendTimer;
    sendTimer = nullptr;
}

// ---------------------------------------------------------------------------
// The bank

int VaskorContentPanel::programOffset(int program) const
{
    if (program < 0)
        program = getComboValue(programCombo);
    return TemplateBank::programOffset(program);
}

Tr::TString VaskorContentPanel::checkTemplate(const unsigned char* data, int size)
{
    return TemplateBank::checkTemplate(data, size);
}

void VaskorContentPanel::loadTemplate(const unsigned char* data, int size)
{
    TemplateBank::loadTemplate(data, size, workingCopy, baseSettings);
    showGlobalSettings();
    if (programCombo != nullptr && getComboValue(programCombo) < 0 && programCombo->getNumItems() > 0)
        programCombo->setSelectedItemIndex(0, juce::dontSendNotification);
    showProgram();
    updateControlStates();
    clearChanged(true);
}

void VaskorContentPanel::buildSysex(unsigned char* destination, int size) const
{
    TemplateBank::buildSysex(workingCopy, baseSettings, destination, size);
}

// ---------------------------------------------------------------------------
// Combo values

int VaskorContentPanel::getComboValue(juce::ComboBox* combo)
{
    if (combo == nullptr)
        return -1;
    return combo->getSelectedId() - 1;
}

bool VaskorContentPanel::setComboValue(juce::ComboBox* combo, int value, bool dontNotify)
{
    if (combo == nullptr)
        return false;
    const auto notification = dontNotify ? juce::dontSendNotification : juce::sendNotificationAsync;
    combo->setSelectedId(value + 1, notification);
    if (combo->getSelectedId() != value + 1)
    {
        combo->setSelectedId(0, notification);
        return false;
    }
    return true;
}

void VaskorContentPanel::fillCombo(juce::ComboBox* combo, const ComboTableEntry* entries, int count,
                                   bool keepPrevious, bool selectFirst, int value, bool dontNotify)
{
    if (combo == nullptr)
        return;
    const int previous = getComboValue(combo);
    const auto notification = dontNotify ? juce::dontSendNotification : juce::sendNotificationAsync;
    combo->clear(notification);
    if (entries != nullptr)
        for (int i = 0; i < count; ++i)
            combo->addItem(juce::String::fromUTF8(entries[i].label), entries[i].value + 1);

    if (combo->getNumItems() == 0)
        return;
    setComboValue(combo, value, dontNotify);
    if (getComboValue(combo) < 0 && keepPrevious)
        setComboValue(combo, previous, dontNotify);
    if (getComboValue(combo) < 0 && selectFirst)
        combo->setSelectedItemIndex(0, notification);
}

// ---------------------------------------------------------------------------
// Writes into the working copy

void VaskorContentPanel::setProgramByte(int offsetInRecord, int value)
{
    const int offset = selectedOffset();
    if (offset < 0 || offsetInRecord < 0 || offsetInRecord >= ProgramRecord::size || value < 0)
        return;
    workingCopy.data()[offset + offsetInRecord] = static_cast<unsigned char>(value & 0xFF);
}

void VaskorContentPanel::clearIntervals(int program)
{
    const int offset = programOffset(program);
    if (offset < 0)
        return;
    for (int k = 0; k < stepCount; ++k)
        workingCopy.data()[offset + ProgramRecord::intervalOffset(k)] = 0;
}

void VaskorContentPanel::setBaseSetting(int value, int program)
{
    if (program < 1)
        program = getComboValue(programCombo);
    if (program < 1 || program > TemplateImage::programCount)
        return;
    baseSettings[static_cast<size_t>(program - 1)] = value;
}

void VaskorContentPanel::setStepValue(int k, int value, int program)
{
    const int offset = programOffset(program);
    if (offset < 0 || k < 0 || k >= stepCount || value < 0)
        return;
    const int field = stepTableKind == 1 ? ProgramRecord::settingOffset(k) : ProgramRecord::intervalOffset(k);
    workingCopy.data()[offset + field] = static_cast<unsigned char>(value & 0xFF);
}

void VaskorContentPanel::storeGlobalSettings()
{
    const struct
    {
        juce::ComboBox* combo;
        int offset;
    } globals[] = {
        {loopPortamentoCombo, TemplateImage::loopPortamentoOffset},
        {stepPortamentoCombo, TemplateImage::stepPortamentoOffset},
        {outputTypeCombo, TemplateImage::outputTypeOffset},
        {channelCombo, TemplateImage::baseChannelOffset},
    };
    for (const auto& global : globals)
    {
        const int value = getComboValue(global.combo);
        if (value >= 0)
            workingCopy.data()[global.offset] = static_cast<unsigned char>(value & 0xFF);
    }
}

// ---------------------------------------------------------------------------
// Showing the working copy

void VaskorContentPanel::showProgram()
{
    const int offset = selectedOffset();
    if (offset < 0)
    {
        updateControlStates();
        return;
    }
    const unsigned char* record = workingCopy.data() + offset;
    setComboValue(typeCombo, record[ProgramRecord::typeOffset], true);
    showBaseSetting(-1);
    setComboValue(stepCountCombo, record[ProgramRecord::stepCountOffset], true);
    showDuration();
    showSteps();
}

void VaskorContentPanel::showBaseSetting(int program)
{
    if (program < 1)
        program = getComboValue(programCombo);
    if (program < 1 || program > TemplateImage::programCount || baseSettingCombo == nullptr)
        return;
    if (getComboValue(typeCombo) == differentSettings)
        baseSettingCombo->setSelectedId(0, juce::dontSendNotification);
    else
        setComboValue(baseSettingCombo, baseSettings[static_cast<size_t>(program - 1)], true);
}

void VaskorContentPanel::showDuration()
{
    const int offset = selectedOffset();
    if (offset < 0 || durationCombo == nullptr)
        return;
    const unsigned char* record = workingCopy.data() + offset;
    const int type = record[ProgramRecord::typeOffset];
    if (hasDuration(type))
        setComboValue(durationCombo, record[ProgramRecord::durationOffset], true);
    else
        durationCombo->setSelectedId(0, juce::dontSendNotification);
}

ComboTableRef VaskorContentPanel::intervalTableShown()
{
    if (baseSettingCombo == nullptr)
        return {nullptr, 0};
    if (getComboValue(baseSettingCombo) < 0 && baseSettingCombo->getNumItems() > 0)
        baseSettingCombo->setSelectedItemIndex(0, juce::dontSendNotification);
    const int row = baseSettingCombo->getSelectedItemIndex();
    if (row < 0 || row >= intervalTableCount)
        return {nullptr, 0};
    return intervalTables[row];
}

void VaskorContentPanel::showSteps()
{
    const int program = getComboValue(programCombo);
    const int offset = programOffset(program);
    if (offset < 0)
        return;
    const int kind = getComboValue(typeCombo) == differentSettings ? 1 : 2;
    const int base = baseSettings[static_cast<size_t>(program - 1)];
    const unsigned char* record = workingCopy.data() + offset;
    auto stepByte = [record, kind](int k) {
        return record[kind == 1 ? ProgramRecord::settingOffset(k) : ProgramRecord::intervalOffset(k)];
    };

    if (kind == stepTableKind && base == stepTableBase)
    {
        for (int k = 0; k < stepCount; ++k)
            setComboValue(stepCombos[k], stepByte(k), true);
        return;
    }

    stepTableKind = kind;
    stepTableBase = base;
    const ComboTableRef table =
        kind == 1 ? ComboTableRef {perStepSettingTable, perStepSettingTableCount} : intervalTableShown();
    for (int k = 0; k < stepCount; ++k)
        fillCombo(stepCombos[k], table.entries, table.count, true, true, stepByte(k), true);
}

void VaskorContentPanel::showGlobalSettings()
{
    const unsigned char* bank = workingCopy.data();
    setComboValue(loopPortamentoCombo, bank[TemplateImage::loopPortamentoOffset], true);
    setComboValue(stepPortamentoCombo, bank[TemplateImage::stepPortamentoOffset], true);
    setComboValue(outputTypeCombo, bank[TemplateImage::outputTypeOffset], true);
    setComboValue(channelCombo, bank[TemplateImage::baseChannelOffset], true);
}

// ---------------------------------------------------------------------------
// Editing

int VaskorContentPanel::stepIndexOf(const juce::ComboBox* combo) const
{
    for (int k = 0; k < stepCount; ++k)
        if (stepCombos[k] == combo)
            return k;
    return -1;
}

void VaskorContentPanel::comboBoxChanged(juce::ComboBox* combo)
{
    const int value = getComboValue(combo);
    if (combo == programCombo)
    {
        showProgram();
    }
    else if (combo == typeCombo)
    {
        setProgramByte(ProgramRecord::typeOffset, value);
        showDuration();
        showBaseSetting(-1);
        showSteps();
        setChanged(false);
    }
    else if (combo == baseSettingCombo)
    {
        clearIntervals(-1);
        setBaseSetting(value, -1);
        showSteps();
        setChanged(false);
    }
    else if (combo == stepCountCombo)
    {
        setProgramByte(ProgramRecord::stepCountOffset, value);
        setChanged(false);
    }
    else if (combo == durationCombo)
    {
        setProgramByte(ProgramRecord::durationOffset, value);
        setChanged(false);
    }
    else if (const int k = stepIndexOf(combo); k >= 0)
    {
        setStepValue(k, value, -1);
        setChanged(false);
    }
    else
    {
        storeGlobalSettings();
        setChanged(false);
    }
    updateControlStates();
}

void VaskorContentPanel::buttonClicked(juce::Button* button)
{
    if (button == nullptr)
        return;
    if (button == openButton)
        openFile();
    else if (button == saveButton)
        saveAs();
    else if (button == sendButton)
        sendToDevice();
}

void VaskorContentPanel::comboBoxMidiChanged(ComboBoxMidi*)
{
    updateControlStates();
}

// ---------------------------------------------------------------------------
// Control state and change tracking

void VaskorContentPanel::updateControlStates()
{
    if (sendButton != nullptr)
        sendButton->setEnabled(!sending && midiOutChooserIndex() > 0);

    const bool selected = programCombo != nullptr && programCombo->getSelectedItemIndex() >= 0;
    const int type = getComboValue(typeCombo);
    const int steps = getComboValue(stepCountCombo);

    setControlEnabled(programCombo, true);
    setControlEnabled(typeCombo, selected);
    setControlEnabled(stepCountCombo, selected);
    setControlEnabled(baseSettingCombo, selected && type != differentSettings);
    setControlEnabled(durationCombo, selected && hasDuration(type));
    for (int k = 0; k < stepCount; ++k)
        setControlEnabled(stepCombos[k], selected && k < steps);
    setControlEnabled(channelCombo, true);
    setControlEnabled(loopPortamentoCombo, true);
    setControlEnabled(stepPortamentoCombo, true);
}

void VaskorContentPanel::setControlEnabled(juce::ComboBox* combo, bool enabled)
{
    if (combo == nullptr)
        return;
    combo->setColour(juce::ComboBox::backgroundColourId,
                     enabled ? juce::Colour(153, 153, 153) : juce::Colour(191, 191, 191));
    combo->setEnabled(enabled);
}

void VaskorContentPanel::setChanged(bool alsoUpdateControls)
{
    if (changed)
        return;
    changed = true;
    if (alsoUpdateControls)
        updateControlStates();
    updateTitle();
}

void VaskorContentPanel::clearChanged(bool alsoUpdateControls)
{
    if (!changed)
        return;
    changed = false;
    if (alsoUpdateControls)
        updateControlStates();
    updateTitle();
}

void VaskorContentPanel::updateTitle()
{
    juce::String title = juce::String(programName) + " - v" + programVersion;
    if (currentFile.isNotEmpty())
        title += " - " + toJuceString(toTrString(currentFile).extractFileName());
    if (changed)
        title += " *";
    if (auto* window = BWindow::getMainWindow())
        window->setName(title);
}

// ---------------------------------------------------------------------------
// Small services

Tr::TTimer* VaskorContentPanel::createSendTimer(Tr::TTimerListener* listener)
{
    return Tr::createTimer(listener, Tr::TString());
}

Tr::TString VaskorContentPanel::formatText(const char* format, const Tr::TString& text)
{
    return Tr::formatStr(Tr::TString(format), text);
}

Tr::TString VaskorContentPanel::formatText(const char* format, const Tr::TString& text1, const Tr::TString& text2)
{
    return Tr::formatStrStr(Tr::TString(format), text1, text2);
}
