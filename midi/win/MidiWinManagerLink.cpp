#include "MidiWinManagerLink.h"

#include "MidiManager.h"
#include "MidiWinFactory.h"

namespace Tr {

void attachMidiWinFactory()
{
    MidiManager::getInstance()->addFactory(MidiWinFactory::getInstance(), false);
}

void detachFromMidiManager(MidiDeviceFactory* factory)
{
    if (MidiManager::exists())
        MidiManager::getInstance()->removeFactory(factory, false);
}

} // namespace Tr
