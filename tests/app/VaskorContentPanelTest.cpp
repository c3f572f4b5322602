// The main panel as the user drives it: combo selections (with their change
// notification) go into the working copy, and the controls show, enable and
// title what the working copy holds. Runs a real main window under X.
#include "BWindow.h"
#include "DialogSeam.h"
#include "Exception.h"
#include "JuceUtils.h"
#include "TemplateBank.h"
#include "VaskorContentPanel.h"

#include "PanelTestSupport.h"
#include "WindowTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
using TestSupport::Bytes;

// Windows in these tests live without an application object.
[[maybe_unused]] const bool standalone = TestSupport::standaloneToolkitProgram;

const char* const baseTitle = "Vaskor MIDI 5 - v2.0";
const juce::Colour enabledGrey(153, 153, 153);
const juce::Colour disabledGrey(191, 191, 191);

using TestSupport::defaultBank;
using TestSupport::PanelProbe;
using TestSupport::PanelWindow;

int recordOf(int program)
{
    return 1 + ProgramRecord::size * (program - 1);
}

/** What the combo shows: its item's text, or its text for no selection. */
std::string shown(juce::ComboBox* combo)
{
    if (combo->getSelectedId() == 0)
        return combo->getTextWhenNothingSelected().toStdString();
    return combo->getText().toStdString();
}

std::vector<int> itemIds(juce::ComboBox* combo)
{
    std::vector<int> ids;
    for (int i = 0; i < combo->getNumItems(); ++i)
        ids.push_back(combo->getItemId(i));
    return ids;
}

bool looksEnabled(juce::ComboBox* combo)
{
    return combo->isEnabled() && combo->findColour(juce::ComboBox::backgroundColourId) == enabledGrey;
}

bool looksDisabled(juce::ComboBox* combo)
{
    return !combo->isEnabled() && combo->findColour(juce::ComboBox::backgroundColourId) == disabledGrey;
}

class VaskorContentPanelTest : public ::testing::Test
{
protected:
    /** Opens the main window; with runFirstTick, runs the message loop until
        its first tick has imported the built-in bank. */
    void start(bool runFirstTick = true)
    {
        window = std::make_unique<PanelWindow>();
        window->initialise({}, false, false);
        panel = window->panel;
        ASSERT_NE(panel, nullptr);
        if (runFirstTick)
            TestSupport::runLoopUntil([this] { return panel->afterStartRan; }, 5000);
        ASSERT_EQ(panel->afterStartRan, runFirstTick);
        if (runFirstTick)
            settle();
    }

    // A window closed while the window manager is still framing it can make
    // the toolkit ask X about a frame that is already gone.
    void TearDown() override
    {
        if (window != nullptr)
            settle();
    }

    /** Runs the message loop until the window manager has placed and sized
        the window: shown at the background's size, unmoved for a while. A
        window that never gets there fails the test. */
    void settle()
    {
        auto placed = [this] {
            return window->isShowing() && panel->getWidth() == 503 && panel->getHeight() == 603;
        };
        juce::Rectangle<int> last;
        int steadyFor = 0;
        for (int waited = 0; waited < 5000 && steadyFor < 150; waited += 10)
        {
            juce::MessageManager::getInstance()->runDispatchLoopUntil(10);
            const auto now = window->getBounds();
            steadyFor = placed() && now == last ? steadyFor + 10 : 0;
            last = now;
        }
        EXPECT_TRUE(placed()) << "the window shows at " << window->getWidth() << " x " << window->getHeight()
                              << ", its panel at " << panel->getWidth() << " x " << panel->getHeight();
    }

    /** What a user's pick of the item with that text does. */
    static void choose(juce::ComboBox* combo, const std::string& text)
    {
        for (int i = 0; i < combo->getNumItems(); ++i)
        {
            if (combo->getItemText(i).toStdString() == text)
            {
                combo->setSelectedItemIndex(i, juce::sendNotificationSync);
                return;
            }
        }
        ADD_FAILURE() << "no item \"" << text << "\"";
    }

    void importBank(const Bytes& bank)
    {
        panel->loadTemplate(bank.data(), static_cast<int>(bank.size()));
    }

    std::string title() const { return window->getName().toStdString(); }

    TestSupport::TempHome home;
    juce::ScopedJuceInitialiser_GUI gui;
    TestSupport::RecordedDialogs dialogs; // every file dialog is cancelled
    std::vector<std::string>& boxes = dialogs.boxes;
    std::vector<DialogSeam::FileRequest>& fileRequests = dialogs.fileRequests;
    std::unique_ptr<PanelWindow> window;
    PanelProbe* panel = nullptr;
};
} // namespace

TEST_F(VaskorContentPanelTest, BeforeTheFirstImportNoComboShowsAValue)
{
    start(false);

    EXPECT_EQ(panel->programOffset(-1), -1);
    EXPECT_EQ(panel->programOffset(19), 649);
    EXPECT_EQ(panel->programOffset(0), -1);
    EXPECT_EQ(panel->programOffset(20), -1);
    for (auto* combo : {panel->programCombo, panel->typeCombo, panel->stepCountCombo, panel->baseSettingCombo,
                        panel->durationCombo, panel->channelCombo, panel->outputTypeCombo,
                        panel->loopPortamentoCombo, panel->stepPortamentoCombo})
        EXPECT_EQ(VaskorContentPanel::getComboValue(combo), -1);
    for (auto* step : panel->stepCombos)
    {
        EXPECT_EQ(step->getNumItems(), 0);
        EXPECT_TRUE(looksDisabled(step));
    }
    EXPECT_TRUE(looksEnabled(panel->programCombo));
    EXPECT_TRUE(looksDisabled(panel->typeCombo));
    EXPECT_TRUE(looksDisabled(panel->baseSettingCombo));
    EXPECT_TRUE(looksEnabled(panel->channelCombo));
    EXPECT_FALSE(panel->sendButton->isEnabled());
    EXPECT_EQ(title(), baseTitle);
    EXPECT_EQ(VaskorContentPanel::getComboValue(nullptr), -1);
    EXPECT_FALSE(VaskorContentPanel::setComboValue(nullptr, 1, true));
}

TEST_F(VaskorContentPanelTest, StartsWithTheBuiltInBankShown)
{
    start();

    EXPECT_EQ(panel->working(), defaultBank());
    EXPECT_FALSE(panel->changed);
    EXPECT_EQ(title(), baseTitle);
    EXPECT_EQ(shown(panel->programCombo), "Program 1");
    EXPECT_EQ(shown(panel->typeCombo), "Loop, No Portamento");
    EXPECT_EQ(shown(panel->baseSettingCombo), "Octave Up");
    EXPECT_EQ(shown(panel->stepCountCombo), "16 Steps");
    EXPECT_EQ(shown(panel->durationCombo), "0.50");
    for (auto* step : panel->stepCombos)
    {
        EXPECT_EQ(step->getNumItems(), 13);
        EXPECT_EQ(shown(step), "Unison");
        EXPECT_TRUE(looksEnabled(step));
    }
    EXPECT_EQ(shown(panel->channelCombo), "15");
    EXPECT_EQ(shown(panel->outputTypeCombo), "Whammy Only");
    EXPECT_EQ(shown(panel->loopPortamentoCombo), "fast Loop Portamento");
    EXPECT_EQ(shown(panel->stepPortamentoCombo), "fast Step Portamento");
    EXPECT_FALSE(panel->sendButton->isEnabled()); // no output port can be chosen yet
    EXPECT_TRUE(boxes.empty());
}

TEST_F(VaskorContentPanelTest, ControlsStandWhereTheLayoutPutsThem)
{
    start();

    EXPECT_EQ(panel->getWidth(), 503);
    EXPECT_EQ(panel->getHeight(), 603);
    EXPECT_EQ(panel->openButton->getBounds(), juce::Rectangle<int>(34, 15, 81, 25));
    EXPECT_EQ(panel->saveButton->getBounds(), juce::Rectangle<int>(34, 50, 81, 25));
    EXPECT_EQ(panel->sendButton->getBounds(), juce::Rectangle<int>(131, 50, 215, 25));
    EXPECT_EQ(panel->openButton->getButtonText(), "file OPEN");
    EXPECT_EQ(panel->saveButton->getTooltip(), "save setting to file");
    EXPECT_EQ(panel->sendButton->getTooltip(), "send the settings to the device");
    EXPECT_EQ(panel->programCombo->getBounds(), juce::Rectangle<int>(24, 109, 114, 15));
    EXPECT_EQ(panel->baseSettingCombo->getBounds(), juce::Rectangle<int>(128, 163, 254, 15));
    EXPECT_EQ(panel->stepCombos[15]->getBounds(), juce::Rectangle<int>(105, 212 + 19 * 15, 354, 15));
    EXPECT_EQ(panel->stepPortamentoCombo->getBounds(), juce::Rectangle<int>(283, 555, 202, 15));
    EXPECT_EQ(panel->baseSettingCombo->getTextWhenNothingSelected(), "[not applicable]");
    EXPECT_EQ(panel->durationCombo->getTextWhenNothingSelected(), "[n/a]");

    // The type combo lists loop types first, with ids value + 1.
    EXPECT_EQ(itemIds(panel->typeCombo), (std::vector<int> {3, 1, 4, 2, 6}));
    EXPECT_EQ(panel->typeCombo->getItemText(0), "Loop Portamento");
    EXPECT_EQ(panel->typeCombo->getItemText(4), "Different Settings");

    // Labels: text, bounds, font and justification.
    std::vector<juce::Label*> labels;
    for (int i = 0; i < panel->controls.count(); ++i)
        if (auto* label = dynamic_cast<juce::Label*>(panel->controls[i]))
            labels.push_back(label);
    ASSERT_EQ(labels.size(), 2u + 16u + 2u + 3u);
    EXPECT_EQ(labels[0]->getText(), "Base Setting:");
    EXPECT_EQ(labels[0]->getBounds(), juce::Rectangle<int>(24, 163, 99, 15));
    EXPECT_EQ(labels[0]->getJustificationType(), juce::Justification::centredRight);
    EXPECT_EQ(labels[1]->getText(), "Duration (sec):");
    EXPECT_EQ(labels[2]->getText(), "Step 1:");
    EXPECT_EQ(labels[2]->getBounds(), juce::Rectangle<int>(39, 212, 61, 15));
    EXPECT_EQ(labels[17]->getText(), "Step 16:");
    EXPECT_EQ(labels[18]->getText(), "Whammy MIDI Base Channel:");
    EXPECT_EQ(labels[18]->getBounds(), juce::Rectangle<int>(24, 535, 188, 15));
    EXPECT_EQ(labels[19]->getBounds(), juce::Rectangle<int>(24, 555, 90, 15));
    EXPECT_EQ(labels[20]->getText(), "Vaskor MIDI 5 - Programming Utility - v2.0");
    EXPECT_EQ(labels[22]->getBounds(), juce::Rectangle<int>(280, 580, 216, 24));
    EXPECT_EQ(labels[22]->getJustificationType(), juce::Justification::centredRight);
    for (auto* label : labels)
    {
        const bool footer = label->getY() == 580;
        EXPECT_EQ(label->getFont().getHeight(), footer ? 10.0f : 13.0f) << label->getText();
        EXPECT_EQ(label->getFont().getTypefaceName(), juce::Font::getDefaultMonospacedFontName());
        EXPECT_EQ(label->getName(), "l");
        EXPECT_FALSE(label->isEditable());
    }
    ASSERT_NE(panel->hyperlink, nullptr);
    EXPECT_EQ(panel->hyperlink->getBounds(), labels[21]->getBounds());
    EXPECT_EQ(panel->hyperlink->getURL().getDomain(), "vaskor.example");
}

TEST_F(VaskorContentPanelTest, ControlsHaveTheirColoursAndRoomForTheirText)
{
    start();

    EXPECT_EQ(panel->openButton->getTooltip(), "load setting from file");
    for (auto* button : {panel->openButton, panel->saveButton, panel->sendButton})
    {
        EXPECT_EQ(button->findColour(juce::TextButton::buttonColourId), disabledGrey);
        EXPECT_EQ(button->findColour(juce::TextButton::buttonOnColourId), enabledGrey);
        EXPECT_EQ(button->findColour(juce::TextButton::textColourOffId), juce::Colours::black);
        EXPECT_EQ(button->findColour(juce::TextButton::textColourOnId), juce::Colours::black);
        EXPECT_TRUE(button->getName().isEmpty());
    }
    for (auto* combo : {panel->typeCombo, panel->outputTypeCombo, panel->stepCombos[0]})
    {
        EXPECT_EQ(combo->findColour(juce::ComboBox::outlineColourId), juce::Colours::transparentBlack);
        EXPECT_EQ(combo->findColour(juce::ComboBox::textColourId), juce::Colours::black);
        EXPECT_EQ(combo->findColour(juce::ComboBox::buttonColourId), disabledGrey);
        EXPECT_EQ(combo->findColour(juce::ComboBox::arrowColourId), enabledGrey);
        EXPECT_TRUE(combo->getTooltip().isEmpty());
    }
    EXPECT_EQ(panel->outputTypeCombo->findColour(juce::ComboBox::backgroundColourId), enabledGrey);

    // The narrowest combo, the 46-pixel channel combo, has room for "15".
    juce::Label* text = nullptr;
    for (auto* child : panel->channelCombo->getChildren())
        if (auto* label = dynamic_cast<juce::Label*>(child))
            text = label;
    ASSERT_NE(text, nullptr);
    const auto textArea = text->getBorderSize().subtractedFrom(text->getLocalBounds());
    EXPECT_GE(static_cast<float>(textArea.getWidth()), text->getFont().getStringWidthFloat("15"));
    EXPECT_EQ(text->getText(), "15");
}

TEST_F(VaskorContentPanelTest, ButtonsStartTheirActions)
{
    start();

    panel->openButton->triggerClick();
    ASSERT_TRUE(TestSupport::runLoopUntil([this] { return fileRequests.size() == 1; }));
    EXPECT_FALSE(fileRequests[0].forSave);

    panel->saveButton->triggerClick();
    ASSERT_TRUE(TestSupport::runLoopUntil([this] { return fileRequests.size() == 2; }));
    EXPECT_TRUE(fileRequests[1].forSave);

    // SEND is disabled while no output port is chosen: a click does nothing.
    panel->sendButton->triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil(50);
    EXPECT_EQ(fileRequests.size(), 2u);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(panel->working(), defaultBank());
    EXPECT_FALSE(panel->changed);
}

TEST_F(VaskorContentPanelTest, SwitchingProgramsOnlyShowsThem)
{
    start();
    Bytes bank = defaultBank();
    bank[recordOf(2) + ProgramRecord::typeOffset] = 5;
    bank[recordOf(2) + ProgramRecord::settingOffset(0)] = 53;
    bank[recordOf(3) + ProgramRecord::durationOffset] = 57;
    importBank(bank);
    const Bytes before = panel->working();

    choose(panel->programCombo, "Program 2");
    EXPECT_EQ(shown(panel->typeCombo), "Different Settings");
    EXPECT_EQ(shown(panel->baseSettingCombo), "[not applicable]");
    EXPECT_EQ(shown(panel->durationCombo), "[n/a]");
    EXPECT_EQ(shown(panel->stepCombos[0]), "Shallow Detune - ON");
    EXPECT_EQ(shown(panel->stepCombos[1]), "Octave Up - ON");
    choose(panel->programCombo, "Program 3");
    EXPECT_EQ(shown(panel->durationCombo), "1.03");
    EXPECT_EQ(shown(panel->stepCombos[0]), "Unison");

    EXPECT_EQ(panel->working(), before);
    EXPECT_FALSE(panel->changed);
    EXPECT_EQ(title(), baseTitle);

    // After an edit the star stays while programs are switched.
    choose(panel->durationCombo, "0.24");
    choose(panel->programCombo, "Program 1");
    EXPECT_EQ(title(), std::string(baseTitle) + " *");
}

TEST_F(VaskorContentPanelTest, StepCombosAreRefilledOnlyForANewTable)
{
    start();
    // A mark on an item survives as long as the step combos keep their items.
    panel->stepCombos[4]->changeItemText(128, "mark");
    choose(panel->programCombo, "Program 7");
    choose(panel->programCombo, "Program 2");
    EXPECT_EQ(panel->stepCombos[4]->getItemText(12), "mark");

    choose(panel->baseSettingCombo, "5th Up");
    EXPECT_EQ(panel->stepTableKind, 2);
    EXPECT_EQ(panel->stepTableBase, 44);
    EXPECT_EQ(panel->stepCombos[4]->getNumItems(), 8);
    choose(panel->programCombo, "Program 3"); // back to "Octave Up": a new fill
    EXPECT_EQ(panel->stepCombos[4]->getItemText(12), "Octave || +12 half steps");
}

TEST_F(VaskorContentPanelTest, EditsWriteTheirByteOfTheSelectedProgram)
{
    start();
    choose(panel->programCombo, "Program 4");
    const int record = recordOf(4);
    Bytes expected = defaultBank();

    choose(panel->stepCountCombo, "5 Steps");
    expected[record + ProgramRecord::stepCountOffset] = 5;
    choose(panel->durationCombo, "12.99");
    expected[record + ProgramRecord::durationOffset] = 127;
    choose(panel->stepCombos[3], "5th || +7 half steps");
    expected[record + ProgramRecord::intervalOffset(3)] = 74;
    choose(panel->typeCombo, "Step Portamento");
    expected[record + ProgramRecord::typeOffset] = 3;
    choose(panel->channelCombo, "1");
    expected[TemplateImage::baseChannelOffset] = 0;
    choose(panel->outputTypeCombo, "Whammy & Clock");
    expected[TemplateImage::outputTypeOffset] = 5;
    choose(panel->loopPortamentoCombo, "slow Loop Portamento");
    expected[TemplateImage::loopPortamentoOffset] = 45;
    choose(panel->stepPortamentoCombo, "medium Step Portamento");
    expected[TemplateImage::stepPortamentoOffset] = 50;

    EXPECT_EQ(panel->working(), expected);
    EXPECT_TRUE(panel->changed);
}

TEST_F(VaskorContentPanelTest, ABaseSettingChangeZeroesTheIntervalsAndRefillsTheSteps)
{
    start();
    const int record = recordOf(1);
    choose(panel->stepCombos[0], "Octave || +12 half steps");
    choose(panel->stepCombos[7], "3rd || +4 half steps");
    ASSERT_EQ(panel->workingCopy.data()[record + ProgramRecord::intervalOffset(0)], 127);
    ASSERT_EQ(panel->workingCopy.data()[record + ProgramRecord::intervalOffset(7)], 42);

    choose(panel->baseSettingCombo, "Dive Bomb");
    EXPECT_EQ(panel->baseSettings[0], 51);
    for (int k = 0; k < VaskorContentPanel::stepCount; ++k)
    {
        EXPECT_EQ(panel->workingCopy.data()[record + ProgramRecord::intervalOffset(k)], 0) << k;
        EXPECT_EQ(panel->workingCopy.data()[record + ProgramRecord::settingOffset(k)], 43) << k;
        EXPECT_EQ(panel->stepCombos[k]->getNumItems(), 37);
        EXPECT_EQ(shown(panel->stepCombos[k]), "Unison");
    }
    EXPECT_EQ(panel->stepCombos[0]->getItemText(36), "3 Octaves Down || -36 half steps");
    EXPECT_EQ(panel->stepCombos[0]->getItemId(36), 128);

    choose(panel->baseSettingCombo, "flat 3rd Up/3rd Up Harmony");
    EXPECT_EQ(panel->stepCombos[5]->getNumItems(), 2);
    EXPECT_EQ(shown(panel->stepCombos[5]), "Flat 3rd || +3 half steps");

    // The build carries the new base setting in every step of the program.
    Bytes built(TemplateImage::size);
    panel->buildSysex(built.data(), TemplateImage::size);
    EXPECT_EQ(built[record + ProgramRecord::settingOffset(9)], 55);
}

TEST_F(VaskorContentPanelTest, DifferentSettingsAndBackKeepsBothBytesOfEveryStep)
{
    start();
    const int record = recordOf(1);
    choose(panel->stepCombos[2], "4th || +5 half steps");

    choose(panel->typeCombo, "Different Settings");
    EXPECT_EQ(panel->stepTableKind, 1);
    for (auto* step : panel->stepCombos)
    {
        EXPECT_EQ(step->getNumItems(), 42);
        EXPECT_EQ(shown(step), "Octave Up - ON");
    }
    choose(panel->stepCombos[2], "Shallow Detune - ON");
    EXPECT_EQ(panel->workingCopy.data()[record + ProgramRecord::settingOffset(2)], 53);
    EXPECT_EQ(panel->workingCopy.data()[record + ProgramRecord::intervalOffset(2)], 53); // "4th", untouched

    choose(panel->typeCombo, "Loop, No Portamento");
    EXPECT_EQ(shown(panel->baseSettingCombo), "Octave Up");
    EXPECT_EQ(shown(panel->stepCombos[2]), "4th || +5 half steps");
    EXPECT_EQ(shown(panel->stepCombos[3]), "Unison");
    choose(panel->typeCombo, "Different Settings");
    EXPECT_EQ(shown(panel->stepCombos[2]), "Shallow Detune - ON");
    EXPECT_EQ(panel->workingCopy.data()[record + ProgramRecord::typeOffset], 5);

    // A program that came in as "Different Settings" becomes a loop program
    // on "Octave Up" with every step at "Unison".
    Bytes bank = defaultBank();
    bank[recordOf(6) + ProgramRecord::typeOffset] = 5;
    for (int k = 0; k < VaskorContentPanel::stepCount; ++k)
    {
        bank[recordOf(6) + ProgramRecord::intervalOffset(k)] = 90;
        bank[recordOf(6) + ProgramRecord::settingOffset(k)] = 60;
    }
    importBank(bank);
    choose(panel->programCombo, "Program 6");
    EXPECT_EQ(shown(panel->stepCombos[9]), "4th Down/3rd Down Harmony - ON");
    choose(panel->typeCombo, "Loop Portamento");
    EXPECT_EQ(shown(panel->baseSettingCombo), "Octave Up");
    for (auto* step : panel->stepCombos)
        EXPECT_EQ(shown(step), "Unison");
}

TEST_F(VaskorContentPanelTest, EnablingFollowsTheTypeAndTheNumberOfSteps)
{
    start();

    choose(panel->typeCombo, "Step, No Portamento");
    EXPECT_EQ(shown(panel->durationCombo), "[n/a]");
    EXPECT_TRUE(looksDisabled(panel->durationCombo));
    EXPECT_TRUE(looksEnabled(panel->baseSettingCombo));

    choose(panel->typeCombo, "Step Portamento");
    EXPECT_TRUE(looksDisabled(panel->durationCombo));
    EXPECT_TRUE(looksEnabled(panel->baseSettingCombo));

    choose(panel->typeCombo, "Different Settings");
    EXPECT_EQ(shown(panel->baseSettingCombo), "[not applicable]");
    EXPECT_EQ(shown(panel->durationCombo), "[n/a]");
    EXPECT_TRUE(looksDisabled(panel->baseSettingCombo));
    EXPECT_TRUE(looksDisabled(panel->durationCombo));

    choose(panel->typeCombo, "Loop Portamento");
    EXPECT_EQ(shown(panel->durationCombo), "0.50");
    EXPECT_TRUE(looksEnabled(panel->baseSettingCombo));
    EXPECT_TRUE(looksEnabled(panel->durationCombo));

    choose(panel->stepCountCombo, "5 Steps");
    for (int k = 0; k < VaskorContentPanel::stepCount; ++k)
    {
        if (k < 5)
            EXPECT_TRUE(looksEnabled(panel->stepCombos[k])) << k;
        else
            EXPECT_TRUE(looksDisabled(panel->stepCombos[k])) << k;
    }
    EXPECT_TRUE(looksEnabled(panel->typeCombo));
    EXPECT_TRUE(looksEnabled(panel->loopPortamentoCombo));
    EXPECT_TRUE(panel->outputTypeCombo->isEnabled());
    EXPECT_FALSE(panel->sendButton->isEnabled());
}

TEST_F(VaskorContentPanelTest, TheTitleGetsItsStarOnTheFirstEditOnly)
{
    start();
    choose(panel->stepCombos[0], "2nd || +2 half steps");
    EXPECT_EQ(title(), std::string(baseTitle) + " *");

    // Further edits leave the title alone.
    window->setName("untouched");
    choose(panel->stepCombos[1], "2nd || +2 half steps");
    choose(panel->durationCombo, "1.03");
    EXPECT_EQ(window->getName(), "untouched");

    panel->currentFile = "/banks/live.syx";
    panel->updateTitle();
    EXPECT_EQ(title(), std::string(baseTitle) + " - live.syx *");

    // An import clears the flag and the star.
    importBank(defaultBank());
    EXPECT_FALSE(panel->changed);
    EXPECT_EQ(title(), std::string(baseTitle) + " - live.syx");
    panel->currentFile.clear();
    panel->updateTitle();
    EXPECT_EQ(title(), baseTitle);
}

TEST_F(VaskorContentPanelTest, ValuesOutsideATableShowNothingAndKeepTheirByte)
{
    start();
    Bytes bank = defaultBank();
    bank[TemplateImage::loopPortamentoOffset] = 20;
    bank[TemplateImage::baseChannelOffset] = 0;
    bank[recordOf(1) + ProgramRecord::durationOffset] = 16;
    bank[recordOf(2) + ProgramRecord::durationOffset] = 17;
    bank[recordOf(3) + ProgramRecord::durationOffset] = 127;
    bank[recordOf(4) + ProgramRecord::typeOffset] = 5;
    bank[recordOf(4) + ProgramRecord::settingOffset(0)] = 43;
    bank[recordOf(4) + ProgramRecord::settingOffset(1)] = 64;
    bank[recordOf(4) + ProgramRecord::settingOffset(2)] = 53;
    importBank(bank);

    EXPECT_EQ(VaskorContentPanel::getComboValue(panel->loopPortamentoCombo), -1);
    EXPECT_EQ(shown(panel->loopPortamentoCombo), "");
    EXPECT_EQ(shown(panel->channelCombo), "1");
    EXPECT_EQ(VaskorContentPanel::getComboValue(panel->durationCombo), -1);
    choose(panel->programCombo, "Program 2");
    EXPECT_EQ(shown(panel->durationCombo), "0.24");
    choose(panel->programCombo, "Program 3");
    EXPECT_EQ(shown(panel->durationCombo), "12.99");
    choose(panel->programCombo, "Program 4");
    EXPECT_EQ(shown(panel->stepCombos[0]), "Octave Up - ON");
    EXPECT_EQ(shown(panel->stepCombos[1]), "Octave Up - OFF");
    EXPECT_EQ(shown(panel->stepCombos[2]), "Shallow Detune - ON");

    choose(panel->outputTypeCombo, "Whammy & Clock");
    EXPECT_EQ(panel->workingCopy.data()[TemplateImage::loopPortamentoOffset], 20);
    EXPECT_EQ(panel->workingCopy.data()[TemplateImage::outputTypeOffset], 5);
    EXPECT_EQ(panel->workingCopy.data()[recordOf(1) + ProgramRecord::durationOffset], 16);
}

TEST_F(VaskorContentPanelTest, AStepByteMissingFromANewTableShowsTheFirstRowAndKeepsItsValue)
{
    start();
    Bytes bank = defaultBank();
    bank[recordOf(1) + ProgramRecord::intervalOffset(0)] = 11; // in "Octave Up", not in "5th Up"
    for (int k = 0; k < VaskorContentPanel::stepCount; ++k)
        bank[recordOf(2) + ProgramRecord::settingOffset(k)] = 44; // program 2: "5th Up"
    bank[recordOf(2) + ProgramRecord::intervalOffset(0)] = 11;
    importBank(bank);
    EXPECT_EQ(shown(panel->stepCombos[0]), "Flat 2nd || +1 half step");

    choose(panel->programCombo, "Program 2");
    EXPECT_EQ(shown(panel->baseSettingCombo), "5th Up");
    EXPECT_EQ(panel->stepTableBase, 44);
    EXPECT_EQ(shown(panel->stepCombos[0]), "Unison");
    EXPECT_EQ(panel->workingCopy.data()[recordOf(2) + ProgramRecord::intervalOffset(0)], 11);
    EXPECT_FALSE(panel->changed);
}

TEST_F(VaskorContentPanelTest, ARefusedBankChangesNothing)
{
    start();
    choose(panel->durationCombo, "1.03");
    const Bytes before = panel->working();

    const Bytes olderModel(546, 0);
    EXPECT_THROW(importBank(olderModel), Tr::Exception);
    try
    {
        importBank(Bytes(690, 0));
    }
    catch (const Tr::Exception& e)
    {
        EXPECT_STREQ(e.what(), "Not a valid template file: MIDI markers missing");
    }
    EXPECT_EQ(panel->working(), before);
    EXPECT_TRUE(panel->changed);
    EXPECT_EQ(shown(panel->durationCombo), "1.03");
    EXPECT_EQ(VaskorContentPanel::checkTemplate(olderModel.data(), 546),
              Tr::TString("seems to be a Vaskor MIDI 2 template"));
}

TEST_F(VaskorContentPanelTest, AnUnusableLastFileIsDroppedWithoutAMessageForTheBuiltInBank)
{
    const std::string lastFile = home.documentsDir() + "/broken.syx";
    {
        juce::FileOutputStream out(juce::File(lastFile.c_str()));
        ASSERT_TRUE(out.openedOk());
        out.write("not a bank", 10);
    }
    start(false);
    panel->currentFile = juce::String::fromUTF8(lastFile.c_str());
    ASSERT_TRUE(TestSupport::runLoopUntil([this] { return panel->afterStartRan; }, 5000));

    EXPECT_TRUE(panel->currentFile.isEmpty());
    EXPECT_EQ(panel->working(), defaultBank());
    EXPECT_EQ(shown(panel->programCombo), "Program 1");
    EXPECT_FALSE(panel->changed);
    EXPECT_EQ(title(), baseTitle);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(VaskorContentPanelTest, DocumentsFolderDefaultsToAFolderInTheUsersDocuments)
{
    start(false);
    EXPECT_EQ(std::string(panel->documentsDir.c_str()), home.documentsDir() + "/Vaskor MIDI 5");
}

TEST_F(VaskorContentPanelTest, DraggingALabelMovesTheWindow)
{
    start();
    juce::Label* label = nullptr;
    for (int i = 0; i < panel->controls.count() && label == nullptr; ++i)
        label = dynamic_cast<juce::Label*>(panel->controls[i]);
    ASSERT_NE(label, nullptr);

    // The pointer as the window system reports it to the window: a left
    // press on the label, two drag steps and the release, in screen pixels.
    auto* peer = window->getPeer();
    ASSERT_NE(peer, nullptr);
    const auto from = label->getScreenBounds().getCentre().toFloat();
    const auto windowBefore = window->getPosition();
    juce::int64 time = juce::Time::currentTimeMillis();
    auto send = [&](juce::Point<float> screen, juce::ModifierKeys mods) {
        peer->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, peer->globalToLocal(screen), mods,
                               juce::MouseInputSource::defaultPressure, 0.0f, ++time);
    };
    const juce::ModifierKeys left(juce::ModifierKeys::leftButtonModifier);
    send(from, {});
    send(from, left);
    send(from + juce::Point<float>(40, 25), left);
    send(from + juce::Point<float>(60, 30), left);
    EXPECT_EQ(window->getPosition(), windowBefore + juce::Point<int>(60, 30));
    send(from + juce::Point<float>(60, 30), {});
    send(from + juce::Point<float>(90, 90), {});
    EXPECT_EQ(window->getPosition(), windowBefore + juce::Point<int>(60, 30));

    EXPECT_EQ(panel->working(), defaultBank());
}

TEST_F(VaskorContentPanelTest, PaintsTheBackgroundWithTheControlsOnTopAndSavesAScreenshot)
{
    start();
    const juce::Image shot = panel->createComponentSnapshot(panel->getLocalBounds());
    ASSERT_EQ(shot.getWidth(), 503);
    ASSERT_EQ(shot.getHeight(), 603);
    const juce::Image background =
        juce::ImageFileFormat::loadFrom(juce::File(VASKOR_SOURCE_DIR).getChildFile("resources/background.png"));
    ASSERT_TRUE(background.isValid());
    // Beside the step rows and between the panels no control covers the background.
    for (const auto& p : {juce::Point<int>(480, 300), juce::Point<int>(250, 91)})
        EXPECT_EQ(shot.getPixelAt(p.x, p.y).getARGB(), background.getPixelAt(p.x, p.y).getARGB()) << p.x << "," << p.y;
    // Every step combo and the program combo stand on it, enabled, beside their text.
    for (int step = 0; step < 16; ++step)
        EXPECT_EQ(shot.getPixelAt(400, 219 + 19 * step).getARGB(), enabledGrey.getARGB()) << "step " << step + 1;
    EXPECT_EQ(shot.getPixelAt(100, 116).getARGB(), enabledGrey.getARGB());

    // For a person to look at.
    const juce::File folder = juce::File(VASKOR_BINARY_DIR).getChildFile("artifacts");
    folder.createDirectory();
    const juce::File file = folder.getChildFile("main-panel-default-bank.png");
    file.deleteFile();
    juce::FileOutputStream out(file);
    juce::PNGImageFormat png;
    EXPECT_TRUE(out.openedOk() && png.writeImageToStream(shot, out));
}
