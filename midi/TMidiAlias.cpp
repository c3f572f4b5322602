#include "TMidiAlias.h"

#include "MidiMessages.h"
#include "TextFunctions.h"

namespace Tr {

TString numberedKey(const TString& prefix, int n)
{
    return prefix + toString(n);
}

void deleteStaleLines(TIniFile& ini, const TString& section, const TString& nameKey, const TString& otherKey,
                      int n)
{
    for (; ini.valueExists(section, numberedKey(nameKey, n)); ++n)
    {
        // deleteKey takes the first line of a key only: a second one would
        // bring the stale entry back on the next load.
        while (ini.deleteKey(section, numberedKey(nameKey, n)))
        {
        }
        while (ini.deleteKey(section, numberedKey(otherKey, n)))
        {
        }
    }
}

TMidiAlias::TMidiAlias(const TString& name, const TString& deviceName, int kind)
    : m_kind(kind), m_name(name), m_deviceName(deviceName)
{
}

TMidiAlias::TMidiAlias(const TString& name, TIniFile& ini, int n) : m_kind(kMidiKindNone), m_name(name)
{
    readState(ini, n);
}

TMidiAlias::~TMidiAlias() = default;

void TMidiAlias::setBinding(int deviceIndex, uint32_t factoryId)
{
    m_deviceIndex = deviceIndex;
    m_factoryId = factoryId;
}

bool TMidiAlias::matches(const TString& name, int kind) const
{
    return m_kind == kind && m_name == name;
}

bool TMidiAlias::isInput() const
{
    return m_kind == kMidiKindInput || m_kind == kMidiKindInputToo;
}

bool TMidiAlias::isNamedAfterDevice() const
{
    return m_name == m_deviceName;
}

void TMidiAlias::readState(TIniFile& ini, int n)
{
    const TString value = ini.readString(kMidiAliasSection, numberedKey(kMidiAliasDeviceKey, n), TString());
    const int colon = value.indexOf(':');
    const int kind = colon > 0 ? toInt(value.substring(0, colon), -1) : -1;
    if (kind >= kMidiKindNone && kind <= kMidiKindInputToo)
    {
        m_kind = kind;
        m_deviceName = value.substring(colon + 1);
    }
    else
    {
        m_kind = kMidiKindNone;
        m_deviceName = TString();
    }
}

void TMidiAlias::writeState(TIniFile& ini, int n) const
{
    ini.writeString(kMidiAliasSection, numberedKey(kMidiAliasNameKey, n), m_name);
    ini.writeString(kMidiAliasSection, numberedKey(kMidiAliasDeviceKey, n), toString(m_kind) + ":" + m_deviceName);
}

bool TMidiAliasList::addUnique(TMidiAlias* alias)
{
    if (alias == nullptr || contains(alias))
        return false;
    add(alias);
    return true;
}

void TMidiAliasList::addAll(const TMidiAliasList& other)
{
    setCapacity(count() + other.count(), true);
    for (int i = 0; i < other.count(); ++i)
        addUnique(other[i]);
}

void TMidiAliasList::assign(const TMidiAliasList& other)
{
    if (&other == this)
        return;
    clear();
    addAll(other);
}

} // namespace Tr
