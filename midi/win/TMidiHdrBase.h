// Tr::TMidiHdrBase, Tr::TMidiOutHdr and Tr::TMidiInHdr: the buffers that the
// multimedia MIDI driver hands to the system.
#pragma once

#include "midi/PlatformMidi.h"

namespace Tr {

/** One buffer of the multimedia MIDI interface: the system's 64-byte header
    record with a data block of its own on the heap. The record's user word
    points back at this object, so a completion that hands back the record
    finds its header. Derived headers prepare and unprepare the record with
    the calls of their kind; a prepare that the system refuses throws
    Tr::EMidiError with the system's text. */
class TMidiHdrBase
{
public:
    /** Zeroes the record; size >= 1 also makes a data block of size bytes. */
    explicit TMidiHdrBase(int size);
    TMidiHdrBase(const TMidiHdrBase&) = delete;
    TMidiHdrBase& operator=(const TMidiHdrBase&) = delete;

    virtual void prepare(void* handle) = 0;
    virtual void unprepare(void* handle) = 0;
    /** Frees the data block. */
    virtual ~TMidiHdrBase();

    MIDIHDR* record() { return &m_record; }
    char* data() { return m_record.lpData; }
    int size() const { return static_cast<int>(m_record.dwBufferLength); }

    /** The header whose record this is (its user word), or null. */
    static TMidiHdrBase* fromRecord(const MIDIHDR* record);

private:
    MIDIHDR m_record;
};

/** A long message on its way out. listIndex tells who deletes it: -1 while
    the sender has not listed it, its slot in the port's pending list once
    listed, -2 when the system returned it before the sender could list it
    (the sender then deletes it). listIndex is guarded by the port's header
    lock. */
class TMidiOutHdr : public TMidiHdrBase
{
public:
    static constexpr int kUnlisted = -1;
    static constexpr int kReturnedUnlisted = -2;

    using TMidiHdrBase::TMidiHdrBase;

    void prepare(void* handle) override;
    void unprepare(void* handle) override;

    int listIndex = kUnlisted;
};

/** A SysEx input buffer: prepared once, then handed to the system on every
    prepare. */
class TMidiInHdr : public TMidiHdrBase
{
public:
    using TMidiHdrBase::TMidiHdrBase;

    /** Prepares the record unless it is prepared, then gives the buffer to
        the system, emptied. */
    void prepare(void* handle) override;
    void unprepare(void* handle) override;

    bool isPrepared() const { return m_prepared; }

private:
    bool m_prepared = false;
};

} // namespace Tr
