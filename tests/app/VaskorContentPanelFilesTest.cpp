// Opening, saving and dropping banks through the main panel of a real main
// window, with the boxes and file dialogs answered by a script.
#include "BWindow.h"
#include "DialogSeam.h"
#include "FileSystem.h"
#include "JuceUtils.h"
#include "TemplateBank.h"
#include "VaskorContentPanel.h"

#include "PanelTestSupport.h"
#include "support/Fifo.h"
#include "support/FileText.h"
#include "support/FileWriteFailure.h"
#include "support/ResidentSetPeak.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Last: the X headers define names such as None and Status as macros.
#include "XdndDragSource.h"

namespace fs = std::filesystem;

namespace
{
using TestSupport::Bytes;

// Windows in these tests live without an application object.
[[maybe_unused]] const bool standalone = TestSupport::standaloneToolkitProgram;

const char* const unsavedQuestion = "Confirm|You have made changes to the settings.\nDo you want to save them?";
const char* const baseTitle = "Vaskor MIDI 5 - v2.0";

using TestSupport::readBytes;
using TestSupport::ScopedFileSizeLimit;
using TestSupport::writeBytes;

using TestSupport::defaultBank;

using TestSupport::customBank;

juce::String toJuce(const std::string& text)
{
    return juce::String::fromUTF8(text.c_str());
}

using FilesPanel = TestSupport::PanelProbe;
using FilesWindow = TestSupport::PanelWindow;

/** Every box and dialog the panel shows, answered from a script. */
struct DialogScript
{
    /** "Title|text" of every box in the order shown. */
    std::vector<std::string> boxes;
    /** Answers for the Yes/No/Cancel questions: 1 Yes, 2 No, 0 Cancel. */
    std::deque<int> answers;
    /** What the file dialogs give: a path, or nothing for a cancelled dialog. */
    std::deque<std::optional<std::string>> files;
    std::vector<DialogSeam::FileRequest> requests;

    DialogSeam::ScopedOverride install()
    {
        return DialogSeam::ScopedOverride(
            [this](juce::MessageBoxIconType, const juce::String& title, const juce::String& text) {
                boxes.push_back((title + "|" + text).toStdString());
            },
            [this](juce::MessageBoxIconType, const juce::String& title, const juce::String& text) {
                boxes.push_back((title + "|" + text).toStdString());
                if (answers.empty())
                {
                    ADD_FAILURE() << "unexpected question: " << text;
                    return 0;
                }
                const int answer = answers.front();
                answers.pop_front();
                return answer;
            },
            [this](const DialogSeam::FileRequest& request, juce::File& chosen) {
                requests.push_back(request);
                if (files.empty())
                {
                    ADD_FAILURE() << "unexpected file dialog: " << request.title;
                    return false;
                }
                const auto answer = files.front();
                files.pop_front();
                if (!answer)
                    return false;
                chosen = juce::File(toJuce(*answer));
                return true;
            });
    }
};

class VaskorContentPanelFiles : public ::testing::Test
{
protected:
    /** Opens the main window and runs the message loop until its first
        tick has loaded a bank (lastFile, when given, as the remembered file).
        peak, when given, is marked just before that tick. */
    void start(const std::string& lastFile = {}, TestSupport::ResidentSetPeak* peak = nullptr)
    {
        window = std::make_unique<FilesWindow>();
        window->initialise({}, false, false);
        panel = window->panel;
        ASSERT_NE(panel, nullptr);
        if (!lastFile.empty())
            panel->currentFile = toJuce(lastFile);
        if (peak != nullptr)
            peak->mark();
        for (int i = 0; i < 500 && !panel->afterStartRan; ++i)
            juce::MessageManager::getInstance()->runDispatchLoopUntil(10);
        ASSERT_TRUE(panel->afterStartRan);
        panel->documentsDir = toTrString(toJuce(home.documentsDir() + "/Vaskor MIDI 5"));
    }

    /** Runs the message loop until the window manager has stopped moving the
        window (its bounds unchanged for 200 ms, at most 3 s), so that a point
        on the screen taken now stays on the same control. */
    void waitUntilTheWindowIsPlaced()
    {
        auto* peer = window->getPeer();
        ASSERT_NE(peer, nullptr);
        auto bounds = peer->getBounds();
        auto stableSince = juce::Time::getMillisecondCounter();
        const auto deadline = stableSince + 3000;
        while (juce::Time::getMillisecondCounter() - stableSince < 200
               && juce::Time::getMillisecondCounter() < deadline)
        {
            juce::MessageManager::getInstance()->runDispatchLoopUntil(20);
            if (peer->getBounds() != bounds)
            {
                bounds = peer->getBounds();
                stableSince = juce::Time::getMillisecondCounter();
            }
        }
    }

    /** A user's edit: program 1's duration. */
    void editDuration(int value)
    {
        panel->durationCombo->setSelectedId(value + 1, juce::sendNotificationSync);
        ASSERT_TRUE(panel->changed);
    }

    std::string title() const { return window->getName().toStdString(); }

    std::string file(const std::string& name) const { return dir.file(name); }

    TestSupport::TempHome home;
    TestSupport::TempDir dir;
    juce::ScopedJuceInitialiser_GUI gui;
    DialogScript script;
    DialogSeam::ScopedOverride seam = script.install();
    std::unique_ptr<FilesWindow> window;
    FilesPanel* panel = nullptr;
};

constexpr int durationOfProgram1 = 1 + ProgramRecord::durationOffset;

// A file far larger than a bank (sparse: it takes no room on the disk), and
// less than what its refusal may add to the process at its peak: reading it
// would add all of it.
constexpr std::uintmax_t largeFileSize = std::uintmax_t(1) << 30;
constexpr long long largeFileRiseLimitKiB = largeFileSize / 4 / 1024;
} // namespace

TEST_F(VaskorContentPanelFiles, SavingAddsTheExtensionOnlyToANameThatLacksItInAnyCase)
{
    start();
    script.files = {file("Bank"), file("Bank.Syx"), file("Bank.txt"), file("B\xc3\xa4nk")};
    for (int i = 0; i < 4; ++i)
        panel->saveAs();

    EXPECT_EQ(readBytes(file("Bank.syx")), defaultBank());
    EXPECT_EQ(readBytes(file("Bank.Syx")), defaultBank());
    EXPECT_FALSE(fs::exists(file("Bank.Syx.syx")));
    EXPECT_EQ(readBytes(file("Bank.txt.syx")), defaultBank());
    EXPECT_EQ(readBytes(file("B\xc3\xa4nk.syx")), defaultBank());
    EXPECT_EQ(panel->currentFile, toJuce(file("B\xc3\xa4nk.syx")));
    EXPECT_EQ(title(), std::string(baseTitle) + " - B\xc3\xa4nk.syx");
    EXPECT_TRUE(script.boxes.empty());

    ASSERT_EQ(script.requests.size(), 4u);
    EXPECT_EQ(script.requests[0].title, "Save a Vaskor MIDI 5 File");
    EXPECT_EQ(script.requests[0].filePatterns, "*.syx");
    EXPECT_TRUE(script.requests[0].forSave);
    EXPECT_EQ(script.requests[1].initialFileOrFolder.getFullPathName(), toJuce(file("Bank.syx")));
}

TEST_F(VaskorContentPanelFiles, APathOver258BytesBringsTheMessageAndTheDialogAgainAtThatPath)
{
    start();
    editDuration(50);
    const std::string folder = dir.str() + "/";
    const std::string longName = folder + std::string(259 - folder.size() - 4, 'n'); // 259 with ".syx"
    script.files = {longName, std::nullopt};

    panel->saveAs();

    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0], "Error|This file name is too long. Please enter a shorter file name.");
    ASSERT_EQ(script.requests.size(), 2u);
    EXPECT_EQ(script.requests[1].initialFileOrFolder.getFullPathName(), toJuce(longName + ".syx"));
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_TRUE(panel->changed);
    EXPECT_TRUE(panel->currentFile.isEmpty());

    const std::string exactName = folder + std::string(258 - folder.size() - 4, 'e');
    script.files = {exactName};
    panel->saveAs();
    EXPECT_EQ(readBytes(exactName + ".syx").size(), 690u);
    EXPECT_FALSE(panel->changed);
}

TEST_F(VaskorContentPanelFiles, SavingOverALongerFileLeavesExactlyTheBuiltBank)
{
    start();
    editDuration(50);
    writeBytes(file("Bank.syx"), Bytes(5000, 0x42));
    script.files = {file("Bank.syx")};

    panel->saveAs();

    EXPECT_EQ(readBytes(file("Bank.syx")), panel->built());
    EXPECT_EQ(readBytes(file("Bank.syx")).size(), 690u);
    EXPECT_TRUE(script.boxes.empty()); // the dialog itself asked about this name
    EXPECT_FALSE(panel->changed);
    EXPECT_EQ(title(), std::string(baseTitle) + " - Bank.syx");
}

TEST_F(VaskorContentPanelFiles, AFailedWriteIsReportedAndKeepsTheOldFileAndTheChanges)
{
    start();
    editDuration(50);
    const Bytes old(1000, 0x33);
    writeBytes(file("Bank.syx"), old);
    script.files = {file("Bank.syx")};

    {
        ScopedFileSizeLimit limit(200);
        ASSERT_TRUE(limit.isActive());
        panel->saveAs();
    }

    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0], "Error|Error saving file '" + file("Bank.syx") + "':\nfile write error");
    EXPECT_EQ(readBytes(file("Bank.syx")), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_TRUE(panel->changed);
    EXPECT_TRUE(panel->currentFile.isEmpty());
    EXPECT_EQ(title(), std::string(baseTitle) + " *");

    // A FIFO chosen as the file is neither written into nor replaced.
    TestSupport::Fifo fifo(file("Fifo.syx"));
    ASSERT_TRUE(fifo.isMade());
    script.files = {fifo.path};
    panel->saveAs();
    ASSERT_EQ(script.boxes.size(), 2u);
    EXPECT_EQ(script.boxes[1], "Error|Error saving file '" + fifo.path + "':\nfile write error");
    EXPECT_TRUE(fifo.isStillAFifo());
    EXPECT_TRUE(panel->changed);
    EXPECT_TRUE(panel->currentFile.isEmpty());
}

TEST_F(VaskorContentPanelFiles, SavingAsBankOverAnExistingBankSyxAsksFirst)
{
    start();
    const Bytes old(700, 0x21);
    writeBytes(file("Bank.syx"), old);
    // No, then Cancel: the dialog comes again at the name with the extension.
    script.files = {file("Bank"), file("Bank"), file("Bank")};
    script.answers = {2, 0, 1};

    panel->saveAs();

    const std::string question =
        "Confirm|The file '" + file("Bank.syx") + "' already exists.\nDo you want to replace it?";
    EXPECT_EQ(script.boxes, std::vector<std::string>(3, question));
    ASSERT_EQ(script.requests.size(), 3u);
    EXPECT_EQ(script.requests[1].initialFileOrFolder.getFullPathName(), toJuce(file("Bank.syx")));
    EXPECT_EQ(script.requests[2].initialFileOrFolder.getFullPathName(), toJuce(file("Bank.syx")));
    EXPECT_EQ(readBytes(file("Bank.syx")), defaultBank());
    EXPECT_FALSE(fs::exists(file("Bank")));
}

TEST_F(VaskorContentPanelFiles, YesThenACancelledOrFailedSaveStopsTheOpenTheDropAndTheClose)
{
    writeBytes(file("Other.syx"), customBank());
    start();
    editDuration(50);
    const Bytes edited = panel->working();
    const int program = panel->programCombo->getSelectedId();

    script.answers = {1};
    script.files = {std::nullopt};
    EXPECT_FALSE(panel->canClose());

    // The window's close button asks the same question and stays open.
    script.answers = {1};
    script.files = {std::nullopt};
    window->closeButtonPressed();
    EXPECT_FALSE(juce::MessageManager::getInstance()->hasStopMessageBeenSent());

    script.answers = {1};
    script.files = {std::nullopt};
    panel->openFile();
    EXPECT_EQ(script.requests.size(), 3u); // no open dialog after the cancelled save

    script.answers = {1};
    script.files = {std::nullopt};
    panel->filesDropped(juce::StringArray(toJuce(file("Other.syx"))), 10, 10);

    // A save that fails (its folder is gone) stops the drop as well.
    script.answers = {1};
    script.files = {file("gone/Bank.syx")};
    panel->filesDropped(juce::StringArray(toJuce(file("Other.syx"))), 10, 10);
    EXPECT_EQ(script.boxes.back(), "Error|Error saving file '" + file("gone/Bank.syx") + "':\nfile write error");

    EXPECT_EQ(panel->working(), edited);
    EXPECT_EQ(panel->working()[durationOfProgram1], 50);
    EXPECT_TRUE(panel->changed);
    EXPECT_EQ(panel->programCombo->getSelectedId(), program);
    EXPECT_TRUE(panel->currentFile.isEmpty());
    EXPECT_EQ(title(), std::string(baseTitle) + " *");
    EXPECT_TRUE(script.answers.empty());
    EXPECT_TRUE(script.files.empty());
}

TEST_F(VaskorContentPanelFiles, TheQuestionLetsTheCallerGoOnAfterASaveOrNoAndStopsOnCancel)
{
    writeBytes(file("Other.syx"), customBank());
    start();

    EXPECT_TRUE(panel->askToSaveChanges()); // nothing changed: no question
    EXPECT_TRUE(script.boxes.empty());

    editDuration(50);
    script.answers = {0};
    EXPECT_FALSE(panel->canClose());
    EXPECT_TRUE(panel->changed);

    // Yes and a successful save: the drop goes on and loads the dropped bank.
    script.answers = {1};
    script.files = {file("Saved")};
    panel->filesDropped(juce::StringArray(toJuce(file("Other.syx"))), 0, 0);
    EXPECT_EQ(readBytes(file("Saved.syx"))[durationOfProgram1], 50);
    EXPECT_EQ(panel->working(), customBank());
    EXPECT_EQ(panel->currentFile, toJuce(file("Other.syx")));

    // No: the close goes on without saving.
    editDuration(70);
    script.answers = {2};
    EXPECT_TRUE(panel->canClose());
    EXPECT_EQ(script.boxes, std::vector<std::string>(3, unsavedQuestion));
    EXPECT_EQ(readBytes(file("Other.syx")), customBank());
}

TEST_F(VaskorContentPanelFiles, ADroppedFolderIsRefusedBeforeTheQuestionAndOnlyTheFirstPathCounts)
{
    writeBytes(file("First.syx"), customBank());
    fs::create_directory(dir.path() / "Folder.syx");
    start();
    editDuration(50);

    juce::StringArray folderFirst;
    folderFirst.add(toJuce(file("Folder.syx")));
    folderFirst.add(toJuce(file("First.syx")));
    panel->filesDropped(folderFirst, 5, 5);
    EXPECT_EQ(script.boxes, std::vector<std::string>{"Error|Error: cannot load a folder."});
    EXPECT_TRUE(panel->changed);
    EXPECT_EQ(panel->working()[durationOfProgram1], 50);

    script.boxes.clear();
    script.answers = {2};
    juce::StringArray fileFirst;
    fileFirst.add(toJuce(file("First.syx")));
    fileFirst.add(toJuce(file("Folder.syx")));
    panel->filesDropped(fileFirst, 5, 5);
    EXPECT_EQ(script.boxes, std::vector<std::string>{unsavedQuestion});
    EXPECT_EQ(panel->working(), customBank());
    EXPECT_FALSE(panel->changed);
    EXPECT_EQ(title(), std::string(baseTitle) + " - First.syx");

    panel->filesDropped(juce::StringArray(), 0, 0);
    EXPECT_TRUE(panel->isInterestedInFileDrag(juce::StringArray()));
    EXPECT_TRUE(panel->isInterestedInFileDrag(fileFirst));
    EXPECT_EQ(script.boxes.size(), 1u);
}

TEST_F(VaskorContentPanelFiles, ARefusedOrUnreadableFileChangesNothing)
{
    writeBytes(file("Good.syx"), customBank());
    writeBytes(file("Old.syx"), Bytes(546, 0xF0));
    writeBytes(file("Empty.syx"), Bytes());
    start(file("Good.syx"));
    ASSERT_EQ(panel->working(), customBank());
    const Bytes before = panel->working();

    script.files = {file("Old.syx")};
    panel->openFile();
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0], "Error|Error loading file '" + file("Old.syx")
                                   + "':\nNot a valid template file: seems to be a Vaskor MIDI 2 template");

    panel->filesDropped(juce::StringArray(toJuce(file("Missing.syx"))), 0, 0);
    ASSERT_EQ(script.boxes.size(), 2u);
    EXPECT_EQ(script.boxes[1], "Error|Error loading file '" + file("Missing.syx")
                                   + "':\nerror loading: error opening file: : " + file("Missing.syx"));

    panel->filesDropped(juce::StringArray(toJuce(file("Empty.syx"))), 0, 0);
    ASSERT_EQ(script.boxes.size(), 3u);
    EXPECT_EQ(script.boxes[2], "Error|Error loading file '" + file("Empty.syx")
                                   + "':\nNot a valid template file: wrong size");

    // A file larger than a bank, opened or dropped, is refused from its size
    // alone: nothing of it is read.
    writeBytes(file("Longer.syx"), Bytes(691, 0xF0));
    TestSupport::makeSparseFile(file("Large.syx"), largeFileSize);
    for (const std::string& path : {file("Longer.syx"), file("Large.syx")})
    {
        TestSupport::ResidentSetPeak peak;
        ASSERT_TRUE(peak.isActive());
        script.files = {path};
        panel->openFile();
        panel->filesDropped(juce::StringArray(toJuce(path)), 0, 0);
        EXPECT_LT(peak.riseKiB(), largeFileRiseLimitKiB) << path;
        EXPECT_EQ(script.boxes.size(), 5u) << path;
        for (size_t i = 0; i < 2; ++i)
            EXPECT_EQ(script.boxes.rbegin()[i], "Error|Error loading file '" + path + "':\nNot a valid template file: wrong size");
        script.boxes.resize(3);
    }

    // A FIFO, opened or dropped, is refused without waiting for a writer.
    TestSupport::Fifo fifo(file("Fifo.syx"));
    ASSERT_TRUE(fifo.isMade());
    script.files = {fifo.path};
    panel->openFile();
    panel->filesDropped(juce::StringArray(toJuce(fifo.path)), 0, 0);
    ASSERT_EQ(script.boxes.size(), 5u);
    for (size_t box : {3u, 4u})
        EXPECT_EQ(script.boxes[box], "Error|Error loading file '" + fifo.path
                                         + "':\nerror loading: error opening file: : " + fifo.path);
    EXPECT_FALSE(fifo.wasOpenedForReading());

    EXPECT_EQ(panel->working(), before);
    EXPECT_FALSE(panel->changed);
    EXPECT_EQ(panel->currentFile, toJuce(file("Good.syx")));
    EXPECT_EQ(title(), std::string(baseTitle) + " - Good.syx");
    EXPECT_EQ(script.requests[0].initialFileOrFolder.getFullPathName(), toJuce(file("Good.syx")));
}

TEST_F(VaskorContentPanelFiles, AMissingOrCancelledChoiceInTheOpenDialogDoesNothing)
{
    start();
    script.files = {file("Nothing.syx"), std::nullopt};
    panel->openFile();
    panel->openFile();

    EXPECT_TRUE(script.boxes.empty());
    EXPECT_EQ(script.requests.size(), 2u);
    EXPECT_EQ(script.requests[0].title, "Open a Vaskor MIDI 5 File");
    EXPECT_EQ(script.requests[0].filePatterns, "*.syx");
    EXPECT_FALSE(script.requests[0].forSave);
    EXPECT_EQ(panel->working(), defaultBank());
    EXPECT_TRUE(panel->currentFile.isEmpty());
    EXPECT_EQ(title(), baseTitle);
    EXPECT_FALSE(fs::exists(file("Nothing.syx")));
}

TEST_F(VaskorContentPanelFiles, ALoadedAndSavedBankIsByteIdenticalToWhatTheBuildMakes)
{
    writeBytes(file("In.syx"), customBank());
    start();
    script.files = {file("In.syx"), file("Out.syx")};

    panel->openFile();
    EXPECT_EQ(panel->currentFile, toJuce(file("In.syx")));
    panel->saveAs();

    EXPECT_EQ(readBytes(file("Out.syx")), customBank());
    EXPECT_EQ(readBytes(file("Out.syx")), panel->built());
    EXPECT_EQ(panel->currentFile, toJuce(file("Out.syx")));
    EXPECT_EQ(title(), std::string(baseTitle) + " - Out.syx");
    EXPECT_TRUE(script.boxes.empty());
}

TEST_F(VaskorContentPanelFiles, TheSaveDialogMakesTheDocumentsFolderAndTheOpenDialogMakesNothing)
{
    start();
    const std::string documents = home.documentsDir() + "/Vaskor MIDI 5";
    ASSERT_FALSE(fs::exists(documents));

    script.files = {std::nullopt};
    panel->openFile();
    EXPECT_FALSE(fs::exists(documents));
    EXPECT_EQ(script.requests[0].initialFileOrFolder.getFullPathName(), toJuce(Tr::getDocumentsFolder().c_str()));

    script.files = {std::nullopt};
    panel->saveAs();
    EXPECT_TRUE(fs::is_directory(documents));
    EXPECT_EQ(script.requests[1].initialFileOrFolder.getFullPathName(), toJuce(documents));

    script.files = {std::nullopt};
    panel->openFile();
    EXPECT_EQ(script.requests[2].initialFileOrFolder.getFullPathName(), toJuce(documents));
}

// The MIDI library lives once per process, and with it one main panel: each
// start is a test of its own.
TEST_F(VaskorContentPanelFiles, TheStartLoadsTheLastFile)
{
    writeBytes(file("Last.syx"), customBank());
    start(file("Last.syx"));
    EXPECT_EQ(panel->working(), customBank());
    EXPECT_EQ(title(), std::string(baseTitle) + " - Last.syx");
}

TEST_F(VaskorContentPanelFiles, TheStartKeepsTheNameOfAMissingLastFile)
{
    start(file("Gone.syx"));
    EXPECT_EQ(panel->working(), defaultBank());
    EXPECT_EQ(panel->currentFile, toJuce(file("Gone.syx")));
    EXPECT_TRUE(script.boxes.empty());
}

TEST_F(VaskorContentPanelFiles, TheStartRefusesALastFileLargerThanABankWithoutReadingIt)
{
    TestSupport::makeSparseFile(file("Large.syx"), largeFileSize);
    TestSupport::ResidentSetPeak peak;
    start(file("Large.syx"), &peak);
    ASSERT_TRUE(peak.isActive());
    EXPECT_LT(peak.riseKiB(), largeFileRiseLimitKiB);
    EXPECT_EQ(panel->working(), defaultBank());
    EXPECT_TRUE(panel->currentFile.isEmpty());
    EXPECT_EQ(title(), baseTitle);
    EXPECT_TRUE(script.boxes.empty());
}

TEST_F(VaskorContentPanelFiles, AFileDroppedOnAControlOfTheWindowReachesThePanel)
{
    writeBytes(file("Dropped.syx"), customBank());
    start();
    auto* peer = window->getPeer();
    ASSERT_NE(peer, nullptr);

    juce::ComponentPeer::DragInfo drag;
    drag.files.add(toJuce(file("Dropped.syx")));
    drag.position = window->getLocalPoint(panel, panel->openButton->getBounds().getCentre());
    EXPECT_TRUE(peer->handleDragDrop(drag));
    for (int i = 0; i < 100 && panel->currentFile.isEmpty(); ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil(10);

    EXPECT_EQ(panel->working(), customBank());
    EXPECT_EQ(title(), std::string(baseTitle) + " - Dropped.syx");
    EXPECT_TRUE(script.boxes.empty());
}

TEST_F(VaskorContentPanelFiles, AFileDraggedFromAnotherProgramOntoTheWindowIsLoaded)
{
    writeBytes(file("Dropped bank.syx"), customBank());
    start();
    TestSupport::XdndDragSource source;
    if (!source.isOpen())
        GTEST_SKIP() << "no X display to drag on";

    // A control near the top left corner: the drop lands on the panel even
    // while the window is still being framed and placed.
    waitUntilTheWindowIsPlaced();
    const auto where = panel->localPointToGlobal(panel->programCombo->getBounds().getCentre());
    const auto window = reinterpret_cast<unsigned long>(panel->getPeer()->getNativeHandle());
    source.begin(window, where.x, where.y, "file://" + dir.str() + "/Dropped%20bank.syx\r\n");
    for (int i = 0; i < 500 && (!source.finished || panel->currentFile.isEmpty()); ++i)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil(10);
        source.pump();
    }

    EXPECT_TRUE(source.accepted);
    EXPECT_TRUE(source.dataSent);
    EXPECT_TRUE(source.finished);
    EXPECT_EQ(panel->currentFile, toJuce(file("Dropped bank.syx")));
    EXPECT_EQ(panel->working(), customBank());
    EXPECT_EQ(title(), std::string(baseTitle) + " - Dropped bank.syx");
}
