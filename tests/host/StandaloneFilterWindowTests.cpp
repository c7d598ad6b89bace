#include "AudioDeviceSettingsPanel.h"
#include "CapturingLogger.h"
#include "ComponentSearch.h"
#include "FakeAudioIODeviceType.h"
#include "MessageLoop.h"
#include "OVEXStandaloneFilterWindow.h"
#include "OvexjuceLoudnessAudioProcessorEditor.h"
#include "QIT5_1StandExtApplication.h"
#include "ScopedEnvironmentVariable.h"
#include "ScopedTemporaryFolder.h"
#include "SettingsFile.h"
#include "WindowsRunAsInAnApplication.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <initializer_list>
#include <tuple>
#include <utility>
#include <vector>

namespace
{
const char* const goneDeviceSetup = "<DEVICESETUP deviceType=\"Fake type\" audioOutputDeviceName=\"Gone\" audioInputDeviceName=\"Gone\"/>";

/** What the notice says of a device that stopped calling back. */
juce::String silenceSaid (const juce::String& typeName)
{
    return "Audio device stopped calling back: Card (" + typeName + ") has not called back for 3 seconds; it is opened again.";
}

/** Windows on a settings folder of the test's own (a first run), whose only audio devices are fake. */
class MainWindowTest : public testing::Test
{
protected:
    /** Opens the settings file as the application does, telling the window of a file set aside. */
    OVEXStandaloneFilterWindow& openWindow (const juce::StringArray& deviceNames = { "Fake" }, const juce::String& typeName = "Fake type")
    {
        juce::String keptAside;
        window = std::make_unique<OVEXStandaloneFilterWindow> ("NOLv 5.1", juce::Colours::black, openSettingsFile (&keptAside), [&]
        {
            auto type = std::make_unique<testsupport::FakeAudioIODeviceType> (typeName, deviceNames, deviceNames);
            fakeType = type.get();
            return testsupport::makeDeviceManagerWith (std::move (type));
        });

        if (keptAside.isNotEmpty())
            window->reportSettingsSetAside (keptAside);

        return *window;
    }

    OvexjuceLoudnessAudioProcessorEditor& editor() const
    {
        return dynamic_cast<OvexjuceLoudnessAudioProcessorEditor&> (*window->getProcessor()->getActiveEditor());
    }

    /** What the editor's notice says, with an "(i)" for the information icon; empty while it is closed. */
    juce::String noticeSays() const
    {
        const auto& notice = editor().notice;

        if (! notice.isVisible())
            return {};

        return (notice.getIcon() == ProblemNotice::Icon::InfoIcon ? "(i) " : "") + notice.getTitle() + ": " + notice.getText();
    }

    juce::String currentDeviceName() const
    {
        auto* device = window->getDeviceManager()->getCurrentAudioDevice();
        return device != nullptr ? device->getName() : "(none)";
    }

    /** A second of a device that plays as it should; the window's watch closes one that is silent. */
    void tickWithAudio()
    {
        fakeType->callBackOnce();
        window->timerCallback();
    }

    /** Stores values as an earlier run would have left them. */
    static void storeSettings (std::initializer_list<std::pair<const char*, juce::String>> values)
    {
        auto settings = openSettingsFile();

        for (const auto& [key, value] : values)
            settings->setValue (key, value);

        ASSERT_TRUE (settings->save());
    }

    /** What the window's own key listener does with a key press, once the commands are registered. */
    bool pressKey (const juce::KeyPress& key)
    {
        return OVEXStandaloneFilterWindow::getCommandManager()->getKeyMappings()->keyPressed (key, window.get());
    }

    testsupport::ScopedTemporaryFolder configFolder;
    testsupport::ScopedEnvironmentVariable configHome { "XDG_CONFIG_HOME", configFolder.getFolder().getFullPathName().toStdString() };
    std::unique_ptr<OVEXStandaloneFilterWindow> window;
    testsupport::FakeAudioIODeviceType* fakeType = nullptr; // the window's device manager owns it
};
} // namespace

TEST_F (MainWindowTest, ARunWhoseSavedDeviceIsGoneSaysWhyOnceAndLeavesSettingsTheNextRunRestoresWithTheDevice)
{
    storeSettings ({ { "audioSetup", goneDeviceSetup } });

    {
        const testsupport::CapturingLogger log;
        openWindow ({ "Other" });
        EXPECT_TRUE (log.lines().contains ("No such device: Gone")) << log.lines().joinIntoString ("|");
    }

    EXPECT_EQ (window->getDeviceManager()->getCurrentAudioDevice(), nullptr) << "no other device stands in";
    EXPECT_EQ (noticeSays(), "") << "not before the first message turn";

    testsupport::runPostedMessages();
    EXPECT_EQ (noticeSays(), "No audio device could be opened: No such device: Gone");
    EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), nullptr);
    editor().notice.setVisible (false);
    testsupport::runPostedMessages();
    EXPECT_EQ (noticeSays(), "") << "said once";

    // Shut down with no device open.
    window->getProcessor()->setParameterValue (truePeakMaxLevelIndex, -3.0f);
    window = nullptr;

    EXPECT_EQ (openSettingsFile()->getAllProperties().getAllKeys(), juce::StringArray ({ "audioSetup", "windowX", "windowY", "filterState" }));

    openWindow ({ "Other", "Gone" });
    EXPECT_EQ (window->getProcessor()->params.truePeakMaxLevel, -3.0f);
    auto* device = window->getDeviceManager()->getCurrentAudioDevice();
    ASSERT_NE (device, nullptr);
    EXPECT_EQ (device->getName(), "Gone");
    EXPECT_EQ (device->getActiveInputChannels().countNumberOfSetBits(), 6);
    EXPECT_EQ (device->getActiveOutputChannels().countNumberOfSetBits(), 6);
}

TEST_F (MainWindowTest, AMissingOrDamagedStateGivesTheDefaultsAndRoutesEveryRoleWhileAStoredNoneStaysAndTheDeviceOpensOnceWithTheirChannels)
{
    constexpr ChannelLayout identity { 0, 1, 2, 3, 4, 5 };

    // A second opening would drop the connections a JACK session manager makes as the ports appear.
    const auto openedOnceWith = [this] (int inputs, int outputs)
    {
        testsupport::runPostedMessages();
        auto* device = window->getDeviceManager()->getCurrentAudioDevice();
        return fakeType->getOpenCount() == 1 && device != nullptr && device->getActiveInputChannels() == juce::BigInteger (inputs)
               && device->getActiveOutputChannels() == juce::BigInteger (outputs);
    };

    // Which texts count as damaged is the decoder's own test; here one missing and one damaged.
    for (const char* damaged : { "", "12.AB" })
    {
        storeSettings ({ { "filterState", damaged } });
        openWindow();
        EXPECT_EQ (window->getProcessor()->params.truePeakMaxLevel, ParameterBlock().truePeakMaxLevel) << damaged;
        EXPECT_EQ (window->getProcessor()->params.shtMaxLevel, ParameterBlock().shtMaxLevel) << damaged;
        EXPECT_EQ (window->getProcessor()->inputLayout, identity) << damaged;
        EXPECT_EQ (window->getProcessor()->outputLayout, identity) << damaged;
        EXPECT_TRUE (openedOnceWith (0b111111, 0b111111)) << damaged;
        window = nullptr;
    }

    OvexjuceLoudnessAudioProcessor stored (nullptr);
    stored.setInputLayout (unassignedLayout);
    stored.setOutputLayout ({ 1, 0, -1, -1, -1, -1 });
    juce::MemoryBlock state;
    stored.getStateInformation (state);
    storeSettings ({ { "filterState", state.toBase64Encoding() },
                     { "audioSetup", "<DEVICESETUP deviceType=\"Fake type\" audioOutputDeviceName=\"Fake\" audioInputDeviceName=\"Fake\" "
                                     "audioDeviceInChans=\"1\" audioDeviceOutChans=\"111111\"/>" } });

    openWindow();
    EXPECT_EQ (window->getProcessor()->inputLayout, unassignedLayout);
    EXPECT_EQ (window->getProcessor()->outputLayout, (ChannelLayout { 1, 0, -1, -1, -1, -1 }));
    EXPECT_TRUE (openedOnceWith (0, 0b11)) << "the stored channels give way to the layouts'";
}

TEST_F (MainWindowTest, ChangesDuringARunReachTheSettingsFileAfterThreeQuietSecondsUnlessItIsReadOnly)
{
    const auto file = getSettingsFile();
    const ChannelLayout inputs { 5, 4, 3, 2, 1, 0 }, outputs { 1, 0, -1, -1, -1, -1 };
    struct stat before {}, after {};

    for (const mode_t mode : { 0644, 0444 })
    {
        window = nullptr;
        file.deleteFile();
        storeSettings ({ { "windowX", "5" } });
        ASSERT_EQ (::chmod (file.getFullPathName().toRawUTF8(), mode), 0);
        ASSERT_EQ (::stat (file.getFullPathName().toRawUTF8(), &before), 0);
        const auto stored = file.loadFileAsString();

        auto& processor = *openWindow ({ "Fake", "Other" }).getProcessor();
        processor.setParameterValue (measurementStandardIndex, 1.0f);
        processor.setParameterValue (measurementScaleIndex, 1.0f);
        processor.setParameterValue (gatingOffFlagIndex, 1.0f);
        processor.setInputLayout (inputs);
        processor.setOutputLayout (outputs);
        processor.setStringParameter (logFileNameIndex, "Evening");
        auto setup = window->getDeviceManager()->getAudioDeviceSetup();
        setup.inputDeviceName = setup.outputDeviceName = "Other";
        ASSERT_EQ (window->getDeviceManager()->setAudioDeviceSetup (setup, true), "");

        for (int tick = 0; tick < 3; ++tick)
            window->timerCallback();

        EXPECT_EQ (file.loadFileAsString(), stored) << "not before three quiet seconds";
        window->timerCallback();
        ASSERT_EQ (::stat (file.getFullPathName().toRawUTF8(), &after), 0);

        if (mode == 0444)
        {
            EXPECT_EQ (file.loadFileAsString(), stored);
            EXPECT_EQ (after.st_ino, before.st_ino) << "not replaced";
            EXPECT_EQ (after.st_mode & 0777, 0444u);
            continue;
        }

        // What a run killed now leaves on disk is what the next run starts from.
        const auto leftByAKill = file.loadFileAsString();
        window = nullptr;
        ASSERT_TRUE (file.replaceWithText (leftByAKill));
        const auto& restored = *openWindow ({ "Fake", "Other" }).getProcessor();
        EXPECT_EQ (restored.params.measurementStandard, 1.0f);
        EXPECT_EQ (restored.params.measurementScale, 1.0f);
        EXPECT_EQ (restored.params.gatingOffFlag, 1.0f);
        EXPECT_EQ (restored.params.logFileName, "Evening");
        EXPECT_EQ (restored.inputLayout, inputs);
        EXPECT_EQ (restored.outputLayout, outputs);
        EXPECT_EQ (window->getDeviceManager()->getCurrentAudioDevice()->getName(), "Other");
    }
}

TEST_F (MainWindowTest, ADeviceThatSaysItPlaysButNoLongerCallsBackIsClosedAndReopenedWhateverItsType)
{
    for (const juce::String typeName : { "ALSA", "JACK", "Fake type" })
    {
        SCOPED_TRACE (typeName);
        const testsupport::CapturingLogger log;
        openWindow ({ "Card" }, typeName);

        for (int tick = 0; tick < 4; ++tick)
        {
            ASSERT_TRUE (fakeType->callBackOnce());
            window->timerCallback();
        }

        // Three silent seconds, then two failed attempts two seconds apart.
        fakeType->setOpenError ("unplugged");

        for (int tick = 0; tick < 7; ++tick)
            window->timerCallback();

        const auto lines = log.lines();
        EXPECT_EQ (std::count (lines.begin(), lines.end(), "Audio device Card stopped calling back; trying to open it again every 2 seconds"),
                   1);
        EXPECT_EQ (window->getDeviceManager()->getCurrentAudioDevice(), nullptr) << "closed";
        EXPECT_EQ (fakeType->getOpenCount(), 3);
        EXPECT_EQ (noticeSays(), silenceSaid (typeName));

        fakeType->setOpenError ({});
        window->timerCallback();
        window->timerCallback();
        ASSERT_NE (window->getDeviceManager()->getCurrentAudioDevice(), nullptr);
        EXPECT_TRUE (window->getDeviceManager()->getCurrentAudioDevice()->isPlaying());
        EXPECT_TRUE (log.lines().contains ("Audio device Card: reopened at 44100 Hz")) << log.lines().joinIntoString ("\n");

        ASSERT_TRUE (fakeType->callBackOnce());
        window->timerCallback();
        EXPECT_EQ (noticeSays(), "(i) Audio device calls back again: Card (" + typeName + ")");
    }
}

TEST_F (MainWindowTest, ADeviceThatNeverCallsBackIsReopenedAtGrowingIntervalsAndSaidOnceUntilItCallsBack)
{
    // A JACK server that never calls its new client, or that stops calling on purpose: each
    // reopening drops the connections other programs made.
    const testsupport::CapturingLogger log;
    openWindow ({ "Card" }, "JACK");
    std::vector<int> reopenedAt;

    for (int tick = 1; tick <= 44; ++tick)
    {
        const int opens = fakeType->getOpenCount();
        window->timerCallback();

        // As JACK's port notices make the manager broadcast; the device page follows each one.
        window->getDeviceManager()->sendChangeMessage();
        testsupport::runPostedMessages();

        if (fakeType->getOpenCount() > opens)
            reopenedAt.push_back (tick);

        if (tick == 3)
        {
            EXPECT_EQ (window->getDeviceManager()->getCurrentAudioDevice(), nullptr) << "closed at once";
            EXPECT_EQ (noticeSays(), silenceSaid ("JACK"));
            editor().notice.setVisible (false);
        }
    }

    // Three silent seconds each time, then 2, 4, 8 and 16 seconds closed.
    EXPECT_EQ (reopenedAt, std::vector<int> ({ 5, 12, 23, 42 }));
    EXPECT_EQ (noticeSays(), "") << "said once";
    EXPECT_TRUE (log.lines().contains ("Audio device Card stopped calling back again; trying to open it again every 16 seconds"))
        << log.lines().joinIntoString ("\n");

    // Calling back ends the run of silences: the next one is said again and waits two seconds.
    ASSERT_TRUE (fakeType->callBackOnce());
    window->timerCallback();
    EXPECT_TRUE (log.lines().contains ("Audio device Card calls back again"));
    const int opens = fakeType->getOpenCount();

    for (int tick = 0; tick < 5; ++tick)
        window->timerCallback();

    EXPECT_EQ (fakeType->getOpenCount(), opens + 1);
    EXPECT_EQ (noticeSays(), silenceSaid ("JACK"));
}

TEST_F (MainWindowTest, WithNoDeviceAtStartTheStoredOrElseTheDefaultSetUpIsOpenedOnceItAppearsAndNeverAnotherDevice)
{
    // Nothing stored: the default device, once there is one.
    {
        const testsupport::CapturingLogger log;
        openWindow ({});
        testsupport::runPostedMessages();
        EXPECT_EQ (noticeSays(), "No audio device could be opened: No audio device was found");

        tickWithAudio();
        fakeType->addDevice ("Card");
        tickWithAudio();
        EXPECT_EQ (currentDeviceName(), "(none)") << "two seconds after the first try";
        tickWithAudio();
        ASSERT_EQ (currentDeviceName(), "Card");
        EXPECT_TRUE (window->getDeviceManager()->getCurrentAudioDevice()->isPlaying());
        EXPECT_EQ (noticeSays(), "(i) Audio device opened: Card (Fake type)");

        const auto lines = log.lines();
        EXPECT_EQ (lines.joinIntoString ("\n").fromFirstOccurrenceOf ("No audio device is open", true, false),
                   "No audio device is open; trying to open the default device again\nAudio device Card opened at 44100 Hz");
    }

    // A stored device: no other device stands in, however long it takes; the waits grow to ten
    // seconds.
    window = nullptr;
    getSettingsFile().deleteFile();
    storeSettings ({ { "audioSetup", goneDeviceSetup } });
    openWindow ({ "Other" });

    for (int tick = 1; tick <= 25; ++tick)
    {
        if (tick == 8)
            fakeType->addDevice ("Gone");

        tickWithAudio();
        ASSERT_EQ (currentDeviceName(), tick < 15 ? "(none)" : "Gone") << tick;
    }

    EXPECT_EQ (fakeType->getOpenCount(), 1) << "Other was never opened";
}

TEST_F (MainWindowTest, AChoiceOnTheDevicePageThatFailsIsWhatIsOpenedOnceItCan)
{
    storeSettings ({ { "audioSetup", goneDeviceSetup } });
    openWindow ({ "Other", "Spare" });
    auto& page = *testsupport::childrenOfType<AudioDeviceSettingsPanel> (*editor().devicePage).at (0);
    editor().devicePage->setDeviceErrorReporter ([] (const juce::String&, const juce::String&) {});

    window->timerCallback();
    fakeType->setOpenError ("busy");
    testsupport::boxLabelled (page, "Output:")->setSelectedId (2, juce::sendNotificationSync);
    fakeType->addDevice ("Gone");
    fakeType->setOpenError ({});

    for (int tick = 0; tick < 3; ++tick)
        tickWithAudio();

    EXPECT_EQ (currentDeviceName(), "Spare");
}

TEST_F (MainWindowTest, AFreshInstallKeepsTheDeviceItOpenedAndTheNextRunOpensItRatherThanTheDefault)
{
    openWindow ({ "First", "Second" });
    testsupport::runPostedMessages();

    for (int tick = 0; tick < 4; ++tick)
        tickWithAudio();

    // What a kill now leaves on disk, in the form the device manager keeps a chosen set-up.
    const auto stored = openSettingsFile()->getValue ("audioSetup");
    EXPECT_EQ (stored, "<DEVICESETUP deviceType=\"Fake type\" audioOutputDeviceName=\"First\" audioInputDeviceName=\"First\" "
                       "audioDeviceRate=\"44100.0\" audioDeviceInChans=\"111111\" audioDeviceOutChans=\"111111\"/>");

    // Closed for a while (silent, or its server gone): what the next run opens stays.
    window->getDeviceManager()->closeAudioDevice();
    window->timerCallback();
    window = nullptr;
    EXPECT_EQ (openSettingsFile()->getValue ("audioSetup"), stored) << "and at quitting";

    openWindow ({ "Second", "First" });
    EXPECT_EQ (currentDeviceName(), "First");
}

TEST_F (MainWindowTest, ASettingsFileSetAsideIsSaidInTheNoticeAtStartWithAnyDeviceProblem)
{
    const std::tuple<bool, juce::StringArray, juce::String> cases[] {
        { true, { "Fake" }, "Settings could not be read: kept as NOLV51.prefs.damaged (it holds no settings)" },
        { true, {}, "No audio device could be opened: No audio device was found\n"
                    "Settings could not be read: kept as NOLV51.prefs.damaged (it holds no settings)" },
        { false, { "Fake" }, "" },
    };

    for (const auto& [damaged, devices, said] : cases)
    {
        SCOPED_TRACE (said);
        window = nullptr;
        ASSERT_TRUE (getSettingsFile().getParentDirectory().createDirectory());
        ASSERT_TRUE (getSettingsFile().replaceWithText (damaged ? "<PROPERTIES><VALUE name=\"windowX\"" : ""));
        openWindow (devices);
        testsupport::runPostedMessages();
        EXPECT_EQ (noticeSays(), said);
    }
}

TEST_F (MainWindowTest, StoredPositionsPlaceOrCentreTheWindow)
{
    openWindow();
    const juce::Point<int> size { window->getWidth(), window->getHeight() };
    const auto area = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea;

    if (area.getWidth() < size.x + 40 || area.getHeight() < size.y + 40)
        GTEST_SKIP() << "the screen is too small for the window";

    const auto centred = juce::Rectangle<int> (size.x, size.y).withCentre (area.getCentre()).getPosition();
    const auto inside = area.getTopLeft() + juce::Point<int> (20, 30);

    const std::tuple<juce::String, juce::String, juce::Point<int>> cases[] = {
        { "-100", "50", centred },
        { "50", "-100", centred },
        { "-100", "-100", centred },
        { {}, {}, centred },
        { juce::String (inside.x), juce::String (inside.y), inside },
        { "99999", "99999", area.getBottomRight() - size },
        { "-99999", juce::String (inside.y), { area.getX(), inside.y } },
        { "2147483647", "2147483647", area.getBottomRight() - size }, // near the limits of an int
        { "-2147483648", "-2147483647", area.getTopLeft() },
    };

    for (const auto& [x, y, expected] : cases)
    {
        window = nullptr;
        getSettingsFile().deleteFile();

        if (x.isNotEmpty())
            storeSettings ({ { "windowX", x }, { "windowY", y } });

        openWindow();
        EXPECT_EQ (window->getPosition(), expected) << x << ", " << y;
        EXPECT_TRUE (area.contains (window->getBounds())) << x << ", " << y;
    }
}

TEST (CommandsListener, WithNoMainWindowACommandCountsAsHandledAndChangesNothing)
{
    CommandsListener target;
    repaintDisplayFlag = false;
    EXPECT_TRUE (target.perform (juce::ApplicationCommandTarget::InvocationInfo (0x200E)));
    EXPECT_FALSE (repaintDisplayFlag);
}

TEST_F (MainWindowTest, OnceTheMessageLoopHasRegisteredTheCommandsRFlipsRepaintingAndCtrlFTogglesKioskModeKeepingTheBounds)
{
    QIT5_1StandExtApplication application;
    auto& w = openWindow();
    w.setVisible (true);
    repaintDisplayFlag = false;

    // Keyboard focus is shared by every test on the display, so the target a focused window
    // would lead to is named directly.
    auto* commands = OVEXStandaloneFilterWindow::getCommandManager();
    commands->setFirstCommandTarget (w.getCommandTarget());
    EXPECT_FALSE (pressKey (juce::KeyPress ('r')) || repaintDisplayFlag) << "nothing is registered yet";

    w.handleUpdateNowIfNeeded();
    EXPECT_NE (commands->getCommandForID (juce::StandardApplicationCommandIDs::quit), nullptr) << "the application's Quit too";

    for (const bool flipped : { true, false })
    {
        juce::ApplicationCommandInfo info (CommandsListener::toggleRepaintDisplay);
        EXPECT_TRUE (pressKey (juce::KeyPress ('r')));
        w.getCommandTarget()->getCommandInfo (CommandsListener::toggleRepaintDisplay, info);
        EXPECT_EQ (repaintDisplayFlag, flipped);
        EXPECT_EQ ((info.flags & juce::ApplicationCommandInfo::isTicked) != 0, flipped);
    }

    const auto ownBounds = w.getBounds();
    const juce::KeyPress ctrlF ('f', juce::ModifierKeys::ctrlModifier, 0);
    auto& desktop = juce::Desktop::getInstance();

    ASSERT_TRUE (pressKey (ctrlF));
    EXPECT_EQ (desktop.getKioskModeComponent(), &w);
    EXPECT_EQ (w.getBounds(), desktop.getDisplays().getDisplayForRect (ownBounds)->totalArea);
    EXPECT_EQ (w.getProcessor()->getActiveEditor()->getBounds().getCentre(), w.getCommandTarget()->getLocalBounds().getCentre())
        << "the editor stays centred";

    ASSERT_TRUE (pressKey (ctrlF));
    EXPECT_EQ (desktop.getKioskModeComponent(), nullptr);
    EXPECT_EQ (w.getBounds(), ownBounds);

    // Quitting in kiosk mode saves the window's own position.
    ASSERT_TRUE (pressKey (ctrlF) && desktop.getKioskModeComponent() == &w);
    window = nullptr;
    EXPECT_EQ (desktop.getKioskModeComponent(), nullptr);
    const auto settings = openSettingsFile();
    EXPECT_EQ (juce::Point<int> (settings->getIntValue ("windowX"), settings->getIntValue ("windowY")), ownBounds.getPosition());
}
