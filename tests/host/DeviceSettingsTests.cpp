#include "AudioDeviceSettingsPanel.h"
#include "ChannelRole.h"
#include "ComponentRendering.h"
#include "FakeAudioIODeviceType.h"
#include "NolvColours.h"
#include "OVEXAudioDeviceSelectorComponent.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "ScopedEnvironmentVariable.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>
#include <jack/jack.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// The audio settings page on fake device types, where every device and failure is the test's to
// choose, and once on a real JACK server, where the device's ports show what the page opened.

namespace
{
using testsupport::FakeAudioIODeviceType;
using testsupport::FakeDeviceCapabilities;
using DropBox = AudioDeviceSettingsPanel::OVEXChannelSelectorDropBox;

constexpr ChannelLayout identityLayout { 0, 1, 2, 3, 4, 5 };

/** Lets the posted messages run: combo box notifications, the manager's broadcasts, the drop
    boxes' passes. */
void turnMessageLoop()
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
}

template <typename ComponentType>
std::vector<ComponentType*> childrenOfType (juce::Component& parent)
{
    std::vector<ComponentType*> found;

    for (auto* child : parent.getChildren())
        if (auto* typed = dynamic_cast<ComponentType*> (child))
            found.push_back (typed);

    return found;
}

/** The box a label of the parent is attached to; null when no label has that text. */
juce::ComboBox* boxLabelled (juce::Component& parent, const juce::String& text)
{
    for (auto* label : childrenOfType<juce::Label> (parent))
        if (label->getText() == text)
            return dynamic_cast<juce::ComboBox*> (label->getAttachedComponent());

    return nullptr;
}

juce::StringArray itemTexts (const juce::ComboBox& box)
{
    juce::StringArray texts;

    for (int i = 0; i < box.getNumItems(); ++i)
        texts.add (box.getItemText (i));

    return texts;
}

std::vector<int> setBits (const juce::BigInteger& bits)
{
    std::vector<int> found;

    for (int bit = bits.findNextSetBit (0); bit >= 0; bit = bits.findNextSetBit (bit + 1))
        found.push_back (bit);

    return found;
}

/** The page as the editor shows it, on its black ground, written for a reader to look at. */
juce::Image renderPage (juce::Component& page, const char* fileName)
{
    juce::Image image (juce::Image::RGB, page.getWidth(), page.getHeight(), true);
    juce::Graphics g (image);
    g.fillAll (nolvColours::background);
    g.drawImageAt (testsupport::renderToImage (page), 0, 0);
    testsupport::writePng (image, juce::File (NOLV_ARTIFACT_DIR).getChildFile (fileName));
    return image;
}

struct Reported
{
    juce::String title, message;
};

struct CapturingLogger : public juce::Logger
{
    CapturingLogger() { juce::Logger::setCurrentLogger (this); }
    ~CapturingLogger() override { juce::Logger::setCurrentLogger (nullptr); }
    void logMessage (const juce::String& message) override { messages.add (message); }
    juce::StringArray messages;
};

/** Records which device channel fed each channel of the last block: a fake device fills input
    channel k with k + 1. */
struct ChannelRecorder : public juce::AudioIODeviceCallback
{
    void audioDeviceIOCallbackWithContext (const float* const* inputs, int numInputs, float* const*, int, int numSamples,
                                           const juce::AudioIODeviceCallbackContext&) override
    {
        channels.clear();

        for (int i = 0; i < numInputs && numSamples > 0; ++i)
            channels.push_back ((int) inputs[i][numSamples - 1] - 1);
    }

    void audioDeviceAboutToStart (juce::AudioIODevice*) override {}
    void audioDeviceStopped() override {}

    std::vector<int> channels;
};

/** A device page on fake devices: inputs "Mic" and "Line", outputs "Speakers" and "Phones", each
    with six channels unless a test says otherwise. */
class DevicePage : public testing::Test
{
protected:
    DevicePage()
    {
        processor.setDefaultInputRouting();
        processor.setDefaultOutputRouting();
    }

    ~DevicePage() override
    {
        selector.reset();
        manager.reset();
    }

    FakeAudioIODeviceType& makeManager (bool separateInputsAndOutputs = true, const FakeDeviceCapabilities& capabilities = {})
    {
        const juce::StringArray inputs = separateInputsAndOutputs ? juce::StringArray { "Mic", "Line" } : juce::StringArray { "Speakers", "Phones" };
        auto type = std::make_unique<FakeAudioIODeviceType> ("Fake", inputs, juce::StringArray { "Speakers", "Phones" },
                                                             capabilities, separateInputsAndOutputs);
        fakeType = type.get();
        manager = testsupport::makeDeviceManagerWith (std::move (type));
        return *fakeType;
    }

    /** Opens the type's first devices and builds the page on them, 1024 px wide as the editor shows
        it, by default with its first drop-box pass run. */
    void openPage (OvexjuceLoudnessAudioProcessor* processorToUse, bool runFirstPass = true)
    {
        if (manager == nullptr)
            makeManager();

        ASSERT_EQ (manager->initialise (6, 6, nullptr, true), "");
        buildPage (processorToUse, runFirstPass);
    }

    void buildPage (OvexjuceLoudnessAudioProcessor* processorToUse, bool runFirstPass = true)
    {
        selector = std::make_unique<OVEXAudioDeviceSelectorComponent> (*manager, 6, 6, 6, 6, false, false, processorToUse);
        selector->setDeviceErrorReporter ([this] (const juce::String& title, const juce::String& message)
                                          { reports.push_back ({ title, message }); });
        selector->setBounds (0, 0, 1024, 600);

        if (runFirstPass)
            turnMessageLoop();
    }

    AudioDeviceSettingsPanel& panel()
    {
        const auto panels = childrenOfType<AudioDeviceSettingsPanel> (*selector);
        EXPECT_EQ (panels.size(), 1u);
        return *panels.at (0);
    }

    /** The input drop box lies left of the output one. */
    DropBox& dropBox (DropBox::ChannelType side)
    {
        auto boxes = childrenOfType<DropBox> (panel());
        EXPECT_EQ (boxes.size(), 2u);
        std::sort (boxes.begin(), boxes.end(), [] (auto* a, auto* b) { return a->getX() < b->getX(); });
        return *boxes.at (side == DropBox::input ? 0 : 1);
    }

    juce::ComboBox& roleBox (DropBox::ChannelType side, int role)
    {
        auto* box = boxLabelled (dropBox (side), channelRoleNames[role]);
        EXPECT_NE (box, nullptr);
        return *box;
    }

    juce::ComboBox& panelBox (const juce::String& label)
    {
        auto* box = boxLabelled (panel(), label);
        EXPECT_NE (box, nullptr) << label;
        return *box;
    }

    juce::BigInteger activeInputs() const { return manager->getCurrentAudioDevice()->getActiveInputChannels(); }

    OvexjuceLoudnessAudioProcessor processor { nullptr };
    FakeAudioIODeviceType* fakeType = nullptr;
    std::unique_ptr<juce::AudioDeviceManager> manager;
    std::unique_ptr<OVEXAudioDeviceSelectorComponent> selector;
    std::vector<Reported> reports;
};
} // namespace

TEST (DeviceSettingsText, BufferItemsGiveTheirDurationAtTheDeviceRate)
{
    EXPECT_EQ (bufferSizeText (512, 44100.0), "512 samples (11.6 ms)");
    EXPECT_EQ (bufferSizeText (512, 48000.0), "512 samples (10.7 ms)");
    EXPECT_EQ (bufferSizeText (480, 0.0), "480 samples (10.0 ms)");
}

TEST (DeviceSettingsText, ARoleBoxShowsOnlyChannelsTheDeviceHas)
{
    struct Case
    {
        int entry, numChannels, itemId;
    };

    for (const auto& c : { Case { -1, 6, -1 }, Case { 0, 6, 1 }, Case { 5, 6, 6 }, Case { 6, 6, 0 }, Case { 9, 4, 0 },
                           Case { -2, 6, 0 }, Case { INT_MAX, 6, 0 }, Case { INT_MIN, 6, 0 }, Case { 0, 0, 0 } })
        EXPECT_EQ (roleBoxItemIdFor (c.entry, c.numChannels), c.itemId) << c.entry << " of " << c.numChannels;
}

TEST_F (DevicePage, ATypeBoxAppearsOnlyWithSeveralTypesAndMovesThePanelDown)
{
    openPage (&processor);
    EXPECT_TRUE (childrenOfType<juce::ComboBox> (*selector).empty());
    EXPECT_EQ (panel().getBounds(), juce::Rectangle<int> (0, 15, 1024, panel().getHeight()));

    selector.reset();
    std::vector<std::unique_ptr<juce::AudioIODeviceType>> types;
    types.push_back (std::make_unique<FakeAudioIODeviceType> ("Fake A", juce::StringArray { "A in" }, juce::StringArray { "A out" }));
    types.push_back (std::make_unique<FakeAudioIODeviceType> ("Fake B", juce::StringArray { "B in" }, juce::StringArray { "B out" }));
    manager = testsupport::makeDeviceManagerWith (std::move (types));
    openPage (&processor);

    auto* typeBox = boxLabelled (*selector, "Audio device type:");
    ASSERT_NE (typeBox, nullptr);
    EXPECT_EQ (itemTexts (*typeBox), juce::StringArray ({ "Fake A", "Fake B" }));
    EXPECT_EQ (typeBox->getText(), "Fake A");
    EXPECT_EQ (typeBox->getBounds(), juce::Rectangle<int> (358, 15, 307, 24));
    EXPECT_EQ (panel().getY(), 57);
}

TEST_F (DevicePage, ChoosingATypeBuildsItsPanelWhileABroadcastKeepsIt)
{
    // The first type has no devices, so no device is open to close when the type changes.
    std::vector<std::unique_ptr<juce::AudioIODeviceType>> types;
    types.push_back (std::make_unique<FakeAudioIODeviceType> ("Empty", juce::StringArray(), juce::StringArray()));
    types.push_back (std::make_unique<FakeAudioIODeviceType> ("Fake", juce::StringArray { "Mic" }, juce::StringArray { "Speakers" }));
    manager = testsupport::makeDeviceManagerWith (std::move (types));
    manager->setCurrentAudioDeviceType ("Empty", true);
    buildPage (&processor);

    auto* typeBox = boxLabelled (*selector, "Audio device type:");
    ASSERT_NE (typeBox, nullptr);
    juce::Component::SafePointer<AudioDeviceSettingsPanel> emptyPanel (&panel());
    EXPECT_EQ (boxLabelled (panel(), "Sample rate:"), nullptr) << "no device, no rates";

    typeBox->setSelectedId (2, juce::sendNotificationSync);
    EXPECT_EQ (manager->getCurrentAudioDeviceType(), "Fake");
    EXPECT_EQ (emptyPanel, nullptr);
    ASSERT_NE (manager->getCurrentAudioDevice(), nullptr);
    juce::Component::SafePointer<AudioDeviceSettingsPanel> fakePanel (&panel());

    manager->sendChangeMessage();
    turnMessageLoop();
    EXPECT_EQ (fakePanel.getComponent(), &panel());
    EXPECT_NE (boxLabelled (panel(), "Sample rate:"), nullptr);

    // Choosing the type that is current is still a choice: the panel is made again, once.
    selector->comboBoxChanged (typeBox);
    EXPECT_EQ (fakePanel, nullptr);
    EXPECT_EQ (childrenOfType<AudioDeviceSettingsPanel> (*selector).size(), 1u);
}

TEST_F (DevicePage, RowsStackFromTheDeviceRowAndASharedDeviceSitsOnTheRight)
{
    struct Row
    {
        const char* label;
        juce::Rectangle<int> bounds;
    };

    struct Case
    {
        bool separate;
        std::vector<Row> rows;
        const char* absentLabel;
        int dropBoxY;
    };

    const Case cases[] {
        { true,
          { { "Input:", { 174, 100, 338, 24 } }, { "Output:", { 614, 100, 338, 24 } },
            { "Sample rate:", { 174, 130, 338, 24 } }, { "Audio buffer size:", { 174, 160, 338, 24 } } },
          "Device:", 190 },
        { false,
          { { "Device:", { 614, 100, 338, 24 } }, { "Sample rate:", { 174, 100, 338, 24 } },
            { "Audio buffer size:", { 174, 130, 338, 24 } } },
          "Input:", 160 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.separate ? "separate inputs and outputs" : "one device for both");
        selector.reset();
        makeManager (c.separate);
        openPage (&processor);

        for (const auto& row : c.rows)
            EXPECT_EQ (panelBox (row.label).getBounds(), row.bounds) << row.label;

        EXPECT_EQ (boxLabelled (panel(), c.absentLabel), nullptr);
        EXPECT_EQ (dropBox (DropBox::input).getBounds(), juce::Rectangle<int> (82, c.dropBoxY, 676, 240));
        EXPECT_EQ (dropBox (DropBox::output).getBounds(), juce::Rectangle<int> (522, c.dropBoxY, 676, 240));
        EXPECT_EQ (panel().getHeight(), c.dropBoxY + 240 + 4);

        for (int role = 0; role < numChannelRoles; ++role)
            EXPECT_EQ (roleBox (DropBox::output, role).getBounds(), juce::Rectangle<int> (91, 30 * role, 338, 24)) << role;
    }
}

TEST_F (DevicePage, RateAndBufferItemsNameTheirValues)
{
    FakeDeviceCapabilities capabilities;
    capabilities.bufferSizes = { 512, 1024 };
    makeManager (true, capabilities);
    openPage (&processor);

    EXPECT_EQ (itemTexts (panelBox ("Sample rate:")), juce::StringArray ({ "44100 Hz", "48000 Hz" }));
    EXPECT_EQ (panelBox ("Sample rate:").getText(), "44100 Hz");
    EXPECT_EQ (itemTexts (panelBox ("Audio buffer size:")), juce::StringArray ({ "512 samples (11.6 ms)", "1024 samples (23.2 ms)" }));
    EXPECT_EQ (panelBox ("Audio buffer size:").getText(), "512 samples (11.6 ms)");

    // A device that does not tell its rate is timed at 48 kHz.
    selector.reset();
    capabilities.sampleRates.clear();
    capabilities.bufferSizes = { 480 };
    makeManager (true, capabilities);
    openPage (&processor);

    EXPECT_EQ (panelBox ("Sample rate:").getNumItems(), 0);
    EXPECT_EQ (panelBox ("Audio buffer size:").getText(), "480 samples (10.0 ms)");
}

TEST_F (DevicePage, ChoosingTheCurrentRateOpensNothingAndAnotherRateReopens)
{
    openPage (&processor);
    const int opens = fakeType->getOpenCount();
    auto& rateBox = panelBox ("Sample rate:");

    panel().comboBoxChanged (&rateBox);
    turnMessageLoop();
    EXPECT_EQ (fakeType->getOpenCount(), opens);

    rateBox.setSelectedId (48000, juce::sendNotificationSync);
    turnMessageLoop();
    EXPECT_EQ (fakeType->getOpenCount(), opens + 1);
    EXPECT_EQ (manager->getCurrentAudioDevice()->getCurrentSampleRate(), 48000.0);
    EXPECT_EQ (panelBox ("Sample rate:").getText(), "48000 Hz");
    EXPECT_TRUE (reports.empty());
}

TEST_F (DevicePage, ChoosingAnotherInputDeviceRoutesEveryRoleToItsOwnChannel)
{
    FakeDeviceCapabilities line;
    line.inputChannelNames = { "Line L", "Line R", "Line C", "Line LFE", "Line LS", "Line RS" };
    makeManager().setDeviceCapabilities ("Line", line);
    processor.setInputLayout ({ 3, -1, 0, -1, -1, -1 });
    openPage (&processor);
    ASSERT_EQ (processor.inputLayout, ChannelLayout ({ 3, -1, 0, -1, -1, -1 }));

    panelBox ("Input:").setSelectedId (2, juce::sendNotificationSync);
    EXPECT_EQ (manager->getAudioDeviceSetup().inputDeviceName, "Line");
    EXPECT_EQ (processor.inputLayout, identityLayout);
    EXPECT_EQ (processor.inputRouting, ChannelRouting (identityLayout));

    turnMessageLoop();
    EXPECT_EQ (roleBox (DropBox::input, roleL).getText(), "Line L");
    EXPECT_EQ (roleBox (DropBox::input, roleRS).getText(), "Line RS");
    EXPECT_EQ (setBits (activeInputs()), std::vector<int> ({ 0, 1, 2, 3, 4, 5 }));
    EXPECT_EQ (panelBox ("Input:").getText(), "Line");
}

TEST_F (DevicePage, ADeviceThatFailsToOpenIsReportedAndGreysThePage)
{
    openPage (&processor);
    fakeType->setOpenError ("boom");

    panelBox ("Output:").setSelectedId (2, juce::sendNotificationSync);
    ASSERT_EQ (reports.size(), 1u);
    EXPECT_EQ (reports[0].title, "Error when trying to open audio device!");
    EXPECT_EQ (reports[0].message, "boom");

    turnMessageLoop();
    EXPECT_EQ (manager->getCurrentAudioDevice(), nullptr);
    EXPECT_EQ (boxLabelled (panel(), "Sample rate:"), nullptr);
    EXPECT_EQ (panelBox ("Output:").getText(), "");
    EXPECT_EQ (panelBox ("Input:").getText(), "");
    EXPECT_FALSE (dropBox (DropBox::input).isEnabled());
    EXPECT_FALSE (dropBox (DropBox::output).isEnabled());
    EXPECT_EQ (reports.size(), 1u) << "the drop boxes have no device to apply to";

    fakeType->setOpenError ({});
    panelBox ("Output:").setSelectedId (1, juce::sendNotificationSync);
    turnMessageLoop();
    EXPECT_TRUE (dropBox (DropBox::output).isEnabled());
}

TEST_F (DevicePage, AChannelTakenByOneRoleIsGreyedInTheOthersUntilReleased)
{
    processor.setInputLayout ({ 0, 1, 2, -1, -1, -1 });
    openPage (&processor);
    auto& left = roleBox (DropBox::input, roleL);

    left.setSelectedId (4, juce::sendNotificationSync);
    EXPECT_EQ (processor.inputLayout, ChannelLayout ({ 3, 1, 2, -1, -1, -1 }));
    EXPECT_EQ (setBits (activeInputs()), std::vector<int> ({ 1, 2, 3 }));

    for (int role = 0; role < numChannelRoles; ++role)
    {
        auto& box = roleBox (DropBox::input, role);
        EXPECT_EQ (box.isItemEnabled (4), role == roleL) << role;
        EXPECT_TRUE (box.isItemEnabled (1)) << "channel 0 is free again, role " << role;
        EXPECT_EQ (box.isItemEnabled (2), role == roleR) << role;
        EXPECT_TRUE (box.isItemEnabled (-1)) << role;
        EXPECT_EQ (box.getItemText (box.getNumItems() - 1), "<< none >>");
    }

    left.setSelectedId (-1, juce::sendNotificationSync);
    EXPECT_EQ (processor.inputLayout, ChannelLayout ({ -1, 1, 2, -1, -1, -1 }));

    for (int role = 0; role < numChannelRoles; ++role)
        EXPECT_TRUE (roleBox (DropBox::input, role).isItemEnabled (4)) << role;
}

TEST_F (DevicePage, StoredLayoutsReachTheDeviceOnTheFirstLoopTurn)
{
    struct Case
    {
        const char* name;
        int deviceChannels;
        ChannelLayout stored;
        std::vector<int> shownIds;
        ChannelLayout applied;
        std::vector<int> activeChannels;
    };

    const Case cases[] {
        { "identity", 6, identityLayout, { 1, 2, 3, 4, 5, 6 }, identityLayout, { 0, 1, 2, 3, 4, 5 } },
        { "one channel for two roles", 6, { 3, 3, -1, -1, -1, -1 }, { 4, 4, -1, -1, -1, -1 }, { 3, 3, -1, -1, -1, -1 }, { 3 } },
        { "channels the device lacks", 4, { 9, 1, -7, INT_MAX, -1, 2 }, { 0, 2, 0, 0, -1, 3 }, { -1, 1, -1, -1, -1, 2 }, { 1, 2 } },
        { "identity on two channels", 2, identityLayout, { 1, 2, 0, 0, 0, 0 }, { 0, 1, -1, -1, -1, -1 }, { 0, 1 } },
        { "all none", 6, unassignedLayout, { -1, -1, -1, -1, -1, -1 }, unassignedLayout, {} },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        selector.reset();
        FakeDeviceCapabilities capabilities;
        capabilities.inputChannelNames = juce::StringArray ({ "In 1", "In 2", "In 3", "In 4", "In 5", "In 6" });
        capabilities.inputChannelNames.removeRange (c.deviceChannels, 6);
        makeManager (true, capabilities);
        processor.setInputLayout (c.stored);
        openPage (&processor, false);

        for (int role = 0; role < numChannelRoles; ++role)
            EXPECT_EQ (roleBox (DropBox::input, role).getSelectedId(), c.shownIds[(size_t) role]) << role;

        turnMessageLoop();
        EXPECT_EQ (processor.inputLayout, c.applied);

        // Refilled from what the processor now holds: a channel the device lacks reads "none".
        for (int role = 0; role < numChannelRoles; ++role)
            EXPECT_EQ (roleBox (DropBox::input, role).getSelectedId(), roleBoxItemIdFor (c.applied[(size_t) role], c.deviceChannels)) << role;
        EXPECT_EQ (setBits (manager->getAudioDeviceSetup().inputChannels), c.activeChannels);

        // The device hands the processor exactly those channels, packed in channel order.
        ChannelRecorder recorder;
        manager->addAudioCallback (&recorder);
        EXPECT_TRUE (fakeType->runCallback (16));
        manager->removeAudioCallback (&recorder);
        EXPECT_EQ (recorder.channels, c.activeChannels);

        // A device left unopened by a choice of no channels keeps the page usable.
        EXPECT_NE (manager->getCurrentAudioDevice(), nullptr);
        EXPECT_TRUE (dropBox (DropBox::input).isEnabled());
    }
}

TEST_F (DevicePage, ALayoutTheDeviceRefusesIsLoggedAndReported)
{
    openPage (&processor);
    CapturingLogger logger;
    fakeType->setOpenError ("boom");

    roleBox (DropBox::output, roleC).setSelectedId (-1, juce::sendNotificationSync);

    EXPECT_TRUE (logger.messages.contains ("Cannot set this channel layout!"));
    ASSERT_EQ (reports.size(), 1u);
    EXPECT_EQ (reports[0].title, "Error when trying to open audio device!");
    EXPECT_EQ (reports[0].message, "boom");
    EXPECT_EQ (processor.outputLayout, ChannelLayout ({ 0, 1, -1, 3, 4, 5 })) << "the processor keeps what was chosen";

    turnMessageLoop();
    EXPECT_FALSE (dropBox (DropBox::output).isEnabled());
    EXPECT_EQ (reports.size(), 1u);
}

TEST_F (DevicePage, WithoutAProcessorThePageStillSetsTheDeviceChannels)
{
    openPage (nullptr);
    EXPECT_EQ (setBits (activeInputs()), std::vector<int> ({ 0, 1, 2, 3, 4, 5 }));

    roleBox (DropBox::input, roleL).setSelectedId (-1, juce::sendNotificationSync);
    EXPECT_EQ (setBits (activeInputs()), std::vector<int> ({ 1, 2, 3, 4, 5 }));

    panelBox ("Input:").setSelectedId (2, juce::sendNotificationSync);
    turnMessageLoop();
    EXPECT_EQ (manager->getAudioDeviceSetup().inputDeviceName, "Line");
    EXPECT_EQ (processor.inputLayout, identityLayout) << "untouched";
}

TEST_F (DevicePage, ClicksInsideTheInputDropBoxReachTheOutputRoleBoxesUnderIt)
{
    openPage (&processor);
    auto& page = panel();
    const auto& input = dropBox (DropBox::input);
    const auto isOrHolds = [] (juce::Component& box, juce::Component* hit) { return hit == &box || box.isParentOf (hit); };

    // The output L box starts left of the input drop box's right edge.
    auto& outputLeft = roleBox (DropBox::output, roleL);
    const auto outputPoint = page.getLocalPoint (&outputLeft, juce::Point<int> (20, 12));
    ASSERT_TRUE (input.getBounds().contains (outputPoint));
    EXPECT_TRUE (isOrHolds (outputLeft, page.getComponentAt (outputPoint)));

    auto& inputRight = roleBox (DropBox::input, roleR);
    EXPECT_TRUE (isOrHolds (inputRight, page.getComponentAt (page.getLocalPoint (&inputRight, juce::Point<int> (20, 12)))));

    const auto image = renderPage (*selector, "device-page-fake.png");
    const auto rateBox = page.getLocalArea (&panelBox ("Sample rate:"), panelBox ("Sample rate:").getLocalBounds());
    EXPECT_EQ (image.getPixelAt (rateBox.getX() + 2, page.getY() + rateBox.getCentreY()), nolvColours::fieldBackground);
}

//==============================================================================
namespace
{
/** A JACK server with the dummy driver under a name of the test's own, so no other server is
    touched; every JACK client of this process reaches it through JACK_DEFAULT_SERVER. */
class DummyJackServer
{
public:
    DummyJackServer()
    {
        const auto log = juce::File (NOLV_ARTIFACT_DIR).getChildFile ("jackd-device-page.log");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_addopen (&actions, STDOUT_FILENO, log.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2 (&actions, STDOUT_FILENO, STDERR_FILENO);

        // timeout ends the server even if this process dies before it can.
        std::vector<std::string> arguments { "timeout", "300", "jackd", "-n", name, "--no-realtime", "-d", "dummy",
                                             "-r", "48000", "-p", "512", "-C", "6", "-P", "6" };
        std::vector<char*> argv;

        for (auto& argument : arguments)
            argv.push_back (argument.data());

        argv.push_back (nullptr);

        if (posix_spawnp (&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid = -1;

        posix_spawn_file_actions_destroy (&actions);
    }

    ~DummyJackServer()
    {
        if (pid <= 0)
            return;

        kill (pid, SIGTERM);

        if (! testsupport::waitUntil ([this] { return waitpid (pid, nullptr, WNOHANG) == pid; }, 10000))
        {
            kill (pid, SIGKILL);
            waitpid (pid, nullptr, 0);
        }
    }

    const std::string name = "nolvdev" + std::to_string (getpid());
    testsupport::ScopedEnvironmentVariable defaultServer { "JACK_DEFAULT_SERVER", name };
    pid_t pid = -1;
};

/** A client of the test's own that reads the server's port graph. */
struct JackGraph
{
    JackGraph()
    {
        jack_set_error_function ([] (const char*) {});
        testsupport::waitUntil ([this] { return (client = jack_client_open ("nolv_page_check", JackNoStartServer, nullptr)) != nullptr; }, 20000);
    }

    ~JackGraph()
    {
        if (client != nullptr)
            jack_client_close (client);
    }

    /** The ports this port is connected to; empty for an unconnected or missing port. */
    std::vector<std::string> connections (const std::string& port) const
    {
        std::vector<std::string> found;
        auto* handle = jack_port_by_name (client, port.c_str());

        if (const char** names = handle != nullptr ? jack_port_get_all_connections (client, handle) : nullptr)
        {
            for (auto** n = names; *n != nullptr; ++n)
                found.emplace_back (*n);

            jack_free (names);
        }

        return found;
    }

    int numPortsOf (const std::string& clientName) const
    {
        int count = 0;

        if (const char** names = jack_get_ports (client, ("^" + clientName + ":").c_str(), nullptr, 0))
        {
            while (names[count] != nullptr)
                ++count;

            jack_free (names);
        }

        return count;
    }

    jack_client_t* client = nullptr;
};
} // namespace

TEST (DevicePageOnJack, OpensTheDeviceWithExactlyTheAssignedPortsAsNOLV51)
{
    DummyJackServer server;
    ASSERT_GT (server.pid, 0);
    JackGraph graph;
    ASSERT_NE (graph.client, nullptr) << juce::File (NOLV_ARTIFACT_DIR).getChildFile ("jackd-device-page.log").loadFileAsString();

    const ChannelLayout inputLayout { 2, 0, -1, 5, -1, -1 };
    const ChannelLayout outputLayout { 1, -1, -1, -1, -1, 3 };
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    processor.setInputLayout (inputLayout);
    processor.setOutputLayout (outputLayout);

    auto manager = testsupport::makeDeviceManagerWith (std::unique_ptr<juce::AudioIODeviceType> (juce::AudioIODeviceType::createAudioIODeviceType_JACK()));
    ASSERT_EQ (manager->initialise (6, 6, nullptr, true), "");
    ASSERT_NE (manager->getCurrentAudioDevice(), nullptr);
    EXPECT_EQ (manager->getCurrentAudioDevice()->getName(), "system");

    std::vector<Reported> reports;
    auto selector = std::make_unique<OVEXAudioDeviceSelectorComponent> (*manager, 6, 6, 6, 6, false, false, &processor);
    selector->setDeviceErrorReporter ([&] (const juce::String& title, const juce::String& message) { reports.push_back ({ title, message }); });
    selector->setBounds (0, 0, 1024, 600);

    const auto settled = [&]
    {
        turnMessageLoop();
        auto* device = manager->getCurrentAudioDevice();
        return device != nullptr && setBits (device->getActiveInputChannels()) == std::vector<int> ({ 0, 2, 5 })
               && setBits (device->getActiveOutputChannels()) == std::vector<int> ({ 1, 3 });
    };

    // JACK reports connections from its own thread; the page's passes run on the message loop.
    bool reachedLayouts = false;

    for (int turn = 0; turn < 250 && ! reachedLayouts; ++turn)
        reachedLayouts = settled();

    ASSERT_TRUE (reachedLayouts);
    EXPECT_TRUE (reports.empty());
    EXPECT_EQ (processor.inputLayout, inputLayout);
    EXPECT_EQ (processor.outputLayout, outputLayout);

    EXPECT_EQ (graph.numPortsOf ("NOLV51"), 12);

    for (int k = 1; k <= 6; ++k)
    {
        const auto n = std::to_string (k);
        const bool inputAssigned = k == 1 || k == 3 || k == 6;
        const bool outputAssigned = k == 2 || k == 4;
        EXPECT_EQ (graph.connections ("NOLV51:in_" + n),
                   inputAssigned ? std::vector<std::string> { "system:capture_" + n } : std::vector<std::string>()) << k;
        EXPECT_EQ (graph.connections ("NOLV51:out_" + n),
                   outputAssigned ? std::vector<std::string> { "system:playback_" + n } : std::vector<std::string>()) << k;
    }

    const auto panels = childrenOfType<AudioDeviceSettingsPanel> (*selector);
    ASSERT_EQ (panels.size(), 1u);
    EXPECT_EQ (boxLabelled (*panels[0], "Sample rate:")->getText(), "48000 Hz");
    EXPECT_EQ (boxLabelled (*panels[0], "Audio buffer size:")->getText(), "512 samples (10.7 ms)");

    renderPage (*selector, "device-page-jack.png");

    selector.reset();
    manager.reset();
}
