#include "VaskorApplication.h"

#include "VaskorWindow.h"

VaskorApplication::VaskorApplication() = default;

VaskorApplication::~VaskorApplication() = default;

void VaskorApplication::initialise(const juce::String& commandLine)
{
    window = std::make_unique<VaskorWindow>("Vaskor MIDI 5");
    window->initialise(commandLine, false, false);
}

void VaskorApplication::shutdown()
{
    // Also called without initialise when another instance already runs.
    window.reset();
}

const juce::String VaskorApplication::getApplicationName()
{
    return "Vaskor MIDI 5";
}

const juce::String VaskorApplication::getApplicationVersion()
{
    return "2.0";
}

bool VaskorApplication::moreThanOneInstanceAllowed()
{
    return false;
}

void VaskorApplication::anotherInstanceStarted(const juce::String& /*commandLine*/)
{
}

juce::JUCEApplicationBase* createApplication()
{
    return new VaskorApplication();
}
