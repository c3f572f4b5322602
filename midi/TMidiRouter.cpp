#include "TMidiRouter.h"

#include "TMidiAliasManager.h"

namespace Tr {

int TMidiRoute::getSourceIndex() const
{
    return isValid() ? m_source->getDeviceIndex() : -1;
}

TMidiRoutes::~TMidiRoutes()
{
    TMidiRoutes::clear();
}

void TMidiRoutes::clear()
{
    if (m_ownsRoutes)
        deleteAll();
    BList<TMidiRoute*>::clear();
}

void TMidiRoutes::collectDestinations(int index, TMidiAliasList& list) const
{
    list.clear();
    if (index < 0)
        return;
    for (int i = 0; i < count(); ++i)
    {
        const TMidiRoute* route = get(i);
        if (route != nullptr && route->getSourceIndex() == index)
            list.addUnique(route->getDestination());
    }
}

SingletonSlot<TMidiRouter> TMidiRouter::s_slot;

TMidiRouter* TMidiRouter::getInstance()
{
    return s_slot.getInstance("Cannot re-instanciate TMidiRouter!");
}

bool TMidiRouter::exists()
{
    return s_slot.instance() != nullptr;
}

TMidiRouter::TMidiRouter()
{
    m_routes.setOwnsRoutes(true);
    s_slot.attach(this);
    TMidiAliasManager::getInstance()->addListener(this);
}

TMidiRouter::~TMidiRouter()
{
    if (TMidiAliasManager::exists())
        TMidiAliasManager::getInstance()->removeListener(this);
    m_routes.clear();
    m_listeners.clear();
    s_slot.detach();
}

void TMidiRouter::addListener(TMidiRouteChangeListener* listener)
{
    m_listeners.addUnique(listener);
}

void TMidiRouter::removeListener(TMidiRouteChangeListener* listener)
{
    m_listeners.remove(listener);
}

void TMidiRouter::aliasesChanged()
{
    bool disabled = false;
    for (int i = 0; i < m_routes.count(); ++i)
    {
        TMidiRoute* route = m_routes.get(i);
        if (route == nullptr || !route->isValid())
            continue;
        if (route->getSource()->getKind() == kMidiKindNone || route->getDestination()->getKind() == kMidiKindNone)
        {
            route->disable();
            disabled = true;
        }
    }
    if (!disabled)
        return;
    for (int i = 0; i < m_listeners.count(); ++i)
        if (TMidiRouteChangeListener* listener = m_listeners.get(i))
            listener->routesChanged();
}

} // namespace Tr
