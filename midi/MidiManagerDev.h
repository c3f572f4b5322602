// Tr::MidiManagerDev, Tr::MMDevIn and Tr::MMDevOut: the MIDI manager's
// record of one port.
#pragma once

#include "MidiDeviceDescriptor.h"
#include "TIniFile.h"
#include "TMidiAlias.h"
#include "TMidiDeviceBase.h"
#include "TString.h"

#include <cstdint>
#include <memory>

namespace Tr {

class TMidiInputBase;

/** Factory ids that the saved options encode: the multimedia driver (the
    default when reading) and two driver families kept only in the format. */
constexpr uint32_t kFactoryIdMME = 0x4944494D;
constexpr uint32_t kFactoryIdKQID = 0x4449514B;
constexpr uint32_t kFactoryIdIntM = 0x4D746E49;

/** The settings section of the saved ports of a kind: "MIDI.in" or "MIDI.out". */
const TString& midiStateSection(bool isInput);

/** The MIDI manager's record of one port it knows of: a port the driver
    lists now, or one the settings remember that is not connected. Its
    position in the manager's list of its kind is the device index users
    hold on to; records are never removed. It owns its copy of the port's
    descriptor and, once needed, the port object; it carries the wish to
    open the port when present (which survives the port's absence), the
    aliases bound to it, and its two state lines ("Name<n>", "Options<n>")
    in the settings. */
class MidiManagerDev
{
public:
    virtual ~MidiManagerDev();

    MidiManagerDev(const MidiManagerDev&) = delete;
    MidiManagerDev& operator=(const MidiManagerDev&) = delete;

    /** Binds the aliases of this port (by descriptor display name) to this
        record; nothing while the port is absent. */
    virtual void collectAliases() = 0;
    /** Replaces the port by a new one from the descriptor's factory (none
        when the factory makes none); read it with getPort. */
    virtual void createPort() = 0;
    /** Reads the record's lines number n; the record is a fresh one. */
    virtual void readState(TIniFile& ini, int n) = 0;
    /** Writes the record's lines number n. */
    virtual void writeState(TIniFile& ini, int n) = 0;
    /** Takes o's index, descriptor, wishes, presence, aliases and name
        override; not its error text or port. */
    virtual void copyFrom(const MidiManagerDev& o);

    virtual bool isInput() const = 0;

    int getIndex() const { return m_index; }
    bool isWantedOpen() const { return m_wantedOpen; }
    void setWantedOpen(bool wanted) { m_wantedOpen = wanted; }
    bool isPresent() const { return m_present; }
    void setPresent(bool present) { m_present = present; }
    bool isSeen() const { return m_seen; }
    void setSeen(bool seen) { m_seen = seen; }
    /** A port exists and is open. */
    bool isOpen() const { return m_port != nullptr && m_port->isOpen(); }

    /** The factory id of the descriptor's factory; 0 without one. */
    uint32_t getFactoryId() const { return m_descriptor->getFactoryId(); }
    /** The descriptor's display name ("%s (%d)" for a duplicate). */
    TString getDescriptorDisplayName() const { return m_descriptor->getDisplayName(); }
    /** The name override when set, else the descriptor display name. */
    TString getDisplayName() const;
    const MidiDeviceDescriptor* getDescriptor() const { return m_descriptor.get(); }
    const TMidiAliasList& getAliases() const { return m_aliases; }
    const TString& getErrorText() const { return m_errorText; }
    void setErrorText(const TString& text) { m_errorText = text; }

    /** The port, made on first need; null when no port can be made. */
    TMidiDeviceBase* getPort();
    /** The port as it is, without making one. */
    TMidiDeviceBase* currentPort() const { return m_port.get(); }

    /** Keeps a clone of d when it differs from the current descriptor (null
        changes nothing). A port of d's factory is handed d; a port of
        another factory is deleted. */
    void setDescriptor(const MidiDeviceDescriptor* d);
    /** A placeholder descriptor: the manager's factory of that id (none when
        none has it), the kind, index -1 and the name. */
    void createDescriptor(uint32_t factoryId, bool isInput, const TString& name);
    /** Forgets where the port is attached, so its descriptor no longer
        matches the port that moved away from this record. */
    void clearLocation() { m_descriptor->clearLocation(); }
    /** Takes d's location, so that its descriptor matches the port d stood for. */
    void takeLocationOf(const MidiDeviceDescriptor& d) { m_descriptor->takeLocation(d); }

    /** Gives up the port, which the caller then owns (open or not). */
    TMidiDeviceBase* releasePort() { return m_port.release(); }
    /** Takes over a port handed over by another record (null: just drops
        the own port): the own port is closed and deleted, the new one gets
        this record as owner and this record's descriptor. */
    void adoptPort(TMidiDeviceBase* port);

protected:
    /** A record at index with a clone of d (an empty descriptor for null). */
    MidiManagerDev(const MidiDeviceDescriptor* d, int index);

    /** createPort's common steps; prepare adjusts the new port before it
        takes its descriptor. */
    void replacePort(void (*prepare)(MidiManagerDev& record, TMidiDeviceBase& port));
    /** collectAliases for aliases of the given kind. */
    void collectAliasesOfKind(int kind);
    /** The factory id that the options give, whose factory flags start at
        firstFactoryFlag: the multimedia id by default, KQID or IntM by the
        flags, the eight hexadecimal digits after them when complete (-1
        when they are not all hexadecimal). */
    static uint32_t readFactoryId(const TString& options, int firstFactoryFlag);
    /** The factory flags and the id as eight hexadecimal digits. */
    static TString factoryOptions(uint32_t factoryId);
    /** Reads Name<n> and Options<n> of the record's section (empty when missing). */
    void readLines(TIniFile& ini, int n, TString& name, TString& options) const;
    /** Writes Name<n> (the descriptor display name) and Options<n>. */
    void writeLines(TIniFile& ini, int n, const TString& options) const;

    TMidiAliasList m_aliases;

private:
    int m_index;
    std::unique_ptr<MidiDeviceDescriptor> m_descriptor;
    bool m_wantedOpen = false;
    bool m_present = false;
    bool m_seen = false;
    TString m_errorText;
    TString m_displayNameOverride;
    std::unique_ptr<TMidiDeviceBase> m_port;
};

/** The record of an output port; its state lines live in "MIDI.out". */
class MMDevOut : public MidiManagerDev
{
public:
    MMDevOut(const MidiDeviceDescriptor* d, int index);
    /** The record of a remembered port that is not present. */
    MMDevOut(uint32_t factoryId, int index, const TString& name);

    void collectAliases() override;
    void createPort() override;
    void readState(TIniFile& ini, int n) override;
    void writeState(TIniFile& ini, int n) override;
    bool isInput() const override { return false; }
};

/** The record of an input port; its state lines live in "MIDI.in" and also
    hold whether the port passes clock and active-sensing bytes on. Data
    arriving on it is forwarded to its route targets. */
class MMDevIn : public MidiManagerDev
{
public:
    MMDevIn(const MidiDeviceDescriptor* d, int index);
    /** The record of a remembered port that is not present. */
    MMDevIn(uint32_t factoryId, int index, const TString& name);

    void collectAliases() override;
    void createPort() override;
    void readState(TIniFile& ini, int n) override;
    void writeState(TIniFile& ini, int n) override;
    bool isInput() const override { return true; }
    using MidiManagerDev::copyFrom;
    /** The base copy, then the route targets and the two pass flags (the
        port is not told). */
    virtual void copyFrom(const MMDevIn& o);

    /** Fills the route targets from the router's table; nothing while absent. */
    virtual void updateRoutes();
    const TMidiAliasList& getRouteTargets() const { return m_routeTargets; }

    bool getPassClock() const { return m_passClock; }
    bool getPassActiveSensing() const { return m_passActiveSensing; }
    /** Stores the flag and passes a change on to the port. */
    void setPassClock(bool pass);
    void setPassActiveSensing(bool pass);

private:
    TMidiInputBase* inputPort() const;

    TMidiAliasList m_routeTargets;
    bool m_passClock = true;
    bool m_passActiveSensing = true;
};

} // namespace Tr
