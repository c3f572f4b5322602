// The main panel's controls: what createContent makes, where, and how it looks.
#include "VaskorContentPanel.h"

#include "BWindow.h"
#include "JuceUtils.h"
#include "TextFunctions.h"

#include <memory>

namespace
{
const juce::Colour buttonGrey(191, 191, 191);
const juce::Colour darkGrey(153, 153, 153);

const char* const footerText = "Vaskor MIDI 5 - Programming Utility - v2.0";
const char* const webAddress = "www.vaskor.example";
const char* const webUrl = "https://vaskor.example";
const char* const noticeText = "(c) Vaskor Devices";

/** Width of the background when it has none of its own. */
constexpr int fallbackWidth = 500;

/** Takes a new control into the owning list; the list deletes it with the panel. */
template <typename Control, typename... Args>
Control* makeOwned(Tr::BList<juce::Component*>& owner, Args&&... args)
{
    auto control = std::make_unique<Control>(std::forward<Args>(args)...);
    owner.add(control.get());
    return control.release();
}
} // namespace

void VaskorContentPanel::createContent()
{
    BContentBase::createContent();
    if (auto* window = BWindow::getMainWindow())
        window->setUsingNativeTitleBar(true);

    // Row 1: the MIDI output chooser.
    createMidiOutChooser();

    openButton = addButton("file OPEN", 34, 15, 81, 25, "load setting from file");
    saveButton = addButton("file SAVE", 34, 50, 81, 25, "save setting to file");
    sendButton = addButton("SEND", 131, 50, 215, 25, "send the settings to the device");

    // The program editor.
    programCombo = addCombo(24, 109, 114, 15, programTable, programTableCount, {});
    typeCombo = addCombo(24, 131, 184, 15, programTypeTable, programTypeTableCount, {});
    stepCountCombo = addCombo(277, 131, 99, 15, stepCountTable, stepCountTableCount, {});

    baseSettingCombo = addCombo(128, 163, 254, 15, baseSettingTable, baseSettingTableCount, {});
    baseSettingCombo->setTextWhenNothingSelected("[not applicable]");
    addLabel(24, baseSettingCombo->getY(), baseSettingCombo->getX() - 29, baseSettingCombo->getHeight(),
             "Base Setting:", false, juce::Justification::centredRight);

    durationCombo = addCombo(128, 184, 60, 15, durationTable, durationTableCount, {});
    durationCombo->setTextWhenNothingSelected("[n/a]");
    addLabel(24, durationCombo->getY(), durationCombo->getX() - 29, durationCombo->getHeight(), "Duration (sec):",
             false, juce::Justification::centredRight);

    // The 16 steps: each combo with its label on the left.
    const int stepX = 105;
    const int stepY = 212;
    const int stepPitch = 19;
    stepCombos[0] = addCombo(stepX, stepY, 354, 15, nullptr, 0, {});
    for (int k = 0; k < stepCount; ++k)
    {
        const int y = stepY + stepPitch * k;
        if (k > 0)
            stepCombos[k] = addCombo(stepX, y, 354, 15, nullptr, 0, {});
        addLabel(39, y, stepX - 44, 15, toJuceString(Tr::formatInt("Step %d:", k + 1)), false,
                 juce::Justification::centredLeft);
    }

    // The global settings of the whole bank.
    channelCombo = addCombo(217, 535, 46, 15, channelTable, channelTableCount, {});
    addLabel(24, 535, channelCombo->getX() - 29, 15, "Whammy MIDI Base Channel:", false,
             juce::Justification::centredLeft);
    outputTypeCombo = addCombo(119, 555, 144, 15, outputTypeTable, outputTypeTableCount, {});
    addLabel(24, 555, outputTypeCombo->getX() - 29, 15, "Output Type:", false, juce::Justification::centredLeft);
    loopPortamentoCombo = addCombo(283, 535, 202, 15, loopPortamentoTable, loopPortamentoTableCount, {});
    stepPortamentoCombo = addCombo(283, 555, 202, 15, stepPortamentoTable, stepPortamentoTableCount, {});

    // The footer line, with the web address as a link.
    addLabel(7, 580, 250, 24, footerText, true, juce::Justification::centredLeft);
    const juce::Rectangle<int> addressBounds(267, 580, 130, 24);
    addLabel(addressBounds.getX(), addressBounds.getY(), addressBounds.getWidth(), addressBounds.getHeight(),
             webAddress, true, juce::Justification::centredLeft);
    const int width = getBackgroundWidth() > 0 ? getBackgroundWidth() : fallbackWidth;
    addLabel(280, 580, width - 287, 24, noticeText, true, juce::Justification::centredRight);

    hyperlink = addHyperlink(webUrl);
    controls.add(hyperlink);
    hyperlink->setBounds(addressBounds);
}

juce::TextButton* VaskorContentPanel::addButton(const juce::String& text, int x, int y, int width, int height,
                                                const juce::String& tooltip)
{
    auto* button = makeOwned<juce::TextButton>(controls, juce::String(), tooltip);
    button->setButtonText(text);
    button->setBounds(x, y, width, height);
    button->setColour(juce::TextButton::buttonColourId, buttonGrey);
    button->setColour(juce::TextButton::buttonOnColourId, darkGrey);
    button->setColour(juce::TextButton::textColourOffId, juce::Colours::black);
    button->setColour(juce::TextButton::textColourOnId, juce::Colours::black);
    addAndMakeVisible(button);
    button->addListener(this);
    return button;
}

juce::Label* VaskorContentPanel::addLabel(int x, int y, int width, int height, const juce::String& text,
                                          bool small, const juce::Justification& justification)
{
    auto* label = makeOwned<juce::Label>(controls, "l", text);
    label->setFont(juce::Font(juce::Font::getDefaultMonospacedFontName(), small ? 10.0f : 13.0f,
                              juce::Font::plain));
    label->setJustificationType(justification);
    label->setEditable(false, false, false);
    label->setColour(juce::Label::textColourId, juce::Colours::black);
    label->setColour(juce::Label::backgroundColourId, juce::Colours::transparentBlack);
    // A press and drag on a label moves the window as one on the background does.
    label->addMouseListener(this, false);
    label->setBounds(x, y, width, height);
    addAndMakeVisible(label);
    return label;
}

juce::ComboBox* VaskorContentPanel::addCombo(int x, int y, int width, int height, const ComboTableEntry* entries,
                                             int count, const juce::String& tooltip)
{
    auto* combo = makeOwned<juce::ComboBox>(controls, juce::String());
    combo->setTooltip(tooltip);
    combo->setBounds(x, y, width, height);
    addAndMakeVisible(combo);
    combo->addListener(this);
    styleCombo(combo);
    fillCombo(combo, entries, count, false, false, -1, false);
    return combo;
}

void VaskorContentPanel::styleCombo(juce::ComboBox* combo)
{
    if (combo == nullptr)
        return;
    combo->setColour(juce::ComboBox::outlineColourId, juce::Colours::transparentBlack);
    combo->setColour(juce::ComboBox::textColourId, juce::Colours::black);
    combo->setColour(juce::ComboBox::backgroundColourId, darkGrey);
    combo->setColour(juce::ComboBox::buttonColourId, buttonGrey);
    combo->setColour(juce::ComboBox::arrowColourId, darkGrey);
}
