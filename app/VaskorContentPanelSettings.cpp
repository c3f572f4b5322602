// The main panel's preferences: where the file lies, what is read while the
// window is set up and written when it is destroyed.
#include "VaskorContentPanel.h"

#include "FileSystem.h"
#include "JuceUtils.h"
#include "MidiManager.h"
#include "TIniFile.h"
#include "TMidiAliasManager.h"
#include "TextFunctions.h"
#include "WindowPosition.h"

namespace
{
const char* const settingsExtension = ".kqxs";
const char* const documentsFolderName = "Vaskor MIDI 5";
// The program's own section, which also holds the window's place.
using WindowPosition::section;
const char* const fileKey = "File";
const char* const documentsDirKey = "DocumentsDir";

Tr::TString inFolder(const Tr::TString& folder, const Tr::TString& name)
{
    return folder + Tr::TString(&Tr::kPathSeparator, 1) + name;
}
} // namespace

Tr::TString VaskorContentPanel::settingsPathFor(const Tr::TString& programPath, const Tr::TString& settingsFolder)
{
    const Tr::TString besideProgram = programPath.changeExtension(settingsExtension);
    if (Tr::fileExists(besideProgram))
        return besideProgram;
    return inFolder(settingsFolder, besideProgram.extractFileName());
}

void VaskorContentPanel::initSettingsPaths()
{
    const juce::File program = juce::File::getSpecialLocation(juce::File::currentApplicationFile);
    settingsPath = settingsPathFor(toTrString(program.getFullPathName()), getSettingsFolder());
    documentsDir = inFolder(Tr::getDocumentsFolder(), documentsFolderName);
}

void VaskorContentPanel::readSettings()
{
    Tr::TIniFile ini(settingsPath);
    ini.load();
    restoreWindowPosition(this, ini, getBackgroundWidth(), getBackgroundHeight());
    currentFile = toJuceString(ini.readString(section, fileKey, Tr::TString()));
    documentsDir = ini.readString(section, documentsDirKey, documentsDir);
    Tr::MidiManager::getInstance()->loadState(ini);
    Tr::TMidiAliasManager::getInstance()->loadState(ini);
}

void VaskorContentPanel::writeSettings()
{
    Tr::TIniFile ini(settingsPath);
    // A file that is there but cannot be read would be replaced by one that
    // holds only what this program writes: it is left as it is instead.
    if (!ini.load() && Tr::fileExists(settingsPath))
        return;
    saveWindowPosition(this, ini);
    ini.writeString(section, fileKey, toTrString(currentFile));
    ini.writeString(section, documentsDirKey, documentsDir);
    Tr::MidiManager::getInstance()->saveState(ini);
    Tr::TMidiAliasManager::getInstance()->saveState(ini);
    ini.save();
}
