#include "AutoDelete.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace
{
std::string g_destroyed; // names of destroyed objects, in order

class Tracked : public Tr::AutoDelete
{
public:
    explicit Tracked(char name, std::function<void()> onDestroy = {}) : m_name(name), m_onDestroy(std::move(onDestroy)) {}
    ~Tracked() override
    {
        g_destroyed += m_name;
        if (m_onDestroy)
            m_onDestroy();
    }

private:
    char m_name;
    std::function<void()> m_onDestroy;
};

int registeredCount()
{
    return Tr::g_autoDeleteRegistry.list != nullptr ? Tr::g_autoDeleteRegistry.list->count() : 0;
}

class AutoDeleteTest : public ::testing::Test
{
protected:
    void SetUp() override { g_destroyed.clear(); }
    void TearDown() override { Tr::AutoDelete::deleteAll(); }
};

// A singleton after the registry's rule, with a constructor that calls out.
template <int N>
class Service : public Tr::AutoDelete
{
public:
    static Service* getInstance() { return s_slot.getInstance("Cannot re-instanciate Service!"); }
    static inline int s_constructions = 0;
    static inline Service* s_seenDuringConstruction = nullptr;
    static inline bool s_failNextConstruction = false;
    static inline Tr::SingletonSlot<Service> s_slot;

private:
    friend class Tr::SingletonSlot<Service>;
    Service()
    {
        s_slot.attach(this);
        ++s_constructions;
        s_seenDuringConstruction = getInstance();
        if (s_failNextConstruction)
        {
            s_failNextConstruction = false;
            throw Tr::Exception("cannot start");
        }
    }
    ~Service() override { s_slot.detach(); }
};
using Manager = Service<1>;
using Router = Service<2>;
using Fragile = Service<3>;
} // namespace

TEST_F(AutoDeleteTest, DeleteAllDestroysInRegistrationOrderAndDropsTheRegistry)
{
    new Tracked('P');
    new Tracked('Q');
    new Tracked('R');
    EXPECT_TRUE(Tr::AutoDelete::anyLeft());
    Tr::AutoDelete::deleteAll();
    EXPECT_EQ(g_destroyed, "PQR");
    EXPECT_FALSE(Tr::AutoDelete::anyLeft());
    EXPECT_EQ(Tr::g_autoDeleteRegistry.list, nullptr);
    Tr::AutoDelete::deleteAll();
    EXPECT_EQ(g_destroyed, "PQR");
}

TEST_F(AutoDeleteTest, EarlyDeletionLeavesANullEntryInPlace)
{
    new Tracked('P');
    auto* q = new Tracked('Q');
    new Tracked('R');
    delete q;
    EXPECT_EQ(registeredCount(), 3);
    EXPECT_EQ(Tr::g_autoDeleteRegistry.list->get(1), nullptr);
    EXPECT_TRUE(Tr::AutoDelete::anyLeft());
    Tr::AutoDelete::deleteAll();
    EXPECT_EQ(g_destroyed, "QPR");
}

TEST_F(AutoDeleteTest, AnObjectDestroyedByAnotherIsSkipped)
{
    Tracked* r = nullptr;
    new Tracked('P', [&r] { delete r; });
    new Tracked('Q');
    r = new Tracked('R');
    Tr::AutoDelete::deleteAll();
    EXPECT_EQ(g_destroyed, "PRQ");
}

TEST_F(AutoDeleteTest, RegisteringTwiceKeepsOneEntry)
{
    auto* p = new Tracked('P');
    Tr::AutoDelete::registerObject(p);
    EXPECT_EQ(registeredCount(), 1);
}

TEST_F(AutoDeleteTest, NothingRegistersWhileDeleteAllRuns)
{
    Tracked* madeLate = nullptr;
    new Tracked('P', [&madeLate] {
        madeLate = new Tracked('L');
        Tr::AutoDelete::deleteAll(); // a nested call does nothing
    });
    new Tracked('Q');
    Tr::AutoDelete::deleteAll();
    EXPECT_EQ(g_destroyed, "PQ");
    ASSERT_NE(madeLate, nullptr);
    EXPECT_FALSE(Tr::AutoDelete::anyLeft());

    // A registration after deleteAll starts a new registry.
    new Tracked('S');
    EXPECT_EQ(registeredCount(), 1);
    delete madeLate;
    EXPECT_EQ(g_destroyed, "PQL");
}

TEST_F(AutoDeleteTest, SingletonIsMadeOnceReachableWhileMadeAndNeverRemade)
{
    Manager* first = Manager::getInstance();
    EXPECT_EQ(Manager::getInstance(), first);
    EXPECT_EQ(Manager::s_seenDuringConstruction, first);
    EXPECT_EQ(Manager::s_constructions, 1);

    Tr::AutoDelete::deleteAll();
    EXPECT_EQ(Manager::s_slot.instance(), nullptr);
    try
    {
        Manager::getInstance();
        FAIL() << "a destroyed singleton was made again";
    }
    catch (const Tr::Exception& e)
    {
        EXPECT_STREQ(e.what(), "Cannot re-instanciate Service!");
    }
    EXPECT_EQ(Manager::s_constructions, 1);

    // One that was never made is still made on request.
    EXPECT_NE(Router::getInstance(), nullptr);
    EXPECT_EQ(Router::s_constructions, 1);
}

TEST_F(AutoDeleteTest, SingletonWhoseConstructorThrowsLeavesNothingBehind)
{
    Fragile::s_failNextConstruction = true;
    EXPECT_THROW(Fragile::getInstance(), Tr::Exception);
    EXPECT_EQ(Fragile::s_slot.instance(), nullptr);
    EXPECT_FALSE(Fragile::s_slot.destroyed());
    EXPECT_EQ(registeredCount(), 1);
    EXPECT_EQ(Tr::g_autoDeleteRegistry.list->get(0), nullptr);

    Fragile* made = Fragile::getInstance();
    EXPECT_NE(made, nullptr);
    EXPECT_EQ(Fragile::s_slot.instance(), made);
}
