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
#include "RemoteFeed.h"
#include "ReportSession.h"
#include "SeqLock.h"
#include "VectorscopeSource.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <functional>
#include <mutex>

/** The measuring engine as the host sees it: 17 indexed parameters, a saved state, six-role
    routing, and the audio callback that feeds loudness, true peak, correlations and the meter
    snapshot. Built, configured and destroyed on the message thread; processBlock runs on the audio
    device thread. Every field has one writing thread: the message thread's parameters and routing
    reach the callback as atomics it loads at the top of each block, RESET and alarm clearing are
    requests it carries out there, and the snapshot is published whole at the end of each block. */
class OvexjuceLoudnessAudioProcessor : public juce::AudioProcessor
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

    /** Grows with every change of the parameters, so that a reader can tell whether to look again. */
    juce::uint32 getParameterChangeCount() const noexcept { return parameterChanges; }

    // Routing (message thread).
    void setInputLayout (const ChannelLayout& layout);
    void setOutputLayout (const ChannelLayout& layout);
    void setDefaultInputRouting();
    void setDefaultOutputRouting();

    // Meter snapshot, bar law and alarms. The bar law follows the parameters as the message thread
    // sees them. RESET and alarm clearing take effect at the next block, or at once while no block
    // can run; requests are carried out in the order they were made.
    int valueToPixel (int isTruePeak, float level) const;
    float valueToFraction (int isTruePeak, float level) const;
    /** The snapshot of the latest block, whole; safe on any thread. */
    void copyMeterSnapshot (MeterSnapshot& destination) const;
    void resetMeters();
    void clearAlarms();

    static float computeCorrelation (const juce::AudioSampleBuffer& buffer);

    /** Opens the remote server's listener on the entered port (below 1 means 20000) and starts
        the 100 ms feed on its own thread, which runs even when listening failed. Returns whether
        listening started. */
    bool startRemoteServer (float port);
    void stopRemoteServer();

    /** The XML of the open report; none while no report is open. Message thread. */
    juce::File getOpenReport() const { return reportSession.getOpenReport(); }

    /** Where a report whose files cannot be written is told, on the message thread. */
    void setReportProblemHandler (ReportSession::ProblemHandler handler) { reportSession.setProblemHandler (std::move (handler)); }

    /** Every reading of the current time in report driving goes through this clock; set it before
        the processor plays. */
    void setClock (std::function<juce::Time()> newClock) { clock = std::move (newClock); }

    juce::AudioDeviceManager* const deviceManager;
    VectorscopeSource vectorscopeSource; // a lock-free hand-over of its own

    // Written on the message thread only, and read there by the editor and the remote feed.
    ParameterBlock params;
    ChannelRouting inputRouting { -1, -1, -1, -1, -1, -1 };
    ChannelRouting outputRouting { -1, -1, -1, -1, -1, -1 };
    ChannelLayout inputLayout = unassignedLayout;
    ChannelLayout outputLayout = unassignedLayout;

    /** The rate of the last prepareToPlay, for the editor's timecode. */
    std::atomic<double> sampleRate { 0.0 };

private:
    friend struct ProcessorTestAccess;

    // Message thread: hands what the callback and the remote feed read over to them.
    void shareParameters();
    void shareRouting();
    void carryOutRequestsWhileNoBlockRuns();

    void startReport();
    void finishReport();
    ReportSession::Measured measuredForReport() const;

    const BarScale& loudnessScale (float standard, float scale) const;

    // The audio callback's steps, in their order; the first and last also serve the tests.
    void beginBlock();
    void carryOutRequests();
    void followRunState (int numSamples);
    void measureBlock (juce::AudioSampleBuffer& block);
    void routeInputs (const juce::AudioSampleBuffer& block);
    void takeNewLoudnessValues();
    void measureTruePeaks();
    void passThrough (juce::AudioSampleBuffer& block);
    void updateSoundField();
    void updateCorrelations();
    void endBlock();

    void updateMomentary (float momentary);
    void updateShortTerm (float shortTerm);
    void updateRangeBars (float low, float high);
    void updateTruePeaks (const float* levels, int count);
    int updateChannelTruePeak (int channel, float level);
    int blockPixel (float level) const;

    EditorRefreshControl* refreshControl();

    OVEXLoudnessModule loudnessModule { true };
    OVEXTruePeakMeter truePeakMeter;

    int loudnessBarPixels = 569;
    int truePeakBarPixels = 569;
    const BarScale ebu18Scale = BarScale::make (scaleRanges::ebu18);
    const BarScale ebu9Scale = BarScale::make (scaleRanges::ebu9);
    const BarScale atsc18Scale = BarScale::make (scaleRanges::atsc18);
    const BarScale atsc9Scale = BarScale::make (scaleRanges::atsc9);
    const BarScale truePeakScale = BarScale::make (scaleRanges::truePeak);

    juce::uint32 parameterChanges = 0; // message thread

    // Handed from the message thread to the callback.
    std::array<std::atomic<float>, numParameters> sharedParameters {};
    std::atomic<juce::uint64> sharedInputRouting { 0 }, sharedOutputRouting { 0 };
    std::atomic<juce::uint32> resetRequests { 0 }, alarmClearRequests { 0 };

    // Whether a block can run: while it cannot, the message thread carries out its own requests.
    // Taken by the message thread and the device's start and stop, never by the callback.
    std::mutex preparationLock;
    std::atomic<bool> prepared { false };

    // The callback's own state: written by the audio thread only, or by the message thread while no
    // block can run.
    std::array<float, numParameters> blockParameters {};
    ChannelRouting blockInputRouting { -1, -1, -1, -1, -1, -1 };
    ChannelRouting blockOutputRouting { -1, -1, -1, -1, -1, -1 };
    juce::uint32 resetsCarriedOut = 0, alarmClearsCarriedOut = 0;
    juce::AudioPlayHead::CurrentPositionInfo lastPosInfo;
    bool transportMoving = false;
    int blockSize = 0;
    TruePeakResult truePeakResult;
    std::array<float, 6> channelMomentary { noLoudnessValue, noLoudnessValue, noLoudnessValue,
                                            noLoudnessValue, noLoudnessValue, noLoudnessValue };
    MeterSnapshot meters;
    juce::AudioSampleBuffer routedBuffer { 6, 0 };
    juce::AudioSampleBuffer passThroughBuffer;
    int preparedBlockSize = 0;
    OVEXDownmixer downmixer;

    SeqLock<MeterSnapshot> publishedMeters;

    QITOSCStandalone remoteServer;
    RemoteFeed remoteFeed { remoteServer, [this] { return publishedMeters.read(); } };
    std::function<juce::Time()> clock { [] { return juce::Time::getCurrentTime(); } };
    ReportSession reportSession { clock, [this] { return measuredForReport(); }, [this] { finishReport(); resetMeters(); startReport(); } };
    EditorFactory editorFactory;
    juce::TimeSliceThread loudnessThread { "NOLV Loudness Thread" };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OvexjuceLoudnessAudioProcessor)
};

/** The factory the main window uses; the caller owns the result. */
OvexjuceLoudnessAudioProcessor* createPluginFilter (juce::AudioDeviceManager* deviceManager);
