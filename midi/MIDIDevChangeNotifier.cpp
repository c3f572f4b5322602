#include "MIDIDevChangeNotifier.h"

#include "MidiManager.h"

namespace Tr {

MIDIDevChangeNotifier::MIDIDevChangeNotifier() = default;

MIDIDevChangeNotifier::~MIDIDevChangeNotifier()
{
    // The release waits for a message being handled now; after it no call
    // reaches this object. Nothing here is held that handleMessage takes
    // before the release returns.
    if (HWND window = m_window.exchange(nullptr))
        releaseMessageWindow(window);
    std::lock_guard<std::mutex> hold(m_timerLock);
    if (m_timer != nullptr)
    {
        m_timer->setRunning(false);
        m_timer.reset();
    }
}

bool MIDIDevChangeNotifier::init()
{
    if (m_hasWindow)
        return true;
    HWND window = createMessageWindow(this, TString("MIDIDevChangeMsgQueue"));
    m_window.store(window);
    m_hasWindow = window != nullptr;
    if (!m_hasWindow)
    {
        m_polling.store(true);
        trigger();
    }
    return m_hasWindow;
}

void MIDIDevChangeNotifier::trigger()
{
    const bool polling = m_polling.load();
    std::lock_guard<std::mutex> hold(m_timerLock);
    if (m_timer == nullptr)
        m_timer.reset(createTimer(this, TString(polling ? "MIDIDevChange Poller" : "MIDIDevChange async")));
    m_timer->setInterval(polling ? kPollingIntervalMs : kAsyncIntervalMs);
    m_timer->setRunning(true);
}

LRESULT MIDIDevChangeNotifier::handleMessage(HWND, UINT message, WPARAM, LPARAM, int* handled)
{
    if (message != WM_DEVICECHANGE)
        return 0;
    trigger();
    *handled = 1;
    return 0;
}

const TTimer* MIDIDevChangeNotifier::getTimer()
{
    std::lock_guard<std::mutex> hold(m_timerLock);
    return m_timer.get();
}

void MIDIDevChangeNotifier::onTimer()
{
    const bool polling = m_polling.load();
    if (!polling)
    {
        std::lock_guard<std::mutex> hold(m_timerLock);
        m_timer->setRunning(false); // the burst's one rescan
    }
    MidiManager* manager = MidiManager::getInstance();
    if (!manager->isSuspended())
        manager->rescan(!polling, true);
}

} // namespace Tr
