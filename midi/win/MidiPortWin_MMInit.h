// Tr::MidiPortWin_MMInit: how the multimedia (MME) driver joins the MIDI manager.
#pragma once

#include "MidiManagerInitializer.h"

namespace Tr {

/** The MME driver's initializer: once the MIDI manager is ready it attaches
    Tr::MidiWinFactory to it without a rescan. One instance is registered
    before main runs (the MIDI library's link options make sure its object
    is linked into every program that uses the library). */
class MidiPortWin_MMInit : public MidiManagerInitializer
{
public:
    void onManagerReady() override;
};

} // namespace Tr
