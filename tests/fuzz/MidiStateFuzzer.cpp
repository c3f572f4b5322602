// Feeds arbitrary preferences text to the MIDI manager and the alias manager
// as the program reads it at start-up: the manager is suspended and lists no
// device (only the multimedia driver's factory is attached), so every saved
// port of "MIDI.in" and "MIDI.out" becomes a placeholder record marked wanted
// open, and "MIDI.alias" fills the alias list. The state is then written back
// into the same text, as the program does at shut-down, and read again into
// fresh lists.
//
// What a write and read keeps unchanged: every record (its kind, position,
// display name, factory id, open wish and, for inputs, both pass flags) and
// every alias that is written (its position, kind, name and device name).
// What legitimately changes on the first write: an alias of kind 0 and an
// alias named after a port that is neither open nor wanted are not written;
// option strings take their canonical form (a factory id without a factory
// becomes 0, the digits upper-case, anything after them dropped); a saved
// input restored to a record of its name takes that record's pass flags;
// saved ports of the same name and factory become one record; lines after a
// gap in the numbering are left alone and never read. After that first
// write the sections are a fixed point: written again from the state read
// back they are the same text.
#include "AutoDelete.h"
#include "FuzzCheck.h"
#include "MidiManager.h"
#include "MidiManagerDev.h"
#include "TIniFile.h"
#include "TMidiAliasManager.h"
#include "TTimer.h"
#include "midi/MidiBackendChoice.h"
#include "midi/NullMidiBackend.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace
{
[[noreturn]] void fail(int line, const char* what)
{
    std::fprintf(stderr, "MidiStateFuzzer.cpp:%d: %s does not hold\n", line, what);
    __builtin_trap();
}
#define check(condition) ((condition) ? (void)0 : fail(__LINE__, #condition))

// The singletons live for the whole run and never drop a record or an
// alias. Between inputs the fuzzer empties their lists, which nothing in
// the library may do: it reaches the private lists through explicit
// instantiation, which the language exempts from access checks.
template <typename Tag, typename Tag::Member member>
struct PrivateMember
{
    friend typename Tag::Member memberOf(Tag) { return member; }
};
struct ManagerInputs
{
    using Member = Tr::BList<Tr::MMDevIn*> Tr::MidiManager::*;
    friend Member memberOf(ManagerInputs);
};
struct ManagerOutputs
{
    using Member = Tr::BList<Tr::MMDevOut*> Tr::MidiManager::*;
    friend Member memberOf(ManagerOutputs);
};
struct AliasList
{
    using Member = Tr::BList<Tr::TMidiAlias*> Tr::TMidiAliasManager::*;
    friend Member memberOf(AliasList);
};
template struct PrivateMember<ManagerInputs, &Tr::MidiManager::m_inputs>;
template struct PrivateMember<ManagerOutputs, &Tr::MidiManager::m_outputs>;
template struct PrivateMember<AliasList, &Tr::TMidiAliasManager::m_aliases>;

/** Deletes every record, then every alias (the records point to aliases). */
void forgetEverything()
{
    Tr::MidiManager* manager = Tr::MidiManager::getInstance();
    (manager->*memberOf(ManagerInputs{})).deleteAll();
    (manager->*memberOf(ManagerOutputs{})).deleteAll();
    (Tr::TMidiAliasManager::getInstance()->*memberOf(AliasList{})).deleteAll();
}

std::string text(const Tr::TString& s)
{
    return std::string(s.c_str(), static_cast<size_t>(s.length()));
}

struct RecordState
{
    std::string name;
    uint32_t factoryId;
    bool wantedOpen;
    bool present;
    bool passClock;
    bool passActiveSensing;

    bool operator==(const RecordState& o) const
    {
        return std::tie(name, factoryId, wantedOpen, present, passClock, passActiveSensing) ==
               std::tie(o.name, o.factoryId, o.wantedOpen, o.present, o.passClock, o.passActiveSensing);
    }
};

struct AliasState
{
    int kind;
    std::string name;
    std::string deviceName;

    bool operator==(const AliasState& o) const
    {
        return std::tie(kind, name, deviceName) == std::tie(o.kind, o.name, o.deviceName);
    }
};

struct Snapshot
{
    std::vector<RecordState> records[2]; // outputs, inputs
    std::vector<AliasState> aliases;
};

Snapshot snapshot()
{
    Snapshot state;
    Tr::MidiManager* manager = Tr::MidiManager::getInstance();
    for (const bool isInput : {false, true})
        for (int i = 0; i < manager->getDeviceCount(isInput); ++i)
        {
            const Tr::MidiManagerDev* device = manager->getDevice(i, isInput);
            check(device != nullptr && device->getIndex() == i);
            const auto* input = dynamic_cast<const Tr::MMDevIn*>(device);
            state.records[isInput].push_back({text(device->getDescriptorDisplayName()), device->getFactoryId(),
                                              device->isWantedOpen(), device->isPresent(),
                                              input != nullptr && input->getPassClock(),
                                              input != nullptr && input->getPassActiveSensing()});
        }
    Tr::TMidiAliasManager* aliases = Tr::TMidiAliasManager::getInstance();
    for (int i = 0; i < aliases->getAliasCount(); ++i)
    {
        const Tr::TMidiAlias* alias = aliases->getAliasAt(i);
        state.aliases.push_back({alias->getKind(), text(alias->getName()), text(alias->getDeviceName())});
    }
    return state;
}

/** What a load of saved text must give, whatever the text held. */
void checkLoaded(const Snapshot& state)
{
    for (const auto& records : state.records)
        for (size_t i = 0; i < records.size(); ++i)
        {
            const RecordState& r = records[i];
            check(r.wantedOpen && !r.present);
            check(r.factoryId == Tr::kFactoryIdMME || r.factoryId == 0);
            // One record per saved name and factory; only nameless ones repeat.
            for (size_t j = 0; j < i && !r.name.empty(); ++j)
                check(records[j].name != r.name || records[j].factoryId != r.factoryId);
        }
    for (size_t i = 0; i < state.aliases.size(); ++i)
    {
        const AliasState& a = state.aliases[i];
        check(!a.name.empty() && a.kind >= 0 && a.kind <= 3);
        for (size_t j = 0; j < i; ++j)
            check(state.aliases[j].name != a.name || state.aliases[j].kind != a.kind);
    }
}

bool hasRecordNamed(const std::vector<RecordState>& records, const std::string& name)
{
    for (const RecordState& r : records)
        if (r.name == name)
            return true;
    return false;
}

/** The aliases that a save of state writes, in order. */
std::vector<AliasState> writtenAliases(const Snapshot& state)
{
    std::vector<AliasState> written;
    for (const AliasState& a : state.aliases)
    {
        const bool isInput = a.kind == 1 || a.kind == 3;
        // Every record of a load is wanted open: an alias named after a port
        // is written when a record of that name exists.
        if (a.kind != 0 && (a.name != a.deviceName || hasRecordNamed(state.records[isInput], a.deviceName)))
            written.push_back(a);
    }
    return written;
}


void load(Tr::TIniFile& ini)
{
    forgetEverything();
    Tr::MidiManager::getInstance()->loadState(ini);
    Tr::TMidiAliasManager::getInstance()->loadState(ini);
}

void save(Tr::TIniFile& ini)
{
    Tr::MidiManager::getInstance()->saveState(ini);
    Tr::TMidiAliasManager::getInstance()->saveState(ini);
}

/** The three sections as a save into an empty store writes them. */
std::string savedSections()
{
    Tr::TIniFile fresh;
    save(fresh);
    return text(fresh.toText());
}
} // namespace

// The JUCE timer, which the fuzzer's build leaves out: the manager's
// device-change notifier only starts one on a device change, and the
// fuzzer's driver has no devices.
namespace Tr {
namespace
{
/** A timer that never ticks. */
class SilentTimer final : public TTimer
{
public:
    explicit SilentTimer(TTimerListener* listener) : TTimer(listener) {}
    void setRunning(bool running) override { m_running.store(running ? 1 : 0); }
};
} // namespace

TTimer* createTimer(TTimerListener* listener, const TString& name)
{
    auto* timer = new SilentTimer(listener);
    timer->setName(name);
    return timer;
}
} // namespace Tr

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // No device of any driver: the multimedia factory lists nothing.
    PlatformMidi::MidiBackendChoice::install(std::make_shared<PlatformMidi::NullMidiBackend>());
    Tr::MidiManager* manager = Tr::MidiManager::getInstance();
    check(manager->isSuspended() && manager->findFactory(Tr::kFactoryIdMME) != nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x4000)
        return 0;
    Tr::TIniFile preferences = fuzz::parsedIni(reinterpret_cast<const char*>(data), static_cast<int>(size));
    load(preferences);
    const Snapshot loaded = snapshot();
    checkLoaded(loaded);
    const std::string sections = savedSections();

    // Written back into what was read, as the program saves its preferences.
    save(preferences);
    const Tr::TString written = preferences.toText();
    Tr::TIniFile reread = fuzz::parsedIni(written.c_str(), written.length());
    load(reread);
    const Snapshot back = snapshot();
    check(back.records[0] == loaded.records[0]);
    check(back.records[1] == loaded.records[1]);
    check(back.aliases == writtenAliases(loaded));
    check(savedSections() == sections);
    return 0;
}
