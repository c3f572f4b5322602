// Naming rules and the safe write of template files.
#include "BankFile.h"

#include "Exception.h"
#include "JuceUtils.h"
#include "TextFunctions.h"
#include "files/PlatformAtomicFile.h"

juce::String BankFile::withExtension(const juce::String& path)
{
    if (Tr::endsWith(toTrString(path), Tr::TString(extension), true))
        return path;
    return path + extension;
}

bool BankFile::isPathTooLong(const juce::String& path)
{
    return toTrString(path).length() > maxPathLength;
}

void BankFile::write(const juce::String& path, const unsigned char* data, int size)
{
    const Tr::TString nativePath = toTrString(path);
    if (size < 0 || nativePath.isEmpty()
        || !PlatformAtomicFile::replaceContents(nativePath.c_str(), data, static_cast<size_t>(size)))
        throw Tr::Exception("file write error");
}
