// A MIDI driver family whose ports a test scripts: ports of both kinds that
// come, go and change their names at run time, opens that succeed or fail
// with a given text, and a record of every message sent. Its clock is the
// test's, so the factory's refresh guard is driven without sleeping.
#pragma once

#include "EMidiError.h"
#include "MidiDeviceFactory.h"
#include "TMidiInputBase.h"
#include "TMidiOutputBase.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace TestSupport
{
// One port as the scripted driver sees it. A test changes the fields at any
// time; the factory's lists see the change at their next re-read.
struct ScriptedDevice
{
    std::string name;
    std::string interfacePath;
    std::string parentId;
    std::string extraName;

    // Non-empty: opening the port throws Tr::EMidiError with this text.
    std::string openError;
    // Opening the port neither opens it nor throws.
    bool openLeavesClosed = false;
    // Sends are refused (answered false or 0 bytes) and not recorded.
    bool refuseSends = false;

    // What happened to it.
    bool open = false;
    bool started = false;
    int openCount = 0;
    int closeCount = 0;
    std::vector<uint32_t> shortMessages; // packed, status in the low byte
    std::vector<std::vector<uint8_t>> longMessages;
};

using ScriptedDevicePtr = std::shared_ptr<ScriptedDevice>;

// The scripted driver: the present ports of each kind, in device-number
// order. Shared by the factory and its ports, so either may go first.
struct ScriptedDriver
{
    std::vector<ScriptedDevicePtr> devices[2]; // [0] outputs, [1] inputs

    std::vector<ScriptedDevicePtr>& of(bool isInput) { return devices[isInput ? 1 : 0]; }

    // The device that a port of this descriptor opens: the one at its index
    // now, as a driver opens by device number. Throws when there is none.
    ScriptedDevicePtr deviceFor(const Tr::MidiDeviceDescriptor& descriptor)
    {
        const auto& list = of(descriptor.isInput());
        const int index = descriptor.getIndex();
        if (index < 0 || index >= static_cast<int>(list.size()))
            throw Tr::EMidiError("no such scripted device");
        return list[static_cast<size_t>(index)];
    }
};

// Opens by device number, closes, and keeps the device it opened.
template <typename Base>
class ScriptedPort : public Base
{
public:
    ScriptedPort(std::shared_ptr<ScriptedDriver> driver, const Tr::MidiDeviceDescriptor* descriptor)
        : Base(descriptor), m_driver(std::move(driver))
    {
    }
    ~ScriptedPort() override { this->close(); }

    // The device this port opened last (null before its first open).
    const ScriptedDevicePtr& device() const { return m_device; }

protected:
    void openHandle() override
    {
        ScriptedDevicePtr device = m_driver->deviceFor(*this->getDescriptor());
        if (!device->openError.empty())
            throw Tr::EMidiError(device->openError.c_str());
        if (device->openLeavesClosed)
            return;
        m_device = device;
        m_device->open = true;
        ++m_device->openCount;
        this->setHandle(m_device.get());
    }

    bool closeHandle(void* /*handle*/) override
    {
        m_device->open = false;
        m_device->started = false;
        ++m_device->closeCount;
        return true;
    }

    // The open device, or null when sends are to be refused.
    ScriptedDevice* sendTarget() const
    {
        return this->isOpen() && !m_device->refuseSends ? m_device.get() : nullptr;
    }

private:
    std::shared_ptr<ScriptedDriver> m_driver;
    ScriptedDevicePtr m_device;
};

class ScriptedOutput : public ScriptedPort<Tr::TMidiOutputBase>
{
public:
    using ScriptedPort::ScriptedPort;

    bool sendShortBytes(uint8_t status, uint8_t data1, uint8_t data2) override
    {
        ScriptedDevice* target = sendTarget();
        if (target == nullptr)
            return false;
        target->shortMessages.push_back(status | uint32_t{data1} << 8 | uint32_t{data2} << 16);
        return true;
    }

    // The whole message in one piece.
    int sendLongChunked(const uint8_t* data, int length, Tr::TMidiSendProgress* /*progress*/) override
    {
        ScriptedDevice* target = sendTarget();
        if (target == nullptr || length < 1)
            return 0;
        target->longMessages.emplace_back(data, data + length);
        return length;
    }
};

class ScriptedInput : public ScriptedPort<Tr::TMidiInputBase>
{
public:
    using ScriptedPort::ScriptedPort;

    void start() override { setStarted(true); }
    void stop() override { setStarted(false); }
    bool isStarted() const override { return device() && device()->started; }

    // Hands bytes to the data listener, as the driver's callback does.
    void receive(const std::vector<uint8_t>& bytes, uint64_t timeStamp = 0)
    {
        if (Tr::TMidiDeviceDataListener* listener = getDataListener())
            listener->onMidiData(this, timeStamp, bytes.data(), static_cast<int>(bytes.size()));
    }

private:
    void setStarted(bool started)
    {
        if (isOpen())
            device()->started = started;
    }
};

// The factory. Devices are listed in the order added; descriptor index i is
// device number i of its kind. Its clock starts at 1 ms and moves only when
// the test moves it. Like every factory it joins the AutoDelete registry: a
// test that runs Tr::AutoDelete::deleteAll makes it with new and leaves its
// deletion to the registry; otherwise it may live on the stack.
class ScriptedMidiFactory : public Tr::MidiDeviceFactory
{
public:
    static constexpr uint32_t kDefaultId = 0x54534554; // "TEST" in memory order

    explicit ScriptedMidiFactory(uint32_t id = kDefaultId) : m_id(id) {}

    ScriptedDevicePtr addOutput(const std::string& name, const std::string& interfacePath = "",
                                const std::string& parentId = "")
    {
        return add(false, name, interfacePath, parentId);
    }
    ScriptedDevicePtr addInput(const std::string& name, const std::string& interfacePath = "",
                               const std::string& parentId = "")
    {
        return add(true, name, interfacePath, parentId);
    }
    // Unplugs the device; later devices of its kind move down one number.
    void remove(const ScriptedDevicePtr& device)
    {
        for (auto& list : m_driver->devices)
            for (auto it = list.begin(); it != list.end(); ++it)
                if (*it == device)
                {
                    list.erase(it);
                    return;
                }
    }
    // The device takes the last device number of its kind (the ones after
    // it move down one), as when it is plugged in again.
    void moveToEnd(const ScriptedDevicePtr& device)
    {
        for (auto& list : m_driver->devices)
            for (auto it = list.begin(); it != list.end(); ++it)
                if (*it == device)
                {
                    list.erase(it);
                    list.push_back(device);
                    return;
                }
    }
    const std::vector<ScriptedDevicePtr>& devices(bool isInput) const { return m_driver->of(isInput); }

    // The refresh guard's clock.
    void setMillis(uint32_t now) { m_now = now; }
    void advanceMillis(uint32_t ms) { m_now += ms; }
    // Lists re-read so far (one per kind per re-read).
    int enumerateCount() const { return m_enumerateCount; }
    // Makes the next re-read throw Tr::EMidiError with text.
    void failNextEnumerate(const std::string& text) { m_enumerateError = text; }

    void enumerate(bool isInput, Tr::MidiDeviceDescriptorList& list) override
    {
        ++m_enumerateCount;
        if (!m_enumerateError.empty())
        {
            const std::string text = std::move(m_enumerateError);
            m_enumerateError.clear();
            throw Tr::EMidiError(text.c_str());
        }
        resizeList(isInput, 0, false);
        const auto& present = m_driver->of(isInput);
        for (size_t i = 0; i < present.size(); ++i)
        {
            const ScriptedDevice& d = *present[i];
            list.add(new Tr::MidiDeviceDescriptor(this, isInput, static_cast<int>(i), d.name.c_str(),
                                                  d.parentId.c_str(), d.interfacePath.c_str(), d.extraName.c_str()));
        }
    }
    uint32_t getFactoryId() const override { return m_id; }
    Tr::TString getKindName(bool isInput) const override { return isInput ? "Scripted Input" : "Scripted Output"; }
    Tr::TMidiDeviceBase* createPort(const Tr::MidiDeviceDescriptor* descriptor) override
    {
        if (descriptor == nullptr)
            return nullptr;
        if (descriptor->isInput())
            return new ScriptedInput(m_driver, descriptor);
        return new ScriptedOutput(m_driver, descriptor);
    }

protected:
    uint32_t currentMillis() const override { return m_now; }

private:
    ScriptedDevicePtr add(bool isInput, const std::string& name, const std::string& interfacePath,
                          const std::string& parentId)
    {
        auto device = std::make_shared<ScriptedDevice>();
        device->name = name;
        device->interfacePath = interfacePath;
        device->parentId = parentId;
        m_driver->of(isInput).push_back(device);
        return device;
    }

    std::shared_ptr<ScriptedDriver> m_driver = std::make_shared<ScriptedDriver>();
    uint32_t m_id;
    uint32_t m_now = 1;
    int m_enumerateCount = 0;
    std::string m_enumerateError;
};
} // namespace TestSupport
