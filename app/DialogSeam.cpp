#include "DialogSeam.h"

namespace
{
void showRealMessageBox(juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text)
{
    juce::AlertWindow::showMessageBox(icon, title, text, {}, nullptr);
}

int showRealYesNoCancelBox(juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text)
{
    return juce::AlertWindow::showYesNoCancelBox(icon, title, text, {}, {}, {}, nullptr, nullptr);
}

bool runRealFileChooser(const DialogSeam::FileRequest& request, juce::File& chosen)
{
    juce::FileChooser chooser(request.title, request.initialFileOrFolder, request.filePatterns, true);
    const bool ok = request.forSave ? chooser.browseForFileToSave(request.warnAboutOverwriting)
                                    : chooser.browseForFileToOpen(nullptr);
    if (ok)
        chosen = chooser.getResult();
    return ok;
}

// The answerers in use; the real boxes and dialogs unless a test replaced them.
DialogSeam::MessageBoxAnswerer& messageBoxAnswerer()
{
    static DialogSeam::MessageBoxAnswerer answerer = showRealMessageBox;
    return answerer;
}

DialogSeam::YesNoCancelAnswerer& yesNoCancelAnswerer()
{
    static DialogSeam::YesNoCancelAnswerer answerer = showRealYesNoCancelBox;
    return answerer;
}

DialogSeam::FileChooserAnswerer& fileChooserAnswerer()
{
    static DialogSeam::FileChooserAnswerer answerer = runRealFileChooser;
    return answerer;
}
} // namespace

void DialogSeam::showMessageBox(juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text)
{
    // A copy, so that an answerer that replaces the answerers cannot pull the
    // running function from under itself.
    auto answerer = messageBoxAnswerer();
    answerer(icon, title, text);
}

int DialogSeam::showYesNoCancelBox(juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text)
{
    auto answerer = yesNoCancelAnswerer();
    return answerer(icon, title, text);
}

bool DialogSeam::browseForFile(const FileRequest& request, juce::File& chosen)
{
    auto answerer = fileChooserAnswerer();
    return answerer(request, chosen);
}

DialogSeam::ScopedOverride::ScopedOverride(MessageBoxAnswerer messageBox, YesNoCancelAnswerer yesNoCancel,
                                           FileChooserAnswerer fileChooser)
    : previousMessageBox(messageBoxAnswerer()),
      previousYesNoCancel(yesNoCancelAnswerer()),
      previousFileChooser(fileChooserAnswerer())
{
    if (messageBox)
        messageBoxAnswerer() = std::move(messageBox);
    if (yesNoCancel)
        yesNoCancelAnswerer() = std::move(yesNoCancel);
    if (fileChooser)
        fileChooserAnswerer() = std::move(fileChooser);
}

DialogSeam::ScopedOverride::~ScopedOverride()
{
    messageBoxAnswerer() = std::move(previousMessageBox);
    yesNoCancelAnswerer() = std::move(previousYesNoCancel);
    fileChooserAnswerer() = std::move(previousFileChooser);
}
