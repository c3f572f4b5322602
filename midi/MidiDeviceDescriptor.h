// Tr::MidiDeviceDescriptor: what the MIDI library knows of one port.
#pragma once

#include "TString.h"

#include <cstdint>

namespace Tr {

class MidiDeviceFactory;
class TMidiDeviceBase;

/** Names one port of one driver family: the factory that lists it, its kind,
    its position in the factory's list, the driver's name for it with the
    number that tells equal names apart, and where the driver says it is
    attached (interface path and parent id), by which a port that moved to
    another position is recognised. A driver family may derive its own
    descriptor; copies are made with copyFrom and clone only. */
class MidiDeviceDescriptor
{
public:
    /** No factory, an output at index 0, duplicate number 0, every text empty. */
    MidiDeviceDescriptor();
    /** secondName empty and duplicate number 0. factory may be null (a
        placeholder for a remembered port whose family is not attached). */
    MidiDeviceDescriptor(MidiDeviceFactory* factory, bool isInput, int index, const TString& name,
                         const TString& parentId, const TString& interfacePath, const TString& extraName);

    MidiDeviceDescriptor(const MidiDeviceDescriptor&) = delete;
    MidiDeviceDescriptor& operator=(const MidiDeviceDescriptor&) = delete;

    /** Every field takes other's value. */
    virtual void copyFrom(const MidiDeviceDescriptor& other);
    virtual ~MidiDeviceDescriptor();
    /** A new descriptor of the same class holding the same values; the caller owns it. */
    virtual MidiDeviceDescriptor* clone() const;
    /** Whether other stands for the same port, as the rescan recognises it:
        same factory (when both have one), kind, name and second name; then,
        when this descriptor has no location, the same duplicate number, else
        the same parent id and interface path. Indexes never count. */
    virtual bool matches(const MidiDeviceDescriptor* other) const;
    /** Whether every field is the same (false for null). */
    virtual bool equals(const MidiDeviceDescriptor* other) const;

    /** name, or "name (n)" when the duplicate number n is 2 or more. */
    TString getDisplayName() const;
    /** The factory's four-character id, or 0 without a factory. */
    uint32_t getFactoryId() const;

    /** A new port for this descriptor from its factory (the caller owns it);
        null without a factory or when this descriptor is of the other kind. */
    TMidiDeviceBase* createOutputPort() const;
    TMidiDeviceBase* createInputPort() const;

    /** Forgets the location: interface path and parent id become empty. */
    void clearLocation();
    /** Takes other's location: its interface path and parent id. */
    void takeLocation(const MidiDeviceDescriptor& other);
    /** Whether an interface path or a parent id is known. */
    bool hasLocation() const { return !m_interfacePath.isEmpty() || !m_parentId.isEmpty(); }

    MidiDeviceFactory* getFactory() const { return m_factory; }
    bool isInput() const { return m_isInput; }
    int getIndex() const { return m_index; }
    const TString& getName() const { return m_name; }
    void setName(const TString& name) { m_name = name; }
    const TString& getSecondName() const { return m_secondName; }
    int getDuplicateNumber() const { return m_duplicateNumber; }
    void setDuplicateNumber(int number) { m_duplicateNumber = number; }
    TString getInterfacePath() const { return m_interfacePath; }
    TString getParentId() const { return m_parentId; }
    TString getExtraName() const { return m_extraName; }

protected:
    MidiDeviceFactory* m_factory = nullptr;
    bool m_isInput = false;
    int m_index = 0;
    TString m_name;
    TString m_secondName;
    int m_duplicateNumber = 0;
    TString m_interfacePath;
    TString m_parentId;
    TString m_extraName;
};

} // namespace Tr
