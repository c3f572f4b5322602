// Small services the application's parts share: the "Error" and "Confirm"
// boxes, the file dialogs, text conversion and calls handed to the GUI thread.
#pragma once

#include "TString.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** Shows the modal "Error" box with the warning icon and returns when it is closed. */
void showErrorBox(const juce::String& text);

/**
    Asks text in the modal "Confirm" box with Yes, No and Cancel. Returns true
    for Yes. When cancelled is given it is set to 1 for Cancel (or escape) and
    to 0 otherwise, so No and Cancel can be told apart.
*/
bool showConfirmBox(const juce::String& text, int* cancelled);

namespace Tr
{
/**
    Shows the native open (forSave false) or save dialog and returns the
    chosen file's full path, empty when cancelled. The save dialog asks before
    an existing file is chosen. prompt and fileTypeLabel are not shown.
*/
TString browseForFile(const TString& title, const TString& prompt, const TString& filePattern,
                      const TString& fileTypeLabel, const TString& startPath, bool forSave);
} // namespace Tr

/** The toolkit string as UTF-8 bytes, the whole text. */
Tr::TString toTrString(const juce::String& s);

/**
    The UTF-8 text of t as a toolkit string. Bytes that are not valid UTF-8
    (text from an older 8-bit file) are taken one character per byte, so that
    nothing is lost.
*/
juce::String toJuceString(const Tr::TString& t);

/**
    Something that callAsync runs on the message thread. Destroying it (on the
    message thread) cancels the calls still queued for it, so a queued call
    never reaches a runnable that has gone.
*/
class Runnable
{
public:
    Runnable() = default;
    Runnable(const Runnable&) = delete;
    Runnable& operator=(const Runnable&) = delete;
    virtual ~Runnable();
    virtual void run(int arg1, int arg2) = 0;
};

/**
    Runs runnable->run(arg1, arg2) once on the message thread; may be called
    from any thread. Each call gives one run; calls are not merged. The
    runnable is not owned: a call whose runnable was destroyed before its turn
    does nothing. After the program was told to quit nothing runs any more,
    and a call does nothing. Answers whether the call was handed over; false
    means it will not run.
*/
bool callAsync(Runnable* runnable, int arg1, int arg2);

/** callAsync(runnable, 0, 0). */
bool callAsync0(Runnable* runnable);

/**
    Serves one callAsync: posted to the message thread, runs its runnable
    there and deletes itself. One whose post the toolkit refused is deleted
    at once; one that no message loop delivers any more (handed over around
    the quit) is deleted when the toolkit shuts down. Made only by callAsync.
*/
class JuceUtilsInternalUpdater : public juce::AsyncUpdater
{
public:
    JuceUtilsInternalUpdater() = default;
    ~JuceUtilsInternalUpdater() override = default;

    /** Stores the call and posts the update to the message thread. Answers
        whether it was posted; when not, it will not run and the updater is
        gone or goes by itself. */
    bool start(Runnable* runnableToRun, int firstArg, int secondArg);

    void handleAsyncUpdate() override;

    /** Every call queued for runnable that has not run yet does nothing. */
    static void cancelCallsFor(const Runnable* runnable);

    /** The number of updaters that are queued: started and neither run nor deleted. */
    static int queuedCount();

private:
    int arg1 = 0;
    int arg2 = 0;
    /** Guarded by the list of queued updaters (JuceUtils.cpp). */
    Runnable* runnable = nullptr;

    JUCE_DECLARE_NON_COPYABLE(JuceUtilsInternalUpdater)
};
