#include "MidiListeners.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
// Overrides two of the six operations.
class StateOnly : public Tr::MidiManagerDeviceControlListener
{
public:
    void deviceStateChanged(int index, bool isInput) override { calls.push_back(isInput ? -index : index); }
    void deviceUpdated(int index, bool isInput) override { deviceStateChanged(index, isInput); }
    std::vector<int> calls;
};

void sendAllSix(Tr::MidiManagerDeviceControlListener& listener)
{
    listener.deviceOpening(1, false);
    listener.deviceStateChanged(2, false);
    listener.deviceClosing(3, false);
    listener.deviceUpdated(4, true);
    listener.deviceMessage(5, false, "Opened MIDI OUT: Synth");
    listener.deviceError(-1, true, "Internal error");
}
} // namespace

TEST(MidiManagerDeviceControlListener, OperationsThatAreNotOverriddenDoNothing)
{
    struct Plain : Tr::MidiManagerDeviceControlListener
    {
    } plain;
    sendAllSix(plain);

    StateOnly listener;
    sendAllSix(listener);
    EXPECT_EQ(listener.calls, (std::vector<int>{2, -4}));
}
