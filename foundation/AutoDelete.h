// The registry of process-wide objects that one call destroys together at
// shut-down, and the rule by which such singletons are reached.
#pragma once

#include "BList.h"
#include "Exception.h"

namespace Tr {

/** Base of the process-wide objects (the MIDI library's singletons) that live
    from their first use until deleteAll destroys them all, in the order in
    which their AutoDelete base constructors ran. An object destroyed earlier
    by its owner leaves a null entry, so no other entry moves. */
class AutoDelete
{
public:
    AutoDelete();
    virtual ~AutoDelete();

    AutoDelete(const AutoDelete&) = delete;
    AutoDelete& operator=(const AutoDelete&) = delete;

    /** Adds obj unless the registry holds it already; does nothing while
        deleteAll runs. */
    static void registerObject(AutoDelete* obj);

    /** Destroys every registered object, first registered first, then drops
        the registry. A second call, or one from a destructor it runs, does
        nothing. */
    static void deleteAll();

    /** Whether the registry exists and has at least one entry (null entries count). */
    static bool anyLeft();
};

/** The registry's global state: the list (null until the first registration
    and again after deleteAll) and whether deleteAll is running. */
struct AutoDeleteRegistry
{
    BList<AutoDelete*>* list = nullptr;
    bool deleting = false;
};

extern AutoDeleteRegistry g_autoDeleteRegistry;

/** The instance and destroyed flag of one singleton class T, and its
    getInstance rule. T derives from AutoDelete, keeps one SingletonSlot<T> as
    a static member, calls attach(this) in its constructor before it calls out
    to other code and detach() in its destructor, and answers getInstance with
    slot.getInstance(its message). T's constructor must be reachable from here
    (a friend declaration when it is private). */
template <typename T>
class SingletonSlot
{
public:
    constexpr SingletonSlot() = default;

    /** The instance when there is one; else, unless it was destroyed, a new
        one (owned by the registry, which destroys it at shut-down). After the
        destruction, Tr::Exception with message; nothing is made. */
    T* getInstance(const char* message)
    {
        if (m_instance != nullptr)
            return m_instance;
        if (m_destroyed)
        {
            assertTrue(false);
            throw Exception(message);
        }
        try
        {
            T* made = new T();
            (void)made; // the constructor has attached it; the registry owns it
        }
        catch (...)
        {
            // A constructor that attached and then threw leaves no instance behind.
            m_instance = nullptr;
            throw;
        }
        return m_instance;
    }

    /** Called by T's constructor: from now on getInstance answers object. */
    void attach(T* object) { m_instance = object; }

    /** Called by T's destructor: the singleton is gone for good. */
    void detach()
    {
        m_instance = nullptr;
        m_destroyed = true;
    }

    T* instance() const { return m_instance; }
    bool destroyed() const { return m_destroyed; }

private:
    T* m_instance = nullptr;
    bool m_destroyed = false;
};

} // namespace Tr
