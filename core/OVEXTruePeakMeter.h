#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>

/** The last block's true peak per channel role, in dBTP, and the stamp given with that block. */
struct TruePeakResult
{
    std::array<float, 6> levels { -70.0f, -70.0f, -70.0f, -70.0f, -70.0f, -70.0f };
    juce::uint32 time = 0;
};

/** True-peak estimate of six channels per block by the polyphase interpolator of BS.1770 Annex 2:
    four interpolated points per sample below 88.2 kHz, two below 176.4 kHz, the plain sample
    magnitude above. Used on the audio thread only. */
class OVEXTruePeakMeter
{
public:
    OVEXTruePeakMeter();
    ~OVEXTruePeakMeter();

    void setSampleRate (int blockSize, double sampleRate);
    void releaseResources() {}

    void processBlock (const juce::AudioSampleBuffer& block, juce::uint32 stamp);

    /** The interpolated magnitude for one new sample of a channel; non-finite samples count as 0. */
    float truePeakOfSample (int channel, float sample);

    void getSnapshot (TruePeakResult& destination) const;
    void resetHistory();

    int getPhaseCount() const noexcept { return phaseCount; }

private:
    static constexpr int numTaps = 12;

    void chooseMode();
    void loadCoefficients();
    void processSamples (juce::uint32 stamp);
    void pushHistory (int channel, double sample);

    template <int NumPhases>
    float interpolatedPeak (int channel) const;

    /** Replaces the channel's samples in workCopy by their interpolated magnitudes; returns the largest. */
    template <int NumPhases>
    float processChannel (int channel);

    // Each history is a ring written twice, numTaps apart, so the newest numTaps values always
    // lie contiguous from historyStart: no shifting per sample.
    struct History
    {
        std::array<double, 2 * numTaps> ring {};
        int start = 0;
    };

    double sampleRate = 0.0;
    std::array<History, 6> histories;
    std::array<double, 48> coefficients {};
    std::array<std::array<double, 4>, numTaps> tapsByPhase {}; // coefficients transposed for the inner loop
    juce::AudioSampleBuffer workCopy;
    int mode = 0;
    int phaseCount = 0;
    std::array<float, 6> channelTruePeak { -70.0f, -70.0f, -70.0f, -70.0f, -70.0f, -70.0f };
    juce::uint32 blockTime = 0;

    JUCE_DECLARE_NON_COPYABLE (OVEXTruePeakMeter)
};
