// The process-wide lists of the names of open MIDI ports, one per kind.
#pragma once

#include "TString.h"
#include "TStringList.h"

namespace Tr {

/** Adds name to the open ports of the kind unless a line equal to it without
    regard to case is there already. Does nothing after deleteOpenDeviceLists.
    Thread-safe. */
void addOpenDeviceName(bool isInput, const TString& name);

/** Removes the first line of the kind equal to name without regard to case.
    Does nothing after deleteOpenDeviceLists. Thread-safe. */
void removeOpenDeviceName(bool isInput, const TString& name);

/** Deletes both lists and their lock; from then on adding and removing do
    nothing. Runs by itself at program exit, after main has returned. */
void deleteOpenDeviceLists();

/** A copy of the open port names of the kind (empty when none was listed). */
TStringList openDeviceNames(bool isInput);

} // namespace Tr
