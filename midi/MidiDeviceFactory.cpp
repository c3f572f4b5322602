#include "MidiDeviceFactory.h"

#include "Millis.h"
#include "TextFunctions.h"

namespace Tr {

MidiDeviceFactory::MidiDeviceFactory()
{
    registerObject(this);
}

MidiDeviceFactory::~MidiDeviceFactory()
{
    BAutoLock hold(&m_lock);
    m_outputs.deleteAll();
    m_inputs.deleteAll();
}

int MidiDeviceFactory::getDeviceCount(bool isInput)
{
    refresh();
    BAutoLock hold(&m_lock);
    return listOf(isInput).count();
}

void MidiDeviceFactory::getDisplayNames(bool isInput, TStringList& out)
{
    collectNames(isInput, out, &MidiDeviceDescriptor::getDisplayName, false);
}

void MidiDeviceFactory::getDescriptors(bool isInput, MidiDeviceDescriptorList& out)
{
    refresh();
    BAutoLock hold(&m_lock);
    const MidiDeviceDescriptorList& list = listOf(isInput);
    const int count = list.count();
    for (int i = 0; i < count; ++i)
    {
        const MidiDeviceDescriptor* d = list.get(i);
        MidiDeviceDescriptor* copy = d != nullptr ? d->clone() : nullptr;
        if (i < out.count())
        {
            delete out[i];
            out.set(i, copy);
        }
        else
        {
            out.add(copy);
        }
    }
    while (out.count() > count)
        out.deleteAt(out.count() - 1);
}

void MidiDeviceFactory::getExtraNames(bool isInput, TStringList& out)
{
    collectNames(isInput, out, &MidiDeviceDescriptor::getExtraName, true);
}

void MidiDeviceFactory::collectNames(bool isInput, TStringList& out, TString (MidiDeviceDescriptor::*nameOf)() const,
                                     bool skipEmpty)
{
    refresh();
    BAutoLock hold(&m_lock);
    out.clear();
    const MidiDeviceDescriptorList& list = listOf(isInput);
    for (int i = 0; i < list.count(); ++i)
    {
        const MidiDeviceDescriptor* d = list.get(i);
        if (d == nullptr)
            continue;
        const TString name = (d->*nameOf)();
        if (!skipEmpty || !name.isEmpty())
            out.add(name, d->getIndex());
    }
}

TMidiDeviceBase* MidiDeviceFactory::createOutput(const MidiDeviceDescriptor* descriptor)
{
    if (descriptor == nullptr || descriptor->isInput())
        return nullptr;
    return createPort(descriptor);
}

TMidiDeviceBase* MidiDeviceFactory::createInput(const MidiDeviceDescriptor* descriptor)
{
    if (descriptor == nullptr || !descriptor->isInput())
        return nullptr;
    return createPort(descriptor);
}

void MidiDeviceFactory::resizeList(bool isInput, int n, bool fill)
{
    BAutoLock hold(&m_lock);
    MidiDeviceDescriptorList& list = listOf(isInput);
    while (list.count() > n && list.count() > 0)
        list.deleteAt(list.count() - 1);
    if (fill)
        while (list.count() < n)
            list.add(nullptr);
}

uint32_t MidiDeviceFactory::currentMillis() const
{
    return getMillis();
}

void MidiDeviceFactory::refresh()
{
    const uint32_t now = currentMillis();
    const uint32_t previous = m_lastRefresh.exchange(now);
    // The difference is taken modulo 2^32, so the clock's wrap does not count
    // as a long pause; a clock that went back does.
    const auto elapsed = static_cast<int32_t>(now - previous);
    if (previous != 0 && elapsed >= 0 && elapsed < kRefreshInterval)
        return;

    BAutoLock hold(&m_lock);
    MidiDeviceDescriptorList toRename;
    for (const bool isInput : {false, true})
    {
        MidiDeviceDescriptorList& list = listOf(isInput);
        enumerate(isInput, list);
        numberDuplicates(list, toRename);
    }
    // Ports of one name at one location cannot be told apart by a number in
    // brackets: they get distinct names instead.
    for (int i = 0; i < toRename.count(); ++i)
    {
        MidiDeviceDescriptor* d = toRename[i];
        d->setName(formatStrInt("%s %d", d->getName(), d->getDuplicateNumber()));
        d->setDuplicateNumber(0);
    }
    giveOutputsTheirInputNumbers();
}

void MidiDeviceFactory::numberDuplicates(MidiDeviceDescriptorList& list, MidiDeviceDescriptorList& toRename)
{
    for (int i = 0; i < list.count(); ++i)
    {
        MidiDeviceDescriptor* d = list[i];
        if (d == nullptr)
            continue;
        d->setDuplicateNumber(0);
        for (int j = 0; j < i; ++j)
        {
            MidiDeviceDescriptor* e = list[j];
            if (e == nullptr || e->getName() != d->getName())
                continue;
            if (e->getDuplicateNumber() == 0)
                e->setDuplicateNumber(1);
            d->setDuplicateNumber(d->getDuplicateNumber() + 1);
            if (!d->getInterfacePath().isEmpty() && d->matches(e))
            {
                toRename.addUnique(d);
                toRename.addUnique(e);
            }
        }
        // The first port of a name has 1, so the later ones count from 2.
        if (d->getDuplicateNumber() > 0)
            d->setDuplicateNumber(d->getDuplicateNumber() + 1);
    }
}

void MidiDeviceFactory::giveOutputsTheirInputNumbers()
{
    for (int o = 0; o < m_outputs.count(); ++o)
    {
        MidiDeviceDescriptor* output = m_outputs[o];
        if (output == nullptr || output->getInterfacePath().isEmpty())
            continue;
        for (int i = 0; i < m_inputs.count(); ++i)
        {
            const MidiDeviceDescriptor* input = m_inputs[i];
            if (input != nullptr && input->getName() == output->getName()
                && input->getInterfacePath() == output->getInterfacePath())
            {
                output->setDuplicateNumber(input->getDuplicateNumber());
                break;
            }
        }
    }
}

} // namespace Tr
