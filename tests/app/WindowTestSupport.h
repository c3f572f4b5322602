// Shared by the in-process window tests: a content that records its hooks,
// a window that makes it, and helpers for running the message loop.
#pragma once

#include "BContentBase.h"
#include "BWindow.h"
#include "Exception.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <string>
#include <vector>

namespace TestSupport
{
/**
    Makes this executable count as a standalone toolkit program before any
    toolkit code runs, so that the toolkit installs its X error handlers: a
    window opened without an application object must not end the process on
    a harmless X error of a bare X server.
*/
inline const bool standaloneToolkitProgram = []
{
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };
    return true;
}();

/** What the recording content did, kept outside it: the window deletes the content. */
struct HookLog
{
    std::vector<std::string> calls;
    std::vector<bool> onMessageThread;
    double shownAtMs = 0.0;
    double afterStartAtMs = 0.0;

    int count(const std::string& name) const
    {
        int n = 0;
        for (const auto& call : calls)
            n += call == name ? 1 : 0;
        return n;
    }
};

/** How the recording content behaves. */
struct ContentScript
{
    bool loadBackground = true;
    bool nativeTitleBar = false; // createContent switches the window to the native title bar
    bool loadSettingsResult = true;
    bool canCloseResult = true;
    std::string throwIn; // name of the hook that throws a Tr::Exception
    std::string message = "the settings could not be read";
};

/** A content that records every hook the window calls. */
class RecordingContent : public BContentBase
{
public:
    RecordingContent(HookLog& logTo, const ContentScript& scriptToFollow) : log(logTo), script(scriptToFollow) {}
    ~RecordingContent() override { log.calls.push_back("~content"); }

    void createContent() override
    {
        record("createContent");
        if (script.loadBackground)
            BContentBase::createContent();
        if (script.nativeTitleBar)
            BWindow::getMainWindow()->setUsingNativeTitleBar(true);
    }
    bool loadSettings(const juce::String&) override
    {
        record("loadSettings");
        return script.loadSettingsResult;
    }
    void afterStart(bool started) override
    {
        record(started ? "afterStart" : "afterStart(false)");
        log.afterStartAtMs = juce::Time::getMillisecondCounterHiRes();
    }
    bool canClose() override
    {
        record("canClose");
        return script.canCloseResult;
    }
    void saveSettings() override { record("saveSettings"); }
    void updateControlStates() override { record("updateControlStates"); }
    bool prepareShow() override
    {
        record("prepareShow");
        log.shownAtMs = juce::Time::getMillisecondCounterHiRes();
        return true;
    }

    using BContentBase::dragStartX;
    using BContentBase::repaintPending;
    using BContentBase::updatePending;

private:
    void record(const std::string& name)
    {
        log.calls.push_back(name);
        log.onMessageThread.push_back(juce::MessageManager::getInstance()->isThisTheMessageThread());
        if (name == script.throwIn)
            throw Tr::Exception(script.message.c_str());
    }

    HookLog& log;
    ContentScript script;
};

/** A window whose content is a RecordingContent. */
class RecordingWindow : public BWindow
{
public:
    RecordingWindow(HookLog& logTo, const ContentScript& scriptToFollow)
        : BWindow("Test Window"), log(logTo), script(scriptToFollow)
    {
    }

    BContentBase* createContentComponent() override
    {
        log.calls.push_back("createContentComponent");
        if (script.throwIn == "createContentComponent")
            throw Tr::Exception(script.message.c_str());
        return new RecordingContent(log, script);
    }

    RecordingContent* recordingContent() const { return dynamic_cast<RecordingContent*>(content); }
    bool isFirstTickPending() const { return firstTickPending; }

private:
    HookLog& log;
    ContentScript script;
};

/** Runs the message loop until done() or about timeoutMs have passed; true when done. */
template <typename Condition>
bool runLoopUntil(Condition done, int timeoutMs = 3000)
{
    const double end = juce::Time::getMillisecondCounterHiRes() + timeoutMs;
    while (! done() && juce::Time::getMillisecondCounterHiRes() < end)
        juce::MessageManager::getInstance()->runDispatchLoopUntil(5);
    return done();
}
} // namespace TestSupport
