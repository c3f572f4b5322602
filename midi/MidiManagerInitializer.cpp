#include "MidiManagerInitializer.h"

namespace Tr {

namespace
{
// Zero before any start-up initialiser runs (constant initialisation), so a
// registration from another translation unit never meets it unmade.
MidiManagerInitializerList* g_initializers = nullptr;
} // namespace

void MidiManagerInitializer::onManagerConstructed() {}

void MidiManagerInitializer::onManagerReady() {}

void MidiManagerInitializer::onManagerDestroying() {}

MidiManagerInitializerList* midiManagerInitializers()
{
    return g_initializers;
}

void registerMidiManagerInitializer(MidiManagerInitializer* init)
{
    if (init == nullptr)
        return;
    if (g_initializers == nullptr)
        g_initializers = new MidiManagerInitializerList();
    g_initializers->addUnique(init);
}

void runMidiManagerInitializers(void (MidiManagerInitializer::*hook)())
{
    if (g_initializers == nullptr)
        return;
    for (int i = 0; i < g_initializers->count(); ++i)
        if (MidiManagerInitializer* init = g_initializers->get(i))
            (init->*hook)();
}

void deleteMidiManagerInitializers()
{
    MidiManagerInitializerList* list = g_initializers;
    if (list == nullptr)
        return;
    g_initializers = nullptr;
    list->deleteAll();
    delete list;
}

} // namespace Tr
