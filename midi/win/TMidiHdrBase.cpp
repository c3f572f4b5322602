#include "TMidiHdrBase.h"

#include "EMidiError.h"
#include "MidiWinFunctions.h"

#include <cstring>

namespace Tr {

namespace
{
constexpr UINT kRecordSize = sizeof(MIDIHDR);

void throwOnFailure(MMRESULT code, bool isInput)
{
    if (code != MMSYSERR_NOERROR)
        throw EMidiError(getMidiErrorText(code, isInput, TString()));
}

HMIDIOUT outHandle(void* handle)
{
    return static_cast<HMIDIOUT>(handle);
}

HMIDIIN inHandle(void* handle)
{
    return static_cast<HMIDIIN>(handle);
}
} // namespace

TMidiHdrBase::TMidiHdrBase(int size)
{
    std::memset(&m_record, 0, sizeof m_record);
    if (size >= 1)
    {
        m_record.lpData = new char[static_cast<size_t>(size)];
        m_record.dwBufferLength = static_cast<DWORD>(size);
        m_record.dwUser = reinterpret_cast<DWORD_PTR>(this);
    }
}

TMidiHdrBase::~TMidiHdrBase()
{
    delete[] m_record.lpData;
    m_record.lpData = nullptr;
    m_record.dwBufferLength = 0;
}

TMidiHdrBase* TMidiHdrBase::fromRecord(const MIDIHDR* record)
{
    return record != nullptr ? reinterpret_cast<TMidiHdrBase*>(record->dwUser) : nullptr;
}

void TMidiOutHdr::prepare(void* handle)
{
    throwOnFailure(midiOutPrepareHeader(outHandle(handle), record(), kRecordSize), false);
}

void TMidiOutHdr::unprepare(void* handle)
{
    midiOutUnprepareHeader(outHandle(handle), record(), kRecordSize);
}

void TMidiInHdr::prepare(void* handle)
{
    if (!m_prepared)
    {
        record()->dwFlags = 0;
        throwOnFailure(midiInPrepareHeader(inHandle(handle), record(), kRecordSize), true);
        m_prepared = true;
    }
    record()->dwBytesRecorded = 0;
    throwOnFailure(midiInAddBuffer(inHandle(handle), record(), kRecordSize), true);
}

void TMidiInHdr::unprepare(void* handle)
{
    midiInUnprepareHeader(inHandle(handle), record(), kRecordSize);
    m_prepared = false;
}

} // namespace Tr
