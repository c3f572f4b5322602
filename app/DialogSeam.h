// The one place where the application's message boxes and file dialogs are shown.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/**
    Shows the application's modal message boxes and native file dialogs.
    Every box ("Error", "Confirm", "Fatal Error") and every file dialog of the
    program goes through here. The program always uses the real toolkit boxes
    and dialogs; tests replace them with scripted answerers (ScopedOverride),
    so that open, save, confirm and error paths run without a person.
*/
class DialogSeam
{
public:
    /** What a file dialog is asked to show. */
    struct FileRequest
    {
        juce::String title;
        juce::File initialFileOrFolder;
        juce::String filePatterns;
        bool forSave = false;
        /** A save dialog asks itself before an existing file is chosen. */
        bool warnAboutOverwriting = false;
    };

    /** Shows a message box with one button; returns when it is closed. */
    using MessageBoxAnswerer =
        std::function<void(juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text)>;
    /** Asks a Yes/No/Cancel question: 1 Yes, 2 No, 0 Cancel (or escape). */
    using YesNoCancelAnswerer =
        std::function<int(juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text)>;
    /** Runs a file dialog; true with the chosen file, false when cancelled. */
    using FileChooserAnswerer = std::function<bool(const FileRequest& request, juce::File& chosen)>;

    static void showMessageBox(juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text);
    static int showYesNoCancelBox(juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text);
    static bool browseForFile(const FileRequest& request, juce::File& chosen);

    /**
        Replaces the answerers for its lifetime (an empty function keeps the
        current one) and puts back the previous ones when destroyed. For tests.
    */
    class ScopedOverride
    {
    public:
        ScopedOverride(MessageBoxAnswerer messageBox, YesNoCancelAnswerer yesNoCancel,
                       FileChooserAnswerer fileChooser = {});
        ~ScopedOverride();

    private:
        MessageBoxAnswerer previousMessageBox;
        YesNoCancelAnswerer previousYesNoCancel;
        FileChooserAnswerer previousFileChooser;

        JUCE_DECLARE_NON_COPYABLE(ScopedOverride)
    };

private:
    DialogSeam() = delete;
};
