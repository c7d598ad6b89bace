#pragma once

#include "BarScale.h"
#include "ChannelCorrelations.h"
#include "ChannelLayout.h"
#include "EditorRefreshControl.h"
#include "MeterSnapshot.h"
#include "OVEXDownmixer.h"
#include "OVEXLoudnessModule.h"
#include "OVEXTruePeakMeter.h"
#include "ParameterBlock.h"
#include "QITOSCStandalone.h"
#include "VectorscopeSource.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class OVEXReportLogger;

/** The measuring engine as the host sees it: 17 indexed parameters, a saved state, six-role
    routing, and the audio callback that feeds loudness, true peak, correlations and the meter
    snapshot. Built, configured and destroyed on the message thread; processBlock runs on the audio
    device thread and shares params and meters with the message thread field by field, unlocked. */
class OvexjuceLoudnessAudioProcessor : public juce::AudioProcessor,
                                       private juce::Timer
{
public:
    explicit OvexjuceLoudnessAudioProcessor (juce::AudioDeviceManager* deviceManager);
    ~OvexjuceLoudnessAudioProcessor() override;

    const juce::String getName() const override { return "QIT5.1Extended"; }

    void prepareToPlay (double sampleRate, int blockSize) override;
    void releaseResources() override;
    void processBlock (juce::AudioSampleBuffer& buffer, juce::MidiBuffer& midi) override;
    using juce::AudioProcessor::processBlock;

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
    const juce::String getInputChannelName (int index) const override { return juce::String (index + 1); }
    const juce::String getOutputChannelName (int index) const override { return juce::String (index + 1); }
    bool isInputChannelStereoPair (int) const override { return true; }
    bool isOutputChannelStereoPair (int) const override { return true; }
    bool silenceInProducesSilenceOut() const override { return false; }
    int getNumParameters() override { return numParameters; }
    const juce::String getParameterName (int) override { return {}; }
    float getParameter (int) override { return 0.0f; }
    const juce::String getParameterText (int index) override { return juce::String (getParameter (index), 2); }
    void setParameter (int, float) override {}
    bool isParameterAutomatable (int) const override { return false; }
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }

    /** The editor lies above the processor in the build, so whoever links both (the host, an
        editor test) says how to make one; without a factory the processor has no editor. */
    using EditorFactory = std::function<juce::AudioProcessorEditor* (OvexjuceLoudnessAudioProcessor&)>;
    void setEditorFactory (EditorFactory factory) { editorFactory = std::move (factory); }

    juce::AudioProcessorEditor* createEditor() override { return editorFactory != nullptr ? editorFactory (*this) : nullptr; }
    bool hasEditor() const override { return editorFactory != nullptr; }

    int getNumPrograms() override { return 0; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}

    void getStateInformation (juce::MemoryBlock& destination) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    /** What setStateInformation does, telling whether the state held both channel layouts. */
    bool restoreState (const void* data, int sizeInBytes);

    // Parameters (message thread). Values are stored as given: nothing is clamped.
    void setParameterValue (int index, float value);
    void setStringParameter (int index, const juce::String& text);
    void setDefaultParameters();

    // Routing (message thread).
    void setInputLayout (const ChannelLayout& layout);
    void setOutputLayout (const ChannelLayout& layout);
    void setDefaultInputRouting();
    void setDefaultOutputRouting();

    // Meter snapshot, bar law and alarms.
    int valueToPixel (int isTruePeak, float level) const;
    float valueToFraction (int isTruePeak, float level) const;
    void copyMeterSnapshot (MeterSnapshot& destination) const;
    void resetMeters();
    void clearAlarms();

    static float computeCorrelation (const juce::AudioSampleBuffer& buffer);

    /** Opens the remote server's listener on the entered port (below 1 means 20000) and starts
        the 100 ms feed, which runs even when listening failed. Returns whether listening started. */
    bool startRemoteServer (float port);
    void stopRemoteServer();

    /** Every reading of the current time in report driving goes through this clock; set it before
        the processor plays. */
    void setClock (std::function<juce::Time()> newClock) { clock = std::move (newClock); }

    // Read directly by the editor's timer.
    juce::AudioPlayHead::CurrentPositionInfo lastPosInfo;
    juce::AudioDeviceManager* const deviceManager;
    VectorscopeSource vectorscopeSource;
    ParameterBlock params;
    double sampleRate = 0.0;
    int blockSize = 0;
    ChannelRouting inputRouting { -1, -1, -1, -1, -1, -1 };
    ChannelRouting outputRouting { -1, -1, -1, -1, -1, -1 };
    ChannelLayout inputLayout = unassignedLayout;
    ChannelLayout outputLayout = unassignedLayout;

private:
    friend struct ProcessorTestAccess;

    void timerCallback() override;

    void updateMomentary (float momentary);
    void updateShortTerm (float shortTerm);
    void updateRangeBars (float low, float high);
    void updateTruePeaks (const float* levels, int count);
    int updateChannelTruePeak (int channel, float level);

    void startReport();
    void finishReport();
    juce::File buildLogFile (juce::Time start) const;
    void updateMaxMomentary();
    void updateMaxShortTerm();
    void updateMaxTruePeak();
    void pollReports();
    void rotateReportIfDue();
    const juce::String& loudnessUnit() const;

    /** Looks on the message thread, while reports run, for what the audio thread asked of them. The
        audio thread only raises a flag: posting a message could wait on the framework's queue lock. */
    struct ReportPoll : public juce::Timer
    {
        explicit ReportPoll (OvexjuceLoudnessAudioProcessor& p) : processor (p) {}
        void timerCallback() override { processor.pollReports(); }
        OvexjuceLoudnessAudioProcessor& processor;
    };

    const BarScale& loudnessScale() const;
    // The audio callback's steps, in their order.
    void followRunState (int numSamples);
    void measureBlock (juce::AudioSampleBuffer& block);
    void routeInputs (const juce::AudioSampleBuffer& block);
    void takeNewLoudnessValues();
    void measureTruePeaks();
    void passThrough (juce::AudioSampleBuffer& block);
    void updateSoundField();
    void updateCorrelations();
    EditorRefreshControl* refreshControl();

    OVEXLoudnessModule loudnessModule { true };
    OVEXTruePeakMeter truePeakMeter;
    TruePeakResult truePeakResult;

    // The audio thread's report calls and the message thread's swap of the logger share this lock;
    // it is held only around the pointer and the report maxima, never around file work.
    juce::SpinLock reportLock;
    std::unique_ptr<OVEXReportLogger> reportLogger;
    std::vector<std::unique_ptr<OVEXReportLogger>> finishingReports; // message thread only
    juce::Time reportStartTime;
    float maxMomentary = -70.0f;
    juce::Time maxMomentaryTime;
    float maxShortTerm = -70.0f;
    float maxTruePeak = -70.0f;
    juce::Time maxTruePeakTime;

    int loudnessBarPixels = 569;
    int truePeakBarPixels = 569;
    const BarScale ebu18Scale = BarScale::make (scaleRanges::ebu18);
    const BarScale ebu9Scale = BarScale::make (scaleRanges::ebu9);
    const BarScale atsc18Scale = BarScale::make (scaleRanges::atsc18);
    const BarScale atsc9Scale = BarScale::make (scaleRanges::atsc9);
    const BarScale truePeakScale = BarScale::make (scaleRanges::truePeak);

    std::array<float, 6> channelMomentary { -70.0f, -70.0f, -70.0f, -70.0f, -70.0f, -70.0f };
    MeterSnapshot meters;

    juce::AudioSampleBuffer routedBuffer { 6, 0 };
    juce::AudioSampleBuffer passThroughBuffer;
    int preparedBlockSize = 0;

    OVEXDownmixer downmixer;
    QITOSCStandalone remoteServer;
    std::function<juce::Time()> clock { [] { return juce::Time::getCurrentTime(); } };
    EditorFactory editorFactory;
    std::atomic<bool> rotationDue { false };
    ReportPoll reportPoll { *this };
    juce::TimeSliceThread loudnessThread { "NOLV Loudness Thread" };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OvexjuceLoudnessAudioProcessor)
};

/** The factory the main window uses; the caller owns the result. */
OvexjuceLoudnessAudioProcessor* createPluginFilter (juce::AudioDeviceManager* deviceManager);
