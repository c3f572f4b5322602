#include "MidiPortWin_MMInit.h"

#include "MidiWinManagerLink.h"

// Named in the MIDI library's link options (--undefined), so the linker takes
// this object from the static library although nothing calls into it.
extern "C" {
extern const int vaskorMidiWinInitLinked;
const int vaskorMidiWinInitLinked = 1;
}

namespace Tr {

void MidiPortWin_MMInit::onManagerReady()
{
    attachMidiWinFactory();
}

namespace
{
// The manager owns the registered initializers and deletes them.
const bool g_registered = [] {
    registerMidiManagerInitializer(new MidiPortWin_MMInit());
    return true;
}();
} // namespace

} // namespace Tr
