// The MIDI manager over a real MIDI backend, as the program runs it: started
// the way the program starts it, and its output records looked up by name.
#pragma once

#include "MidiManager.h"
#include "MidiManagerDev.h"

#include <string>

namespace TestSupport
{
/** The manager as the program starts it: the driver attaches itself when
    the manager is made, then a first rescan, then the manager resumes. */
inline Tr::MidiManager* startManagerAsTheProgramDoes()
{
    Tr::MidiManager* manager = Tr::MidiManager::getInstance();
    manager->rescan(false, true);
    manager->setSuspended(false);
    return manager;
}

/** The output record listed under name, or null. */
inline Tr::MidiManagerDev* outputNamed(Tr::MidiManager* manager, const std::string& name)
{
    const int index = manager->findDeviceByName(name.c_str(), false);
    return index < 0 ? nullptr : manager->getDevice(index, false);
}

/** Whether the manager lists the output as present. */
inline bool isOutputListed(Tr::MidiManager* manager, const std::string& name)
{
    Tr::MidiManagerDev* device = outputNamed(manager, name);
    return device != nullptr && device->isPresent();
}
} // namespace TestSupport
