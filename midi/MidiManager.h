// Tr::MidiManager: the facade of the MIDI device library.
#pragma once

#include "AutoDelete.h"
#include "BList.h"
#include "BLock.h"
#include "MidiListeners.h"
#include "MidiManagerDev.h"
#include "TIniFile.h"
#include "TMidiAlias.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace Tr {

class MIDIDevChangeNotifier;
class MidiDeviceFactory;
struct MMDevTransfer;
class MidiManagerInitializer;

/** Sees every message before it is sent to an output; may replace the data
    and the length, and setting *proceed to 0 ends the whole send. */
class MidiOutDeviceFilter
{
public:
    virtual void filterOutput(int outputIndex, const unsigned char** data, int* length, int* proceed) = 0;

protected:
    ~MidiOutDeviceFilter() = default;
};

/** Sees the data arriving on an input first; setting *proceed to 0 drops it. */
class MidiInDeviceFilter
{
public:
    virtual void filterInput(int inputIndex, uint64_t* timeStamp, const unsigned char** data, int* length,
                             int* proceed) = 0;

protected:
    ~MidiInDeviceFilter() = default;
};

/** Gets the data of an input after the filters; setting *handled keeps it
    from the input's routes. */
class MidiInputHook
{
public:
    virtual void onInput(int inputIndex, uint64_t timeStamp, const unsigned char* data, int length,
                         int* handled) = 0;

protected:
    ~MidiInputHook() = default;
};

/** Told when an input's data went out to its route targets. */
class MidiRoutedHook
{
public:
    virtual void onRouted(const TMidiAliasList& targets) = 0;

protected:
    ~MidiRoutedHook() = default;
};

/** The one process-wide MIDI manager. It keeps a record for every input and
    output port it knows of (MMDevIn, MMDevOut), in lists whose positions are
    the device indices users hold on to: records are never removed, only
    marked absent. It keeps the attached device factories (at most
    kMaxFactories), opens and closes ports by index with readable messages to
    its control listeners (last registered first), sends to every open
    output, forwards incoming data, and keeps its lists in step with the
    ports through rescan and the device-change notifier, telling its
    device-list listeners (first registered first). It starts suspended:
    until setSuspended(false) device queries do not scan, opens only mark
    records wanted open, and nothing is sent. Everything runs on the GUI
    thread; the lock guards only the rescan flags. */
class MidiManager : public TMidiDeviceDataListener,
                    public TMidiDeviceErrorListener,
                    public TMidiAliasChangeListener,
                    public TMidiRouteChangeListener,
                    public AutoDelete
{
public:
    static constexpr int kMaxFactories = 10;

    /** The manager, made and set up on first use; throws Tr::Exception
        "Cannot re-instanciate MidiManager!" once it has been destroyed. */
    static MidiManager* getInstance();
    static bool exists();
    /** Adds the initializer (once) to the process-wide list; the manager's
        destructor deletes it. */
    static void registerInitializer(MidiManagerInitializer* initializer);

    ~MidiManager() override;

    // Devices. Each query first scans when the manager never scanned and is
    // not suspended.
    int getDeviceCount(bool isInput);
    /** The record, or null for an index out of range. */
    MidiManagerDev* getDevice(int index, bool isInput);
    bool tryGetDevice(int index, bool isInput, MidiManagerDev** device);
    /** The highest index whose descriptor display name is name, or -1. */
    int findDeviceByName(const TString& name, bool isInput);
    /** The highest index whose descriptor matches d, or -1. */
    int findDeviceByDescriptor(bool isInput, const MidiDeviceDescriptor* d);
    /** The position of the last attached factory of that id, or -1. */
    int findFactoryIndex(uint32_t factoryId) const;
    MidiDeviceFactory* findFactory(uint32_t factoryId) const;

    /** Attaches the factory (null, an attached one, or one beyond
        kMaxFactories is ignored) and either rescans now or on the next
        device query. */
    void addFactory(MidiDeviceFactory* factory, bool rescanNow);
    /** Detaches the factory and marks its records absent (they keep their
        indices and ports); with notify the device-list listeners hear of it. */
    void removeFactory(MidiDeviceFactory* factory, bool notify);

    bool isSuspended() const { return m_suspended.load(); }
    /** Resuming rescans. */
    void setSuspended(bool suspended);

    /** Opens the port at index: openInput or openOutput. */
    void openDevice(int index, bool isInput, bool report);
    /** Closes the port at index: closeInput or closeOutput. */
    void closeDevice(int index, bool isInput, bool report, bool force);
    /** Open the input or output at index; while suspended, or when the port
        is absent or cannot be made, only mark it wanted open. With report a
        failure is thrown as Tr::Exception, else the control listeners get it
        as deviceError; either way the port is left closed. An input is
        started once open. */
    void openInput(int index, bool report);
    void openOutput(int index, bool report);
    /** Close the input (stopped first) or output at index, telling the
        control listeners; force closes it even while suspended. The record
        is no longer wanted open. */
    void closeInput(int index, bool report, bool force);
    void closeOutput(int index, bool report, bool force);
    /** Throws text headed "MIDI IN: " or "MIDI OUT: " when throwIt is set,
        else tells every control listener deviceError. */
    void reportError(int index, bool isInput, const TString& text, bool throwIt);

    /** Sends the message to every open output, last index first: up to
        three bytes as one packed short message, anything else as one long
        message. True when at least one port took it (or a filter ended the
        send); false while suspended. */
    bool send(const unsigned char* data, int length);
    /** The same, to the outputs that the given output aliases are bound to. */
    bool sendToAliases(const TMidiAliasList& targets, const unsigned char* data, int length);

    void addDeviceControlListener(MidiManagerDeviceControlListener* listener);
    void removeDeviceControlListener(MidiManagerDeviceControlListener* listener);
    void addDeviceListListener(TMidiDeviceListListener* listener);
    void removeDeviceListListener(TMidiDeviceListListener* listener);
    /** Tells every device-list listener, first registered first. */
    void notifyDeviceListChanged();

    void addOutFilter(MidiOutDeviceFilter* filter);
    void removeOutFilter(MidiOutDeviceFilter* filter);
    void addInFilter(MidiInDeviceFilter* filter);
    void removeInFilter(MidiInDeviceFilter* filter);
    void setInputHook(MidiInputHook* hook) { m_inputHook = hook; }
    void setRoutedHook(MidiRoutedHook* hook) { m_routedHook = hook; }

    void onMidiData(TMidiDeviceBase* port, uint64_t timeStamp, const unsigned char* data, int length) override;
    void onDeviceError(TMidiDeviceBase* port, const TString& text) override;
    /** Rebinds every alias to the present records, then the routes. */
    void aliasesChanged() override;
    /** Every input record collects its route targets. */
    void routesChanged() override;

    /** Brings the records in step with the factories' lists: new ports get
        records, vanished ones are marked absent (an open one closed and
        marked wanted open), wanted ports that are present are opened. A port
        (open, or wanted open) whose device now has another display name
        moves with it to the record of that name, and so do the aliases that
        users bound to it; a vanished port whose record another device takes
        is closed and wanted open in the record it will come back to. The
        aliases are rebound and, with notify, the device-list listeners told. True when anything changed or force
        was set. A rescan asked for while one runs only asks it for another
        pass and answers false. */
    bool rescan(bool force, bool notify);

    void setStatePersistence(bool persistence) { m_statePersistence = persistence; }
    /** Writes the ports that are open or wanted open to "MIDI.in" and
        "MIDI.out", and deletes the stale lines after them up to a gap. */
    void saveState(TIniFile& ini);
    /** Marks the saved ports wanted open, adding placeholder records for
        those it does not know; nothing is opened here. */
    void loadState(TIniFile& ini);
    /** The index of the record the saved port stands for (the highest
        match), a new placeholder's with create and a name, else -1. */
    int restoreInput(const TString& name, uint32_t factoryId, bool create);
    int restoreOutput(const TString& name, uint32_t factoryId, bool create);

private:
    friend class SingletonSlot<MidiManager>;
    MidiManager();
    void postInit();

    int recordCount(bool isInput) const;
    MidiManagerDev* record(int index, bool isInput) const;
    /** Appends the record to the list of its kind, which owns it from then on. */
    void appendRecord(std::unique_ptr<MidiManagerDev> device);
    void scanIfNeverScanned();

    /** The steps of openInput and openOutput, closeInput and closeOutput. */
    void openPort(int index, bool isInput, bool report);
    void closePort(int index, bool isInput, bool report, bool force);

    /** Sends to the open output at index, through the out filters; false
        in *proceed when a filter ended the send. */
    bool sendToOutput(int index, const unsigned char*& data, int& length, bool& proceed);

    using Transfers = std::vector<std::unique_ptr<MMDevTransfer>>;
    /** An alias bound to a port that moved to the record of another name. */
    struct AliasMove
    {
        bool isInput;
        TString from;
        TString to;
    };

    void rescanPass(bool force, bool& changed);
    bool syncFactoryDevices(MidiDeviceFactory* factory, int position, bool isInput, bool force);
    /** The highest index whose descriptor before the synchronisation
        matches d, or -1. */
    int findMatchBefore(const BList<MidiDeviceDescriptor*>& before, const MidiDeviceDescriptor* d) const;
    /** Hands the transfer's port, and the wish to open it, to its record. */
    void handOver(MMDevTransfer& transfer, const Transfers& transfers, const BList<MidiDeviceDescriptor*>& before,
                  bool isInput);
    /** The record left without a device by the hand-overs into the one that
        lost the vanished port becomes its place: wanted open, at its
        location; without such a record, a new one (appendWaitingRecord). */
    void keepWishOfVanishedPort(const MMDevTransfer& transfer, const Transfers& transfers,
                                const MidiDeviceDescriptor& vanished, bool isInput);
    /** A new absent record for a vanished port whose wish no record left
        without a device can keep: at its location, under a free name. */
    MidiManagerDev* appendWaitingRecord(const MidiDeviceDescriptor& vanished, bool isInput);
    void noteAliasMove(bool isInput, const TString& from, const TString& to);
    /** Rebinds the aliases that users bound to ports that moved. */
    void moveAliases();
    void syncPresence(bool isInput, bool& changed);
    /** A present port whose handle the system closed (its device went away
        and came back since the last rescan) is closed and marked wanted
        open. */
    void reopenWhenClosedBySystem(int index, bool isInput);
    int restore(bool isInput, const TString& name, uint32_t factoryId, bool create);
    void loadRecords(TIniFile& ini, bool isInput);
    void saveRecords(TIniFile& ini, bool isInput);

    /** Calls the control listeners, last registered first. */
    template <typename Call>
    void tellControlListeners(Call call);

    static SingletonSlot<MidiManager> s_slot;

    BLock m_lock;
    std::unique_ptr<MIDIDevChangeNotifier> m_notifier;
    std::atomic<int> m_rescanBusy{0};
    std::atomic<int> m_rescanRestartRequested{0};
    BList<MidiDeviceFactory*> m_factories;
    BList<MMDevIn*> m_inputs;
    int m_inputCounts[kMaxFactories] = {};
    BList<MMDevOut*> m_outputs;
    int m_outputCounts[kMaxFactories] = {};
    // Read by input ports' data callbacks on the driver's thread.
    std::atomic<bool> m_suspended{true};
    std::atomic<MidiInputHook*> m_inputHook{nullptr};
    std::atomic<MidiRoutedHook*> m_routedHook{nullptr};
    BList<MidiManagerDeviceControlListener*> m_controlListeners;
    BList<TMidiDeviceListListener*> m_deviceListListeners;
    BList<MidiInDeviceFilter*> m_inFilters;
    BList<MidiOutDeviceFilter*> m_outFilters;
    bool m_scannedOnce = false;
    bool m_statePersistence = true;
    std::vector<AliasMove> m_aliasMoves; // of the rescan pass under way
};

/** One port handed over from one record to another during a
    synchronisation, with the giving record's wish to open it; it owns the
    port while it is queued. */
struct MMDevTransfer
{
    MMDevTransfer(int from, int to, TMidiDeviceBase* handedOver) : fromIndex(from), toIndex(to), port(handedOver) {}
    ~MMDevTransfer();
    MMDevTransfer(const MMDevTransfer&) = delete;
    MMDevTransfer& operator=(const MMDevTransfer&) = delete;

    int fromIndex;
    int toIndex;
    TMidiDeviceBase* port;
    bool wantedOpen = false; ///< the giving record was waiting to open it
};

} // namespace Tr
