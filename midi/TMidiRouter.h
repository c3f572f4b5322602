// Tr::TMidiRouter with its route table Tr::TMidiRoutes of Tr::TMidiRoute.
#pragma once

#include "AutoDelete.h"
#include "BList.h"
#include "MidiListeners.h"
#include "TMidiAlias.h"

namespace Tr {

/** One route: data arriving on the input bound to the source alias goes on
    to the device bound to the destination alias. The aliases belong to the
    alias manager. A route without a source or destination is invalid. */
class TMidiRoute
{
public:
    TMidiRoute(TMidiAlias* source, TMidiAlias* destination) : m_source(source), m_destination(destination) {}
    virtual ~TMidiRoute() = default;

    TMidiRoute(const TMidiRoute&) = delete;
    TMidiRoute& operator=(const TMidiRoute&) = delete;

    bool isValid() const { return m_source != nullptr && m_destination != nullptr; }
    /** The device index of the source alias; -1 for an invalid route. */
    int getSourceIndex() const;
    TMidiAlias* getSource() const { return m_source; }
    TMidiAlias* getDestination() const { return m_destination; }
    /** Makes the route invalid; it stays in its table. */
    void disable() { m_source = nullptr; }

private:
    TMidiAlias* m_source;
    TMidiAlias* m_destination;
};

/** The route table: routes in insertion order. When it owns its routes,
    clearing the table (and its destructor) deletes them; otherwise it only
    empties the list. */
class TMidiRoutes : public BList<TMidiRoute*>
{
public:
    TMidiRoutes() = default;
    ~TMidiRoutes() override;

    void setOwnsRoutes(bool owns) { m_ownsRoutes = owns; }
    bool ownsRoutes() const { return m_ownsRoutes; }

    /** Deletes the routes when owning, then empties the list. */
    void clear() override;

    /** Fills list with the destination of every route whose source index is
        index, first route first, each alias once; empty for a negative index. */
    void collectDestinations(int index, TMidiAliasList& list) const;

private:
    bool m_ownsRoutes = false;
};

/** The process-wide router: keeps the route table, listens to the alias
    manager and disables routes whose aliases have no kind, and tells its
    route-change listeners (first registered first) when it did. Nothing in
    this program adds a route, so the table stays empty. GUI thread only. */
class TMidiRouter : public TMidiAliasChangeListener, public AutoDelete
{
public:
    /** The router, made on first use; throws Tr::Exception
        "Cannot re-instanciate TMidiRouter!" once it has been destroyed. */
    static TMidiRouter* getInstance();
    static bool exists();

    ~TMidiRouter() override;

    void addListener(TMidiRouteChangeListener* listener);
    void removeListener(TMidiRouteChangeListener* listener);

    TMidiRoutes& getRoutes() { return m_routes; }

    void aliasesChanged() override;

private:
    friend class SingletonSlot<TMidiRouter>;
    TMidiRouter();

    static SingletonSlot<TMidiRouter> s_slot;

    TMidiRoutes m_routes;
    BList<TMidiRouteChangeListener*> m_listeners;
};

} // namespace Tr
