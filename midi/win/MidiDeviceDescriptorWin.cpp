#include "MidiDeviceDescriptorWin.h"

#include "MidiUsbName.h"
#include "MidiWinFactory.h"
#include "OsVersion.h"
#include "TextFunctions.h"

#include "midi/PlatformMidi.h"

#include <cstring>
#include <vector>

namespace Tr {

namespace
{
const char* const kUnknownName = "unknown";
constexpr ULONG kMaxPathBytes = 10000;
constexpr int kMinPathLength = 3;

/** Whether the system is older than Windows Vista, worked out once. */
bool olderThanVista()
{
    static const bool older = !isVistaOrLater();
    return older;
}

/** The interface path answered by the size and path messages of one kind. */
template <typename Handle, typename Message>
TString readInterfacePath(Message message, int id)
{
    const auto device = reinterpret_cast<Handle>(static_cast<UINT_PTR>(static_cast<UINT>(id)));
    ULONG size = 0;
    if (message(device, DRV_QUERYDEVICEINTERFACESIZE, reinterpret_cast<DWORD_PTR>(&size), 0) != MMSYSERR_NOERROR
        || size == 0 || size >= kMaxPathBytes)
        return TString();
    // One unit more than the answer may fill, so the text always ends.
    std::vector<WCHAR> path(size / sizeof(WCHAR) + 1, 0);
    if (message(device, DRV_QUERYDEVICEINTERFACE, reinterpret_cast<DWORD_PTR>(path.data()), size) != MMSYSERR_NOERROR)
        return TString();
    const TString text = fromWide(path.data());
    return text.length() >= kMinPathLength ? text : TString();
}

/** The product name of the capabilities of one kind. The record is zeroed
    and the name read within its 32 bytes, so a name that fills them all is
    not read past. */
template <typename Caps, typename Query>
bool readCapsName(Query query, UINT_PTR id, TString& name)
{
    Caps caps;
    std::memset(&caps, 0, sizeof caps);
    if (query(id, &caps, sizeof caps) != MMSYSERR_NOERROR)
        return false;
    name = TString(caps.szPname, MAXPNAMELEN);
    return true;
}
} // namespace

MidiDeviceDescriptorWin::MidiDeviceDescriptorWin() = default;

MidiDeviceDescriptorWin::MidiDeviceDescriptorWin(bool isInput, int index)
    : MidiDeviceDescriptor(MidiWinFactory::getInstance(), isInput, index, TString(), TString(), TString(), TString())
{
    refresh();
}

MidiDeviceDescriptorWin::~MidiDeviceDescriptorWin() = default;

MidiDeviceDescriptor* MidiDeviceDescriptorWin::clone() const
{
    auto* copy = new MidiDeviceDescriptorWin();
    copy->copyFrom(*this);
    copy->m_capsName = m_capsName;
    copy->m_usbName = m_usbName;
    return copy;
}

int MidiDeviceDescriptorWin::mapperOffset() const
{
    return MidiWinFactory::mapperOffsetOf(this);
}

int MidiDeviceDescriptorWin::deviceId() const
{
    return isInput() ? getIndex() : getIndex() - mapperOffset();
}

bool MidiDeviceDescriptorWin::refresh()
{
    const bool pathChanged = queryInterfacePath();
    if (!pathChanged && !m_interfacePath.isEmpty())
        return false;
    const bool capsChanged = queryCapsName();
    if (!capsChanged && m_interfacePath.isEmpty())
        return false;
    m_name = m_capsName;
    if (queryUsbName() && olderThanVista())
        m_name = m_usbName;
    return true;
}

bool MidiDeviceDescriptorWin::queryInterfacePath()
{
    const int id = deviceId();
    TString path;
    if (isInput())
        path = readInterfacePath<HMIDIIN>(&midiInMessage, id);
    else if (id >= 0) // the Mapper has no path
        path = readInterfacePath<HMIDIOUT>(&midiOutMessage, id);
    const bool changed = path != m_interfacePath;
    m_interfacePath = path;
    return changed;
}

bool MidiDeviceDescriptorWin::queryCapsName()
{
    TString name;
    const auto id = static_cast<UINT_PTR>(static_cast<intptr_t>(deviceId()));
    const bool read = isInput() ? readCapsName<MIDIINCAPSA>(&midiInGetDevCapsA, id, name)
                                : readCapsName<MIDIOUTCAPSA>(&midiOutGetDevCapsA, id, name);
    if (!read)
        m_capsFailed = true;
    if (m_capsFailed)
        name = kUnknownName;
    const bool changed = name != m_capsName;
    m_capsName = name;
    return changed;
}

bool MidiDeviceDescriptorWin::queryUsbName()
{
    return findUsbName(m_interfacePath, !olderThanVista(), m_usbName, m_parentId);
}

} // namespace Tr
