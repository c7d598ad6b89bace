#include "FilterStateText.h"
#include "HostTestHelpers.h"

namespace
{
const ChannelLayout swappedInputs { 3, 5, 0, 1, 4, 2 };
const ChannelLayout fourOutputs { 2, 0, -1, 3, 1, -1 };

struct CapturingLogger : public juce::Logger
{
    void logMessage (const juce::String& message) override { lines.add (message); }
    juce::StringArray lines;
};

juce::StringArray keysOf (const juce::XmlElement& properties)
{
    juce::StringArray keys;

    for (auto* value : properties.getChildWithTagNameIterator ("VALUE"))
        keys.add (value->getStringAttribute ("name"));

    return keys;
}

/** Stores the device set-up an earlier run would have saved after choosing deviceName. */
void storeSavedDevice (const juce::String& deviceName)
{
    juce::XmlElement setup ("DEVICESETUP");
    setup.setAttribute ("deviceType", "Fake type");
    setup.setAttribute ("audioOutputDeviceName", deviceName);
    setup.setAttribute ("audioInputDeviceName", deviceName);
    storeSettings ({ { "audioSetup", setup.toString() } });
}

testsupport::FakeAudioIODevice* openFakeDevice (OVEXStandaloneFilterWindow& window)
{
    return dynamic_cast<testsupport::FakeAudioIODevice*> (window.getDeviceManager()->getCurrentAudioDevice());
}
} // namespace

TEST_F (MainWindowTest, ParametersLayoutsAndPositionSurviveClosingAndReopening)
{
    {
        auto& first = openWindow();
        first.getProcessor()->setParameterValue (truePeakMaxLevelIndex, -3.0f);
        first.getProcessor()->setInputLayout (swappedInputs);
        first.getProcessor()->setOutputLayout (fourOutputs);
        first.setTopLeftPosition (screenArea().getTopLeft() + juce::Point<int> (7, 9));
        closeWindow();
    }

    const auto file = readSettingsFile();
    ASSERT_NE (file, nullptr);
    EXPECT_EQ (keysOf (*file), juce::StringArray ({ "windowX", "windowY", "audioSetup", "filterState" }));

    juce::MemoryBlock state;
    ASSERT_TRUE (decodeFilterStateText (file->getChildByAttribute ("name", "filterState")->getStringAttribute ("val"), state));
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (state.getData()), 0x21324356u);

    auto& second = openWindow();
    EXPECT_EQ (second.getProcessor()->params.truePeakMaxLevel, -3.0f);
    EXPECT_EQ (second.getProcessor()->inputLayout, swappedInputs);
    EXPECT_EQ (second.getProcessor()->outputLayout, fourOutputs);
    EXPECT_EQ (second.getPosition(), screenArea().getTopLeft() + juce::Point<int> (7, 9));
}

TEST_F (MainWindowTest, WithoutASavedSetupTheDefaultDeviceOpensAndIsNotRecordedAsAChoice)
{
    openWindow (fakeDevices ({ "First", "Second" }));
    ASSERT_NE (openFakeDevice (*window), nullptr);
    EXPECT_EQ (openFakeDevice (*window)->getName(), "First");
    EXPECT_EQ (openFakeDevice (*window)->getActiveInputChannels().countNumberOfSetBits(), 6);
    EXPECT_EQ (openFakeDevice (*window)->getActiveOutputChannels().countNumberOfSetBits(), 6);
    closeWindow();

    const auto file = readSettingsFile();
    EXPECT_EQ (file->getChildByAttribute ("name", "audioSetup")->getStringAttribute ("val"), "");
    EXPECT_EQ (file->getChildByAttribute ("name", "audioSetup")->getNumChildElements(), 0);
}

TEST_F (MainWindowTest, ASavedDeviceIsReopenedAndSavedBack)
{
    storeSavedDevice ("Second");

    openWindow (fakeDevices ({ "First", "Second" }));
    ASSERT_NE (openFakeDevice (*window), nullptr);
    EXPECT_EQ (openFakeDevice (*window)->getName(), "Second");
    closeWindow();

    const auto file = readSettingsFile();
    const auto* saved = file->getChildByAttribute ("name", "audioSetup")->getChildByName ("DEVICESETUP");
    ASSERT_NE (saved, nullptr);
    EXPECT_EQ (saved->getStringAttribute ("audioOutputDeviceName"), "Second");
}

TEST_F (MainWindowTest, ASavedDeviceThatIsGoneLeavesTheDeviceClosedAndSaysWhy)
{
    storeSavedDevice ("Unplugged");

    CapturingLogger logger;
    juce::Logger::setCurrentLogger (&logger);
    openWindow();
    juce::Logger::setCurrentLogger (nullptr);

    EXPECT_EQ (window->getDeviceManager()->getCurrentAudioDevice(), nullptr);
    EXPECT_TRUE (logger.lines.contains ("No such device: Unplugged")) << logger.lines.joinIntoString ("|");
}

TEST_F (MainWindowTest, DeviceAudioReachesTheProcessorAndPassesThroughItsRestoredLayouts)
{
    {
        auto& first = openWindow();
        first.getProcessor()->setInputLayout (swappedInputs);
        first.getProcessor()->setOutputLayout (fourOutputs);
        closeWindow();
    }

    openWindow();
    auto* device = openFakeDevice (*window);
    ASSERT_NE (device, nullptr);

    juce::AudioSampleBuffer input (6, 512), output (6, 512);

    for (int c = 0; c < 6; ++c)
        juce::FloatVectorOperations::fill (input.getWritePointer (c), 0.1f * (float) (c + 1), 512);

    device->process (input, output);

    // Output channel: the input channel of the role routed there (L, R, LFE, LS), or silence.
    const float expected[] = { 0.6f, 0.5f, 0.4f, 0.2f, 0.0f, 0.0f };

    for (int c = 0; c < 6; ++c)
    {
        EXPECT_FLOAT_EQ (output.getSample (c, 0), expected[c]) << "output " << c;
        EXPECT_FLOAT_EQ (output.getSample (c, 511), expected[c]) << "output " << c;
    }
}

TEST_F (MainWindowTest, ADamagedStoredStateGivesTheDefaults)
{
    for (const char* damaged : { "-5.AB", "4000000000.AB", "abc", "12.AB" })
    {
        storeSettings ({ { "filterState", damaged } });
        openWindow();

        const ParameterBlock defaults;
        EXPECT_EQ (window->getProcessor()->params.truePeakMaxLevel, defaults.truePeakMaxLevel) << damaged;
        EXPECT_EQ (window->getProcessor()->params.shtMaxLevel, defaults.shtMaxLevel) << damaged;
        EXPECT_EQ (window->getProcessor()->inputLayout, unassignedLayout) << damaged;
        closeWindow();
    }
}

TEST_F (MainWindowTest, ShutsDownCleanlyWithNoDeviceOpen)
{
    openWindow ([] { return testsupport::makeDeviceManagerWith (std::make_unique<testsupport::FakeAudioIODeviceType> ("Empty", juce::StringArray(), juce::StringArray())); });
    EXPECT_EQ (window->getDeviceManager()->getCurrentAudioDevice(), nullptr);
    window->getProcessor()->setParameterValue (shtMaxLevelIndex, -18.0f);
    closeWindow();

    EXPECT_EQ (keysOf (*readSettingsFile()), juce::StringArray ({ "windowX", "windowY", "audioSetup", "filterState" }));

    openWindow();
    EXPECT_EQ (window->getProcessor()->params.shtMaxLevel, -18.0f);
}

TEST_F (MainWindowTest, StoredPositionsPlaceOrCentreTheWindow)
{
    openWindow();
    const juce::Point<int> size { window->getWidth(), window->getHeight() };
    closeWindow();

    const auto area = screenArea();

    if (area.getWidth() < size.x + 40 || area.getHeight() < size.y + 40)
        GTEST_SKIP() << "the screen is too small for the window";

    const auto centred = juce::Rectangle<int> (size.x, size.y).withCentre (area.getCentre()).getPosition();
    const auto inside = area.getTopLeft() + juce::Point<int> (20, 30);

    struct Case
    {
        juce::String x, y;
        juce::Point<int> expected;
    };

    const Case cases[] = {
        { "-100", "50", centred },
        { "50", "-100", centred },
        { "-100", "-100", centred },
        { {}, {}, centred },
        { juce::String (inside.x), juce::String (inside.y), inside },
        { "99999", "99999", area.getBottomRight() - size },
        { "-99999", juce::String (inside.y), { area.getX(), inside.y } },
    };

    for (const auto& c : cases)
    {
        getSettingsFile().deleteFile();

        if (c.x.isNotEmpty())
            storeSettings ({ { "windowX", c.x }, { "windowY", c.y } });

        openWindow();
        EXPECT_EQ (window->getPosition(), c.expected) << c.x << ", " << c.y;
        EXPECT_TRUE (area.contains (window->getBounds())) << c.x << ", " << c.y;
        closeWindow();
    }
}
