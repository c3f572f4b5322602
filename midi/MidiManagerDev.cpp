#include "MidiManagerDev.h"

#include "MidiManager.h"
#include "MidiMessages.h"
#include "TMidiAliasManager.h"
#include "TMidiInputBase.h"
#include "TMidiRouter.h"
#include "TextFunctions.h"

namespace Tr {

namespace {

TString flag(bool value)
{
    return TString(value ? "T" : "F");
}

bool isTrue(const TString& options, int position)
{
    return options.length() > position && options.charAt(position) == 'T';
}

} // namespace

const TString& midiStateSection(bool isInput)
{
    return isInput ? kMidiInSection : kMidiOutSection;
}

// ---------------------------------------------------------------------------
// MidiManagerDev

MidiManagerDev::MidiManagerDev(const MidiDeviceDescriptor* d, int index)
    : m_index(index), m_descriptor(d != nullptr ? d->clone() : new MidiDeviceDescriptor())
{
}

MidiManagerDev::~MidiManagerDev()
{
    m_aliases.clear(); // the aliases belong to the alias manager
    m_port.reset();    // its destructor closes it
}

void MidiManagerDev::copyFrom(const MidiManagerDev& o)
{
    if (&o == this)
        return;
    m_index = o.m_index;
    setDescriptor(o.m_descriptor.get());
    m_wantedOpen = o.m_wantedOpen;
    m_present = o.m_present;
    m_seen = false;
    m_aliases.assign(o.m_aliases);
    m_displayNameOverride = o.m_displayNameOverride;
}

TString MidiManagerDev::getDisplayName() const
{
    return m_displayNameOverride.isEmpty() ? getDescriptorDisplayName() : m_displayNameOverride;
}

TMidiDeviceBase* MidiManagerDev::getPort()
{
    if (m_port == nullptr)
        createPort();
    return m_port.get();
}

void MidiManagerDev::setDescriptor(const MidiDeviceDescriptor* d)
{
    if (d == nullptr)
        return;
    if (!m_descriptor->equals(d))
        m_descriptor.reset(d->clone());
    if (m_port == nullptr)
        return;
    if (m_port->getFactoryId() == d->getFactoryId())
        m_port->setDescriptor(d);
    else
        m_port.reset();
}

void MidiManagerDev::createDescriptor(uint32_t factoryId, bool isInput, const TString& name)
{
    MidiDeviceFactory* factory = MidiManager::getInstance()->findFactory(factoryId);
    m_descriptor.reset(new MidiDeviceDescriptor(factory, isInput, -1, name, TString(), TString(), TString()));
}

void MidiManagerDev::adoptPort(TMidiDeviceBase* port)
{
    std::unique_ptr<TMidiDeviceBase> adopted(port);
    if (m_port != nullptr)
    {
        m_port->close();
        m_port.reset();
    }
    if (adopted == nullptr)
        return;
    adopted->setOwner(this, m_index);
    m_port = std::move(adopted);
    setDescriptor(m_descriptor.get());
}

void MidiManagerDev::replacePort(void (*prepare)(MidiManagerDev& record, TMidiDeviceBase& port))
{
    if (m_port != nullptr)
    {
        m_port->close();
        m_port.reset();
    }
    std::unique_ptr<TMidiDeviceBase> port(isInput() ? m_descriptor->createInputPort()
                                                    : m_descriptor->createOutputPort());
    if (port == nullptr)
        return;
    port->setOwner(this, m_index);
    if (prepare != nullptr)
        prepare(*this, *port);
    setDescriptor(port->getDescriptor());
    m_port = std::move(port);
}

void MidiManagerDev::collectAliasesOfKind(int kind)
{
    if (!m_present)
        return;
    TMidiAliasManager::getInstance()->collectAliasesOf(getDescriptorDisplayName(), kind, m_aliases);
    for (int i = m_aliases.count() - 1; i >= 0; --i)
        m_aliases[i]->setBinding(m_index, getFactoryId());
}

uint32_t MidiManagerDev::readFactoryId(const TString& options, int firstFactoryFlag)
{
    uint32_t id = kFactoryIdMME;
    if (isTrue(options, firstFactoryFlag))
        id = kFactoryIdKQID;
    if (isTrue(options, firstFactoryFlag + 1))
        id = kFactoryIdIntM;
    if (options.length() >= firstFactoryFlag + 10)
    {
        int value = 0;
        // The digits follow the two flags; the parser counts from 1.
        id = tryParseHex(options, firstFactoryFlag + 3, 8, value) ? static_cast<uint32_t>(value) : 0xFFFFFFFFu;
    }
    return id;
}

TString MidiManagerDev::factoryOptions(uint32_t factoryId)
{
    return flag(factoryId == kFactoryIdKQID) + flag(factoryId == kFactoryIdIntM)
        + toHex(static_cast<int>(factoryId), 8);
}

void MidiManagerDev::readLines(TIniFile& ini, int n, TString& name, TString& options) const
{
    name = ini.readString(midiStateSection(isInput()), numberedKey(kMidiDeviceNameKey, n), TString());
    options = ini.readString(midiStateSection(isInput()), numberedKey(kMidiDeviceOptionsKey, n), TString());
}

void MidiManagerDev::writeLines(TIniFile& ini, int n, const TString& options) const
{
    ini.writeString(midiStateSection(isInput()), numberedKey(kMidiDeviceNameKey, n), getDescriptorDisplayName());
    ini.writeString(midiStateSection(isInput()), numberedKey(kMidiDeviceOptionsKey, n), options);
}

// ---------------------------------------------------------------------------
// MMDevOut

MMDevOut::MMDevOut(const MidiDeviceDescriptor* d, int index) : MidiManagerDev(d, index)
{
}

MMDevOut::MMDevOut(uint32_t factoryId, int index, const TString& name) : MidiManagerDev(nullptr, index)
{
    createDescriptor(factoryId, false, name);
}

void MMDevOut::collectAliases()
{
    collectAliasesOfKind(kMidiKindOutput);
}

void MMDevOut::createPort()
{
    replacePort(nullptr);
}

void MMDevOut::readState(TIniFile& ini, int n)
{
    TString name, options;
    readLines(ini, n, name, options);
    createDescriptor(readFactoryId(options, 0), false, name);
}

void MMDevOut::writeState(TIniFile& ini, int n)
{
    writeLines(ini, n, factoryOptions(getFactoryId()));
}

// ---------------------------------------------------------------------------
// MMDevIn

MMDevIn::MMDevIn(const MidiDeviceDescriptor* d, int index) : MidiManagerDev(d, index)
{
}

MMDevIn::MMDevIn(uint32_t factoryId, int index, const TString& name) : MidiManagerDev(nullptr, index)
{
    createDescriptor(factoryId, true, name);
}

void MMDevIn::collectAliases()
{
    collectAliasesOfKind(kMidiKindInput);
}

void MMDevIn::createPort()
{
    replacePort([](MidiManagerDev& record, TMidiDeviceBase& port) {
        auto& input = static_cast<MMDevIn&>(record);
        if (auto* inputPort = dynamic_cast<TMidiInputBase*>(&port))
        {
            inputPort->setDataListener(MidiManager::getInstance());
            inputPort->setPassActiveSensing(input.m_passActiveSensing);
            inputPort->setPassClock(input.m_passClock);
        }
    });
}

void MMDevIn::readState(TIniFile& ini, int n)
{
    TString name, options;
    readLines(ini, n, name, options);
    if (options.length() >= 1)
        setPassActiveSensing(options.charAt(0) == 'T');
    if (options.length() >= 2)
        setPassClock(options.charAt(1) == 'T');
    createDescriptor(readFactoryId(options, 2), true, name);
}

void MMDevIn::writeState(TIniFile& ini, int n)
{
    writeLines(ini, n, flag(m_passActiveSensing) + flag(m_passClock) + factoryOptions(getFactoryId()));
}

void MMDevIn::copyFrom(const MMDevIn& o)
{
    if (&o == this)
        return;
    MidiManagerDev::copyFrom(o);
    m_routeTargets.assign(o.m_routeTargets);
    m_passClock = o.m_passClock;
    m_passActiveSensing = o.m_passActiveSensing;
}

void MMDevIn::updateRoutes()
{
    if (!isPresent())
        return;
    TMidiRouter::getInstance()->getRoutes().collectDestinations(getIndex(), m_routeTargets);
}

TMidiInputBase* MMDevIn::inputPort() const
{
    return dynamic_cast<TMidiInputBase*>(currentPort());
}

void MMDevIn::setPassClock(bool pass)
{
    if (pass == m_passClock)
        return;
    m_passClock = pass;
    if (TMidiInputBase* port = inputPort())
        port->setPassClock(pass);
}

void MMDevIn::setPassActiveSensing(bool pass)
{
    if (pass == m_passActiveSensing)
        return;
    m_passActiveSensing = pass;
    if (TMidiInputBase* port = inputPort())
        port->setPassActiveSensing(pass);
}

} // namespace Tr
