#include "BList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Tr::BList;

namespace {

/** An element that records its destruction in a shared log. */
class Tracked
{
public:
    Tracked(std::string name, std::vector<std::string>& log) : m_name(std::move(name)), m_log(log) {}
    virtual ~Tracked() { m_log.push_back(m_name); }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

/** An element whose destructor deletes another element of the same list and
    then nulls its entry (as the singleton registry does) or removes it. */
class DeletesAnother : public Tracked
{
public:
    enum class Then { NullEntry, RemoveEntry };

    DeletesAnother(std::vector<std::string>& log, BList<Tracked*>& list, int victim, Then then)
        : Tracked("killer", log), m_list(list), m_victim(victim), m_then(then)
    {
    }
    ~DeletesAnother() override
    {
        delete m_list.get(m_victim);
        if (m_then == Then::NullEntry)
            m_list.set(m_victim, nullptr);
        else
            m_list.removeAt(m_victim);
    }

private:
    BList<Tracked*>& m_list;
    int m_victim;
    Then m_then;
};

/** A derived element destroyed through its base's virtual destructor. */
class Derived : public Tracked
{
public:
    Derived(std::vector<std::string>& log, std::string& payloadLog)
        : Tracked("derived", log), m_payloadLog(payloadLog)
    {
    }
    ~Derived() override { m_payloadLog = "derived part destroyed"; }

private:
    std::string& m_payloadLog;
};

int* ptr(intptr_t value)
{
    return reinterpret_cast<int*>(value);
}

void fill(BList<int*>& list, int n)
{
    for (int i = 1; i <= n; ++i)
        list.add(ptr(i));
}

} // namespace

TEST(BList, ANewListIsEmptyAndOutOfRangeGetsGiveNull)
{
    BList<int*> list;
    EXPECT_EQ(0, list.count());
    EXPECT_EQ(0, list.capacity());
    EXPECT_EQ(nullptr, list.get(0));
    fill(list, 3);
    EXPECT_EQ(nullptr, list.get(-1));
    EXPECT_EQ(nullptr, list.get(3));
    EXPECT_EQ(ptr(3), list.get(2));
    EXPECT_EQ(ptr(1), list[0]);
}

TEST(BList, GrowsFromSixteenByDoublingAndKeepsItsElements)
{
    BList<int*> list;
    list.add(ptr(1));
    EXPECT_EQ(16, list.capacity());
    fill(list, 15);
    EXPECT_EQ(16, list.capacity());
    list.add(ptr(17));
    EXPECT_EQ(32, list.capacity());
    EXPECT_EQ(17, list.count());
    EXPECT_EQ(ptr(1), list[0]);
    for (int i = 1; i < 16; ++i)
        EXPECT_EQ(ptr(i), list[i]);
    EXPECT_EQ(ptr(17), list[16]);

    fill(list, 100);
    EXPECT_EQ(128, list.capacity());
    EXPECT_EQ(117, list.count());
    EXPECT_EQ(ptr(100), list[116]);
}

TEST(BList, RemoveAtShiftsDownAndRefusesOutOfRange)
{
    BList<int*> list;
    fill(list, 4);
    EXPECT_FALSE(list.removeAt(4));
    EXPECT_FALSE(list.removeAt(-1));
    EXPECT_EQ(4, list.count());

    EXPECT_TRUE(list.removeAt(1));
    ASSERT_EQ(3, list.count());
    EXPECT_EQ(ptr(1), list[0]);
    EXPECT_EQ(ptr(3), list[1]);
    EXPECT_EQ(ptr(4), list[2]);

    EXPECT_TRUE(list.removeAt(2));
    EXPECT_EQ(2, list.count());
    EXPECT_EQ(ptr(3), list[1]);
    EXPECT_EQ(16, list.capacity());
}

TEST(BList, SearchesAddUniqueAndRemoveWorkOnValues)
{
    BList<int*> list;
    fill(list, 3);
    list.add(ptr(2));
    EXPECT_EQ(1, list.indexOf(ptr(2)));
    EXPECT_EQ(-1, list.indexOf(ptr(9)));
    EXPECT_TRUE(list.contains(ptr(3)));

    EXPECT_FALSE(list.addUnique(ptr(3)));
    EXPECT_EQ(4, list.count());
    EXPECT_TRUE(list.addUnique(ptr(5)));
    EXPECT_EQ(5, list.count());

    EXPECT_FALSE(list.remove(ptr(9)));
    EXPECT_TRUE(list.remove(ptr(2)));
    EXPECT_EQ(4, list.count());
    EXPECT_EQ(2, list.indexOf(ptr(2)));   // the later duplicate remains
}

TEST(BList, SetCapacityCutsKeepsOrReleases)
{
    BList<int*> list;
    fill(list, 6);
    list.setCapacity(4, true);
    EXPECT_EQ(4, list.capacity());
    ASSERT_EQ(4, list.count());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ptr(i + 1), list[i]);

    list.add(ptr(7));   // full: doubles and keeps
    EXPECT_EQ(8, list.capacity());
    EXPECT_EQ(ptr(4), list[3]);
    EXPECT_EQ(ptr(7), list[4]);

    list.setCapacity(-3, true);
    EXPECT_EQ(0, list.capacity());
    EXPECT_EQ(0, list.count());
    EXPECT_EQ(nullptr, list.get(0));
    list.add(ptr(1));
    EXPECT_EQ(16, list.capacity());
}

TEST(BList, ClearKeepsTheArrayAndClearAndReserveSizesIt)
{
    BList<int*> list;
    fill(list, 20);
    list.clear();
    EXPECT_EQ(0, list.count());
    EXPECT_EQ(32, list.capacity());

    list.clearAndReserve(8);
    EXPECT_EQ(8, list.capacity());
    fill(list, 3);
    list.clearAndReserve(8);
    EXPECT_EQ(0, list.count());
    EXPECT_EQ(8, list.capacity());
}

TEST(BList, DeleteAllDestroysNonNullElementsInOrderOnce)
{
    std::vector<std::string> log;
    BList<Tracked*> list;
    list.add(new Tracked("a", log));
    list.add(nullptr);
    list.add(new Tracked("b", log));
    list.add(nullptr);
    list.deleteAll();
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), log);
    EXPECT_EQ(0, list.count());
    EXPECT_EQ(16, list.capacity());

    list.deleteAll();
    EXPECT_EQ(2u, log.size());
}

TEST(BList, DeleteAllUsesTheVirtualDestructor)
{
    std::vector<std::string> log;
    std::string payload;
    BList<Tracked*> list;
    list.add(new Derived(log, payload));
    list.deleteAll();
    EXPECT_EQ("derived part destroyed", payload);
    EXPECT_EQ(1u, log.size());
}

TEST(BList, DeleteAllSkipsEntriesThatAnEarlierDestructorNulledOrRemoved)
{
    // The killer's own record comes after r's, since its base destructor runs last.
    for (auto then : {DeletesAnother::Then::NullEntry, DeletesAnother::Then::RemoveEntry})
    {
        std::vector<std::string> log;
        BList<Tracked*> list;
        list.add(new DeletesAnother(log, list, 2, then));
        list.add(new Tracked("q", log));
        list.add(new Tracked("r", log));
        list.deleteAll();   // a count read once would reach r's stale entry again
        EXPECT_EQ((std::vector<std::string>{"r", "killer", "q"}), log);
        EXPECT_EQ(0, list.count());
    }
}

namespace {

/** An element that takes its own entry out of the list it is in when it is
    destroyed (by removing it, or by nulling it as the singleton registry
    does), and may add a new element on its way out. */
class Unregisters : public Tracked
{
public:
    enum class How { Remove, Null, RemoveAndAdd };

    Unregisters(std::string name, std::vector<std::string>& log, BList<Tracked*>& list, How how)
        : Tracked(std::move(name), log), m_list(list), m_how(how), m_log(log)
    {
    }
    ~Unregisters() override
    {
        const int index = m_list.indexOf(this);
        if (m_how == How::RemoveAndAdd)
            m_list.add(new Tracked("added", m_log));
        if (m_how == How::Null)
            m_list.set(index, nullptr);
        else
            m_list.removeAt(index);
    }

private:
    BList<Tracked*>& m_list;
    How m_how;
    std::vector<std::string>& m_log;
};

} // namespace

TEST(BList, DeleteAllDestroysEveryElementWhenDestructorsTakeOutTheirOwnEntries)
{
    for (auto how : {Unregisters::How::Remove, Unregisters::How::Null})
    {
        std::vector<std::string> log;
        BList<Tracked*> list;
        list.add(new Unregisters("a", log, list, how));
        list.add(new Unregisters("b", log, list, how));
        list.add(new Tracked("c", log));
        list.deleteAll();   // a removed entry must not make the walk skip its successor
        EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), log);
        EXPECT_EQ(0, list.count());
    }
}

TEST(BList, DeleteAllSurvivesADestructorThatMakesTheListGrow)
{
    std::vector<std::string> log;
    BList<Tracked*> list;
    for (int i = 0; i < 15; ++i)
        list.add(new Tracked("t" + std::to_string(i), log));
    list.add(new Unregisters("grower", log, list, Unregisters::How::RemoveAndAdd));
    while (list.count() < 32)
        list.add(nullptr);
    ASSERT_EQ(32, list.capacity());
    list.deleteAll();   // the grower's addition replaces the full array while the walk runs
    ASSERT_EQ(17u, log.size());
    EXPECT_EQ("grower", log[15]);
    EXPECT_EQ("added", log[16]);
    EXPECT_EQ(0, list.count());
}

TEST(BList, SetCapacityWithoutKeepingLeavesNullEntriesNotGarbage)
{
    BList<int*> list;
    fill(list, 5);
    list.setCapacity(8, false);
    ASSERT_EQ(5, list.count());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(nullptr, list.get(i));
}

TEST(BList, DeleteAtDestroysOneElementAndRemovesItsEntry)
{
    std::vector<std::string> log;
    BList<Tracked*> list;
    list.add(new Tracked("a", log));
    list.add(nullptr);
    list.add(new Tracked("c", log));

    EXPECT_FALSE(list.deleteAt(3));
    EXPECT_FALSE(list.deleteAt(-1));
    EXPECT_TRUE(list.deleteAt(1));   // a null entry: nothing to destroy, entry removed
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(2, list.count());

    EXPECT_TRUE(list.deleteAt(0));
    EXPECT_EQ((std::vector<std::string>{"a"}), log);
    ASSERT_EQ(1, list.count());
    list.deleteAll();
    EXPECT_EQ((std::vector<std::string>{"a", "c"}), log);
}

namespace {

/** A derived list, as the alias list is, extending a virtual operation. */
class CountingList : public BList<int*>
{
public:
    void add(int* value) override
    {
        ++adds;
        BList<int*>::add(value);
    }
    int adds = 0;
};

} // namespace

TEST(BList, DerivedListsSeeCallsThroughTheVirtualOperations)
{
    CountingList list;
    BList<int*>& base = list;
    base.add(ptr(1));
    EXPECT_TRUE(base.addUnique(ptr(2)));
    EXPECT_FALSE(base.addUnique(ptr(2)));
    EXPECT_EQ(2, list.adds);
    EXPECT_EQ(2, base.count());
}
