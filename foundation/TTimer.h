// Tr::TTimer and Tr::TTimerListener: the library's timer abstraction.
#pragma once

#include "TString.h"

#include <atomic>

namespace Tr {

/** Receives a timer's ticks. The timer never owns or deletes its listener. */
class TTimerListener
{
public:
    virtual void onTimer() = 0;

protected:
    ~TTimerListener() = default;
};

/** A timer that calls its listener's onTimer every interval while it runs.
    Created stopped with a 1000 ms interval. Used as a one-shot timer by
    stopping it from inside onTimer. setRunning and setInterval may be called
    from any thread. */
class TTimer
{
public:
    explicit TTimer(TTimerListener* listener);
    virtual ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    virtual bool isRunning() const;

    /** Starts or stops the timer; starting a running timer changes nothing. */
    virtual void setRunning(bool running) = 0;

    virtual int getInterval() const;

    /** Stores the interval; on a running timer the countdown starts again
        from the full interval (also when the value is unchanged). */
    virtual void setInterval(int ms);

    /** A label for the timer; the timer itself never reads it. */
    void setName(const TString& name);
    const TString& getName() const { return m_name; }

protected:
    TTimerListener* listener() const { return m_listener; }

    std::atomic<int> m_interval{1000};
    std::atomic<int> m_running{0};

private:
    TTimerListener* const m_listener;
    TString m_name;
};

/** A new stopped timer with a 1000 ms interval and the given name, whose
    onTimer calls arrive on the GUI thread. The caller owns it and deletes it. */
TTimer* createTimer(TTimerListener* listener, const TString& name);

} // namespace Tr
