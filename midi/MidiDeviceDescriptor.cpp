#include "MidiDeviceDescriptor.h"

#include "MidiDeviceFactory.h"
#include "TextFunctions.h"

namespace Tr {

MidiDeviceDescriptor::MidiDeviceDescriptor() = default;

MidiDeviceDescriptor::MidiDeviceDescriptor(MidiDeviceFactory* factory, bool isInput, int index, const TString& name,
                                           const TString& parentId, const TString& interfacePath,
                                           const TString& extraName)
    : m_factory(factory),
      m_isInput(isInput),
      m_index(index),
      m_name(name),
      m_interfacePath(interfacePath),
      m_parentId(parentId),
      m_extraName(extraName)
{
}

MidiDeviceDescriptor::~MidiDeviceDescriptor() = default;

void MidiDeviceDescriptor::copyFrom(const MidiDeviceDescriptor& other)
{
    m_factory = other.m_factory;
    m_isInput = other.m_isInput;
    m_index = other.m_index;
    m_name = other.m_name;
    m_secondName = other.m_secondName;
    m_duplicateNumber = other.m_duplicateNumber;
    m_interfacePath = other.m_interfacePath;
    m_parentId = other.m_parentId;
    m_extraName = other.m_extraName;
}

MidiDeviceDescriptor* MidiDeviceDescriptor::clone() const
{
    auto* copy = new MidiDeviceDescriptor();
    copy->copyFrom(*this);
    return copy;
}

bool MidiDeviceDescriptor::matches(const MidiDeviceDescriptor* other) const
{
    if (other == nullptr)
        return false;
    if (m_factory != nullptr && other->m_factory != nullptr && m_factory != other->m_factory)
        return false;
    if (m_isInput != other->m_isInput || m_name != other->m_name || m_secondName != other->m_secondName)
        return false;
    if (m_parentId.isEmpty() && m_interfacePath.isEmpty())
        return m_duplicateNumber == other->m_duplicateNumber;
    return m_parentId == other->m_parentId && m_interfacePath == other->m_interfacePath;
}

bool MidiDeviceDescriptor::equals(const MidiDeviceDescriptor* other) const
{
    return other != nullptr && m_factory == other->m_factory && m_isInput == other->m_isInput
        && m_duplicateNumber == other->m_duplicateNumber && m_index == other->m_index && m_name == other->m_name
        && m_secondName == other->m_secondName && m_parentId == other->m_parentId
        && m_extraName == other->m_extraName && m_interfacePath == other->m_interfacePath;
}

TString MidiDeviceDescriptor::getDisplayName() const
{
    if (m_duplicateNumber <= 1)
        return m_name;
    return formatStrInt("%s (%d)", m_name, m_duplicateNumber);
}

uint32_t MidiDeviceDescriptor::getFactoryId() const
{
    return m_factory != nullptr ? m_factory->getFactoryId() : 0;
}

TMidiDeviceBase* MidiDeviceDescriptor::createOutputPort() const
{
    return m_factory != nullptr ? m_factory->createOutput(this) : nullptr;
}

TMidiDeviceBase* MidiDeviceDescriptor::createInputPort() const
{
    return m_factory != nullptr ? m_factory->createInput(this) : nullptr;
}

void MidiDeviceDescriptor::clearLocation()
{
    m_interfacePath.clear();
    m_parentId.clear();
}

void MidiDeviceDescriptor::takeLocation(const MidiDeviceDescriptor& other)
{
    m_interfacePath = other.m_interfacePath;
    m_parentId = other.m_parentId;
}

} // namespace Tr
