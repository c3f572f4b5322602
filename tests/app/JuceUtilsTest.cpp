// The "Error" and "Confirm" boxes, the file dialog, text conversion between
// the two string types, and calls handed to the message thread.
#include "DialogSeam.h"
#include "JuceUtils.h"
#include "app/WindowTestSupport.h"
#include "gui/PlatformDisplay.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace
{
struct ShownBox
{
    juce::MessageBoxIconType icon;
    juce::String title;
    juce::String text;
};

/** Records every box and answers questions with a fixed answer. */
struct ScriptedBoxes
{
    explicit ScriptedBoxes(int answer)
        : seam([this](juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text)
               { shown.push_back({icon, title, text}); },
               [this, answer](juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text)
               {
                   shown.push_back({icon, title, text});
                   return answer;
               })
    {
    }

    std::vector<ShownBox> shown;
    DialogSeam::ScopedOverride seam;
};

/** Records the file dialog's request and answers with a file, or cancels. */
struct ScriptedChooser
{
    explicit ScriptedChooser(const juce::String& answerPath)
        : seam({}, {},
               [this, answerPath](const DialogSeam::FileRequest& request, juce::File& chosen)
               {
                   requests.push_back(request);
                   if (answerPath.isEmpty())
                       return false;
                   chosen = juce::File(answerPath);
                   return true;
               })
    {
    }

    std::vector<DialogSeam::FileRequest> requests;
    DialogSeam::ScopedOverride seam;
};

/** Counts its runs and remembers on which thread and with which arguments they came. */
class RecordingRunnable : public Runnable
{
public:
    void run(int arg1, int arg2) override
    {
        runs.push_back({arg1, arg2});
        onMessageThread.push_back(juce::MessageManager::getInstance()->isThisTheMessageThread());
    }

    std::vector<std::pair<int, int>> runs;
    std::vector<bool> onMessageThread;
};

} // namespace

using TestSupport::runLoopUntil;

TEST(ShowErrorBox, ShowsTheTextInABoxTitledErrorWithTheWarningIcon)
{
    ScriptedBoxes boxes(0);
    showErrorBox("Error loading file 'a.syx':\nbroken");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, juce::MessageBoxIconType::WarningIcon);
    EXPECT_EQ(boxes.shown[0].title, "Error");
    EXPECT_EQ(boxes.shown[0].text, "Error loading file 'a.syx':\nbroken");
}

TEST(ShowConfirmBox, TellsYesNoAndCancelApartThroughTheCancelledFlag)
{
    struct Case
    {
        int toolkitAnswer;
        bool result;
        int cancelled;
    };
    const Case cases[] = {{1, true, 0}, {2, false, 0}, {0, false, 1}};
    for (const Case& c : cases)
    {
        ScriptedBoxes boxes(c.toolkitAnswer);
        int cancelled = 77;
        EXPECT_EQ(showConfirmBox("Do you want to send all programs now?", &cancelled), c.result);
        EXPECT_EQ(cancelled, c.cancelled) << "toolkit answer " << c.toolkitAnswer;
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].icon, juce::MessageBoxIconType::QuestionIcon);
        EXPECT_EQ(boxes.shown[0].title, "Confirm");
        EXPECT_EQ(boxes.shown[0].text, "Do you want to send all programs now?");
    }
}

TEST(ShowConfirmBox, AcceptsANullCancelledPointer)
{
    ScriptedBoxes yes(1);
    EXPECT_TRUE(showConfirmBox("Sure?", nullptr));
    ScriptedBoxes cancel(0);
    EXPECT_FALSE(showConfirmBox("Sure?", nullptr));
}

TEST(BrowseForFile, PassesTitlePatternAndStartPathButNotPromptOrLabel)
{
    ScriptedChooser chooser("/tmp/chosen/Bank.syx");
    const Tr::TString result = Tr::browseForFile("Open a Vaskor MIDI 5 File", "the prompt", "*.syx", "the label",
                                                 "/tmp/start/Last.syx", false);
    EXPECT_STREQ(result.c_str(), "/tmp/chosen/Bank.syx");
    ASSERT_EQ(chooser.requests.size(), 1u);
    const auto& request = chooser.requests[0];
    EXPECT_EQ(request.title, "Open a Vaskor MIDI 5 File");
    EXPECT_EQ(request.filePatterns, "*.syx");
    EXPECT_EQ(request.initialFileOrFolder.getFullPathName(), "/tmp/start/Last.syx");
    EXPECT_FALSE(request.forSave);
    EXPECT_FALSE(request.warnAboutOverwriting);
    for (const juce::String& text : {request.title, request.filePatterns, request.initialFileOrFolder.getFullPathName()})
    {
        EXPECT_FALSE(text.contains("prompt"));
        EXPECT_FALSE(text.contains("label"));
    }
}

TEST(BrowseForFile, SaveDialogAsksBeforeOverwritingAndCancelGivesAnEmptyPath)
{
    ScriptedChooser chooser("");
    const Tr::TString result = Tr::browseForFile("Save a Vaskor MIDI 5 File", "", "*.syx", "", "/tmp", true);
    EXPECT_TRUE(result.isEmpty());
    ASSERT_EQ(chooser.requests.size(), 1u);
    EXPECT_TRUE(chooser.requests[0].forSave);
    EXPECT_TRUE(chooser.requests[0].warnAboutOverwriting);
}

TEST(BrowseForFile, ReturnsAChosenNameBeyondAsciiAsUtf8)
{
    const juce::String path = juce::String::fromUTF8("/tmp/B\xc3\xa4nke/\xc3\x9c" "ber \xe2\x82\xac.syx");
    ScriptedChooser chooser(path);
    const Tr::TString result = Tr::browseForFile("t", "", "*.syx", "", "/tmp", false);
    EXPECT_STREQ(result.c_str(), "/tmp/B\xc3\xa4nke/\xc3\x9c" "ber \xe2\x82\xac.syx");
}

TEST(TextConversion, RoundTripsAsciiAndUtf8Unchanged)
{
    const char* ascii = "C:/Bank 1 (copy).syx ~!@#$%^&*";
    EXPECT_STREQ(toTrString(toJuceString(Tr::TString(ascii))).c_str(), ascii);
    EXPECT_EQ(toJuceString(Tr::TString(ascii)), juce::String(ascii));

    const juce::String accented = juce::String::fromUTF8("Caf\xc3\xa9 \xe2\x82\xac \xe6\x97\xa5\xe6\x9c\xac");
    const Tr::TString bytes = toTrString(accented);
    EXPECT_STREQ(bytes.c_str(), "Caf\xc3\xa9 \xe2\x82\xac \xe6\x97\xa5\xe6\x9c\xac");
    EXPECT_EQ(toJuceString(bytes), accented);
    EXPECT_TRUE(toTrString(juce::String()).isEmpty());
}

TEST(TextConversion, KeepsBytesThatAreNotUtf8AsOneCharacterEach)
{
    // An 8-bit name from an older file: 0xE4 alone is not UTF-8.
    const juce::String text = toJuceString(Tr::TString("B\xe4nk.syx"));
    ASSERT_EQ(text.length(), 8);
    EXPECT_EQ(text[1], static_cast<juce::juce_wchar>(0xE4));
    EXPECT_EQ(text.substring(2), "nk.syx");
}

TEST(CallAsync, RunsOnTheMessageThreadOncePerCallFromAnotherThread)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    RecordingRunnable runnable;
    std::vector<bool> answers;
    std::thread other([&runnable, &answers]
                      {
                          answers.push_back(callAsync(&runnable, 7, -3));
                          answers.push_back(callAsync(&runnable, 7, -3));
                      });
    other.join();
    EXPECT_EQ(answers, std::vector<bool>({true, true}));
    EXPECT_TRUE(runnable.runs.empty()) << "ran before the message loop";
    EXPECT_EQ(JuceUtilsInternalUpdater::queuedCount(), 2);

    runLoopUntil([&] { return runnable.runs.size() >= 2; });
    juce::MessageManager::getInstance()->runDispatchLoopUntil(50);
    ASSERT_EQ(runnable.runs.size(), 2u);
    EXPECT_EQ(runnable.runs[0], std::make_pair(7, -3));
    EXPECT_EQ(runnable.runs[1], std::make_pair(7, -3));
    EXPECT_EQ(runnable.onMessageThread, std::vector<bool>({true, true}));
    EXPECT_EQ(JuceUtilsInternalUpdater::queuedCount(), 0);
}

TEST(CallAsync, CallAsync0PassesZerosAndANullRunnableIsHarmless)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    RecordingRunnable runnable;
    callAsync0(&runnable);
    callAsync(nullptr, 1, 2);
    runLoopUntil([&] { return ! runnable.runs.empty(); });
    juce::MessageManager::getInstance()->runDispatchLoopUntil(50);
    ASSERT_EQ(runnable.runs.size(), 1u);
    EXPECT_EQ(runnable.runs[0], std::make_pair(0, 0));
}

TEST(CallAsync, ACallForARunnableDestroyedBeforeItsTurnDoesNothing)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    RecordingRunnable kept;
    auto gone = std::make_unique<RecordingRunnable>();
    std::thread other([&]
                      {
                          callAsync(gone.get(), 1, 2);
                          callAsync(&kept, 3, 4);
                          callAsync(gone.get(), 5, 6);
                      });
    other.join();
    gone.reset(); // a run now would reach freed memory
    runLoopUntil([&] { return ! kept.runs.empty(); });
    juce::MessageManager::getInstance()->runDispatchLoopUntil(50);
    EXPECT_EQ(kept.runs, (std::vector<std::pair<int, int>>{{3, 4}}));
}

TEST(CallAsync, AfterQuitACallDoesNothingAndLeavesNothingBehind)
{
    // The toolkit refuses posts once quit was requested: an updater kept then
    // would stay queued for good.
    const juce::ScopedJuceInitialiser_GUI gui;
    RecordingRunnable runnable;
    juce::MessageManager::getInstance()->stopDispatchLoop();
    EXPECT_FALSE(callAsync(&runnable, 1, 2));
    EXPECT_EQ(JuceUtilsInternalUpdater::queuedCount(), 0);

    // Quit requested between callAsync's check and the post: the refused
    // post is seen and the updater goes (the leak check of a sanitizer run
    // reports one that stays unlisted).
    EXPECT_FALSE((new JuceUtilsInternalUpdater())->start(&runnable, 3, 4)); // owns itself
    EXPECT_EQ(JuceUtilsInternalUpdater::queuedCount(), 0);
    juce::MessageManager::getInstance()->runDispatchLoopUntil(30);
    EXPECT_TRUE(runnable.runs.empty());
}

TEST(CallAsync, APostRefusedOnAnotherThreadNeverRunsAndGoesWithTheToolkit)
{
    RecordingRunnable runnable;
    {
        const juce::ScopedJuceInitialiser_GUI gui;
        juce::MessageManager::getInstance()->stopDispatchLoop();
        // Off the message thread a refusal looks like a delivery under way,
        // which deletes its updater itself: the updater stays listed.
        bool answer = true;
        std::thread([&] { answer = (new JuceUtilsInternalUpdater())->start(&runnable, 5, 6); }).join();
        EXPECT_FALSE(answer);
        EXPECT_EQ(JuceUtilsInternalUpdater::queuedCount(), 1);
    }
    EXPECT_EQ(JuceUtilsInternalUpdater::queuedCount(), 0) << "deleted when the toolkit shut down";
    EXPECT_TRUE(runnable.runs.empty());
}

namespace
{
/** Presses one button of the alert box that is on screen, from the box's modal loop. */
class BoxPresser : public juce::Timer
{
public:
    explicit BoxPresser(const juce::String& buttonToPress) : button(buttonToPress) { startTimer(20); }

    void timerCallback() override
    {
        auto* box = dynamic_cast<juce::AlertWindow*>(juce::ModalComponentManager::getInstance()->getModalComponent(0));
        if (box == nullptr)
            return;
        stopTimer();
        seenTitle = box->getName();
        box->triggerButtonClick(button);
    }

    juce::String seenTitle;

private:
    juce::String button;
};
} // namespace

TEST(ShowConfirmBox, TheRealBoxAnswersForEachOfItsThreeButtons)
{
    if (! platformDisplayAvailable())
        GTEST_SKIP() << "needs an X display";
    const juce::ScopedJuceInitialiser_GUI gui;
    const struct
    {
        const char* button;
        bool result;
        int cancelled;
    } cases[] = {{"Yes", true, 0}, {"No", false, 0}, {"Cancel", false, 1}};
    for (const auto& c : cases)
    {
        BoxPresser presser(c.button);
        int cancelled = 77;
        EXPECT_EQ(showConfirmBox("Question?", &cancelled), c.result) << c.button;
        EXPECT_EQ(cancelled, c.cancelled) << c.button;
        EXPECT_EQ(presser.seenTitle, "Confirm");
    }
    BoxPresser presser("OK");
    showErrorBox("Something failed.");
    EXPECT_EQ(presser.seenTitle, "Error");
}
