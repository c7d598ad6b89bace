#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <vector>

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

    /** The largest interpolated magnitude at sample i of x, whose numTaps - 1 predecessors x[i - 11 ..] exist. */
    template <int NumPhases>
    double interpolatedMagnitude (const double* x, int i) const;

    /** Writes the interpolated magnitudes of channelSamples to the channel of workCopy; returns the largest. */
    template <int NumPhases>
    float processChannel (int channel, int numSamples);

    double sampleRate = 0.0;
    std::array<std::array<double, numTaps>, 6> histories {}; // per channel, oldest first
    std::array<double, 48> coefficients {};
    std::vector<double> channelSamples; // the previous numTaps - 1 samples, then the block, as doubles
    juce::AudioSampleBuffer workCopy;
    int mode = 0;
    int phaseCount = 0;
    std::array<float, 6> channelTruePeak { -70.0f, -70.0f, -70.0f, -70.0f, -70.0f, -70.0f };
    juce::uint32 blockTime = 0;

    JUCE_DECLARE_NON_COPYABLE (OVEXTruePeakMeter)
};
