// The singleton registry.
#include "AutoDelete.h"

namespace Tr {

AutoDeleteRegistry g_autoDeleteRegistry;

AutoDelete::AutoDelete()
{
    registerObject(this);
}

AutoDelete::~AutoDelete()
{
    BList<AutoDelete*>* list = g_autoDeleteRegistry.list;
    if (list == nullptr)
        return;
    const int index = list->indexOf(this);
    if (index >= 0)
        list->set(index, nullptr);
}

void AutoDelete::registerObject(AutoDelete* obj)
{
    if (g_autoDeleteRegistry.deleting)
        return;
    if (g_autoDeleteRegistry.list == nullptr)
        g_autoDeleteRegistry.list = new BList<AutoDelete*>();
    g_autoDeleteRegistry.list->addUnique(obj);
}

void AutoDelete::deleteAll()
{
    BList<AutoDelete*>* list = g_autoDeleteRegistry.list;
    if (list == nullptr || g_autoDeleteRegistry.deleting)
        return;
    g_autoDeleteRegistry.deleting = true;
    list->deleteAll();
    g_autoDeleteRegistry.deleting = false;
    g_autoDeleteRegistry.list = nullptr;
    delete list;
}

bool AutoDelete::anyLeft()
{
    return g_autoDeleteRegistry.list != nullptr && g_autoDeleteRegistry.list->count() >= 1;
}

} // namespace Tr
