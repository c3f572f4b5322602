// Tr::MIDIDevChangeNotifier: rescans the MIDI ports after device changes.
#pragma once

#include "MessageWindow.h"
#include "TTimer.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace Tr {

/** Owned by the MIDI manager. It receives the system's device-change
    broadcast in a hidden message window ("MIDIDevChangeMsgQueue") and
    rescans once, 2000 ms after the last notification of a burst; each
    notification pushes that rescan a full interval away. Without a window
    it polls instead, rescanning every 10000 ms without force, so that only a
    changed device count makes a factory resynchronise. handleMessage runs on
    the "Window Message Thread" and only restarts the timer; onTimer, and
    with it every rescan, runs on the GUI thread. */
class MIDIDevChangeNotifier : public TTimerListener, public TWndMessageListener
{
public:
    static constexpr int kAsyncIntervalMs = 2000;
    static constexpr int kPollingIntervalMs = 10000;

    MIDIDevChangeNotifier();
    /** Releases the window, which waits for a message being handled now,
        so that no message reaches this object any more; then stops and
        deletes the timer. */
    ~MIDIDevChangeNotifier() override;

    MIDIDevChangeNotifier(const MIDIDevChangeNotifier&) = delete;
    MIDIDevChangeNotifier& operator=(const MIDIDevChangeNotifier&) = delete;

    /** Makes the message window; without one, starts polling. True when a
        window exists. */
    bool init();
    /** Makes the timer on first use and (re)starts its countdown. */
    void trigger();

    void onTimer() override;
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int* handled) override;

    bool isPolling() const { return m_polling.load(); }
    bool hasWindow() const { return m_hasWindow; }
    /** The timer, null before the first trigger. */
    const TTimer* getTimer();

private:
    std::atomic<HWND> m_window{nullptr};
    std::atomic<bool> m_polling{false};
    bool m_hasWindow = false;
    std::mutex m_timerLock; // guards m_timer: made on the message thread, used on the GUI thread
    std::unique_ptr<TTimer> m_timer;
};

} // namespace Tr
