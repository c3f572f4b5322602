// Tr::MidiManagerInitializer and the process-wide list of registered
// initializers through which a driver joins the MIDI manager.
#pragma once

#include "BList.h"

namespace Tr {

/** A start-up hook through which a MIDI driver attaches its factory to the
    MIDI manager without the manager naming the driver. One instance is made
    by a start-up initialiser and registered; the manager calls the three
    hooks, each on every registered initializer in registration order, and
    deletes the initializers when it is destroyed. Every hook does nothing
    unless overridden. */
class MidiManagerInitializer
{
public:
    /** Deleted by the manager through this base. */
    virtual ~MidiManagerInitializer() = default;

    /** At the end of the manager's constructor. */
    virtual void onManagerConstructed();
    /** After the manager has registered with the alias manager and the router. */
    virtual void onManagerReady();
    /** At the start of the manager's destructor. */
    virtual void onManagerDestroying();
};

using MidiManagerInitializerList = BList<MidiManagerInitializer*>;

/** The registered initializers in registration order: null before the first
    registration and again after deleteMidiManagerInitializers. */
MidiManagerInitializerList* midiManagerInitializers();

/** Makes the list on first use and adds init unless it is listed already
    (null is ignored). The list owns what it holds. Safe to call from a
    start-up initialiser of any translation unit. */
void registerMidiManagerInitializer(MidiManagerInitializer* init);

/** Calls hook on every registered initializer, in registration order. */
void runMidiManagerInitializers(void (MidiManagerInitializer::*hook)());

/** Deletes every registered initializer and the list. */
void deleteMidiManagerInitializers();

} // namespace Tr
