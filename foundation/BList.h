// Tr::BList<T>: the library's growable array of pointers and handles.
#pragma once

#include <memory>

namespace Tr {

/** A growable array of pointer-sized values (object pointers, window handles):
    data, count and capacity. Reads out of range through get() give null. The
    list never owns its elements by itself; an owner that wants them destroyed
    calls deleteAll or deleteAt. The operations a derived list may extend are
    virtual. Capacity grows 0, 16, 32, 64, ... and never shrinks by itself. */
template <typename T>
class BList
{
public:
    BList() = default;
    BList(const BList&) = delete;
    BList& operator=(const BList&) = delete;

    /** Releases the array; the elements are not deleted. */
    virtual ~BList() = default;

    /** data[index] := value, without a range test; returns value. */
    virtual T set(int index, T value)
    {
        m_data[index] = value;
        return value;
    }

    /** Empties the list and makes the array exactly n elements long. */
    virtual void clearAndReserve(int n)
    {
        m_count = 0;
        setCapacity(n, false);
    }

    /** Empties the list; the array stays. */
    virtual void clear() { m_count = 0; }

    virtual void add(T value)
    {
        ensureCapacity();
        m_data[m_count] = value;
        ++m_count;
    }

    /** Moves the elements after index down by one; false (and no change) for
        an index outside 0..count-1. The array keeps its size. */
    virtual bool removeAt(int index)
    {
        if (index < 0 || index >= m_count)
            return false;
        for (int i = index + 1; i < m_count; ++i)
            m_data[i - 1] = m_data[i];
        --m_count;
        return true;
    }

    /** Makes the array n elements long (negative counts as 0; n equal to the
        capacity changes nothing). count is cut to n; with keep the first count
        elements are carried over, without keep they are not (use it only on an
        empty list). */
    virtual void setCapacity(int n, bool keep)
    {
        if (n < 0)
            n = 0;
        if (n == m_capacity)
            return;
        if (m_count > n)
            m_count = n;
        std::unique_ptr<T[]> fresh;
        if (n >= 1)
        {
            // Value-initialised: entries that are not carried over read as null,
            // so a later get() or deleteAll() never meets an indeterminate pointer.
            fresh.reset(new T[n]());
            if (keep && m_data && m_count > 0)
                for (int i = 0; i < m_count; ++i)
                    fresh[i] = m_data[i];
        }
        m_data = std::move(fresh);
        m_capacity = n;
    }

    /** The element, or null when index is outside 0..count-1. */
    T get(int index) const
    {
        if (index < 0 || index >= m_count)
            return T();
        return m_data[index];
    }

    /** The element at index, without a range test (index in 0..count-1). */
    T& operator[](int index) { return m_data[index]; }
    const T& operator[](int index) const { return m_data[index]; }

    int count() const { return m_count; }
    int capacity() const { return m_capacity; }

    int indexOf(T value) const
    {
        for (int i = 0; i < m_count; ++i)
            if (m_data[i] == value)
                return i;
        return -1;
    }

    bool contains(T value) const { return indexOf(value) >= 0; }

    /** Adds value unless the list already holds it; true when added. */
    bool addUnique(T value)
    {
        if (contains(value))
            return false;
        add(value);
        return true;
    }

    /** Takes value out of the list (not deleting it); false when absent. */
    bool remove(T value)
    {
        const int index = indexOf(value);
        if (index < 0)
            return false;
        return removeAt(index);
    }

    /** Makes room for one more element: 16 for an empty array, else double. */
    void ensureCapacity()
    {
        if (m_count != m_capacity)
            return;
        if (m_capacity == 0)
            setCapacity(16, false);
        else
            setCapacity(m_capacity * 2, true);
    }

    /** Deletes every non-null element and empties the list (the array stays).
        The count and the array are read again before each step, and an entry
        is nulled after its element is destroyed, so an element's destructor
        may null, remove or add entries of this list: an entry that the
        destructor changed (its own, nulled or removed) is looked at again,
        and an added one is destroyed by the same walk. */
    void deleteAll()
    {
        int i = 0;
        while (i < m_count)
        {
            const T item = m_data[i];
            if (!item)
            {
                ++i;
                continue;
            }
            delete item;
            if (i < m_count && m_data[i] == item)
            {
                m_data[i] = T();
                ++i;
            }
        }
        m_count = 0;
    }

    /** Deletes the element at index (when not null) and removes its entry;
        false for an index outside 0..count-1. */
    bool deleteAt(int index)
    {
        if (index < 0 || index >= m_count)
            return false;
        if (m_data[index])
        {
            delete m_data[index];
            m_data[index] = T();
        }
        return removeAt(index);
    }

private:
    std::unique_ptr<T[]> m_data;
    int m_count = 0;
    int m_capacity = 0;
};

} // namespace Tr
