#include "JuceUtils.h"

#include "DialogSeam.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

void showErrorBox(const juce::String& text)
{
    DialogSeam::showMessageBox(juce::MessageBoxIconType::WarningIcon, "Error", text);
}

bool showConfirmBox(const juce::String& text, int* cancelled)
{
    const int answer = DialogSeam::showYesNoCancelBox(juce::MessageBoxIconType::QuestionIcon, "Confirm", text);
    if (cancelled != nullptr)
        *cancelled = answer == 0 ? 1 : 0;
    return answer == 1;
}

namespace Tr
{
TString browseForFile(const TString& title, const TString& /*prompt*/, const TString& filePattern,
                      const TString& /*fileTypeLabel*/, const TString& startPath, bool forSave)
{
    DialogSeam::FileRequest request;
    request.title = toJuceString(title);
    request.initialFileOrFolder = juce::File(toJuceString(startPath));
    request.filePatterns = toJuceString(filePattern);
    request.forSave = forSave;
    request.warnAboutOverwriting = forSave;

    juce::File chosen;
    if (! DialogSeam::browseForFile(request, chosen))
        return TString();
    return toTrString(chosen.getFullPathName());
}
} // namespace Tr

Tr::TString toTrString(const juce::String& s)
{
    return Tr::TString(s.toRawUTF8());
}

juce::String toJuceString(const Tr::TString& t)
{
    const char* text = t.c_str();
    const int length = t.length();
    if (juce::CharPointer_UTF8::isValidString(text, length))
        return juce::String::fromUTF8(text, length);

    // Not UTF-8: keep every byte as the character of the same number.
    juce::String result;
    result.preallocateBytes(static_cast<size_t>(length) * 2);
    for (int i = 0; i < length; ++i)
        result += juce::String::charToString(static_cast<juce::juce_wchar>(static_cast<unsigned char>(text[i])));
    return result;
}

namespace
{
/** The updaters posted and not run yet; calls come from any thread. */
struct QueuedUpdaters
{
    std::mutex lock;
    std::vector<JuceUtilsInternalUpdater*> list;
    bool sweeperMade = false;
};

QueuedUpdaters& queuedUpdaters()
{
    static QueuedUpdaters queued;
    return queued;
}

/** Deletes, when the toolkit shuts down, the updaters still queued: the
    message loop has ended and delivers none of them any more. */
class UpdaterSweeper : public juce::DeletedAtShutdown
{
public:
    ~UpdaterSweeper() override
    {
        std::vector<JuceUtilsInternalUpdater*> left;
        {
            auto& queued = queuedUpdaters();
            const std::lock_guard<std::mutex> hold(queued.lock);
            left.swap(queued.list);
            queued.sweeperMade = false;
        }
        for (JuceUtilsInternalUpdater* updater : left)
            delete updater;
    }
};
} // namespace

Runnable::~Runnable()
{
    JuceUtilsInternalUpdater::cancelCallsFor(this);
}

bool callAsync(Runnable* runnable, int arg1, int arg2)
{
    // Once the message loop has been told to quit (or before the toolkit
    // runs) the toolkit refuses the post: no updater is made then.
    const auto* messageManager = juce::MessageManager::getInstanceWithoutCreating();
    if (messageManager == nullptr || messageManager->hasStopMessageBeenSent())
        return false;

    // Owned by the list of queued updaters until it runs and deletes itself.
    return (new JuceUtilsInternalUpdater())->start(runnable, arg1, arg2);
}

bool callAsync0(Runnable* runnable)
{
    return callAsync(runnable, 0, 0);
}

bool JuceUtilsInternalUpdater::start(Runnable* runnableToRun, int firstArg, int secondArg)
{
    auto& queued = queuedUpdaters();
    // Held across the post, so that the message thread can neither run nor
    // delete this updater before the outcome has been read.
    const std::lock_guard<std::mutex> hold(queued.lock);
    arg1 = firstArg;
    arg2 = secondArg;
    runnable = runnableToRun;
    queued.list.push_back(this);
    if (!queued.sweeperMade)
    {
        new UpdaterSweeper(); // owned by the toolkit's shutdown
        queued.sweeperMade = true;
    }

    triggerAsyncUpdate();
    if (isUpdatePending())
        return true;
    // Not pending: the toolkit refused the post (it does so only after the
    // quit), or the message thread has already taken the update and waits
    // for the lock in handleAsyncUpdate.
    const auto* messageManager = juce::MessageManager::getInstanceWithoutCreating();
    if (messageManager == nullptr || messageManager->currentThreadHasLockedMessageManager())
    {
        // No message loop runs beside this thread: refused.
        queued.list.pop_back();
        delete this;
        return false;
    }
    if (!messageManager->hasStopMessageBeenSent())
        return true; // taken
    // Refused, or taken just before the quit: it cannot be told apart here.
    // Either way it does not run; taken, it deletes itself, refused, the
    // sweeper deletes it at shutdown.
    runnable = nullptr;
    return false;
}

void JuceUtilsInternalUpdater::handleAsyncUpdate()
{
    // Serves exactly one call: gone after the run, also when the run throws.
    const std::unique_ptr<JuceUtilsInternalUpdater> self(this);
    Runnable* toRun = nullptr;
    {
        auto& queued = queuedUpdaters();
        const std::lock_guard<std::mutex> hold(queued.lock);
        queued.list.erase(std::remove(queued.list.begin(), queued.list.end(), this), queued.list.end());
        toRun = runnable;
    }
    // A runnable is destroyed on the message thread, so it cannot go while
    // it runs here.
    if (toRun != nullptr)
        toRun->run(arg1, arg2);
}

void JuceUtilsInternalUpdater::cancelCallsFor(const Runnable* runnable)
{
    auto& queued = queuedUpdaters();
    const std::lock_guard<std::mutex> hold(queued.lock);
    for (JuceUtilsInternalUpdater* updater : queued.list)
        if (updater->runnable == runnable)
            updater->runnable = nullptr;
}

int JuceUtilsInternalUpdater::queuedCount()
{
    auto& queued = queuedUpdaters();
    const std::lock_guard<std::mutex> hold(queued.lock);
    return static_cast<int>(queued.list.size());
}
