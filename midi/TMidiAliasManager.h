// Tr::TMidiAliasManager: the process-wide keeper of the MIDI aliases.
#pragma once

#include "AutoDelete.h"
#include "MidiListeners.h"
#include "TMidiAlias.h"

namespace Tr {

/** Owns every alias, binds each port to an alias of its own display name
    while auto-binding is on (after every device-list change of the MIDI
    manager), tells its alias-change listeners about changes (one notice for
    a whole beginUpdate/endUpdate bracket), and keeps the aliases in the
    settings section "MIDI.alias". Aliases are only added or rebound, never
    removed, while it lives. GUI thread only; no lock. */
class TMidiAliasManager : public TMidiDeviceListListener, public AutoDelete
{
public:
    /** The instance, made on first use; throws Tr::Exception
        "Cannot re-instantiate TMidiAliasManager!" once it has been destroyed. */
    static TMidiAliasManager* getInstance();
    static bool exists();

    ~TMidiAliasManager() override;

    void addListener(TMidiAliasChangeListener* listener);
    void removeListener(TMidiAliasChangeListener* listener);

    void beginUpdate();
    /** Closes one beginUpdate; the outermost one sends a pending notice. */
    void endUpdate();
    /** Tells every listener, first registered first, unless an update is
        open; then the notice waits for its end. */
    void notifyChange();

    int getAliasCount() const { return m_aliases.count(); }
    TMidiAlias* getAliasAt(int index) const { return m_aliases.get(index); }
    /** Index of the first alias that matches name and kind, or -1. */
    int find(const TString& name, int kind) const;

    /** Appends a new alias, notifies, and answers its index. */
    int addAlias(const TString& name, const TString& deviceName, int kind);
    /** Renames and rebinds the alias of (name, kind); with create an unknown
        one is added. True when anything changed. */
    bool setAlias(const TString& name, int kind, const TString& newName, const TString& deviceName, bool create);
    /** The alias of (name, kind); with create a new unbound one when there is
        none, else null. */
    TMidiAlias* lookupAlias(const TString& name, int kind, bool create);
    /** Fills list with every alias of exactly that kind bound to deviceName. */
    void collectAliasesOf(const TString& deviceName, int kind, TMidiAliasList& list) const;

    /** Gives every managed port (present or remembered) an alias of its own
        display name bound to it; one notice at most for the whole pass. */
    void rebind();
    void deviceListChanged() override;
    /** Turning it on rebinds and listens to the MIDI manager's device list. */
    void setAutoBind(bool autoBind);
    bool isAutoBind() const { return m_autoBind; }

    void loadState(TIniFile& ini);
    void saveState(TIniFile& ini);

private:
    friend class SingletonSlot<TMidiAliasManager>;
    TMidiAliasManager();

    /** Whether the alias is to be written: renamed aliases always, aliases
        named after their port only while that port is open or wanted open. */
    static bool isWorthSaving(const TMidiAlias& alias);

    static SingletonSlot<TMidiAliasManager> s_slot;

    BList<TMidiAlias*> m_aliases;
    BList<TMidiAliasChangeListener*> m_listeners;
    int m_updateCounter = 0;
    bool m_changePending = false;
    bool m_statePersistence = true;
    bool m_autoBind = false;
};

} // namespace Tr
