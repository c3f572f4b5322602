// Tr::MidiWinFactory: the port lister and maker of the multimedia (MME) driver.
#pragma once

#include "AutoDelete.h"
#include "MidiDeviceFactory.h"

#include <atomic>
#include <cstdint>

namespace Tr {

/** Lists the MME input and output devices, each by its device number, with
    the MIDI Mapper as an extra output 0 whenever any output exists, and
    makes Tr::TMidiInputWin and Tr::TMidiOutputWin ports for them. Its
    descriptors are kept by device number and re-read in place, so a device
    that stays where it was keeps its name. A process-wide singleton owned by
    the Tr::AutoDelete registry. */
class MidiWinFactory : public MidiDeviceFactory
{
public:
    /** "MIDI" in memory order. */
    static constexpr uint32_t kFactoryId = 0x4944494D;

    /** The factory, made on first use; throws Tr::Exception after its
        destruction. */
    static MidiWinFactory* getInstance();
    /** 1 when d's factory is an MME factory that lists the Mapper, else 0:
        what lies between a descriptor's index and its output device id. */
    static int mapperOffsetOf(const MidiDeviceDescriptor* d);

    /** Detaches the factory from the MIDI manager when that still exists. */
    ~MidiWinFactory() override;

    void enumerate(bool isInput, MidiDeviceDescriptorList& list) override;
    /** The system's device count of the kind, with the Mapper for outputs;
        reads the system without refreshing the lists. */
    int getDeviceCount(bool isInput) override;
    uint32_t getFactoryId() const override { return kFactoryId; }
    TString getKindName(bool isInput) const override;
    TMidiDeviceBase* createPort(const MidiDeviceDescriptor* descriptor) override;

    bool listsMapper() const { return m_listMapper.load(); }

private:
    friend class SingletonSlot<MidiWinFactory>;
    MidiWinFactory();

    static SingletonSlot<MidiWinFactory> s_slot;
    std::atomic<bool> m_listMapper{true};
};

} // namespace Tr
