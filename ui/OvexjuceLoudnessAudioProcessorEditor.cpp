#include "OvexjuceLoudnessAudioProcessorEditor.h"

#include "ChannelRole.h"
#include "EditorFaces.h"
#include "NolvColours.h"
#include "NolvResources.h"

#include <algorithm>
#include <cmath>

namespace
{
namespace layout
{
const juce::Rectangle<int> editor { 0, 0, 1024, 768 };
const juce::Rectangle<int> topBar { 0, 0, 1024, 100 };
const juce::Rectangle<int> loudnessColumn { 0, 140, 205, 510 };
const juce::Rectangle<int> valuesColumn { 225, 140, 80, 510 };
const juce::Rectangle<int> displaysPanel { 336, 140, 300, 600 };
const juce::Rectangle<int> truePeakColumn { 651, 140, 370, 600 };
const juce::Rectangle<int> momentaryPanel { 0, 650, 323, 100 };
const juce::Rectangle<int> settingsPage { 0, 160, 1024, 608 };
const juce::Rectangle<int> devicePage { 0, 100, 1024, 608 };
// Reaches 40 pixels below the window; the graph's lowest rows are cut off there.
const juce::Rectangle<int> previewer { 0, 100, 1024, 708 };
const juce::Rectangle<int> lockButton { 688, 0, 100, 100 };
const juce::Rectangle<int> notice { 262, 294, 500, 180 };
} // namespace layout

constexpr auto silently = juce::dontSendNotification;

void switchOn (juce::Button& button)
{
    button.setToggleState (true, silently);
}
} // namespace

OvexjuceLoudnessAudioProcessorEditor::OvexjuceLoudnessAudioProcessorEditor (OvexjuceLoudnessAudioProcessor& p,
                                                                            juce::AudioDeviceManager* manager)
    : juce::AudioProcessorEditor (p),
      processor (p),
      deviceManager (manager),
      displaysPanel (lookAndFeel, p.vectorscopeSource),
      settings (lookAndFeel),
      previewer (nolvFont (15.0f))
{
    setOpaque (true);

    // Held for the editor's life so the image cache never decodes them again.
    scaleImages = { nolvImage (NolvImageId::scaleEbu9), nolvImage (NolvImageId::scaleEbu18), nolvImage (NolvImageId::scaleAtsc9),
                    nolvImage (NolvImageId::scaleAtsc18), nolvImage (NolvImageId::scaleRelative9), nolvImage (NolvImageId::scaleRelative18) };
    truePeakBackgroundRef18 = nolvImage (NolvImageId::truePeakBackgroundRef18);
    truePeakBackgroundRef20 = nolvImage (NolvImageId::truePeakBackgroundRef20);

    for (auto* panel : std::initializer_list<juce::Component*> { &topBar, &loudnessColumn, &valuesColumn, &displaysPanel, &truePeakColumn, &momentaryPanel })
        addAndMakeVisible (panel);

    addChildComponent (settings);
    addChildComponent (previewer);
    previewer.setLimitSliderColours (nolvColours::control, nolvColours::sliderBar);
    previewer.addChangeListener (this);

    // Built even while hidden: its channel boxes hand the restored layouts to the processor and
    // the device at start.
    if (deviceManager != nullptr)
    {
        devicePage = std::make_unique<OVEXAudioDeviceSelectorComponent> (*deviceManager, p.getTotalNumInputChannels(), p.getTotalNumInputChannels(),
                                                                          p.getTotalNumOutputChannels(), p.getTotalNumOutputChannels(), false, false, &p);
        devicePage->setBounds (layout::devicePage);
        addChildComponent (*devicePage);
    }

    buildActions();

    // Selected after construction, so every new editor writes the loudness source once.
    for (auto* box : { &displaysPanel.displayBox, &displaysPanel.channelsBox, &displaysPanel.loudnessBox })
        box->setSelectedId (1, juce::sendNotificationAsync);

    topBar.playStop->addShortcut (playStopKey);

    // The meter page shows until a page button is pressed.
    topBar.meter->setVisible (false);
    topBar.audioSettings->setVisible (false);

    startTimer (editorRefreshIntervalMs);
    applyUnitCaptions();
    overloadHold.setSeconds (settings.overloadHold.getValue());
    applyStandardLabel();
    applyTruePeakSplit();

    vectorThread.startThread();
    vectorThread.addTimeSliceClient (&displaysPanel.vectorscope, 0);

    // The overlay lies above every page and LOCK above the overlay, so LOCK alone stays usable.
    // LOCK never takes the keyboard focus, which stays with the overlay while it is up.
    addChildComponent (lockOverlay);
    lockButton = makeImageButton (editorFaces::offAndOn (NolvImageId::lockOff, NolvImageId::lockOn), true);
    lockButton->setComponentID ("lock");
    lockButton->setWantsKeyboardFocus (false);
    lockButton->setMouseClickGrabsKeyboardFocus (false);
    lockButton->addListener (this);
    actions.emplace_back (lockButton.get(), [this] { setLocked (lockButton->getToggleState()); });
    addAndMakeVisible (*lockButton);

    addChildComponent (notice);
    processor.setReportProblemHandler ([this] (const ReportSession::Problem& problem)
    {
        if (problem.failureMended.isEmpty())
            notice.show (ProblemNotice::Icon::WarningIcon, problem.title, problem.message);
        else
            notice.showRecovery (problem.failureMended, problem.title, problem.message);
    });

    setSize (layout::editor.getWidth(), layout::editor.getHeight());
}

OvexjuceLoudnessAudioProcessorEditor::~OvexjuceLoudnessAudioProcessorEditor()
{
    processor.setReportProblemHandler (nullptr);
    stopTimer();
    vectorThread.stopThread (1000);
    vectorThread.removeTimeSliceClient (&displaysPanel.vectorscope);
    previewer.removeChangeListener (this);
}

void OvexjuceLoudnessAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (nolvColours::background);
}

void OvexjuceLoudnessAudioProcessorEditor::resized()
{
    topBar.setBounds (layout::topBar);
    loudnessColumn.setBounds (layout::loudnessColumn);
    valuesColumn.setBounds (layout::valuesColumn);
    displaysPanel.setBounds (layout::displaysPanel);
    truePeakColumn.setBounds (layout::truePeakColumn);
    momentaryPanel.setBounds (layout::momentaryPanel);
    settings.setBounds (layout::settingsPage);
    previewer.setBounds (layout::previewer);
    lockOverlay.setBounds (layout::editor);
    lockButton->setBounds (layout::lockButton);
    notice.setBounds (layout::notice);
}

//==============================================================================
void OvexjuceLoudnessAudioProcessorEditor::goToPage (int page)
{
    currentPage = page;
    applyPage (page);
}

void OvexjuceLoudnessAudioProcessorEditor::applyPage (int page)
{
    if (page == noPage)
        return;

    const bool meters = page == meterPage;

    for (auto* panel : std::initializer_list<juce::Component*> { &loudnessColumn, &valuesColumn, &displaysPanel, &truePeakColumn, &momentaryPanel })
        panel->setVisible (meters);

    topBar.playStop->setVisible (meters);
    topBar.reset->setVisible (meters);
    topBar.meter->setVisible (! meters);
    topBar.audioSettings->setVisible (! meters);
    settings.setVisible (page == settingsPage);
    previewer.setVisible (page == logPage);

    if (devicePage != nullptr)
        devicePage->setVisible (page == audioSettingsPage);
}

void OvexjuceLoudnessAudioProcessorEditor::setLocked (bool locked)
{
    lockOverlay.setLocked (locked);

    // A shortcut acts whatever holds the focus, so PLAY/STOP gives up its key while locked.
    if (locked)
        topBar.playStop->clearShortcuts();
    else
        topBar.playStop->addShortcut (playStopKey);
}

//==============================================================================
void OvexjuceLoudnessAudioProcessorEditor::buttonClicked (juce::Button* button)
{
    // Switching a radio button on first switches the group's other one off, with a click of its
    // own; only the button that is now on acts. Not even a synchronisation may follow the other's
    // click: it would switch that one back on under the one being switched on.
    if (button->getRadioGroupId() != 0 && ! button->getToggleState())
        return;

    runActionOf (button);
}

void OvexjuceLoudnessAudioProcessorEditor::runActionOf (juce::Component* control)
{
    const juce::ScopedValueSetter<int> nesting (handlerDepth, handlerDepth + 1);
    const auto action = std::find_if (actions.begin(), actions.end(), [control] (const auto& entry) { return entry.first == control; });

    if (action != actions.end())
        action->second();

    if (handlerDepth == 1)
        syncFromParameters (processor.params);
}

void OvexjuceLoudnessAudioProcessorEditor::buildActions()
{
    const auto on = [] (juce::Button& button) { return button.getToggleState() ? 1.0f : 0.0f; };
    const auto set = [this] (int index, float value) { processor.setParameterValue (index, value); };

    actions = {
        { topBar.playStop.get(), [=] { set (runFlagIndex, on (*topBar.playStop)); } },
        { topBar.reset.get(), [this] { processor.resetMeters(); } },
        { valuesColumn.globalLed.get(), [this] { processor.clearAlarms(); } },
        { settings.ebu.get(), [this] { standardChosen (settings.ebu.get()); } },
        { settings.atsc.get(), [this] { standardChosen (settings.atsc.get()); } },
        { settings.arib.get(), [this] { standardChosen (settings.arib.get()); } },
        { settings.gating.get(), [=] { set (gatingOffFlagIndex, on (*settings.gating)); } },
        { settings.plus9.get(), [=] { set (measurementScaleIndex, 1.0f); } },
        { settings.plus18.get(), [=] { set (measurementScaleIndex, 0.0f); } },
        { settings.absoluteUnit.get(), [=] { set (measurementUnitIndex, 0.0f); } },
        { settings.relativeUnit.get(), [=] { set (measurementUnitIndex, 1.0f); } },
        { settings.ref18.get(), [=] { set (truePeakRefLevelIndex, 0.0f); } },
        { settings.ref20.get(), [=] { set (truePeakRefLevelIndex, 1.0f); } },
        { displaysPanel.fiveOne.get(), [=] { set (stereoMixdownFlagIndex, 0.0f); } },
        { displaysPanel.downmix.get(), [=] { set (stereoMixdownFlagIndex, 1.0f); } },
        { topBar.settings.get(), [this] { goToPage (settings.isVisible() ? meterPage : settingsPage); } },
        { topBar.log.get(), [this]
          {
              previewer.refreshFileList();
              goToPage (previewer.isVisible() ? meterPage : logPage);
          } },
        { topBar.meter.get(), [this] { if (! loudnessColumn.isVisible()) goToPage (meterPage); } },
        { topBar.audioSettings.get(), [this] { goToPage (currentPage == audioSettingsPage ? meterPage : audioSettingsPage); } },
        { settings.save.get(), [this] { processor.setStringParameter (adminPasswordIndex, settings.passwordField.getText()); } },
        { settings.startStop.get(), [this] { connectionToggled(); } },
        { &settings.truePeakMax, [=] { set (truePeakMaxLevelIndex, (float) settings.truePeakMax.getValue()); } },
        { &settings.peakHold, [=] { set (truePeakHoldTimeIndex, (float) settings.peakHold.getValue()); } },
        { &settings.overloadHold, [=] { set (truePeakOverloadTimeIndex, (float) settings.overloadHold.getValue()); } },
        { &settings.shortTermMax, [=] { set (shtMaxLevelIndex, shortTermParameterFor (settings.shortTermMax.getValue(), isRelativeUnit(), target)); } },
        { &displaysPanel.loudnessBox, [=] { set (vectroscopeInputDataFlagIndex, (float) (displaysPanel.loudnessBox.getSelectedId() - 1)); } },
        { &displaysPanel.displayBox, [this] { showDisplayChoice (displaysPanel.displayBox.getSelectedId() == 2); } },
        { &displaysPanel.channelsBox, [this] { showVectorscopePair (displaysPanel.channelsBox.getSelectedId()); } },
    };

    for (auto& led : truePeakColumn.leds)
        actions.emplace_back (led.get(), [this] { processor.clearAlarms(); });

    for (auto& [control, action] : actions)
    {
        if (auto* button = dynamic_cast<juce::Button*> (control))
            button->addListener (this);
        else if (auto* slider = dynamic_cast<juce::Slider*> (control))
            slider->addListener (this);
        else if (auto* box = dynamic_cast<juce::ComboBox*> (control))
            box->addListener (this);
    }
}

void OvexjuceLoudnessAudioProcessorEditor::standardChosen (juce::Button* button)
{
    const bool ebu = button == settings.ebu.get();
    const bool relative = isRelativeUnit();

    if (ebu)
        processor.setParameterValue (measurementStandardIndex, 0.0f);
    else
        processor.setParameterValue (measurementStandardIndex, button == settings.atsc.get() ? 1.0f : 2.0f);

    processor.setParameterValue (truePeakRefLevelIndex, ebu ? 0.0f : 1.0f);

    // Each preset goes through its slider's handler at once, with the target still that of the
    // standard shown so far; the synchronisation after the handler then moves to the new one.
    const float shortTermPreset = ebu ? -18.0f : -10.0f;
    settings.truePeakMax.setValue (ebu ? -1.0 : -2.0, juce::sendNotificationSync);
    settings.shortTermMax.setValue (relative ? (double) (target + shortTermPreset) : (double) shortTermPreset,
                                    juce::sendNotificationSync);
}

void OvexjuceLoudnessAudioProcessorEditor::connectionToggled()
{
    if (! settings.startStop->getToggleState())
    {
        processor.stopRemoteServer();
        return;
    }

    // The server's feed runs on even when listening failed; a refused port switches both off.
    if (! processor.startRemoteServer (portFromText (settings.portField.getText())))
    {
        processor.stopRemoteServer();
        settings.startStop->setToggleState (false, silently);
    }
}

void OvexjuceLoudnessAudioProcessorEditor::sliderValueChanged (juce::Slider* slider)
{
    runActionOf (slider);
}

void OvexjuceLoudnessAudioProcessorEditor::comboBoxChanged (juce::ComboBox* box)
{
    runActionOf (box);
}

void OvexjuceLoudnessAudioProcessorEditor::showDisplayChoice (bool vectorscopeShown)
{
    displaysPanel.soundField.setVisible (! vectorscopeShown);
    displaysPanel.vectorscope.setVisible (vectorscopeShown);
    displaysPanel.channelsBox.setEnabled (vectorscopeShown);
    displaysPanel.channelsLabel.setColour (juce::Label::textColourId, vectorscopeShown ? nolvColours::text : nolvColours::inactiveCaption);
    displaysPanel.loudnessBox.setEnabled (! vectorscopeShown);
    displaysPanel.loudnessLabel.setColour (juce::Label::textColourId, vectorscopeShown ? nolvColours::inactiveCaption : nolvColours::text);

    // The vectorscope's thread works only while it is the display chosen; woken at once, since a
    // resting one looks again only every half second.
    displaysPanel.vectorscope.setActive (vectorscopeShown);

    if (vectorscopeShown)
        vectorThread.moveToFrontOfQueue (&displaysPanel.vectorscope);
}

void OvexjuceLoudnessAudioProcessorEditor::showVectorscopePair (int id)
{
    static constexpr const char* pairs[3][2] { { "L", "R" }, { "L", "LS" }, { "R", "RS" } };

    if (id >= 1 && id <= 3)
    {
        displaysPanel.vectorscope.setLeftChannel (pairs[id - 1][0]);
        displaysPanel.vectorscope.setRightChannel (pairs[id - 1][1]);
    }
}

void OvexjuceLoudnessAudioProcessorEditor::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (source != &previewer)
        return;

    processor.setStringParameter (logFilePathIndex, previewer.getLogFolderText());
    processor.setStringParameter (logFileNameIndex, previewer.getLogNameText());
    syncFromParameters (processor.params);
}

//==============================================================================
void OvexjuceLoudnessAudioProcessorEditor::timerCallback()
{
    applyPage (currentPage);
    processor.copyMeterSnapshot (snapshot);

    // The controls follow the parameters only when those changed (through the remote server, a
    // restored state or a handler), not twenty times a second.
    if (const auto changes = processor.getParameterChangeCount(); changes != parametersSynced || currentPage != pageSynced)
    {
        syncFromParameters (processor.params);
        parametersSynced = changes;
        pageSynced = currentPage;
    }

    momentaryPanel.timecode.setText (timecodeText (snapshot.processedSamples, processor.sampleRate), silently);

    if (processor.sampleRate != 0.0 && processor.sampleRate != lastSampleRate)
    {
        for (auto& bar : truePeakColumn.bars)
            bar->setRefreshRate (processor.sampleRate);

        displaysPanel.soundField.setRefreshRate (processor.sampleRate);

        for (auto& meter : displaysPanel.correlationMeters)
            meter->setRefreshRate (processor.sampleRate);

        lastSampleRate = processor.sampleRate;
    }

    // The arrow and the range bar move a tenth of the way to their new place on each tick.
    auto& loudness = loudnessColumn;
    loudness.momentaryBar.setLevel (snapshot.momentaryFraction);
    loudness.arrow.setValue (0.9f * loudness.arrow.getValue() + 0.1f * snapshot.shortTermFraction);
    loudness.rangeBar.setRange (0.9f * loudness.rangeBar.getLow() + 0.1f * snapshot.rangeLowFraction,
                                0.9f * loudness.rangeBar.getHigh() + 0.1f * snapshot.rangeHighFraction);

    for (size_t c = 0; c < truePeakColumn.bars.size(); ++c)
        truePeakColumn.bars[c]->setLevel (snapshot.truePeakFraction[c]);

    valuesColumn.rangeValue.setText (formatValue (snapshot.loudnessRange, {}), silently);
    showValueLabels();

    for (size_t i = 0; i < displaysPanel.correlationMeters.size(); ++i)
        displaysPanel.correlationMeters[i]->setValue (snapshot.correlation[i]);

    auto& field = displaysPanel.soundField;
    field.setLeftLevel (snapshot.soundFieldLevel[roleL]);
    field.setRightLevel (snapshot.soundFieldLevel[roleR]);
    field.setCentreLevel (snapshot.soundFieldLevel[roleC]);
    field.setLfeLevel (snapshot.soundFieldLevel[roleLFE]);
    field.setLeftSurroundLevel (snapshot.soundFieldLevel[roleLS]);
    field.setRightSurroundLevel (snapshot.soundFieldLevel[roleRS]);
    displaysPanel.vectorscope.refresh();

    showStereoState();

    for (int c = 0; c < numChannelRoles; ++c)
        truePeakColumn.values[(size_t) c].setText (formatValue (snapshot.heldTruePeak[(size_t) c], {}), silently);

    showAlarms();

    if (overloadHold.tick (snapshot.truePeakAlarm == 1))
        processor.clearAlarms();

    // The log page lists the program's own report, and takes its rewrites, without rescanning
    // the folder: told when a report starts and about once a second while it runs.
    if (const auto report = processor.getOpenReport(); report != reportTold || (report != juce::File() && ++ticksSinceReportTold >= 20))
    {
        if (report != juce::File())
            previewer.reportWritten (report);

        reportTold = report;
        ticksSinceReportTold = 0;
    }
}

void OvexjuceLoudnessAudioProcessorEditor::showValueLabels()
{
    const bool ebu = settings.ebu->getToggleState();
    const bool relative = isRelativeUnit();
    const float localTarget = targetLoudness (ebu);
    const auto sliderValue = (float) settings.shortTermMax.getValue();
    const float limit = relative ? sliderValue - localTarget : sliderValue;

    valuesColumn.integratedValue.setColour (juce::Label::textColourId,
                                            integratedColour (snapshot.integratedLevel, ebu ? ebuThresholds : atscThresholds));
    valuesColumn.shortTermValue.setColour (juce::Label::textColourId, shortTermColour (snapshot.shortTermLevel, limit));

    valuesColumn.shortTermValue.setText (formatValue (shownLoudness (snapshot.shortTermLevel, relative, localTarget), {}), silently);
    valuesColumn.integratedValue.setText (formatValue (shownLoudness (snapshot.integratedLevel, relative, localTarget), {}), silently);
    momentaryPanel.momentaryValue.setText (formatValue (shownLoudness (snapshot.momentaryLevel, relative, localTarget), {}), silently);
}

void OvexjuceLoudnessAudioProcessorEditor::showStereoState()
{
    const auto& routing = processor.inputRouting;
    const bool fiveOneRouted = routing[roleC] != -1 && routing[roleLFE] != -1 && routing[roleLS] != -1 && routing[roleRS] != -1;
    const bool stereo = ! fiveOneRouted || displaysPanel.downmix->getToggleState();

    displaysPanel.fiveOne->setEnabled (fiveOneRouted);
    displaysPanel.downmix->setEnabled (fiveOneRouted);
    processor.setParameterValue (stereoStateIndex, stereo ? 1.0f : 0.0f);
    displaysPanel.soundField.stereo = stereo;
    displaysPanel.soundField.repaintIfChanged();
}

void OvexjuceLoudnessAudioProcessorEditor::showAlarms()
{
    // Silent: a LED's click clears the alarms, which would defeat the hold on the tick that shows them.
    if (snapshot.truePeakAlarm == 1)
    {
        valuesColumn.globalLed->setEnabled (true);
        switchOn (*valuesColumn.globalLed);

        for (int c = 0; c < numChannelRoles; ++c)
        {
            if (snapshot.channelAlarm[(size_t) c] == 1)
            {
                auto& led = *truePeakColumn.leds[(size_t) c];
                led.setEnabled (true);
                switchOn (led);
            }
        }

        return;
    }

    valuesColumn.globalLed->setToggleState (false, silently);
    valuesColumn.globalLed->setEnabled (false);

    for (auto& led : truePeakColumn.leds)
    {
        led->setToggleState (false, silently);
        led->setEnabled (false);
    }
}

//==============================================================================
void OvexjuceLoudnessAudioProcessorEditor::syncFromParameters (const ParameterBlock& p)
{
    if (std::isfinite (p.runFlag))
        topBar.playStop->setToggleState (p.runFlag != 0.0f, silently);

    if (std::isfinite (p.measurementStandard) && p.measurementStandard != lastStandard)
    {
        const int standard = *roundedSetting (p.measurementStandard);

        if (standard >= 0 && standard <= 2)
        {
            switchOn (standard == 0 ? *settings.ebu : standard == 1 ? *settings.atsc : *settings.arib);
            settings.showAbsoluteUnitAs (standard != 0);
            target = targetLoudness (standard == 0);
        }

        lastStandard = p.measurementStandard;
    }

    if (const auto scale = roundedSetting (p.measurementScale); scale == 1 || scale == 0)
        switchOn (scale == 1 ? *settings.plus9 : *settings.plus18);

    if (const auto unit = roundedSetting (p.measurementUnit); unit == 1 || unit == 0)
    {
        const bool relative = unit == 1;
        switchOn (relative ? *settings.relativeUnit : *settings.absoluteUnit);
        settings.shortTermMax.setRange (relative ? 0.0 : -24.0, relative ? 24.0 : 0.0, 1.0);

        if (std::isfinite (p.shtMaxLevel))
            settings.shortTermMax.setValue (shortTermSliderValueFor (p.shtMaxLevel, relative, target), silently);
    }

    // Read as the processor reads it, so the box shows the gating that is measured; the report
    // graph's summary gates alike.
    if (const auto gatingOff = roundedSetting (p.gatingOffFlag))
    {
        settings.gating->setToggleState (*gatingOff != 0, silently);
        previewer.getLogDrawer().getMomentaryHistogram().setGating (*gatingOff == 0);
        previewer.getLogDrawer().getShortTermHistogram().setGating (*gatingOff == 0);
    }

    if (const auto reference = roundedSetting (p.truePeakRefLevel); reference == 1 || reference == 0)
        switchOn (reference == 1 ? *settings.ref20 : *settings.ref18);

    for (auto [slider, value] : { std::pair { &settings.truePeakMax, p.truePeakMaxLevel }, std::pair { &settings.peakHold, p.truePeakHoldTime },
                                  std::pair { &settings.overloadHold, p.truePeakOverloadTime } })
        if (std::isfinite (value))
            slider->setValue (value, silently);

    if (std::isfinite (p.stereoMixdownFlag))
        switchOn (p.stereoMixdownFlag != 0.0f ? *displaysPanel.downmix : *displaysPanel.fiveOne);

    if (std::isfinite (p.vectroscopeInputDataFlag))
    {
        momentarySource = p.vectroscopeInputDataFlag != 0.0f;

        if (! momentarySource)
            displaysPanel.soundField.setOverloadLevel ((float) settings.truePeakMax.getValue());
    }

    applyUnitCaptions();
    applyStandardLabel();
    applyTruePeakSplit();

    for (auto& bar : truePeakColumn.bars)
        bar->setHoldTime ((int) (settings.peakHold.getValue() * 1000.0));

    overloadHold.setSeconds (settings.overloadHold.getValue());

    previewer.setLogFolder (p.logFilePath);
    previewer.setLogName (p.logFileName);
}

void OvexjuceLoudnessAudioProcessorEditor::applyUnitCaptions()
{
    const int code = unitCode (settings.ebu->getToggleState(), settings.plus9->getToggleState(), settings.plus18->getToggleState(),
                               settings.absoluteUnit->getToggleState(), settings.relativeUnit->getToggleState());

    if (code != lastUnitCode)
    {
        if (const auto captions = unitCaptionsFor (code))
        {
            valuesColumn.showUnit (*captions);
            momentaryPanel.showUnit (*captions);
            settings.shortTermMaxCaption.setText (captions->sliderCaption, silently);
            loudnessColumn.showScale (nolvImage (captions->scaleImage));
            lastUnitCode = code;
        }
    }

    if (const int fieldCode = soundFieldCode (code, momentarySource); fieldCode != lastSoundFieldCode)
    {
        displaysPanel.soundField.setScale (soundFieldScaleFor (fieldCode));
        lastSoundFieldCode = fieldCode;
    }

    if (const int reference = settings.ref18->getToggleState() ? 1 : 0; reference != lastReferenceFlag)
    {
        truePeakColumn.showBackground (reference == 1 ? truePeakBackgroundRef18 : truePeakBackgroundRef20);
        lastReferenceFlag = reference;
    }
}

void OvexjuceLoudnessAudioProcessorEditor::applyStandardLabel()
{
    const char* name = settings.ebu->getToggleState()    ? "EBU"
                       : settings.atsc->getToggleState() ? "ATSC"
                       : settings.arib->getToggleState() ? "ARIB"
                                                         : nullptr;

    if (name == nullptr)
        return;

    valuesColumn.standardLabel.setText (name, silently);
    valuesColumn.standardLabel.setColour (juce::Label::textColourId,
                                          settings.gating->getToggleState() ? nolvColours::red : nolvColours::green);
}

void OvexjuceLoudnessAudioProcessorEditor::applyTruePeakSplit()
{
    const float split = processor.valueToFraction (1, (float) settings.truePeakMax.getValue());

    for (auto& bar : truePeakColumn.bars)
    {
        if (bar->split != split)
        {
            bar->split = split;
            bar->renderBarImage();
        }
    }
}

juce::AudioProcessorEditor* createOvexjuceEditor (OvexjuceLoudnessAudioProcessor& processor)
{
    return new OvexjuceLoudnessAudioProcessorEditor (processor, processor.deviceManager);
}
