// The file side of the main panel: opening, saving and dropping banks, and
// the question about unsaved changes that comes before the bank is replaced
// or the program ends.
#include "VaskorContentPanel.h"

#include "BankFile.h"
#include "Exception.h"
#include "FileSystem.h"
#include "JuceUtils.h"

#include <memory>

namespace
{
const char* const openTitle = "Open a Vaskor MIDI 5 File";
const char* const openPrompt = "Choose a file:";
const char* const saveTitle = "Save a Vaskor MIDI 5 File";
const char* const savePrompt = "Select a file to overwrite, or type in a new file name:";
const char* const filePattern = "*.syx";
const char* const fileTypeLabel = "Vaskor Settings File";

const char* const loadingFailed = "error loading: %s";
const char* const loadFileFailed = "Error loading file '%s':\n%s";
const char* const saveFileFailed = "Error saving file '%s':\n%s";
const char* const folderDropped = "Error: cannot load a folder.";
const char* const nameTooLong = "This file name is too long. Please enter a shorter file name.";
const char* const replaceQuestion = "The file '%s' already exists.\nDo you want to replace it?";
const char* const unsavedChanges = "You have made changes to the settings.\nDo you want to save them?";

/** Gives a buffer of Tr::loadFile back when it goes out of scope. */
using FileBuffer = std::unique_ptr<char, void (*)(void*)>;

/** Loads path into the panel and shows why when that fails. */
void loadShowingErrors(VaskorContentPanel& panel, const juce::String& path)
{
    try
    {
        panel.loadFile(path);
    }
    catch (const Tr::Exception& e)
    {
        showErrorBox(toJuceString(VaskorContentPanel::formatText(loadFileFailed, toTrString(path), e.what())));
    }
}

/** Asks before a file that the user did not choose by that name is replaced;
    true for Yes. */
bool confirmReplace(const juce::String& path)
{
    return showConfirmBox(toJuceString(VaskorContentPanel::formatText(replaceQuestion, toTrString(path))), nullptr);
}
} // namespace

void VaskorContentPanel::loadFile(const juce::String& path)
{
    int32_t size = 0;
    Tr::TString error;
    bool largerThanABank = false;
    // A file larger than a bank is judged by its size alone: nothing of it is
    // read, however large it is.
    FileBuffer buffer(Tr::loadFile(toTrString(path), &size, &error, TemplateImage::size, &largerThanABank),
                      Tr::freeFileBuffer);
    if (largerThanABank)
        size = TemplateImage::size + 1; // more than a bank: the check refuses it by its size
    else if (buffer == nullptr)
    {
        updateTitle();
        throw Tr::Exception(formatText(loadingFailed, error));
    }

    try
    {
        loadTemplate(reinterpret_cast<const unsigned char*>(buffer.get()), size);
    }
    catch (const Tr::Exception&)
    {
        updateTitle();
        throw;
    }
    currentFile = path;
    updateTitle();
}

void VaskorContentPanel::saveToFile(const juce::String& path)
{
    unsigned char bytes[TemplateImage::size];
    buildSysex(bytes, TemplateImage::size);
    // The old file is replaced only once the new bytes are safely on the disk,
    // so a failed write never costs the user the bank that was there.
    BankFile::write(path, bytes, TemplateImage::size);

    clearChanged(true);
    currentFile = path;
    updateTitle();
}

bool VaskorContentPanel::saveWithDialog()
{
    Tr::TString startPath = toTrString(currentFile);
    if (startPath.isEmpty())
    {
        if (!Tr::directoryExists(documentsDir))
            Tr::createDirectories(documentsDir);
        startPath = documentsDir;
    }

    for (;;)
    {
        const Tr::TString chosen =
            Tr::browseForFile(saveTitle, savePrompt, filePattern, fileTypeLabel, startPath, true);
        if (chosen.isEmpty())
            return false;

        const juce::String typed = toJuceString(chosen);
        const juce::String path = BankFile::withExtension(typed);
        startPath = toTrString(path);
        if (BankFile::isPathTooLong(path))
        {
            showErrorBox(nameTooLong);
            continue;
        }
        // The dialog asked about the name as typed; a file under the name with
        // the extension added has not been asked about yet.
        if (path != typed && Tr::fileExists(startPath) && !confirmReplace(path))
            continue;

        try
        {
            saveToFile(path);
            return true;
        }
        catch (const Tr::Exception& e)
        {
            showErrorBox(toJuceString(formatText(saveFileFailed, startPath, e.what())));
            return false;
        }
    }
}

void VaskorContentPanel::saveAs()
{
    saveWithDialog();
}

void VaskorContentPanel::openFile()
{
    if (!askToSaveChanges())
        return;

    Tr::TString startPath = toTrString(currentFile);
    if (startPath.isEmpty())
        startPath = Tr::directoryExists(documentsDir) ? documentsDir : Tr::getDocumentsFolder();

    const Tr::TString chosen = Tr::browseForFile(openTitle, openPrompt, filePattern, fileTypeLabel, startPath, false);
    if (chosen.isEmpty() || !Tr::fileExists(chosen))
        return;
    loadShowingErrors(*this, toJuceString(chosen));
}

bool VaskorContentPanel::askToSaveChanges()
{
    if (!changed)
        return true;

    int cancelled = 0;
    if (showConfirmBox(unsavedChanges, &cancelled))
        return saveWithDialog(); // go on only when the edits are safe in a file
    return cancelled == 0;
}

bool VaskorContentPanel::canClose()
{
    return askToSaveChanges();
}

bool VaskorContentPanel::isInterestedInFileDrag(const juce::StringArray& /*files*/)
{
    return true;
}

void VaskorContentPanel::filesDropped(const juce::StringArray& files, int /*x*/, int /*y*/)
{
    if (files.isEmpty())
        return;

    const juce::String path = files[0];
    if (Tr::directoryExists(toTrString(path)))
    {
        showErrorBox(folderDropped);
        return;
    }
    if (!askToSaveChanges())
        return;
    loadShowingErrors(*this, path);
}
