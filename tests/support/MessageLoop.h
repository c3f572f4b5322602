// Runs the JUCE message loop of a test (headless: no display needed) until a
// condition holds or a time limit passes.
#pragma once

#include "Millis.h"

#include <juce_events/juce_events.h>

#include <functional>

namespace TestSupport
{
/** True as soon as the condition holds; false when it still does not after
    limitMs milliseconds of dispatching messages. */
inline bool runLoopUntil(const std::function<bool()>& condition, DWORD limitMs = 5000)
{
    const DWORD start = Tr::getMillis();
    while (!condition())
    {
        if (Tr::getMillis() - start > limitMs)
            return false;
        juce::MessageManager::getInstance()->runDispatchLoopUntil(5);
    }
    return true;
}

/** Dispatches messages for ms milliseconds. */
inline void runLoopFor(DWORD ms)
{
    runLoopUntil([] { return false; }, ms);
}
} // namespace TestSupport
