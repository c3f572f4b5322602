// Tr::TMidiAlias and Tr::TMidiAliasList: names that stand for MIDI ports.
#pragma once

#include "BList.h"
#include "TIniFile.h"
#include "TString.h"

#include <cstdint>

namespace Tr {

/** The kinds of an alias: none, input, output; kMidiKindInputToo is read
    from the settings and counts as an input. */
enum MidiAliasKind : int
{
    kMidiKindNone = 0,
    kMidiKindInput = 1,
    kMidiKindOutput = 2,
    kMidiKindInputToo = 3
};

/** One alias: a name and a kind that stand for the port (by its descriptor
    display name) the alias is bound to at present. The binding survives the
    port's absence and finds the port again when it returns. The device index
    and factory id are stamped by the MIDI manager's records whenever the
    aliases change; the alias manager never reads them. */
class TMidiAlias
{
public:
    TMidiAlias(const TString& name, const TString& deviceName, int kind);
    /** An alias of the given name whose kind and device come from line n of
        the settings section "MIDI.alias" (see readState). */
    TMidiAlias(const TString& name, TIniFile& ini, int n);
    virtual ~TMidiAlias();

    TMidiAlias(const TMidiAlias&) = delete;
    TMidiAlias& operator=(const TMidiAlias&) = delete;

    int getKind() const { return m_kind; }
    const TString& getName() const { return m_name; }
    TString getDeviceName() const { return m_deviceName; }
    int getDeviceIndex() const { return m_deviceIndex; }
    uint32_t getFactoryId() const { return m_factoryId; }

    void setName(const TString& name) { m_name = name; }
    void setDeviceName(const TString& deviceName) { m_deviceName = deviceName; }
    /** The record that collected the alias: its index and factory id
        (-1 and 0 when none did). */
    void setBinding(int deviceIndex, uint32_t factoryId);

    /** The kind and the name (case-sensitive) are the given ones. */
    bool matches(const TString& name, int kind) const;
    /** Kind 1 or 3. */
    bool isInput() const;
    /** The name equals the device name, byte for byte. */
    bool isNamedAfterDevice() const;

    /** Reads kind and device name from Device<n> ("kind:device name"); a
        line without a kind of 0..3 before its first colon gives kind 0 and
        no device. The name is not read. */
    void readState(TIniFile& ini, int n);
    /** Writes Name<n> and Device<n>. */
    void writeState(TIniFile& ini, int n) const;

private:
    int m_kind;
    TString m_name;
    TString m_deviceName;
    int m_deviceIndex = -1;
    uint32_t m_factoryId = 0;
};

/** A list of aliases that never owns or deletes them, and never holds one
    twice or a null one when filled through addUnique, addAll or assign. */
class TMidiAliasList : public BList<TMidiAlias*>
{
public:
    /** Adds the alias unless it is null or listed already; true when added. */
    bool addUnique(TMidiAlias* alias);
    TMidiAlias* at(int index) const { return get(index); }
    /** Adds the other list's aliases, in order, that are not yet listed. */
    void addAll(const TMidiAliasList& other);
    /** Empties the list, then addAll. */
    void assign(const TMidiAliasList& other);
};

/** The settings key of line n: prefix followed by n in decimal. */
TString numberedKey(const TString& prefix, int n);

/** Deletes the stale numbered pairs of a section from line n on: while the
    section has nameKey<n>, every line of nameKey<n> and of otherKey<n> (a
    hand-edited file may hold a key twice), then n + 1. Pairs after the first
    gap stay. */
void deleteStaleLines(TIniFile& ini, const TString& section, const TString& nameKey, const TString& otherKey,
                      int n);

} // namespace Tr
