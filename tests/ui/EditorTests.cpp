#include "ChannelRole.h"
#include "ComponentRendering.h"
#include "FakeAudioIODeviceType.h"
#include "NolvColours.h"
#include "NolvResources.h"
#include "OvexjuceLoudnessAudioProcessorEditor.h"
#include "ProcessorTestAccess.h"
#include "RemoteTestKit.h"
#include "ScopedTemporaryFolder.h"
#include "StdoutCapture.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <limits>

// The editor on a processor with a fake device manager, driven as the program drives it: clicks
// go through the buttons, the refresh through timerCallback, and async messages through the loop.

namespace
{
class Editor : public testing::Test
{
protected:
    Editor() { processor.setPlayConfigDetails (6, 6, 44100.0, 512); }

    ~Editor() override
    {
        editorOwner.reset();
        processor.stopRemoteServer();
    }

    OvexjuceLoudnessAudioProcessorEditor& open()
    {
        processor.setEditorFactory (createOvexjuceEditor);
        editorOwner.reset (processor.createEditorIfNeeded());
        editor = dynamic_cast<OvexjuceLoudnessAudioProcessorEditor*> (editorOwner.get());
        editor->setVisible (true);

        if (editor->devicePage != nullptr)
            editor->devicePage->setDeviceErrorReporter ([this] (const juce::String& title, const juce::String&) { deviceErrors.add (title); });

        return *editor;
    }

    /** Delivers what is queued on the message loop: clicks and async notifications. */
    static void pump() { juce::MessageManager::getInstance()->runDispatchLoopUntil (20); }

    static void click (juce::Button& button)
    {
        button.triggerClick();
        pump();
    }

    static bool shows (const juce::Component& c) { return c.isVisible(); }

    std::unique_ptr<juce::AudioDeviceManager> devices = testsupport::makeDeviceManagerWith (
        std::make_unique<testsupport::FakeAudioIODeviceType> ("Fake type", juce::StringArray { "Fake device" }, juce::StringArray { "Fake device" }));
    OvexjuceLoudnessAudioProcessor processor { devices.get() };
    std::unique_ptr<juce::AudioProcessorEditor> editorOwner;
    OvexjuceLoudnessAudioProcessorEditor* editor = nullptr;
    juce::StringArray deviceErrors;
};

juce::Image imageOf (const juce::ImageComponent& holder)
{
    return holder.getImage();
}

juce::Image normalFaceOf (juce::DrawableButton& button)
{
    auto* drawable = dynamic_cast<juce::DrawableImage*> (button.getNormalImage());
    return drawable != nullptr ? drawable->getImage() : juce::Image();
}
} // namespace

TEST_F (Editor, OpensOnTheMeterPageWithAlarmsAndTheChannelChoiceDisabled)
{
    auto& e = open();

    EXPECT_EQ (e.getBounds(), juce::Rectangle<int> (0, 0, 1024, 768));
    EXPECT_EQ (e.getCurrentPage(), OvexjuceLoudnessAudioProcessorEditor::noPage);

    for (const juce::Component* c : { (juce::Component*) &e.loudnessColumn, (juce::Component*) &e.valuesColumn, (juce::Component*) &e.displaysPanel,
                                       (juce::Component*) &e.truePeakColumn, (juce::Component*) &e.momentaryPanel, (juce::Component*) e.topBar.playStop.get(),
                                       (juce::Component*) e.topBar.reset.get(), (juce::Component*) e.topBar.settings.get(), (juce::Component*) e.topBar.log.get() })
        EXPECT_TRUE (shows (*c)) << c->getComponentID();

    EXPECT_FALSE (shows (e.settings));
    ASSERT_NE (e.devicePage, nullptr);
    EXPECT_FALSE (shows (*e.devicePage));
    EXPECT_EQ (e.devicePage->getBounds(), juce::Rectangle<int> (0, 100, 1024, 608));
    EXPECT_FALSE (shows (*e.topBar.meter));
    EXPECT_FALSE (shows (*e.topBar.audioSettings));
    EXPECT_FALSE (shows (e.lockOverlay));

    EXPECT_FALSE (e.valuesColumn.globalLed->isEnabled());

    for (auto& led : e.truePeakColumn.leds)
        EXPECT_FALSE (led->isEnabled());

    EXPECT_FALSE (e.displaysPanel.channelsBox.isEnabled());
    EXPECT_EQ (e.displaysPanel.channelsLabel.findColour (juce::Label::textColourId), nolvColours::inactiveCaption);
    EXPECT_EQ (e.momentaryPanel.timecode.getText(), "00:00:00:00");

    // A few anchors of the fixed layout, as a pointer finds them.
    EXPECT_EQ (e.getComponentAt (282, 50), e.topBar.playStop.get());
    EXPECT_EQ (e.getComponentAt (396, 50), e.topBar.reset.get());
    EXPECT_EQ (e.getComponentAt (738, 50), e.lockButton.get());
    EXPECT_EQ (e.getComponentAt (695, 684), &e.truePeakColumn.values[0]);
    EXPECT_EQ (e.truePeakColumn.values[0].getName(), "TPLeftDisplay");
    EXPECT_EQ (e.getComponentAt (265, 320), &e.valuesColumn.integratedValue);

    EXPECT_EQ (e.findChildWithID ("lock"), e.lockButton.get());
    EXPECT_NE (e.topBar.findChildWithID ("playStop"), nullptr);
}

TEST_F (Editor, FirstTickShowsNoValuesZeroTimeAndTheDefaultStandard)
{
    auto& e = open();
    e.timerCallback();

    EXPECT_EQ (e.momentaryPanel.timecode.getText(), "00:00:00:000");

    for (auto* value : { &e.valuesColumn.integratedValue, &e.valuesColumn.shortTermValue, &e.valuesColumn.rangeValue, &e.momentaryPanel.momentaryValue })
        EXPECT_EQ (value->getText(), "-");

    for (auto& value : e.truePeakColumn.values)
        EXPECT_EQ (value.getText(), "-");

    EXPECT_EQ (e.valuesColumn.integratedValue.findColour (juce::Label::textColourId), nolvColours::red);
    EXPECT_EQ (e.valuesColumn.standardLabel.getText(), "EBU");
    EXPECT_EQ (e.valuesColumn.standardLabel.findColour (juce::Label::textColourId), nolvColours::green);

    EXPECT_EQ (e.valuesColumn.integratedCaption.getText(), "IL  LUFS");
    EXPECT_EQ (e.valuesColumn.shortTermCaption.getText(), "SL  LUFS");
    EXPECT_EQ (e.momentaryPanel.momentaryCaption.getText(), "ML    LUFS");
    EXPECT_EQ (e.valuesColumn.shortTermK.getBounds(), e.valuesColumn.shortTermCaption.getBounds().translated (21, 5).withHeight (24));
    EXPECT_EQ (e.momentaryPanel.momentaryK.getBounds(), e.momentaryPanel.momentaryCaption.getBounds().translated (32, 11).withSize (20, 14));
    EXPECT_EQ (imageOf (e.loudnessColumn.scaleHolder), nolvImage (NolvImageId::scaleEbu18));
    EXPECT_EQ (imageOf (e.truePeakColumn.background), nolvImage (NolvImageId::truePeakBackgroundRef18));

    EXPECT_TRUE (e.settings.ebu->getToggleState());
    EXPECT_TRUE (e.settings.plus18->getToggleState());
    EXPECT_TRUE (e.settings.absoluteUnit->getToggleState());
    EXPECT_TRUE (e.settings.ref18->getToggleState());
    EXPECT_FALSE (e.settings.gating->getToggleState());
    EXPECT_EQ (e.settings.truePeakMax.getValue(), -1.0);
    EXPECT_EQ (e.settings.peakHold.getValue(), 3.0);
    EXPECT_EQ (e.settings.overloadHold.getValue(), 3.0);
    EXPECT_EQ (e.settings.shortTermMax.getValue(), -24.0);
    EXPECT_EQ (e.settings.shortTermMax.getMinimum(), -24.0);
}

TEST_F (Editor, OneMessageLoopTurnWritesTheLoudnessSourceAndLeavesGatingAsStored)
{
    for (float gatingOff : { 0.0f, 1.0f })
    {
        processor.setParameterValue (gatingOffFlagIndex, gatingOff);
        processor.setParameterValue (vectroscopeInputDataFlagIndex, 1.0f);
        open();
        pump();

        EXPECT_EQ (processor.params.vectroscopeInputDataFlag, 0.0f);
        EXPECT_EQ (processor.params.gatingOffFlag, gatingOff);
        EXPECT_EQ (processor.params.runFlag, 0.0f);
        editorOwner.reset();
    }
}

TEST_F (Editor, PageButtonsShowTheirPageAtOnceAndTogglesBackToTheMeters)
{
    auto& e = open();

    const struct
    {
        juce::Button* button;
        int page;
    } steps[] {
        { e.topBar.settings.get(), 2 }, { e.topBar.settings.get(), 1 }, { e.topBar.log.get(), 3 },
        { e.topBar.log.get(), 1 }, { e.topBar.settings.get(), 2 }, { e.topBar.audioSettings.get(), 4 },
        { e.topBar.audioSettings.get(), 1 }, { e.topBar.log.get(), 3 }, { e.topBar.settings.get(), 2 },
        { e.topBar.meter.get(), 1 }, { e.topBar.meter.get(), 1 },
    };

    for (const auto& step : steps)
    {
        click (*step.button);
        SCOPED_TRACE (step.page);
        ASSERT_EQ (e.getCurrentPage(), step.page);

        const bool meters = step.page == 1;

        for (const juce::Component* panel : { (juce::Component*) &e.loudnessColumn, (juce::Component*) &e.valuesColumn, (juce::Component*) &e.displaysPanel,
                                              (juce::Component*) &e.truePeakColumn, (juce::Component*) &e.momentaryPanel })
            EXPECT_EQ (shows (*panel), meters);

        EXPECT_EQ (shows (*e.topBar.playStop), meters);
        EXPECT_EQ (shows (*e.topBar.reset), meters);
        EXPECT_EQ (shows (*e.topBar.meter), ! meters);
        EXPECT_EQ (shows (*e.topBar.audioSettings), ! meters);
        EXPECT_EQ (shows (e.settings), step.page == 2);
        EXPECT_EQ (shows (*e.devicePage), step.page == 4);
        EXPECT_EQ (shows (e.previewer), step.page == 3);
        EXPECT_TRUE (shows (*e.topBar.settings) && shows (*e.topBar.log) && shows (*e.lockButton));
    }
}

TEST_F (Editor, TicksReapplyTheChosenPageButNeverChooseOne)
{
    auto& e = open();
    e.timerCallback();
    EXPECT_FALSE (shows (e.settings));
    EXPECT_TRUE (shows (e.loudnessColumn));

    click (*e.topBar.settings);
    e.settings.setVisible (false);
    e.timerCallback();
    EXPECT_TRUE (shows (e.settings));
}

TEST_F (Editor, LockCoversEveryControlButLockAndTakesTheKeysThatWouldReachThem)
{
    auto& e = open();
    ASSERT_TRUE (e.topBar.playStop->isRegisteredForShortcut (juce::KeyPress (juce::KeyPress::spaceKey)));

    click (*e.lockButton);
    ASSERT_TRUE (shows (e.lockOverlay));
    EXPECT_EQ (e.getComponentAt (510, 50), &e.lockOverlay);
    EXPECT_EQ (e.getComponentAt (282, 50), &e.lockOverlay);
    EXPECT_EQ (e.getComponentAt (500, 400), &e.lockOverlay);
    EXPECT_EQ (e.getComponentAt (738, 50), e.lockButton.get());
    EXPECT_FALSE (e.topBar.playStop->isRegisteredForShortcut (juce::KeyPress (juce::KeyPress::spaceKey)));

    // The overlay takes the keys that would move the focus to a control under it or work one;
    // the window's own commands pass. (The program's acceptance run presses them for real.)
    EXPECT_TRUE (e.lockOverlay.getWantsKeyboardFocus());
    EXPECT_FALSE (e.lockButton->getWantsKeyboardFocus());

    for (int key : { juce::KeyPress::tabKey, juce::KeyPress::spaceKey, juce::KeyPress::returnKey, juce::KeyPress::leftKey,
                     juce::KeyPress::rightKey, juce::KeyPress::upKey, juce::KeyPress::downKey })
        EXPECT_TRUE (e.lockOverlay.keyPressed (juce::KeyPress (key))) << key;

    EXPECT_TRUE (e.lockOverlay.keyPressed (juce::KeyPress (juce::KeyPress::tabKey, juce::ModifierKeys::shiftModifier, 0)));
    EXPECT_FALSE (e.lockOverlay.keyPressed (juce::KeyPress ('r')));
    EXPECT_FALSE (e.lockOverlay.keyPressed (juce::KeyPress ('f', juce::ModifierKeys::ctrlModifier, 0)));

    click (*e.lockButton);
    EXPECT_FALSE (shows (e.lockOverlay));
    EXPECT_EQ (e.getComponentAt (510, 50), e.topBar.settings.get());
    EXPECT_TRUE (e.topBar.playStop->isRegisteredForShortcut (juce::KeyPress (juce::KeyPress::spaceKey)));
}

TEST_F (Editor, StandardPresetsSetReferenceAndLimitsInEitherUnit)
{
    auto& e = open();
    e.timerCallback();

    const struct
    {
        bool relativeFirst;
        juce::DrawableButton* standard;
        float standardValue, reference, truePeakMax, shortTermMax;
        double sliderShown;
    } cases[] {
        { false, e.settings.ebu.get(), 0.0f, 0.0f, -1.0f, -18.0f, -18.0 },
        { true, e.settings.ebu.get(), 0.0f, 0.0f, -1.0f, -18.0f, 5.0 },
        { false, e.settings.atsc.get(), 1.0f, 1.0f, -2.0f, -10.0f, -10.0 },
        { false, e.settings.arib.get(), 2.0f, 1.0f, -2.0f, -10.0f, -10.0 },
        { true, e.settings.atsc.get(), 1.0f, 1.0f, -2.0f, -10.0f, 14.0 },
    };

    for (const auto& c : cases)
    {
        // From EBU, with its limits moved away.
        click (*e.settings.ebu);
        click (c.relativeFirst ? *e.settings.relativeUnit : *e.settings.absoluteUnit);
        processor.setParameterValue (truePeakMaxLevelIndex, -7.0f);
        processor.setParameterValue (shtMaxLevelIndex, -3.0f);
        processor.setParameterValue (truePeakRefLevelIndex, 1.0f);
        e.timerCallback();

        click (*c.standard);
        SCOPED_TRACE (c.standardValue);
        EXPECT_EQ (processor.params.measurementStandard, c.standardValue);
        EXPECT_EQ (processor.params.truePeakRefLevel, c.reference);
        EXPECT_EQ (processor.params.truePeakMaxLevel, c.truePeakMax);
        EXPECT_EQ (processor.params.shtMaxLevel, c.shortTermMax);
        EXPECT_EQ (e.settings.shortTermMax.getValue(), c.sliderShown);
        EXPECT_TRUE (c.standard->getToggleState());
    }

    // The standard already chosen puts its limits back.
    processor.setParameterValue (truePeakMaxLevelIndex, -9.0f);
    e.timerCallback();
    click (*e.settings.atsc);
    EXPECT_EQ (processor.params.truePeakMaxLevel, -2.0f);
}

TEST_F (Editor, RadioGroupsAndTheGatingBoxWriteTheirParameters)
{
    auto& e = open();
    e.timerCallback();

    const struct
    {
        juce::DrawableButton* button;
        float ParameterBlock::*field;
        float value;
    } cases[] {
        { e.settings.plus9.get(), &ParameterBlock::measurementScale, 1.0f },
        { e.settings.plus18.get(), &ParameterBlock::measurementScale, 0.0f },
        { e.settings.relativeUnit.get(), &ParameterBlock::measurementUnit, 1.0f },
        { e.settings.absoluteUnit.get(), &ParameterBlock::measurementUnit, 0.0f },
        { e.settings.ref20.get(), &ParameterBlock::truePeakRefLevel, 1.0f },
        { e.settings.ref18.get(), &ParameterBlock::truePeakRefLevel, 0.0f },
        { e.displaysPanel.downmix.get(), &ParameterBlock::stereoMixdownFlag, 1.0f },
        { e.displaysPanel.fiveOne.get(), &ParameterBlock::stereoMixdownFlag, 0.0f },
        { e.settings.gating.get(), &ParameterBlock::gatingOffFlag, 1.0f },
        { e.settings.gating.get(), &ParameterBlock::gatingOffFlag, 0.0f },
    };

    processor.setDefaultInputRouting();
    e.timerCallback();

    for (const auto& c : cases)
    {
        click (*c.button);
        EXPECT_EQ (processor.params.*c.field, c.value) << c.button->getComponentID();
    }

    // The standard label shows gating switched off in red.
    click (*e.settings.gating);
    EXPECT_EQ (e.valuesColumn.standardLabel.findColour (juce::Label::textColourId), nolvColours::red);
}

TEST_F (Editor, SlidersWriteTheirParametersAndSaveWritesNone)
{
    auto& e = open();
    e.timerCallback();

    e.settings.truePeakMax.setValue (-6.0, juce::sendNotificationSync);
    e.settings.peakHold.setValue (7.0, juce::sendNotificationSync);
    e.settings.overloadHold.setValue (0.0, juce::sendNotificationSync);
    EXPECT_EQ (processor.params.truePeakMaxLevel, -6.0f);
    EXPECT_EQ (processor.params.truePeakHoldTime, 7.0f);
    EXPECT_EQ (processor.params.truePeakOverloadTime, 0.0f);

    click (*e.settings.relativeUnit);
    e.settings.shortTermMax.setValue (2.0, juce::sendNotificationSync);
    EXPECT_EQ (processor.params.shtMaxLevel, -21.0f);

    juce::MemoryBlock before, after;
    processor.getStateInformation (before);
    e.settings.passwordField.setText ("secret");
    click (*e.settings.save);
    processor.getStateInformation (after);
    EXPECT_EQ (before, after);
}

TEST_F (Editor, RestoredAtscPlus9RelativeStateShowsAfterOneTick)
{
    processor.setParameterValue (measurementStandardIndex, 1.0f);
    processor.setParameterValue (measurementScaleIndex, 1.0f);
    processor.setParameterValue (measurementUnitIndex, 1.0f);
    processor.setParameterValue (shtMaxLevelIndex, -10.0f);
    auto& e = open();
    e.timerCallback();

    EXPECT_TRUE (e.settings.atsc->getToggleState());
    EXPECT_TRUE (e.settings.plus9->getToggleState());
    EXPECT_TRUE (e.settings.relativeUnit->getToggleState());
    EXPECT_EQ (normalFaceOf (*e.settings.absoluteUnit), nolvImage (NolvImageId::lkfsOff));
    EXPECT_EQ (e.settings.shortTermMax.getMinimum(), 0.0);
    EXPECT_EQ (e.settings.shortTermMax.getMaximum(), 24.0);
    EXPECT_EQ (e.settings.shortTermMax.getValue(), 14.0);
    EXPECT_EQ (e.valuesColumn.standardLabel.getText(), "ATSC");
    EXPECT_EQ (e.valuesColumn.integratedCaption.getText(), "IL  LU");
    EXPECT_EQ (e.momentaryPanel.momentaryCaption.getText(), "ML    LU");
    EXPECT_EQ (e.settings.shortTermMaxCaption.getText(), "Short term max. level   [LU]");
    EXPECT_EQ (e.valuesColumn.integratedK.getBounds(), e.valuesColumn.integratedCaption.getBounds().translated (28, 10).withHeight (16));
    EXPECT_EQ (imageOf (e.loudnessColumn.scaleHolder), nolvImage (NolvImageId::scaleRelative9));

    // Back to EBU +18 in LUFS, then ATSC: the same unit button reads LKFS.
    click (*e.settings.ebu);
    click (*e.settings.plus18);
    click (*e.settings.absoluteUnit);
    EXPECT_EQ (e.valuesColumn.integratedCaption.getText(), "IL  LUFS");
    EXPECT_EQ (normalFaceOf (*e.settings.absoluteUnit), nolvImage (NolvImageId::lufsOn));
    click (*e.settings.atsc);
    EXPECT_EQ (e.valuesColumn.integratedCaption.getText(), "IL  LKFS");
    EXPECT_EQ (imageOf (e.loudnessColumn.scaleHolder), nolvImage (NolvImageId::scaleAtsc18));
    EXPECT_EQ (normalFaceOf (*e.settings.absoluteUnit), nolvImage (NolvImageId::lkfsOn));
}

TEST_F (Editor, ParametersThatAreNoNumberLeaveTheirControlsAlone)
{
    auto& e = open();
    e.timerCallback();

    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();

    for (int index : { measurementStandardIndex, measurementScaleIndex, measurementUnitIndex, gatingOffFlagIndex,
                       truePeakRefLevelIndex, truePeakMaxLevelIndex, truePeakHoldTimeIndex, truePeakOverloadTimeIndex,
                       shtMaxLevelIndex, stereoMixdownFlagIndex, vectroscopeInputDataFlagIndex })
        processor.setParameterValue (index, index % 2 == 0 ? nan : inf);

    e.timerCallback();

    EXPECT_TRUE (e.settings.ebu->getToggleState());
    EXPECT_TRUE (e.settings.plus18->getToggleState());
    EXPECT_TRUE (e.settings.absoluteUnit->getToggleState());
    EXPECT_EQ (e.settings.truePeakMax.getValue(), -1.0);
    EXPECT_EQ (e.settings.peakHold.getValue(), 3.0);
    EXPECT_EQ (e.settings.overloadHold.getValue(), 3.0);
    EXPECT_EQ (e.settings.shortTermMax.getValue(), -24.0);
}

TEST_F (Editor, AlarmsLightTheirLedsAndAreClearedOnceTheHoldHasRun)
{
    auto& e = open();
    processor.setParameterValue (truePeakOverloadTimeIndex, 0.0f);
    e.timerCallback();

    auto& meters = ProcessorTestAccess::writableMeters (processor);
    meters.truePeakAlarm = 1;
    meters.channelAlarm[1] = 1;
    e.timerCallback();

    EXPECT_TRUE (e.valuesColumn.globalLed->isEnabled() && e.valuesColumn.globalLed->getToggleState());
    EXPECT_TRUE (e.truePeakColumn.leds[1]->isEnabled() && e.truePeakColumn.leds[1]->getToggleState());
    EXPECT_FALSE (e.truePeakColumn.leds[0]->isEnabled() || e.truePeakColumn.leds[0]->getToggleState());
    EXPECT_EQ (meters.truePeakAlarm, 0) << "no hold: cleared on the tick that shows them";
    EXPECT_EQ (meters.channelAlarm[1], 0);

    e.timerCallback();
    EXPECT_FALSE (e.valuesColumn.globalLed->isEnabled() || e.valuesColumn.globalLed->getToggleState());
    EXPECT_FALSE (e.truePeakColumn.leds[1]->isEnabled());

    processor.setParameterValue (truePeakOverloadTimeIndex, 3.0f);
    e.timerCallback();
    meters.truePeakAlarm = 1;

    for (int tick = 1; tick <= 61; ++tick)
    {
        e.timerCallback();
        ASSERT_EQ (meters.truePeakAlarm, 1) << tick;
    }

    e.timerCallback();
    EXPECT_EQ (meters.truePeakAlarm, 0);

    // A LED's own click clears the alarms.
    meters.truePeakAlarm = 1;
    processor.setParameterValue (truePeakOverloadTimeIndex, 3.0f);
    e.timerCallback();
    click (*e.valuesColumn.globalLed);
    EXPECT_EQ (meters.truePeakAlarm, 0);
}

TEST_F (Editor, FiveOneAndDownmixNeedEveryRoleOfTheSurroundRouted)
{
    auto& e = open();
    e.timerCallback();
    EXPECT_FALSE (e.displaysPanel.fiveOne->isEnabled());
    EXPECT_FALSE (e.displaysPanel.downmix->isEnabled());
    EXPECT_TRUE (processor.params.stereoState);

    processor.setDefaultInputRouting();
    e.timerCallback();
    EXPECT_TRUE (e.displaysPanel.fiveOne->isEnabled() && e.displaysPanel.downmix->isEnabled());
    EXPECT_TRUE (e.displaysPanel.fiveOne->getToggleState());
    EXPECT_FALSE (processor.params.stereoState);

    click (*e.displaysPanel.downmix);
    e.timerCallback();
    EXPECT_TRUE (processor.params.stereoState);

    auto layout = processor.inputLayout;
    layout[roleLS] = -1;
    processor.setInputLayout (layout);
    click (*e.displaysPanel.fiveOne);
    e.timerCallback();
    EXPECT_FALSE (e.displaysPanel.downmix->isEnabled());
    EXPECT_TRUE (processor.params.stereoState);
}

TEST_F (Editor, StartStreamsToALoopbackClientAndARefusedPortSwitchesBackOff)
{
    testsupport::StdoutCapture out;
    auto& e = open();
    juce::StreamingSocket probe; // for a port that is free now
    ASSERT_TRUE (probe.createListener (0, "127.0.0.1"));
    const int port = probe.getBoundPort();
    probe.close();

    e.settings.portField.setText (juce::String (port));
    click (*e.settings.startStop);
    ASSERT_TRUE (e.settings.startStop->getToggleState());
    EXPECT_EQ (ProcessorTestAccess::remotePort (processor), port);

    remotetest::FramedTestClient client;
    ASSERT_TRUE (client.connect (port));
    ASSERT_TRUE (testsupport::waitUntil ([&] { return out.occurrences ("Connected to server") == 1; }));
    ProcessorTestAccess::remoteTick (processor);
    EXPECT_TRUE (client.readFrame().has_value());

    click (*e.settings.startStop);
    EXPECT_FALSE (ProcessorTestAccess::isRemoteFeedRunning (processor));

    for (const char* refused : { "70000", "4294987296" })
    {
        e.settings.portField.setText (refused);
        click (*e.settings.startStop);
        EXPECT_FALSE (e.settings.startStop->getToggleState()) << refused;
        EXPECT_FALSE (ProcessorTestAccess::isRemoteFeedRunning (processor)) << refused;
    }
}

TEST_F (Editor, ProcessorStartsAndStopsTheRefreshWithTheDevice)
{
    auto& e = open();
    processor.prepareToPlay (48000.0, 512);
    EXPECT_TRUE (e.isTimerRunning());
    EXPECT_EQ (e.getTimerInterval(), 50);
    processor.releaseResources();
    EXPECT_FALSE (e.isTimerRunning());

    // Pages still switch without the refresh.
    click (*e.topBar.settings);
    EXPECT_TRUE (shows (e.settings));
}

TEST_F (Editor, MeterPagePaintsItsReadOutsAndTheLockDarkensIt)
{
    auto& e = open();
    e.timerCallback();

    auto image = testsupport::renderToImage (e);
    testsupport::writePng (image, juce::File (NOLV_ARTIFACT_DIR).getChildFile ("editor-meter-page.png"));

    EXPECT_EQ (image.getPixelAt (0, 0), juce::Colours::black);

    const auto countIn = [&image] (juce::Rectangle<int> area, juce::Colour colour)
    {
        int n = 0;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                n += testsupport::coloursMatch (image.getPixelAt (x, y), colour, 40) ? 1 : 0;

        return n;
    };

    EXPECT_GT (countIn ({ 227, 194, 76, 24 }, nolvColours::green), 10) << "EBU in green";
    EXPECT_GT (countIn ({ 227, 314, 76, 25 }, nolvColours::red), 3) << "no integrated value, in red";

    click (*e.lockButton);
    const auto locked = testsupport::renderToImage (e);
    testsupport::writePng (locked, juce::File (NOLV_ARTIFACT_DIR).getChildFile ("editor-locked.png"));
    EXPECT_EQ (locked.getPixelAt (300, 50), juce::Colours::black);
    const auto brightness = [] (const juce::Image& picture, juce::Rectangle<int> area)
    {
        double sum = 0.0;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                sum += picture.getPixelAt (x, y).getBrightness();

        return sum;
    };

    const juce::Rectangle<int> valuesColumn { 225, 140, 80, 510 };
    EXPECT_LT (brightness (locked, valuesColumn), 0.8 * brightness (image, valuesColumn)) << "darkened under the lock";
}

TEST (EditorWithoutDevices, HasNoDevicePageAndStillSwitchesToItsEmptyPage)
{
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    processor.setPlayConfigDetails (6, 6, 44100.0, 512);
    OvexjuceLoudnessAudioProcessorEditor editor (processor, nullptr);
    EXPECT_EQ (editor.devicePage, nullptr);

    editor.topBar.settings->triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    editor.topBar.audioSettings->triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    EXPECT_EQ (editor.getCurrentPage(), OvexjuceLoudnessAudioProcessorEditor::audioSettingsPage);
    editor.timerCallback();
    EXPECT_FALSE (editor.loudnessColumn.isVisible() || editor.settings.isVisible());
}

TEST_F (Editor, TicksHandTheSnapshotToEveryMeterAndSmoothTheArrowAndTheRange)
{
    auto& e = open();
    processor.sampleRate = 48000.0;
    auto& meters = ProcessorTestAccess::writableMeters (processor);
    meters.momentaryFraction = 0.6f;
    meters.shortTermFraction = 1.0f;
    meters.rangeLowFraction = 0.2f;
    meters.rangeHighFraction = 0.8f;
    meters.truePeakFraction = { 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f };
    meters.correlation = { -1.0f, 0.0f, 0.5f, 1.0f, 1.0f, 1.0f };
    meters.soundFieldLevel = { 0.5f, 0.5f, 0.25f, 0.1f, 0.2f, 0.2f };

    e.timerCallback();
    EXPECT_FLOAT_EQ (e.loudnessColumn.momentaryBar.getLevel(), 0.6f);
    EXPECT_FLOAT_EQ (e.loudnessColumn.arrow.getValue(), 0.1f);
    EXPECT_FLOAT_EQ (e.loudnessColumn.rangeBar.getLow(), 0.02f);
    EXPECT_FLOAT_EQ (e.loudnessColumn.rangeBar.getHigh(), 0.08f);

    for (int tick = 1; tick < 45; ++tick)
        e.timerCallback();

    EXPECT_NEAR (e.loudnessColumn.arrow.getValue(), 1.0f, 0.01f) << "within a pixel after about 45 ticks";
    EXPECT_GT (e.truePeakColumn.bars[0]->getLevel(), 0.9f);
    EXPECT_LT (e.displaysPanel.correlationMeters[0]->getLevel(), -0.9f);
    EXPECT_GT (e.displaysPanel.correlationMeters[3]->getLevel(), 0.9f);
    EXPECT_GT (e.displaysPanel.soundField.getLevels()[roleL], 0.4f);

    // The bars turn red above the true-peak maximum: -1 dBTP at row 480 - 413.
    const float split = processor.valueToFraction (1, -1.0f);
    for (auto& bar : e.truePeakColumn.bars)
        EXPECT_EQ (bar->split, split);

    const auto image = testsupport::renderToImage (e);
    testsupport::writePng (image, juce::File (NOLV_ARTIFACT_DIR).getChildFile ("editor-meters-full.png"));
    EXPECT_TRUE (testsupport::coloursMatch (image.getPixelAt (727, 148 + 480 - 413 - 3), nolvColours::red, 10));
    EXPECT_TRUE (testsupport::coloursMatch (image.getPixelAt (727, 148 + 480 - 413 + 3), nolvColours::green, 10));

    e.settings.truePeakMax.setValue (-6.0, juce::sendNotificationSync);
    EXPECT_EQ (e.truePeakColumn.bars[5]->split, processor.valueToFraction (1, -6.0f));
}

TEST_F (Editor, DisplayChoiceSwapsSoundFieldAndVectorscopeAndTheirChoices)
{
    auto& e = open();
    pump();
    EXPECT_TRUE (shows (e.displaysPanel.soundField));
    EXPECT_FALSE (shows (e.displaysPanel.vectorscope));

    e.displaysPanel.displayBox.setSelectedId (2, juce::sendNotificationSync);
    EXPECT_FALSE (shows (e.displaysPanel.soundField));
    EXPECT_TRUE (shows (e.displaysPanel.vectorscope));
    EXPECT_TRUE (e.displaysPanel.channelsBox.isEnabled());
    EXPECT_FALSE (e.displaysPanel.loudnessBox.isEnabled());
    EXPECT_EQ (e.displaysPanel.loudnessLabel.findColour (juce::Label::textColourId), nolvColours::inactiveCaption);

    e.displaysPanel.loudnessBox.setSelectedId (2, juce::sendNotificationSync);
    EXPECT_EQ (processor.params.vectroscopeInputDataFlag, 1.0f);
}

TEST_F (Editor, GoesAwayPromptlyWithTheVectorThreadRunning)
{
    open();
    processor.prepareToPlay (48000.0, 512);

    const auto start = juce::Time::getMillisecondCounter();
    editorOwner.reset();
    EXPECT_LT (juce::Time::getMillisecondCounter() - start, 10000u);
    processor.releaseResources();
}

TEST_F (Editor, ReportFolderAndNameGoBothWaysAndTheGraphGatesAsTheMeter)
{
    testsupport::ScopedTemporaryFolder reports;
    auto& e = open();
    processor.setStringParameter (logFilePathIndex, reports.getFolder().getFullPathName());
    processor.setStringParameter (logFileNameIndex, "Concert");
    e.timerCallback();

    // What the log page shows is what it hands back when applied.
    processor.setStringParameter (logFilePathIndex, "elsewhere");
    processor.setStringParameter (logFileNameIndex, "Other");
    e.previewer.applyFieldTexts();
    pump();
    EXPECT_EQ (processor.params.logFilePath, reports.getFolder().getFullPathName());
    EXPECT_EQ (processor.params.logFileName, "Concert");

    auto& graph = e.previewer.getLogDrawer();

    for (float gatingOff : { 1.0f, 0.0f })
    {
        processor.setParameterValue (gatingOffFlagIndex, gatingOff);
        e.timerCallback();
        EXPECT_EQ (graph.getMomentaryHistogram().isGating(), gatingOff == 0.0f);
        EXPECT_EQ (graph.getShortTermHistogram().isGating(), gatingOff == 0.0f);
    }
}
