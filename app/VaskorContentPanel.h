// The main panel: the editor of the 19-program bank.
#pragma once

#include "BContentBase.h"
#include "BList.h"
#include "ComboBoxMidiListener.h"
#include "TString.h"
#include "TTimer.h"
#include "TemplateBank.h"
#include "ValueTables.h"

#include <juce_gui_basics/juce_gui_basics.h>

class ComboBoxMidi;

/**
    The content of the main window and the editor of the bank. It owns the
    bank being edited (the working copy, a TemplateImage, plus one base
    setting per program), every control of the window, the current file name,
    the documents folder and the path of the preferences file.

    The working copy is the model and the controls only show it: every user
    selection in a combo box writes one value into the working copy, marks the
    bank as changed and brings the enabled states of the controls up to date;
    selecting another program only shows that program. Combo boxes carry
    values as item ids: id = value + 1, and a combo that shows nothing has the
    value -1. The panel's own selections never notify, so showing a value
    never writes one.
*/
class VaskorContentPanel : public BContentBase,
                           public juce::Button::Listener,
                           public juce::ComboBox::Listener,
                           public juce::FileDragAndDropTarget,
                           public ComboBoxMidiListener,
                           public Tr::TTimerListener
{
public:
    static constexpr int stepCount = ProgramRecord::stepPairs;

    /** A new main panel; the window that asks for it owns it. */
    static VaskorContentPanel* create();
    ~VaskorContentPanel() override;

    // Hooks driven by the main window.
    void createContent() override;
    bool loadSettings(const juce::String& commandLine) override;
    void afterStart(bool started) override;
    bool canClose() override;
    void saveSettings() override;
    void updateControlStates() override;

    // Listener operations.
    void buttonClicked(juce::Button* button) override;
    void comboBoxChanged(juce::ComboBox* combo) override;
    bool isInterestedInFileDrag(const juce::StringArray& files) override;
    void filesDropped(const juce::StringArray& files, int x, int y) override;
    void comboBoxMidiChanged(ComboBoxMidi* chooser) override;
    void onTimer() override;

    // The bank.

    /** The record offset of program 1 ... 19; a negative program means the
        one the program selector shows. -1 for no program. */
    int programOffset(int program) const;
    /** Why a block is not a template, or empty when it is one. */
    static Tr::TString checkTemplate(const unsigned char* data, int size);
    /** Checks and imports a block and shows it; throws Tr::Exception with
        nothing changed when the block is refused. */
    void loadTemplate(const unsigned char* data, int size);
    /** Writes the block that represents the working copy (690 bytes). */
    void buildSysex(unsigned char* destination, int size) const;

    // Combo values.

    /** Selected id - 1; -1 for a null combo or no selection. */
    static int getComboValue(juce::ComboBox* combo);
    /** Selects id value + 1; selects nothing and returns false when the combo
        has no such item. */
    static bool setComboValue(juce::ComboBox* combo, int value, bool dontNotify);
    /** Refills combo from a table and selects value, else (keepPrevious) the
        value it showed before, else (selectFirst) the first item. */
    static void fillCombo(juce::ComboBox* combo, const ComboTableEntry* entries, int count, bool keepPrevious,
                          bool selectFirst, int value, bool dontNotify);

    // Writes into the working copy; program -1 means the selected one.
    void setProgramByte(int offsetInRecord, int value);
    void clearIntervals(int program);
    void setBaseSetting(int value, int program);
    void setStepValue(int k, int value, int program);
    void storeGlobalSettings();

    // Showing the working copy (never writes it, never notifies).
    void showProgram();
    void showBaseSetting(int program);
    void showDuration();
    void showSteps();
    void showGlobalSettings();

    // Control state and change tracking.
    static void setControlEnabled(juce::ComboBox* combo, bool enabled);
    void setChanged(bool alsoUpdateControls);
    void clearChanged(bool alsoUpdateControls);
    void updateTitle();

    /** A stopped timer for the send wait, owned by the caller. */
    Tr::TTimer* createSendTimer(Tr::TTimerListener* listener);

    static Tr::TString formatText(const char* format, const Tr::TString& text);
    static Tr::TString formatText(const char* format, const Tr::TString& text1, const Tr::TString& text2);

    // Control makers; every control made is owned by the panel.
    juce::TextButton* addButton(const juce::String& text, int x, int y, int width, int height,
                                const juce::String& tooltip);
    juce::Label* addLabel(int x, int y, int width, int height, const juce::String& text, bool small,
                          const juce::Justification& justification);
    juce::ComboBox* addCombo(int x, int y, int width, int height, const ComboTableEntry* entries, int count,
                             const juce::String& tooltip);
    static void styleCombo(juce::ComboBox* combo);

    // Opening, saving and sending banks, and the preferences.
    void loadFile(const juce::String& path);
    void openFile();
    void saveAs();
    bool askToSaveChanges();
    void sendToDevice();

protected:
    VaskorContentPanel();

    juce::HyperlinkButton* hyperlink = nullptr;
    juce::TextButton* openButton = nullptr;
    juce::TextButton* saveButton = nullptr;
    juce::TextButton* sendButton = nullptr;
    juce::ComboBox* programCombo = nullptr;
    juce::ComboBox* typeCombo = nullptr;
    juce::ComboBox* stepCountCombo = nullptr;
    juce::ComboBox* baseSettingCombo = nullptr;
    juce::ComboBox* durationCombo = nullptr;
    juce::ComboBox* stepCombos[stepCount] = {};
    juce::ComboBox* channelCombo = nullptr;
    juce::ComboBox* outputTypeCombo = nullptr;
    juce::ComboBox* loopPortamentoCombo = nullptr;
    juce::ComboBox* stepPortamentoCombo = nullptr;
    /** Owns every control the panel made. */
    Tr::BList<juce::Component*> controls;
    ComboBoxMidi* midiOutChooser = nullptr;
    bool changed = false;
    /** What the step combos hold: 0 nothing yet, 1 the per-step settings,
        2 an interval table. */
    int32_t stepTableKind = 0;
    /** The base setting for which the step combos were last filled. */
    int32_t stepTableBase = -1;
    TemplateImage workingCopy {};
    BaseSettings baseSettings {};
    Tr::TString settingsPath;
    Tr::TString documentsDir;
    juce::String currentFile;
    bool sending = false;
    Tr::TTimer* sendTimer = nullptr;

private:
    /** The look of the panel's controls: combo boxes with a button beside the
        text and glass buttons, in the colours the controls are given. This
        look draws the combo's arrow on a button of the button colour, where the
        arrow colour shows, and leaves a 46-pixel combo room for two digits
        ("15"); the newer looks draw the arrow straight on the background,
        which has the arrow's grey, and take 30 pixels for it. */
    juce::LookAndFeel_V2 controlLook;
    /** Shows the tooltips of the panel's buttons and combo boxes. */
    juce::TooltipWindow tooltips {this};

    static constexpr const char* programName = "Vaskor MIDI 5";
    static constexpr const char* programVersion = "2.0";

    /** The program's record offset of the selected program, -1 for none. */
    int selectedOffset() const { return programOffset(-1); }
    /** The index of the step combo, -1 when combo is none of them. */
    int stepIndexOf(const juce::ComboBox* combo) const;
    /** The table the step combos get for kind 2 (an interval table). */
    ComboTableRef intervalTableShown();
    /** Deletes the send wait's timer, if there is one, and forgets it. */
    void deleteSendTimer();

    // The MIDI library's part: the manager at construction, the first rescan
    // after start-up, the output chooser of the first row of controls.
    void attachMidiManager();
    void startMidiManager();
    void createMidiOutChooser();
    /** The selected item index of the output chooser; -1 without one. */
    int midiOutChooserIndex() const;

    // --- Files (VaskorContentPanelFiles.cpp) ---
public:
    /** Writes the bank built from the working copy to path, replacing the
        file in one step; throws Tr::Exception "file write error" with the old
        file kept when that fails. */
    void saveToFile(const juce::String& path);

private:
    /** The save dialog and the save; true only when the bank reached a file. */
    bool saveWithDialog();
    // --- end of files ---

    // --- Preferences (VaskorContentPanelSettings.cpp) ---
public:
    /** The preferences file of the program at programPath: the program's
        path with the extension ".kqxs" when that file exists, else the file
        of that name in settingsFolder, whether it exists or not. */
    static Tr::TString settingsPathFor(const Tr::TString& programPath, const Tr::TString& settingsFolder);

    /** Reads the preferences: the window's position, the last file, the
        documents folder and the MIDI library's choices. */
    void readSettings();
    /** Writes them back into the file, keeping what else it holds. */
    void writeSettings();

private:
    /** settingsPath for this program, and the default documentsDir. */
    void initSettingsPaths();
    // --- end of preferences ---

    JUCE_DECLARE_NON_COPYABLE(VaskorContentPanel)
};
