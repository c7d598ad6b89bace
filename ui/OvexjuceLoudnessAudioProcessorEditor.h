#pragma once

#include "DisplaysPanel.h"
#include "EditorDisplayLogic.h"
#include "EditorRefreshControl.h"
#include "EditorTopBar.h"
#include "LockComponent.h"
#include "LoudnessColumn.h"
#include "MeterSnapshot.h"
#include "MomentaryPanel.h"
#include "NolvLookAndFeel.h"
#include "OVEXAudioDeviceSelectorComponent.h"
#include "OVEXReport.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "ProblemNotice.h"
#include "SettingsPage.h"
#include "TruePeakColumn.h"
#include "ValuesColumn.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <memory>

/** The whole interface on one processor: the top bar, the meter, settings, log and audio settings
    pages and the lock overlay. Its controls write the processor's parameters; its 50 ms timer,
    which the processor starts and stops with the device, copies the meter snapshot and the
    parameters and brings every meter, read-out and control up to date. Message thread only. */
class OvexjuceLoudnessAudioProcessorEditor : public juce::AudioProcessorEditor,
                                             public juce::Button::Listener,
                                             public juce::Timer,
                                             public juce::Slider::Listener,
                                             public juce::TextEditor::Listener,
                                             public juce::ChangeListener,
                                             public juce::ComboBox::Listener,
                                             public EditorRefreshControl
{
    // Declared first: every part below is built on them, and the look-and-feel outlives every
    // widget it draws.
    OvexjuceLoudnessAudioProcessor& processor;
    juce::AudioDeviceManager* const deviceManager;
    NolvLookAndFeel lookAndFeel;

    // Draws the vectorscope's frames; stopped before any part is destroyed.
    juce::TimeSliceThread vectorThread { "NOLV Editor Vector Thread" };

public:
    OvexjuceLoudnessAudioProcessorEditor (OvexjuceLoudnessAudioProcessor& processor, juce::AudioDeviceManager* deviceManager);
    ~OvexjuceLoudnessAudioProcessorEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    void buttonClicked (juce::Button* button) override;
    void timerCallback() override;
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;
    void comboBoxChanged (juce::ComboBox* box) override;
    void sliderValueChanged (juce::Slider* slider) override;

    void startRefresh (int intervalMilliseconds) override { startTimer (intervalMilliseconds); }
    void stopRefresh() override { stopTimer(); }

    enum Page
    {
        noPage = 0,
        meterPage = 1,
        settingsPage = 2,
        logPage = 3,
        audioSettingsPage = 4
    };

    int getCurrentPage() const { return currentPage; }

    // The pages' parts, reached by tests as a user would reach them on screen.
    EditorTopBar topBar;
    LoudnessColumn loudnessColumn;
    ValuesColumn valuesColumn;
    DisplaysPanel displaysPanel;
    TruePeakColumn truePeakColumn;
    MomentaryPanel momentaryPanel;
    SettingsPage settings;
    OVEXReport previewer;
    std::unique_ptr<OVEXAudioDeviceSelectorComponent> devicePage; // none without a device manager
    LockComponent lockOverlay;
    std::unique_ptr<juce::DrawableButton> lockButton;

    /** Where problems the user must know of are said: over every page and the lock overlay. */
    ProblemNotice notice;

private:
    void goToPage (int page);
    void applyPage (int page);
    void setLocked (bool locked);

    void buildActions();
    void runActionOf (juce::Component* control);
    void standardChosen (juce::Button* button);
    void connectionToggled();
    void showDisplayChoice (bool vectorscopeShown);
    void showVectorscopePair (int channelsBoxId);

    /** Brings every control, caption and derived setting in line with the parameters, without
        notifications; a parameter that is no number leaves its control as it is. */
    void syncFromParameters (const ParameterBlock& p);
    void applyUnitCaptions();
    void applyStandardLabel();
    void applyTruePeakSplit();
    void showValueLabels();
    void showAlarms();
    void showStereoState();

    bool isRelativeUnit() const { return settings.relativeUnit->getToggleState(); }

    // Decoded once, swapped in by unit and reference choice.
    std::array<juce::Image, 6> scaleImages;
    juce::Image truePeakBackgroundRef18, truePeakBackgroundRef20;

    float target = 24.0f;
    float lastStandard = -1.0f;
    int lastUnitCode = -1, lastSoundFieldCode = -1, lastReferenceFlag = -1;
    int currentPage = noPage;
    int handlerDepth = 0; // handlers that a handler sets off leave the synchronisation to it
    juce::uint32 parametersSynced = 0;
    juce::File reportTold;
    int ticksSinceReportTold = 0;
    int pageSynced = noPage;
    double lastSampleRate = 0.0;
    bool momentarySource = false;
    OverloadHold overloadHold;
    MeterSnapshot snapshot;

    // What each button, slider and box does, looked up by the three listener callbacks.
    std::vector<std::pair<juce::Component*, std::function<void()>>> actions;
    const juce::KeyPress playStopKey { juce::KeyPress::spaceKey };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OvexjuceLoudnessAudioProcessorEditor)
};

/** The editor factory the host installs on its processor. */
juce::AudioProcessorEditor* createOvexjuceEditor (OvexjuceLoudnessAudioProcessor& processor);
