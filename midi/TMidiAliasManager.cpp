#include "TMidiAliasManager.h"

#include "MidiManager.h"
#include "MidiManagerDev.h"
#include "MidiMessages.h"

#include <memory>

namespace Tr {

SingletonSlot<TMidiAliasManager> TMidiAliasManager::s_slot;

TMidiAliasManager* TMidiAliasManager::getInstance()
{
    return s_slot.getInstance("Cannot re-instantiate TMidiAliasManager!");
}

bool TMidiAliasManager::exists()
{
    return s_slot.instance() != nullptr;
}

TMidiAliasManager::TMidiAliasManager()
{
    s_slot.attach(this);
    setAutoBind(true);
}

TMidiAliasManager::~TMidiAliasManager()
{
    if (MidiManager::exists())
        MidiManager::getInstance()->removeDeviceListListener(this);
    m_aliases.deleteAll();
    m_listeners.clear();
    s_slot.detach();
}

void TMidiAliasManager::addListener(TMidiAliasChangeListener* listener)
{
    m_listeners.addUnique(listener);
}

void TMidiAliasManager::removeListener(TMidiAliasChangeListener* listener)
{
    m_listeners.remove(listener);
}

void TMidiAliasManager::beginUpdate()
{
    ++m_updateCounter;
}

void TMidiAliasManager::endUpdate()
{
    --m_updateCounter;
    if (m_updateCounter == 0 && m_changePending)
    {
        notifyChange();
        m_changePending = false;
    }
}

void TMidiAliasManager::notifyChange()
{
    if (m_updateCounter > 0)
    {
        m_changePending = true;
        return;
    }
    // The count is read again before each call: a listener may unregister
    // itself (or another one) while it is told.
    for (int i = 0; i < m_listeners.count(); ++i)
        if (TMidiAliasChangeListener* listener = m_listeners.get(i))
            listener->aliasesChanged();
}

int TMidiAliasManager::find(const TString& name, int kind) const
{
    for (int i = 0; i < m_aliases.count(); ++i)
        if (m_aliases[i]->matches(name, kind))
            return i;
    return -1;
}

int TMidiAliasManager::addAlias(const TString& name, const TString& deviceName, int kind)
{
    auto alias = std::make_unique<TMidiAlias>(name, deviceName, kind);
    m_aliases.add(alias.get());
    alias.release(); // the list owns it now
    const int index = m_aliases.count() - 1;
    notifyChange();
    return index;
}

bool TMidiAliasManager::setAlias(const TString& name, int kind, const TString& newName, const TString& deviceName,
                                 bool create)
{
    const int index = find(name, kind);
    if (index < 0)
    {
        if (!create)
            return false;
        addAlias(newName, deviceName, kind);
        return true;
    }
    TMidiAlias* alias = m_aliases[index];
    if (alias->getName() == newName && alias->getDeviceName() == deviceName)
        return false;
    alias->setName(newName);
    alias->setDeviceName(deviceName);
    notifyChange();
    return true;
}

TMidiAlias* TMidiAliasManager::lookupAlias(const TString& name, int kind, bool create)
{
    const int index = find(name, kind);
    if (index >= 0)
        return m_aliases[index];
    if (!create)
        return nullptr;
    return m_aliases.get(addAlias(name, TString(), kind));
}

void TMidiAliasManager::collectAliasesOf(const TString& deviceName, int kind, TMidiAliasList& list) const
{
    list.clear();
    for (int i = 0; i < m_aliases.count(); ++i)
    {
        TMidiAlias* alias = m_aliases[i];
        if (alias->getKind() == kind && alias->getDeviceName() == deviceName)
            list.addUnique(alias);
    }
}

void TMidiAliasManager::rebind()
{
    MidiManager* manager = MidiManager::getInstance();
    beginUpdate();
    try
    {
        for (const bool isInput : {false, true})
        {
            const int count = manager->getDeviceCount(isInput);
            for (int index = 0; index < count; ++index)
            {
                MidiManagerDev* device = nullptr;
                if (!manager->tryGetDevice(index, isInput, &device))
                    continue;
                const TString deviceName = device->getDescriptorDisplayName();
                TMidiAlias* alias = lookupAlias(deviceName, isInput ? kMidiKindInput : kMidiKindOutput, true);
                if (alias != nullptr && !alias->isNamedAfterDevice())
                {
                    alias->setDeviceName(deviceName);
                    notifyChange();
                }
            }
        }
    }
    catch (...)
    {
        endUpdate();
        throw;
    }
    endUpdate();
}

void TMidiAliasManager::deviceListChanged()
{
    if (m_autoBind)
        rebind();
}

void TMidiAliasManager::setAutoBind(bool autoBind)
{
    if (autoBind == m_autoBind)
        return;
    m_autoBind = autoBind;
    if (!autoBind)
        return;
    rebind();
    MidiManager::getInstance()->addDeviceListListener(this);
}

bool TMidiAliasManager::isWorthSaving(const TMidiAlias& alias)
{
    if (!alias.isNamedAfterDevice())
        return true;
    MidiManager* manager = MidiManager::getInstance();
    const bool isInput = alias.isInput();
    MidiManagerDev* device = nullptr;
    if (!manager->tryGetDevice(manager->findDeviceByName(alias.getDeviceName(), isInput), isInput, &device))
        return false;
    return device->isOpen() || device->isWantedOpen();
}

void TMidiAliasManager::saveState(TIniFile& ini)
{
    if (!m_statePersistence)
        return;
    int n = 0;
    for (int i = 0; i < getAliasCount(); ++i)
    {
        const TMidiAlias* alias = getAliasAt(i);
        if (alias == nullptr || alias->getKind() == kMidiKindNone || !isWorthSaving(*alias))
            continue;
        alias->writeState(ini, n);
        ++n;
    }
    deleteStaleLines(ini, kMidiAliasSection, kMidiAliasNameKey, kMidiAliasDeviceKey, n);
}

void TMidiAliasManager::loadState(TIniFile& ini)
{
    if (!m_statePersistence)
        return;
    for (int n = 0;; ++n)
    {
        const TString key = numberedKey(kMidiAliasNameKey, n);
        if (!ini.valueExists(kMidiAliasSection, key))
            break;
        const TString name = ini.readString(kMidiAliasSection, key, TString());
        if (name.isEmpty())
            break;
        auto loaded = std::make_unique<TMidiAlias>(name, ini, n);
        if (find(name, loaded->getKind()) >= 0)
        {
            setAlias(name, loaded->getKind(), name, loaded->getDeviceName(), true);
            continue;
        }
        m_aliases.add(loaded.get());
        loaded.release(); // the list owns it now
    }
    notifyChange();
}

} // namespace Tr
