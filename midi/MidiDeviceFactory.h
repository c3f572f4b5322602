// Tr::MidiDeviceFactory: the base of a driver family's port lister and maker.
#pragma once

#include "AutoDelete.h"
#include "BLock.h"
#include "BList.h"
#include "MidiDeviceDescriptor.h"
#include "TStringList.h"

#include <atomic>
#include <cstdint>

namespace Tr {

class TMidiDeviceBase;
class TMidiDeviceErrorListener;

using MidiDeviceDescriptorList = BList<MidiDeviceDescriptor*>;

/** Lists the input and output ports of one driver family and makes port
    objects for them. The family fills the two descriptor lists through
    enumerate; every list read first refreshes them, at most once per 1500 ms
    of quiet, and numbers ports of equal names so that each has a display
    name of its own. The factory owns its descriptors and hands out clones.
    It is a process-wide object that the AutoDelete registry destroys. */
class MidiDeviceFactory : public AutoDelete
{
public:
    /** A read less than this many milliseconds after the previous one does
        not re-read the driver. */
    static constexpr int32_t kRefreshInterval = 1500;

    MidiDeviceFactory();
    /** Deletes the descriptors of both lists. */
    ~MidiDeviceFactory() override;

    /** Brings list, the factory's list of the kind, up to date with the
        driver, in place. Called under the factory's lock. */
    virtual void enumerate(bool isInput, MidiDeviceDescriptorList& list) = 0;
    /** The number of descriptors of the kind (after a refresh). */
    virtual int getDeviceCount(bool isInput);
    /** The family's four-character id. */
    virtual uint32_t getFactoryId() const = 0;
    virtual TString getKindName(bool isInput) const = 0;
    /** out := one line per descriptor of the kind: its display name, tagged
        with its index. */
    virtual void getDisplayNames(bool isInput, TStringList& out);
    /** out := clones of the descriptors of the kind, position for position;
        out owns them. Entries of out that are replaced, or that lie beyond
        the factory's count, are deleted. */
    virtual void getDescriptors(bool isInput, MidiDeviceDescriptorList& out);
    /** As getDisplayNames, with the extra names, skipping empty ones. */
    virtual void getExtraNames(bool isInput, TStringList& out);
    /** A new port for the descriptor, owned by the caller, or null. */
    virtual TMidiDeviceBase* createPort(const MidiDeviceDescriptor* descriptor) = 0;

    /** createPort, or null when descriptor is null or an input. */
    TMidiDeviceBase* createOutput(const MidiDeviceDescriptor* descriptor);
    /** createPort, or null when descriptor is null or an output. */
    TMidiDeviceBase* createInput(const MidiDeviceDescriptor* descriptor);

    /** Deletes descriptors from the end of the list of the kind until it
        holds at most n; with fill, then appends null entries up to n. */
    void resizeList(bool isInput, int n, bool fill);

    void setErrorListener(TMidiDeviceErrorListener* listener) { m_errorListener = listener; }
    TMidiDeviceErrorListener* getErrorListener() const { return m_errorListener; }

protected:
    /** Re-reads both lists through enumerate, unless the previous call came
        less than kRefreshInterval ms ago; every call restamps the time. */
    void refresh();

    /** The clock of the refresh guard: Tr::getMillis. */
    virtual uint32_t currentMillis() const;

    /** The factory's own list of the kind; hold the lock while using it. */
    MidiDeviceDescriptorList& listOf(bool isInput) { return isInput ? m_inputs : m_outputs; }
    BLock& listLock() { return m_lock; }

private:
    /** out := nameOf of every descriptor of the kind, tagged with its index. */
    void collectNames(bool isInput, TStringList& out, TString (MidiDeviceDescriptor::*nameOf)() const, bool skipEmpty);
    void numberDuplicates(MidiDeviceDescriptorList& list, MidiDeviceDescriptorList& toRename);
    void giveOutputsTheirInputNumbers();

    BLock m_lock;
    std::atomic<uint32_t> m_lastRefresh{0};
    MidiDeviceDescriptorList m_inputs;
    MidiDeviceDescriptorList m_outputs;
    TMidiDeviceErrorListener* m_errorListener = nullptr;
};

} // namespace Tr
