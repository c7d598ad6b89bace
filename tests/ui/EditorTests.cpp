#include "ChannelRole.h"
#include "ComponentRendering.h"
#include "FakeAudioIODeviceType.h"
#include "MessageLoop.h"
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
/** Delivers what is queued on the message loop (clicks and async notifications), and nothing more. */
void pump()
{
    testsupport::runPostedMessages (1);
}

void click (juce::Button& button)
{
    button.triggerClick();
    pump();
}

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
        editor->devicePage->setDeviceErrorReporter ([] (const juce::String&, const juce::String&) {}); // no alert windows
        return *editor;
    }

    static bool shows (const juce::Component& c) { return c.isVisible(); }

    static juce::Colour textColour (const juce::Label& label) { return label.findColour (juce::Label::textColourId); }

    std::vector<juce::Component*> meterPageParts() const
    {
        return { &editor->loudnessColumn, &editor->valuesColumn, &editor->displaysPanel, &editor->truePeakColumn,
                 &editor->momentaryPanel, editor->topBar.playStop.get(), editor->topBar.reset.get() };
    }

    std::unique_ptr<juce::AudioDeviceManager> devices = testsupport::makeDeviceManagerWith (
        std::make_unique<testsupport::FakeAudioIODeviceType> ("Fake type", juce::StringArray { "Fake device" },
                                                              juce::StringArray { "Fake device" }));
    OvexjuceLoudnessAudioProcessor processor { devices.get() };
    std::unique_ptr<juce::AudioProcessorEditor> editorOwner;
    OvexjuceLoudnessAudioProcessorEditor* editor = nullptr;
};

juce::Image normalFaceOf (juce::DrawableButton& button)
{
    auto* drawable = dynamic_cast<juce::DrawableImage*> (button.getNormalImage());
    return drawable != nullptr ? drawable->getImage() : juce::Image();
}
} // namespace

TEST_F (Editor, OpensOnTheMetersWithNoValuesTheDefaultStandardAndAlarmsAndTheChannelChoiceOff)
{
    auto& e = open();
    EXPECT_EQ (e.getBounds(), juce::Rectangle<int> (0, 0, 1024, 768));
    EXPECT_EQ (e.getCurrentPage(), OvexjuceLoudnessAudioProcessorEditor::noPage);

    for (auto* part : meterPageParts())
        EXPECT_TRUE (shows (*part)) << part->getComponentID();

    ASSERT_NE (e.devicePage, nullptr);
    EXPECT_FALSE (shows (e.settings) || shows (*e.devicePage) || shows (*e.topBar.meter) || shows (*e.topBar.audioSettings)
                  || shows (e.lockOverlay));
    EXPECT_FALSE (e.valuesColumn.globalLed->isEnabled() || e.truePeakColumn.leds[0]->isEnabled()
                  || e.displaysPanel.channelsBox.isEnabled());
    EXPECT_EQ (textColour (e.displaysPanel.channelsLabel), nolvColours::inactiveCaption);
    EXPECT_EQ (e.getComponentAt (695, 684), &e.truePeakColumn.values[0]);
    EXPECT_EQ (e.momentaryPanel.timecode.getText(), "00:00:00:00");

    e.timerCallback();
    EXPECT_EQ (e.momentaryPanel.timecode.getText(), "00:00:00:000");

    for (auto* value : { &e.valuesColumn.integratedValue, &e.valuesColumn.shortTermValue, &e.valuesColumn.rangeValue,
                         &e.momentaryPanel.momentaryValue, &e.truePeakColumn.values[5] })
        EXPECT_EQ (value->getText(), "-");

    EXPECT_EQ (e.valuesColumn.standardLabel.getText(), "EBU");
    EXPECT_EQ (e.valuesColumn.integratedCaption.getText() + "|" + e.momentaryPanel.momentaryCaption.getText(), "IL  LUFS|ML    LUFS");
    EXPECT_EQ (e.loudnessColumn.scaleHolder.getImage(), nolvImage (NolvImageId::scaleEbu18));
    EXPECT_EQ (e.truePeakColumn.background.getImage(), nolvImage (NolvImageId::truePeakBackgroundRef18));

    EXPECT_TRUE (e.settings.ebu->getToggleState() && e.settings.plus18->getToggleState() && e.settings.absoluteUnit->getToggleState()
                 && e.settings.ref18->getToggleState() && ! e.settings.gating->getToggleState());
    EXPECT_EQ (std::make_tuple (e.settings.truePeakMax.getValue(), e.settings.peakHold.getValue(), e.settings.overloadHold.getValue(),
                                e.settings.shortTermMax.getValue()),
               std::make_tuple (-1.0, 3.0, 3.0, -24.0));
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
    auto *settings = e.topBar.settings.get(), *log = e.topBar.log.get();
    auto *audio = e.topBar.audioSettings.get(), *meter = e.topBar.meter.get();
    const std::pair<juce::Button*, int> steps[] { { settings, 2 }, { settings, 1 }, { log, 3 }, { log, 1 },
                                                  { settings, 2 }, { audio, 4 },    { audio, 1 }, { log, 3 },
                                                  { settings, 2 }, { meter, 1 },    { meter, 1 } };

    for (const auto& [button, page] : steps)
    {
        click (*button);
        SCOPED_TRACE (page);
        ASSERT_EQ (e.getCurrentPage(), page);

        for (auto* part : meterPageParts())
            EXPECT_EQ (shows (*part), page == 1);

        EXPECT_EQ (shows (*meter) && shows (*audio), page != 1);
        EXPECT_EQ (std::make_tuple (shows (e.settings), shows (e.previewer), shows (*e.devicePage)),
                   std::make_tuple (page == 2, page == 3, page == 4));
        EXPECT_TRUE (shows (*settings) && shows (*log) && shows (*e.lockButton));
    }

    // A tick puts back the chosen page, and only that.
    click (*settings);
    e.settings.setVisible (false);
    e.timerCallback();
    EXPECT_TRUE (shows (e.settings) && ! shows (e.loudnessColumn));
}

TEST_F (Editor, LockCoversEveryControlButLockAndTakesTheKeysThatWouldReachThem)
{
    auto& e = open();
    const auto space = juce::KeyPress (juce::KeyPress::spaceKey);
    ASSERT_TRUE (e.topBar.playStop->isRegisteredForShortcut (space));

    click (*e.lockButton);
    for (const auto& [x, y] : { std::pair (510, 50), std::pair (282, 50), std::pair (500, 400) })
        EXPECT_EQ (e.getComponentAt (x, y), &e.lockOverlay) << x << ", " << y;

    EXPECT_EQ (e.getComponentAt (738, 50), e.lockButton.get());
    EXPECT_FALSE (e.topBar.playStop->isRegisteredForShortcut (space));

    // The overlay takes the keys that would move the focus to a control under it or work one;
    // the window's own commands pass. (The program's acceptance run presses them for real.)
    EXPECT_TRUE (e.lockOverlay.getWantsKeyboardFocus() && ! e.lockButton->getWantsKeyboardFocus());

    for (const auto& key : { space, juce::KeyPress (juce::KeyPress::tabKey), juce::KeyPress (juce::KeyPress::returnKey),
                             juce::KeyPress (juce::KeyPress::downKey),
                             juce::KeyPress (juce::KeyPress::tabKey, juce::ModifierKeys::shiftModifier, 0) })
        EXPECT_TRUE (e.lockOverlay.keyPressed (key)) << key.getTextDescription();

    EXPECT_FALSE (e.lockOverlay.keyPressed (juce::KeyPress ('r')));
    EXPECT_FALSE (e.lockOverlay.keyPressed (juce::KeyPress ('f', juce::ModifierKeys::ctrlModifier, 0)));

    click (*e.lockButton);
    EXPECT_EQ (e.getComponentAt (510, 50), e.topBar.settings.get());
    EXPECT_TRUE (e.topBar.playStop->isRegisteredForShortcut (space));
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
        const auto& p = processor.params;
        EXPECT_EQ (std::make_tuple (p.measurementStandard, p.truePeakRefLevel, p.truePeakMaxLevel, p.shtMaxLevel),
                   std::make_tuple (c.standardValue, c.reference, c.truePeakMax, c.shortTermMax));
        EXPECT_EQ (e.settings.shortTermMax.getValue(), c.sliderShown);
        EXPECT_TRUE (c.standard->getToggleState());
    }

    // The standard already chosen puts its limits back.
    processor.setParameterValue (truePeakMaxLevelIndex, -9.0f);
    e.timerCallback();
    click (*e.settings.atsc);
    EXPECT_EQ (processor.params.truePeakMaxLevel, -2.0f);
}

TEST_F (Editor, RadioGroupsTheGatingBoxAndTheSlidersWriteTheirParametersAndSaveWritesNone)
{
    auto& e = open();
    processor.setDefaultInputRouting();
    e.timerCallback();

    const std::tuple<juce::DrawableButton*, float ParameterBlock::*, float> clicks[] {
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

    for (const auto& [button, field, value] : clicks)
    {
        click (*button);
        EXPECT_EQ (processor.params.*field, value) << button->getComponentID();
    }

    click (*e.settings.gating);
    EXPECT_EQ (textColour (e.valuesColumn.standardLabel), nolvColours::red) << "gating off shows in red";

    const std::tuple<juce::Slider*, double, float ParameterBlock::*, float> slides[] {
        { &e.settings.truePeakMax, -6.0, &ParameterBlock::truePeakMaxLevel, -6.0f },
        { &e.settings.peakHold, 7.0, &ParameterBlock::truePeakHoldTime, 7.0f },
        { &e.settings.overloadHold, 0.0, &ParameterBlock::truePeakOverloadTime, 0.0f },
    };

    for (const auto& [slider, position, field, value] : slides)
    {
        slider->setValue (position, juce::sendNotificationSync);
        EXPECT_EQ (processor.params.*field, value) << position;
    }

    EXPECT_EQ (e.truePeakColumn.bars[5]->split, processor.valueToFraction (1, -6.0f)) << "the bars turn red above the new maximum";
    click (*e.settings.relativeUnit);
    e.settings.shortTermMax.setValue (2.0, juce::sendNotificationSync);
    EXPECT_EQ (processor.params.shtMaxLevel, -21.0f);

    juce::MemoryBlock before, after;
    processor.getStateInformation (before);
    e.settings.passwordField.setText ("secret");
    click (*e.settings.save);
    processor.getStateInformation (after);
    EXPECT_EQ (before, after);
    EXPECT_FALSE (shows (e.settings.passwordCaption) || shows (e.settings.passwordField) || shows (*e.settings.save))
        << "a password that protects nothing is not offered";
    EXPECT_EQ (e.settings.passwordCaption.getBounds().toString() + " " + e.settings.passwordField.getBounds().toString() + " "
                   + e.settings.save->getBounds().toString(),
               "540 435 150 18 540 460 256 30 796 460 82 30") << "laid out where it would show";
}

TEST_F (Editor, RestoredAtscPlus9RelativeStateShowsAfterOneTickAndNoNumberLeavesTheControlsAlone)
{
    processor.setParameterValue (measurementStandardIndex, 1.0f);
    processor.setParameterValue (measurementScaleIndex, 1.0f);
    processor.setParameterValue (measurementUnitIndex, 1.0f);
    processor.setParameterValue (shtMaxLevelIndex, -10.0f);
    auto& e = open();
    e.timerCallback();

    EXPECT_TRUE (e.settings.atsc->getToggleState() && e.settings.plus9->getToggleState() && e.settings.relativeUnit->getToggleState());
    EXPECT_EQ (normalFaceOf (*e.settings.absoluteUnit), nolvImage (NolvImageId::lkfsOff));
    const auto& limit = e.settings.shortTermMax;
    EXPECT_EQ (std::make_tuple (limit.getMinimum(), limit.getMaximum(), limit.getValue()), std::make_tuple (0.0, 24.0, 14.0));
    EXPECT_EQ (e.valuesColumn.standardLabel.getText(), "ATSC");
    EXPECT_EQ (e.valuesColumn.integratedCaption.getText() + "|" + e.momentaryPanel.momentaryCaption.getText() + "|"
                   + e.settings.shortTermMaxCaption.getText(),
               "IL  LU|ML    LU|Short term max. level   [LU]");
    EXPECT_EQ (e.valuesColumn.integratedK.getBounds(),
               e.valuesColumn.integratedCaption.getBounds().translated (28, 10).withHeight (16));
    EXPECT_EQ (e.loudnessColumn.scaleHolder.getImage(), nolvImage (NolvImageId::scaleRelative9));

    // Stored values that are no number (a damaged state) leave every control as it is.
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();

    for (int index : { measurementStandardIndex, measurementScaleIndex, measurementUnitIndex, gatingOffFlagIndex,
                       truePeakRefLevelIndex, truePeakMaxLevelIndex, truePeakHoldTimeIndex, truePeakOverloadTimeIndex,
                       shtMaxLevelIndex, stereoMixdownFlagIndex, vectroscopeInputDataFlagIndex })
        processor.setParameterValue (index, index % 2 == 0 ? nan : inf);

    e.timerCallback();
    EXPECT_TRUE (e.settings.atsc->getToggleState() && e.settings.plus9->getToggleState() && e.settings.relativeUnit->getToggleState());
    EXPECT_EQ (std::make_tuple (e.settings.truePeakMax.getValue(), e.settings.peakHold.getValue(), limit.getValue()),
               std::make_tuple (-1.0, 3.0, 14.0));

    // Back to EBU +18 in LUFS, then ATSC: the same unit button reads LKFS.
    click (*e.settings.ebu);
    click (*e.settings.plus18);
    click (*e.settings.absoluteUnit);
    EXPECT_EQ (normalFaceOf (*e.settings.absoluteUnit), nolvImage (NolvImageId::lufsOn));
    click (*e.settings.atsc);
    EXPECT_EQ (e.valuesColumn.integratedCaption.getText(), "IL  LKFS");
    EXPECT_EQ (normalFaceOf (*e.settings.absoluteUnit), nolvImage (NolvImageId::lkfsOn));
}

TEST_F (Editor, AlarmsLightTheirLedsAndAreClearedOnceTheHoldHasRun)
{
    auto& e = open();
    ProcessorTestAccess::prepare (processor, 48000.0, 512);
    processor.setParameterValue (truePeakOverloadTimeIndex, 0.0f);
    e.timerCallback();

    // As a block would raise them: after carrying out the clearings asked for so far.
    const auto raiseAlarms = [this]
    {
        juce::AudioSampleBuffer empty (6, 0);
        ProcessorTestAccess::process (processor, empty);
        auto m = ProcessorTestAccess::meters (processor);
        m.truePeakAlarm = m.channelAlarm[1] = 1;
        ProcessorTestAccess::publishMeters (processor, m);
    };

    // A clearing takes effect at the next block while the device plays.
    const auto alarmAfterABlock = [this]
    {
        juce::AudioSampleBuffer empty (6, 0);
        ProcessorTestAccess::process (processor, empty);
        return ProcessorTestAccess::meters (processor).truePeakAlarm;
    };

    raiseAlarms();
    e.timerCallback();

    EXPECT_TRUE (e.valuesColumn.globalLed->isEnabled() && e.valuesColumn.globalLed->getToggleState());
    EXPECT_TRUE (e.truePeakColumn.leds[1]->isEnabled() && e.truePeakColumn.leds[1]->getToggleState());
    EXPECT_FALSE (e.truePeakColumn.leds[0]->isEnabled() || e.truePeakColumn.leds[0]->getToggleState());
    EXPECT_EQ (alarmAfterABlock(), 0) << "no hold: cleared on the tick that shows them";

    e.timerCallback();
    EXPECT_FALSE (e.valuesColumn.globalLed->isEnabled() || e.truePeakColumn.leds[1]->isEnabled());

    processor.setParameterValue (truePeakOverloadTimeIndex, 3.0f);
    e.timerCallback();
    raiseAlarms();

    for (int tick = 1; tick <= 61; ++tick)
    {
        e.timerCallback();
        ASSERT_EQ (alarmAfterABlock(), 1) << tick;
    }

    e.timerCallback();
    EXPECT_EQ (alarmAfterABlock(), 0);

    // A LED's own click clears the alarms.
    raiseAlarms();
    e.timerCallback();
    click (*e.valuesColumn.globalLed);
    EXPECT_EQ (alarmAfterABlock(), 0);
    processor.releaseResources();
}

TEST_F (Editor, FiveOneAndDownmixNeedEveryRoleOfTheSurroundRouted)
{
    auto& e = open();
    e.timerCallback();
    EXPECT_FALSE (e.displaysPanel.fiveOne->isEnabled() || e.displaysPanel.downmix->isEnabled());
    EXPECT_TRUE (processor.params.stereoState);

    processor.setDefaultInputRouting();
    e.timerCallback();
    EXPECT_TRUE (e.displaysPanel.fiveOne->isEnabled() && e.displaysPanel.downmix->isEnabled()
                 && e.displaysPanel.fiveOne->getToggleState());
    EXPECT_FALSE (processor.params.stereoState);

    // Each of the four surround roles is needed.
    for (const auto role : { roleC, roleLFE, roleLS, roleRS })
    {
        processor.setDefaultInputRouting();
        e.timerCallback();
        auto layout = processor.inputLayout;
        layout[(size_t) role] = -1;
        processor.setInputLayout (layout);
        e.timerCallback();
        EXPECT_FALSE (e.displaysPanel.fiveOne->isEnabled() || e.displaysPanel.downmix->isEnabled()) << role;
        EXPECT_TRUE (processor.params.stereoState) << role;
    }

    // Disabled, the button still shows whether downmix is on: the processor still applies it.
    auto& downmix = *e.displaysPanel.downmix;
    const auto look = [&downmix] (bool on)
    {
        downmix.setToggleState (on, juce::dontSendNotification);
        return testsupport::renderToImage (downmix);
    };
    const auto on = look (true), off = look (false);
    int differing = 0;

    for (int y = 0; y < on.getHeight(); ++y)
        for (int x = 0; x < on.getWidth(); ++x)
            differing += on.getPixelAt (x, y) != off.getPixelAt (x, y) ? 1 : 0;

    EXPECT_GT (differing, 0);
}

TEST_F (Editor, TheSettingsAndLogPagesHaveTooltipsOfTheirOwnOnlyWhileTheyShow)
{
    auto& e = open();
    const auto tooltipWindowsIn = [] (juce::Component& page)
    {
        int found = 0;

        for (auto* child : page.getChildren())
            found += dynamic_cast<juce::TooltipWindow*> (child) != nullptr ? 1 : 0;

        return found;
    };

    for (auto [pageButton, page] : { std::pair<juce::Button*, juce::Component*> { e.topBar.settings.get(), &e.settings },
                                     std::pair<juce::Button*, juce::Component*> { e.topBar.log.get(), &e.previewer } })
    {
        EXPECT_EQ (tooltipWindowsIn (*page), 0) << page->getName();
        click (*pageButton);
        EXPECT_EQ (tooltipWindowsIn (*page), 1) << "hints show over the page";
        click (*pageButton);
        EXPECT_EQ (tooltipWindowsIn (*page), 0) << "and no timer runs for them while it is hidden";
    }
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

TEST_F (Editor, AReportProblemIsSaidInANoticeThatBlocksNoControlANewerOneReplacesAndOKCloses)
{
    auto& e = open();
    juce::StringArray alerts;
    e.devicePage->setDeviceErrorReporter ([&] (const juce::String& title, const juce::String&) { alerts.add (title); });
    const auto pollUntil = [&] (auto condition)
    { return testsupport::waitUntil ([&] { ProcessorTestAccess::pollReports (processor); return condition(); }); };

    const testsupport::ScopedTemporaryFolder temp;
    const auto notAFolder = temp.getFolder().getChildFile ("plain");
    notAFolder.replaceWithText ("x");
    processor.setStringParameter (logFilePathIndex, notAFolder.getFullPathName());
    click (*e.topBar.playStop);
    ASSERT_TRUE (pollUntil ([&] { return e.notice.isVisible(); }));
    EXPECT_EQ (e.notice.getTitle(), "Report cannot be written");
    EXPECT_TRUE (e.notice.getText().startsWith (notAFolder.getFullPathName())) << e.notice.getText();
    EXPECT_EQ (e.notice.getIcon(), ProblemNotice::Icon::WarningIcon);
    EXPECT_TRUE (alerts.isEmpty()) << "no alert window of its own";

    const auto image = testsupport::renderArtifact (e, "editor-report-notice.png");
    EXPECT_GT (testsupport::countMatching (image, e.notice.getBounds().reduced (20), e.notice.findColour (juce::AlertWindow::backgroundColourId)), 10000);

    // Nothing is modal: STOP and PLAY reach the processor, and LOCK works, with the notice up.
    EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), nullptr);
    EXPECT_FALSE (e.topBar.playStop->isCurrentlyBlockedByAnotherModalComponent());
    click (*e.topBar.playStop);
    EXPECT_EQ (processor.getOpenReport(), juce::File());
    processor.setStringParameter (logFilePathIndex, "/dev/full");
    click (*e.topBar.playStop);
    EXPECT_NE (processor.getOpenReport(), juce::File());

    // The second report's failure takes the first one's place in the one notice.
    ASSERT_TRUE (pollUntil ([&] { return e.notice.getText().startsWith ("/dev/full"); })) << e.notice.getText();
    EXPECT_EQ (e.getNumChildComponents(), e.getIndexOfChildComponent (&e.notice) + 1) << "above every page";
    click (*e.lockButton);
    EXPECT_TRUE (e.lockOverlay.isVisible());
    EXPECT_EQ (e.getComponentAt (e.notice.getBounds().getCentre()), &e.notice) << "over the lock overlay";
    click (*e.lockButton);

    click (e.notice.okButton);
    EXPECT_FALSE (e.notice.isVisible());
    click (*e.topBar.playStop);
    EXPECT_EQ (processor.getOpenReport(), juce::File());
}

TEST (ProblemNoticeRecovery, ARecoveryReplacesOnlyTheFailureItMendsWithTheInformationIcon)
{
    ProblemNotice notice;
    notice.show (ProblemNotice::Icon::WarningIcon, "Report cannot be written", "/a/r.xml: no space");
    notice.show (ProblemNotice::Icon::WarningIcon, "Report cannot be written", "/b/r.xml: read-only");

    notice.showRecovery ("/a/r.xml: no space", "Report is written again", "Report is written again: /a/r.xml");
    EXPECT_EQ (notice.getText(), "/b/r.xml: read-only") << "the newer failure still stands";

    notice.showRecovery ("/b/r.xml: read-only", "Report is written again", "Report is written again: /b/r.xml");
    EXPECT_EQ (notice.getText(), "Report is written again: /b/r.xml");
    EXPECT_EQ (notice.getIcon(), ProblemNotice::Icon::InfoIcon);

    click (notice.okButton);
    EXPECT_FALSE (notice.isVisible());
    notice.showRecovery ("/b/r.xml: read-only", "Report is written again", "Report is written again: /b/r.xml");
    EXPECT_FALSE (notice.isVisible()) << "a closed notice is not opened by a recovery";
}

TEST_F (Editor, ProcessorStartsAndStopsTheRefreshAndTheEditorGoesPromptlyWithTheVectorThreadRunning)
{
    auto& e = open();
    processor.releaseResources();
    EXPECT_FALSE (e.isTimerRunning());
    processor.prepareToPlay (48000.0, 512);
    EXPECT_TRUE (e.isTimerRunning());
    EXPECT_EQ (e.getTimerInterval(), 50);

    const auto start = juce::Time::getMillisecondCounter();
    editorOwner.reset();
    EXPECT_LT (juce::Time::getMillisecondCounter() - start, 10000u);
    processor.releaseResources();
}

TEST_F (Editor, TicksHandTheSnapshotToEveryMeterAndTheMeterPagePaintsItAndDarkensUnderTheLock)
{
    auto& e = open();
    processor.sampleRate = 48000.0;
    MeterSnapshot meters;
    meters.momentaryFraction = 0.6f;
    meters.shortTermFraction = 1.0f;
    meters.rangeLowFraction = 0.2f;
    meters.rangeHighFraction = 0.8f;
    meters.truePeakFraction = { 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f };
    meters.correlation = { -1.0f, 0.0f, 0.5f, 1.0f, 1.0f, 1.0f };
    meters.soundFieldLevel = { 0.5f, 0.5f, 0.25f, 0.1f, 0.2f, 0.2f };
    ProcessorTestAccess::publishMeters (processor, meters);

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

    // The bars turn red above the true-peak maximum: -1 dBTP at row 480 - 413. The standard's
    // name shows in green and the missing integrated value in red.
    const auto image = testsupport::renderArtifact (e, "editor-meter-page.png");
    EXPECT_TRUE (testsupport::coloursMatch (image.getPixelAt (727, 148 + 480 - 413 - 3), nolvColours::red, 10));
    EXPECT_TRUE (testsupport::coloursMatch (image.getPixelAt (727, 148 + 480 - 413 + 3), nolvColours::green, 10));
    EXPECT_GT (testsupport::countMatching (image, { 227, 194, 76, 24 }, nolvColours::green, 40), 10) << "EBU";
    EXPECT_GT (testsupport::countMatching (image, { 227, 314, 76, 25 }, nolvColours::red, 40), 3) << "-";

    click (*e.lockButton);
    const auto locked = testsupport::renderArtifact (e, "editor-locked.png");
    EXPECT_EQ (locked.getPixelAt (300, 50), juce::Colours::black);
    const juce::Rectangle<int> standardLabel { 227, 194, 76, 24 };
    EXPECT_LT (testsupport::countMatching (locked, standardLabel, nolvColours::green, 40),
               testsupport::countMatching (image, standardLabel, nolvColours::green, 40) / 2)
        << "darkened under the lock";
}

TEST_F (Editor, DisplayChoiceSwapsSoundFieldAndVectorscopeAndTheirChoices)
{
    auto& e = open();
    pump();
    EXPECT_TRUE (shows (e.displaysPanel.soundField) && ! shows (e.displaysPanel.vectorscope));

    EXPECT_FALSE (e.displaysPanel.vectorscope.isActive()) << "its thread rests while the sound field shows";

    e.displaysPanel.displayBox.setSelectedId (2, juce::sendNotificationSync);
    EXPECT_TRUE (! shows (e.displaysPanel.soundField) && shows (e.displaysPanel.vectorscope));
    EXPECT_TRUE (e.displaysPanel.vectorscope.isActive());
    EXPECT_TRUE (e.displaysPanel.channelsBox.isEnabled() && ! e.displaysPanel.loudnessBox.isEnabled());
    EXPECT_EQ (textColour (e.displaysPanel.loudnessLabel), nolvColours::inactiveCaption);

    e.displaysPanel.loudnessBox.setSelectedId (2, juce::sendNotificationSync);
    EXPECT_EQ (processor.params.vectroscopeInputDataFlag, 1.0f);
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

    for (float gatingOff : { 1.0f, 0.0f })
    {
        processor.setParameterValue (gatingOffFlagIndex, gatingOff);
        e.timerCallback();
        EXPECT_EQ (e.previewer.getLogDrawer().getMomentaryHistogram().isGating(), gatingOff == 0.0f);
        EXPECT_EQ (e.previewer.getLogDrawer().getShortTermHistogram().isGating(), gatingOff == 0.0f);
    }
}

TEST_F (Editor, TheLogPageListsTheReportThatIsRunningWithoutListingTheFolderAgain)
{
    testsupport::ScopedTemporaryFolder reports;
    auto& e = open();
    processor.setStringParameter (logFilePathIndex, reports.getFolder().getFullPathName());
    e.timerCallback();
    click (*e.topBar.log);
    auto& list = e.previewer.getFolderList();
    ASSERT_TRUE (testsupport::waitUntil ([&] { pump(); return list.getNumListings() > 0; }));
    const int listings = list.getNumListings();

    processor.setParameterValue (runFlagIndex, 1.0f);
    e.timerCallback();
    EXPECT_TRUE (testsupport::waitUntil ([&] { pump(); return list.getNumRows() == 1; }));
    EXPECT_EQ (list.getFile (0), processor.getOpenReport());
    EXPECT_EQ (list.getNumListings(), listings);
    processor.setParameterValue (runFlagIndex, 0.0f);
}

TEST (EditorWithoutDevices, HasNoDevicePageAndStillSwitchesToItsEmptyPage)
{
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    processor.setPlayConfigDetails (6, 6, 44100.0, 512);
    OvexjuceLoudnessAudioProcessorEditor editor (processor, nullptr);
    EXPECT_EQ (editor.devicePage, nullptr);

    click (*editor.topBar.settings);
    click (*editor.topBar.audioSettings);

    EXPECT_EQ (editor.getCurrentPage(), OvexjuceLoudnessAudioProcessorEditor::audioSettingsPage);
    editor.timerCallback();
    EXPECT_FALSE (editor.loudnessColumn.isVisible() || editor.settings.isVisible());
}
