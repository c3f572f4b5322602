#include "OpenDeviceNames.h"

#include "BLock.h"

#include <atomic>
#include <mutex>

namespace Tr {

namespace
{
// All of these are zero before any start-up initialiser runs.
TStringList* g_openInputs = nullptr;
TStringList* g_openOutputs = nullptr;
BLock* g_lock = nullptr;
std::once_flag g_lockMade;
std::atomic<bool> g_shutDown{false};

BLock* namesLock()
{
    std::call_once(g_lockMade, [] { g_lock = new BLock(); });
    return g_lock;
}

TStringList*& listOf(bool isInput)
{
    return isInput ? g_openInputs : g_openOutputs;
}

// Deletes the lists when the program ends: static objects are destroyed
// after main has returned, when every port has been closed.
struct OpenDeviceListsCleanup
{
    ~OpenDeviceListsCleanup() { deleteOpenDeviceLists(); }
} g_cleanup;
} // namespace

void addOpenDeviceName(bool isInput, const TString& name)
{
    if (g_shutDown)
        return;
    BAutoLock hold(namesLock());
    TStringList*& list = listOf(isInput);
    if (list == nullptr)
        list = new TStringList();
    if (!list->contains(name))
        list->add(name);
}

void removeOpenDeviceName(bool isInput, const TString& name)
{
    if (g_shutDown)
        return;
    BAutoLock hold(namesLock());
    TStringList* list = listOf(isInput);
    if (list != nullptr)
        list->removeAt(list->indexOf(name));
}

void deleteOpenDeviceLists()
{
    if (g_shutDown.exchange(true))
        return;
    delete g_openInputs;
    g_openInputs = nullptr;
    delete g_openOutputs;
    g_openOutputs = nullptr;
    delete g_lock;
    g_lock = nullptr;
}

TStringList openDeviceNames(bool isInput)
{
    if (g_shutDown)
        return TStringList();
    BAutoLock hold(namesLock());
    const TStringList* list = listOf(isInput);
    return list != nullptr ? *list : TStringList();
}

} // namespace Tr
