#include "MidiWinFactory.h"

#include "MidiDeviceDescriptorWin.h"
#include "MidiWinManagerLink.h"
#include "TMidiInputWin.h"
#include "TMidiOutputWin.h"

#include "midi/PlatformMidi.h"

namespace Tr {

SingletonSlot<MidiWinFactory> MidiWinFactory::s_slot;

MidiWinFactory* MidiWinFactory::getInstance()
{
    return s_slot.getInstance("Cannot re-instanciate MidiWinFactory!");
}

MidiWinFactory::MidiWinFactory()
{
    s_slot.attach(this);
}

MidiWinFactory::~MidiWinFactory()
{
    s_slot.detach();
    detachFromMidiManager(this);
}

int MidiWinFactory::mapperOffsetOf(const MidiDeviceDescriptor* d)
{
    if (d == nullptr)
        return 0;
    const auto* factory = dynamic_cast<const MidiWinFactory*>(d->getFactory());
    return factory != nullptr && factory->listsMapper() ? 1 : 0;
}

int MidiWinFactory::getDeviceCount(bool isInput)
{
    if (isInput)
        return static_cast<int>(midiInGetNumDevs());
    const int outputs = static_cast<int>(midiOutGetNumDevs());
    return listsMapper() && outputs >= 1 ? outputs + 1 : outputs;
}

void MidiWinFactory::enumerate(bool isInput, MidiDeviceDescriptorList& list)
{
    const int n = getDeviceCount(isInput);
    resizeList(isInput, n, false);
    for (int i = 0; i < n; ++i)
    {
        if (auto* d = dynamic_cast<MidiDeviceDescriptorWin*>(list.get(i)))
            d->refresh();
        else if (i < list.count())
            list.set(i, new MidiDeviceDescriptorWin(isInput, i));
        else
            list.add(new MidiDeviceDescriptorWin(isInput, i));
    }
}

TString MidiWinFactory::getKindName(bool isInput) const
{
    return isInput ? TString("MIDI Input") : TString("MIDI Output");
}

TMidiDeviceBase* MidiWinFactory::createPort(const MidiDeviceDescriptor* descriptor)
{
    if (descriptor == nullptr)
        return nullptr;
    // Each port keeps a clone of the descriptor.
    if (descriptor->isInput())
        return new TMidiInputWin(descriptor);
    return new TMidiOutputWin(descriptor);
}

} // namespace Tr
