#include "AudioDeviceSettingsPanel.h"
#include "CapturingLogger.h"
#include "ChannelRole.h"
#include "ComponentRendering.h"
#include "ComponentSearch.h"
#include "FakeAudioIODeviceType.h"
#include "MessageLoop.h"
#include "NolvColours.h"
#include "OVEXAudioDeviceSelectorComponent.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "PrivateJackServer.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <optional>
#include <vector>

// The audio settings page on fake device types, where every device and failure is the test's to
// choose, and once on a real JACK server, whose port graph shows what the page opened.

namespace
{
using testsupport::boxLabelled;
using testsupport::childrenOfType;
using testsupport::FakeAudioIODeviceType;
using testsupport::FakeDeviceCapabilities;
using DropBox = AudioDeviceSettingsPanel::OVEXChannelSelectorDropBox;

constexpr ChannelLayout identityLayout { 0, 1, 2, 3, 4, 5 };

std::vector<int> setBits (const juce::BigInteger& bits)
{
    std::vector<int> found;

    for (int bit = bits.findNextSetBit (0); bit >= 0; bit = bits.findNextSetBit (bit + 1))
        found.push_back (bit);

    return found;
}

juce::String panelTexts (juce::Component& panel, std::initializer_list<const char*> labels)
{
    juce::StringArray texts;

    for (auto* label : labels)
        texts.add (boxLabelled (panel, label) != nullptr ? boxLabelled (panel, label)->getText() : "(none)");

    return texts.joinIntoString (", ");
}

/** A device page, 1024 px wide as the editor shows it, on a manager of the test's making; by
    default one fake type with inputs "Mic" and "Line" and outputs "Speakers" and "Phones". */
class DevicePage : public testing::Test
{
protected:
    DevicePage()
    {
        processor.setDefaultInputRouting();
        processor.setDefaultOutputRouting();
    }

    FakeAudioIODeviceType& makeManager (bool separateInputsAndOutputs = true, const FakeDeviceCapabilities& capabilities = {})
    {
        selector.reset();
        const auto outputs = juce::StringArray { "Speakers", "Phones" };
        const auto inputs = separateInputsAndOutputs ? juce::StringArray { "Mic", "Line" } : outputs;
        auto type = std::make_unique<FakeAudioIODeviceType> ("Fake", inputs, outputs, capabilities, separateInputsAndOutputs);
        fakeType = type.get();
        manager = testsupport::makeDeviceManagerWith (std::move (type));
        return *fakeType;
    }

    /** Opens the first devices and builds the page, by default with its first drop-box pass run. */
    void openPage (OvexjuceLoudnessAudioProcessor* processorToUse, bool runFirstPass = true)
    {
        if (manager == nullptr)
            makeManager();

        ASSERT_EQ (manager->initialise (6, 6, nullptr, true), "");
        buildPage (processorToUse);

        if (runFirstPass)
            testsupport::runPostedMessages();
    }

    void buildPage (OvexjuceLoudnessAudioProcessor* processorToUse)
    {
        selector = std::make_unique<OVEXAudioDeviceSelectorComponent> (*manager, 6, 6, 6, 6, false, false, processorToUse);
        selector->setDeviceErrorReporter ([this] (const juce::String& title, const juce::String& message)
                                          { reports.add (title + ": " + message); });
        selector->setBounds (0, 0, 1024, 600);
    }

    AudioDeviceSettingsPanel& panel() { return *childrenOfType<AudioDeviceSettingsPanel> (*selector).at (0); }

    juce::ComboBox& panelBox (const juce::String& label)
    {
        auto* box = boxLabelled (panel(), label);
        EXPECT_NE (box, nullptr) << label;
        return *box;
    }

    /** The input drop box lies left of the output one. */
    DropBox& dropBox (DropBox::ChannelType side)
    {
        auto boxes = childrenOfType<DropBox> (panel());
        std::sort (boxes.begin(), boxes.end(), [] (auto* a, auto* b) { return a->getX() < b->getX(); });
        return *boxes.at (side == DropBox::input ? 0 : 1);
    }

    juce::ComboBox& roleBox (DropBox::ChannelType side, int role) { return *boxLabelled (dropBox (side), channelRoleNames[role]); }

    std::vector<int> activeInputs() const { return setBits (manager->getCurrentAudioDevice()->getActiveInputChannels()); }

    std::optional<testsupport::PrivateJackServer> jackServer; // outlives the devices opened on it
    OvexjuceLoudnessAudioProcessor processor { nullptr };
    FakeAudioIODeviceType* fakeType = nullptr;
    std::unique_ptr<juce::AudioDeviceManager> manager;
    std::unique_ptr<OVEXAudioDeviceSelectorComponent> selector;
    juce::StringArray reports;
};
} // namespace

TEST_F (DevicePage, ATypeBoxComesWithASecondTypeAndChoosingATypeBuildsItsPanel)
{
    // The first type has no devices, so no device is open to close when the type changes.
    manager = testsupport::makeDeviceManagerWith (std::make_unique<FakeAudioIODeviceType> ("Empty", juce::StringArray(), juce::StringArray()),
                                                  std::make_unique<FakeAudioIODeviceType> ("Fake", juce::StringArray { "Mic" }, juce::StringArray { "Speakers" }));

    // Where no device could be opened, the first type with devices is offered, and a device chosen there opens.
    buildPage (&processor);
    EXPECT_EQ (boxLabelled (*selector, "Audio device type:")->getText(), "Fake");
    panelBox ("Output:").setSelectedId (1, juce::sendNotificationSync);
    EXPECT_EQ (manager->getCurrentAudioDeviceType() + " " + manager->getAudioDeviceSetup().outputDeviceName, "Fake Speakers");
    ASSERT_NE (manager->getCurrentAudioDevice(), nullptr);

    manager->setCurrentAudioDeviceType ("Empty", true);
    buildPage (&processor);

    auto* typeBox = boxLabelled (*selector, "Audio device type:");
    ASSERT_NE (typeBox, nullptr);
    EXPECT_EQ (typeBox->getBounds(), juce::Rectangle<int> (358, 15, 307, 24));
    EXPECT_EQ (typeBox->getItemText (0) + ", " + typeBox->getItemText (1) + ": " + typeBox->getText(), "Empty, Fake: Empty");
    EXPECT_EQ (panel().getY(), 57) << "below the type box";
    EXPECT_EQ (panelTexts (panel(), { "Sample rate:" }), "(none)") << "no device, no rates";

    typeBox->setSelectedId (2, juce::sendNotificationSync);
    EXPECT_EQ (manager->getCurrentAudioDeviceType(), "Fake");
    juce::Component::SafePointer<AudioDeviceSettingsPanel> fakePanel (&panel());

    manager->sendChangeMessage();
    testsupport::runPostedMessages();
    EXPECT_EQ (fakePanel.getComponent(), &panel()) << "a broadcast keeps the panel";
    EXPECT_EQ (panelTexts (panel(), { "Output:" }), "Speakers");
    EXPECT_EQ (childrenOfType<AudioDeviceSettingsPanel> (*selector).size(), 1u);
}

TEST_F (DevicePage, ShowingThePageOffersDevicesThatAppearedSinceAndEveryChoiceIsToldWorkingOrNot)
{
    openPage (&processor);
    juce::StringArray told;
    selector->onSetupApplied = [&told] (const juce::String& typeName, const juce::AudioDeviceManager::AudioDeviceSetup& asked)
    { told.add (typeName + ": " + asked.inputDeviceName + ", " + asked.outputDeviceName + ", " + asked.inputChannels.toString (2)); };

    roleBox (DropBox::input, roleL).setSelectedId (-1, juce::sendNotificationSync);

    // As a JACK server started after the program: found only by scanning again.
    fakeType->addDevice ("Late");
    selector->setVisible (true);
    auto& outputs = panelBox ("Output:");
    ASSERT_EQ (outputs.getNumItems(), 3);
    EXPECT_EQ (outputs.getItemText (2), "Late");

    fakeType->setOpenError ("busy");
    outputs.setSelectedId (3, juce::sendNotificationSync);
    EXPECT_EQ (reports, juce::StringArray ("Error when trying to open audio device!: busy"));
    EXPECT_EQ (told, juce::StringArray ({ "Fake: Mic, Speakers, 111110", "Fake: Mic, Late, 111110" })) << told.joinIntoString ("\n");
}

TEST_F (DevicePage, RowsStackFromTheDeviceRowAndASharedDeviceSitsOnTheRight)
{
    const std::tuple<bool, std::vector<std::pair<const char*, juce::Rectangle<int>>>, const char*, int> cases[] {
        { true,
          { { "Input:", { 174, 100, 338, 24 } }, { "Output:", { 614, 100, 338, 24 } },
            { "Sample rate:", { 174, 130, 338, 24 } }, { "Audio buffer size:", { 174, 160, 338, 24 } } },
          "Device:", 190 },
        { false,
          { { "Device:", { 614, 100, 338, 24 } }, { "Sample rate:", { 174, 100, 338, 24 } },
            { "Audio buffer size:", { 174, 130, 338, 24 } } },
          "Input:", 160 },
    };

    for (const auto& [separate, rows, absentLabel, dropBoxY] : cases)
    {
        SCOPED_TRACE (separate ? "separate inputs and outputs" : "one device for both");
        makeManager (separate);
        openPage (&processor);

        for (const auto& [label, bounds] : rows)
            EXPECT_EQ (panelBox (label).getBounds(), bounds) << label;

        EXPECT_EQ (boxLabelled (panel(), absentLabel), nullptr);
        EXPECT_EQ (dropBox (DropBox::input).getBounds(), juce::Rectangle<int> (82, dropBoxY, 676, 240));
        EXPECT_EQ (dropBox (DropBox::output).getBounds(), juce::Rectangle<int> (522, dropBoxY, 676, 240));
        EXPECT_EQ (roleBox (DropBox::output, roleRS).getBounds(), juce::Rectangle<int> (91, 150, 338, 24));
    }
}

TEST_F (DevicePage, RateItemsNameTheirValuesAndOnlyAnotherRateReopensTheDevice)
{
    FakeDeviceCapabilities capabilities;
    capabilities.bufferSizes = { 512, 1024 };
    makeManager (true, capabilities);
    openPage (&processor);

    auto& rateBox = panelBox ("Sample rate:");
    EXPECT_EQ (rateBox.getItemText (0) + ", " + rateBox.getItemText (1), "44100 Hz, 48000 Hz");
    EXPECT_EQ (panelTexts (panel(), { "Sample rate:", "Audio buffer size:" }), "44100 Hz, 512 samples (11.6 ms)");

    const int opens = fakeType->getOpenCount();
    panel().comboBoxChanged (&rateBox);
    testsupport::runPostedMessages();
    EXPECT_EQ (fakeType->getOpenCount(), opens);

    rateBox.setSelectedId (48000, juce::sendNotificationSync);
    testsupport::runPostedMessages();
    EXPECT_EQ (fakeType->getOpenCount(), opens + 1);
    EXPECT_EQ (panelTexts (panel(), { "Audio buffer size:" }), "512 samples (10.7 ms)");
    EXPECT_TRUE (reports.isEmpty());

    // A device that does not tell its rate offers none, and its buffers are timed at 48 kHz.
    capabilities.sampleRates.clear();
    capabilities.bufferSizes = { 480 };
    makeManager (true, capabilities);
    openPage (&processor);
    EXPECT_EQ (panelBox ("Sample rate:").getNumItems(), 0);
    EXPECT_EQ (panelTexts (panel(), { "Audio buffer size:" }), "480 samples (10.0 ms)");
}

TEST_F (DevicePage, ChoosingAnotherInputDeviceRoutesEveryRoleToItsOwnChannel)
{
    // Devices often name their channels alike (ALSA's "channel N", JACK's "capture_N").
    for (const auto& names : { juce::StringArray { "Line L", "Line R", "Line C", "Line LFE", "Line LS", "Line RS" },
                                           FakeDeviceCapabilities().inputChannelNames })
    {
        SCOPED_TRACE (names[0]);
        FakeDeviceCapabilities line;
        line.inputChannelNames = names;
        makeManager().setDeviceCapabilities ("Line", line);
        processor.setInputLayout ({ 3, -1, 0, -1, -1, -1 });
        openPage (&processor);
        ASSERT_EQ (activeInputs(), std::vector<int> ({ 0, 3 }));

        panelBox ("Input:").setSelectedId (2, juce::sendNotificationSync);
        EXPECT_EQ (manager->getAudioDeviceSetup().inputDeviceName, "Line");
        EXPECT_EQ (processor.inputLayout, identityLayout);
        EXPECT_EQ (processor.inputRouting, identityLayout);

        testsupport::runPostedMessages();
        EXPECT_EQ (roleBox (DropBox::input, roleRS).getText(), names[5]);
        EXPECT_EQ (activeInputs(), std::vector<int> ({ 0, 1, 2, 3, 4, 5 }));
    }
}

TEST_F (DevicePage, DeviceErrorsAreReportedAndAClosedDeviceGreysTheDropBoxes)
{
    const std::tuple<const char*, std::function<void()>, ChannelLayout, juce::StringArray> cases[] {
        { "another device", [this] { panelBox ("Output:").setSelectedId (2, juce::sendNotificationSync); }, identityLayout, {} },
        { "a channel layout", [this] { roleBox (DropBox::output, roleC).setSelectedId (-1, juce::sendNotificationSync); },
          { 0, 1, -1, 3, 4, 5 }, { "Cannot set this channel layout!" } },
    };

    for (const auto& [name, choose, outputLayout, logged] : cases)
    {
        SCOPED_TRACE (name);
        makeManager();
        openPage (&processor);
        reports.clear();
        fakeType->setOpenError ("boom");

        const testsupport::CapturingLogger logger;
        choose();
        EXPECT_EQ (logger.lines(), logged);
        EXPECT_EQ (reports, juce::StringArray ("Error when trying to open audio device!: boom"));
        EXPECT_EQ (processor.outputLayout, outputLayout) << "the processor keeps what was chosen";

        testsupport::runPostedMessages();
        EXPECT_EQ (manager->getCurrentAudioDevice(), nullptr);
        EXPECT_EQ (panelTexts (panel(), { "Sample rate:", "Output:", "Input:" }), "(none), , ");
        EXPECT_FALSE (dropBox (DropBox::input).isEnabled() || dropBox (DropBox::output).isEnabled());
        EXPECT_EQ (reports.size(), 1);

        // A choice that still reaches a drop box finds no device and leaves the saved set-up alone
        // (none yet, when the first pass found the opened channels right).
        const auto savedSetup = [this]
        {
            const auto xml = manager->createStateXml();
            return xml != nullptr ? xml->toString() : juce::String ("(none)");
        };
        const auto saved = savedSetup();
        roleBox (DropBox::input, roleL).setSelectedId (-1, juce::sendNotificationSync);
        EXPECT_EQ (savedSetup(), saved);

        fakeType->setOpenError ({});
        panelBox ("Output:").setSelectedId (1, juce::sendNotificationSync);
        testsupport::runPostedMessages();
        EXPECT_TRUE (dropBox (DropBox::output).isEnabled());
    }
}

TEST_F (DevicePage, AChannelTakenByOneRoleIsGreyedInTheOthersUntilReleased)
{
    processor.setInputLayout ({ 0, 1, 2, -1, -1, -1 });
    openPage (&processor);
    auto& left = roleBox (DropBox::input, roleL);

    left.setSelectedId (4, juce::sendNotificationSync);
    EXPECT_EQ (processor.inputLayout, ChannelLayout ({ 3, 1, 2, -1, -1, -1 }));
    EXPECT_EQ (activeInputs(), std::vector<int> ({ 1, 2, 3 }));

    for (int role = 0; role < numChannelRoles; ++role)
    {
        auto& box = roleBox (DropBox::input, role);
        EXPECT_EQ (box.isItemEnabled (4), role == roleL) << role;
        EXPECT_EQ (box.isItemEnabled (2), role == roleR) << role;
        EXPECT_TRUE (box.isItemEnabled (1) && box.isItemEnabled (-1)) << "channel 0 is free again and none always is, role " << role;
        EXPECT_EQ (box.getItemText (box.getNumItems() - 1), "<< none >>");
    }

    left.setSelectedId (-1, juce::sendNotificationSync);
    EXPECT_EQ (processor.inputLayout, ChannelLayout ({ -1, 1, 2, -1, -1, -1 }));
    EXPECT_TRUE (roleBox (DropBox::input, roleR).isItemEnabled (4));
}

TEST_F (DevicePage, StoredLayoutsReachTheDeviceOnTheFirstLoopTurn)
{
    // name, device channels, stored layout, shown item ids, applied layout, channels the device opens
    const std::tuple<const char*, int, ChannelLayout, std::vector<int>, ChannelLayout, std::vector<int>> cases[] {
        { "identity", 6, identityLayout, { 1, 2, 3, 4, 5, 6 }, identityLayout, { 0, 1, 2, 3, 4, 5 } },
        { "one channel for two roles", 6, { 3, 3, -1, -1, -1, -1 }, { 4, 4, -1, -1, -1, -1 }, { 3, 3, -1, -1, -1, -1 }, { 3 } },
        { "channels the device lacks", 4, { 9, 1, -7, INT_MAX, -1, 2 }, { 0, 2, 0, 0, -1, 3 }, { -1, 1, -1, -1, -1, 2 }, { 1, 2 } },
        { "identity on two channels", 2, identityLayout, { 1, 2, 0, 0, 0, 0 }, { 0, 1, -1, -1, -1, -1 }, { 0, 1 } },
        { "all none", 6, unassignedLayout, { -1, -1, -1, -1, -1, -1 }, unassignedLayout, {} },
    };

    for (const auto& [name, deviceChannels, stored, shownIds, applied, activeChannels] : cases)
    {
        SCOPED_TRACE (name);
        FakeDeviceCapabilities capabilities;
        capabilities.inputChannelNames.removeRange (deviceChannels, 6);
        makeManager (true, capabilities);
        processor.setInputLayout (stored);
        openPage (&processor, false);

        for (int role = 0; role < numChannelRoles; ++role)
            EXPECT_EQ (roleBox (DropBox::input, role).getSelectedId(), shownIds[(size_t) role]) << role;

        testsupport::runPostedMessages();
        EXPECT_EQ (processor.inputLayout, applied);
        EXPECT_EQ (activeInputs(), activeChannels);

        // With no input channel the device stays current, and so the boxes stay usable.
        EXPECT_TRUE (dropBox (DropBox::input).isEnabled());
    }
}

TEST_F (DevicePage, APortConnectedFromOutsideDoesNotReopenTheDevice)
{
    // Reopening would drop every connection the user made to the program in the JACK graph.
    processor.setInputLayout ({ 0, 1, -1, -1, -1, -1 });
    openPage (&processor);
    const int opens = fakeType->getOpenCount();

    ASSERT_TRUE (fakeType->activateInputFromOutside (4));
    testsupport::runPostedMessages();
    EXPECT_EQ (fakeType->getOpenCount(), opens);
    EXPECT_EQ (processor.inputLayout, (ChannelLayout { 0, 1, -1, -1, -1, -1 }));
}

TEST_F (DevicePage, WithoutAProcessorThePageStillSetsTheDeviceChannels)
{
    openPage (nullptr);
    roleBox (DropBox::input, roleL).setSelectedId (-1, juce::sendNotificationSync);
    EXPECT_EQ (activeInputs(), std::vector<int> ({ 1, 2, 3, 4, 5 }));

    panelBox ("Input:").setSelectedId (2, juce::sendNotificationSync);
    testsupport::runPostedMessages();
    EXPECT_EQ (manager->getAudioDeviceSetup().inputDeviceName, "Line");
}

TEST_F (DevicePage, ClicksInsideTheInputDropBoxReachTheOutputRoleBoxesUnderIt)
{
    openPage (&processor);
    auto& page = panel();
    const auto hits = [&page] (juce::ComboBox& box)
    {
        auto* hit = page.getComponentAt (page.getLocalPoint (&box, juce::Point<int> (20, 12)));
        return hit == &box || box.isParentOf (hit);
    };

    auto& outputLeft = roleBox (DropBox::output, roleL);
    ASSERT_TRUE (dropBox (DropBox::input).getBounds().contains (page.getLocalPoint (&outputLeft, juce::Point<int> (20, 12))));
    EXPECT_TRUE (hits (outputLeft));
    EXPECT_TRUE (hits (roleBox (DropBox::input, roleR)));

    const auto image = testsupport::renderArtifact (*selector, "device-page-fake.png");
    const auto rateBox = panelBox ("Sample rate:").getBounds() + page.getPosition();
    EXPECT_EQ (image.getPixelAt (rateBox.getX() + 2, rateBox.getCentreY()), nolvColours::fieldBackground);
}

TEST_F (DevicePage, OnJackOpensTheDeviceWithExactlyTheAssignedPortsAsNOLV51)
{
    const auto logs = testsupport::artifactFile ("device-page-jack");
    ASSERT_TRUE (logs.createDirectory().wasOk());
    auto& server = jackServer.emplace (logs);
    ASSERT_TRUE (server.waitUntilRunning()) << server.getLog().loadFileAsString();

    processor.setInputLayout ({ 2, 0, -1, 5, -1, -1 });
    processor.setOutputLayout ({ 1, -1, -1, -1, -1, 3 });
    manager = testsupport::makeDeviceManagerWith (std::unique_ptr<juce::AudioIODeviceType> (juce::AudioIODeviceType::createAudioIODeviceType_JACK()));
    openPage (&processor, false);

    // JUCE learns of JACK's connections on JACK's thread and hands them to the message loop.
    EXPECT_TRUE (testsupport::waitUntil ([this]
    {
        testsupport::runPostedMessages();
        auto* device = manager->getCurrentAudioDevice();
        return device != nullptr && setBits (device->getActiveInputChannels()) == std::vector<int> ({ 0, 2, 5 })
               && setBits (device->getActiveOutputChannels()) == std::vector<int> ({ 1, 3 });
    }, 20000)) << "the device never had the layouts' channels";
    EXPECT_TRUE (reports.isEmpty()) << reports.joinIntoString ("\n");

    // Every port of the program's client, each followed by what it is connected to.
    const auto ports = logs.getChildFile ("jack_lsp.log");
    ports.deleteFile();
    ASSERT_TRUE (testsupport::runsToSuccess ({ "jack_lsp", "-c", "NOLV51:" }, ports));
    EXPECT_EQ (ports.loadFileAsString(),
               "NOLV51:in_1\n   system:capture_1\nNOLV51:in_2\nNOLV51:in_3\n   system:capture_3\nNOLV51:in_4\nNOLV51:in_5\n"
               "NOLV51:in_6\n   system:capture_6\nNOLV51:out_1\nNOLV51:out_2\n   system:playback_2\nNOLV51:out_3\n"
               "NOLV51:out_4\n   system:playback_4\nNOLV51:out_5\nNOLV51:out_6\n");

    EXPECT_EQ (panelTexts (panel(), { "Output:", "Sample rate:", "Audio buffer size:" }), "system, 48000 Hz, 512 samples (10.7 ms)");
    testsupport::renderArtifact (*selector, "device-page-jack.png");
}
