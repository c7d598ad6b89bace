#pragma once

#include "KernelSet.h"
#include "LevelHelpers.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <vector>

/** The last block's true peak per channel role, in dBTP. */
struct TruePeakResult
{
    std::array<float, 6> levels { noLoudnessValue, noLoudnessValue, noLoudnessValue, noLoudnessValue, noLoudnessValue, noLoudnessValue };
};

/** True-peak estimate of six channels per block by the polyphase interpolator of BS.1770 Annex 2:
    four interpolated points per sample below 88.2 kHz, two below 176.4 kHz, the plain sample
    magnitude above. Used on the audio thread only. */
class OVEXTruePeakMeter
{
public:
    OVEXTruePeakMeter();

    void setSampleRate (int blockSize, double sampleRate);
    void releaseResources() {}

    /** A NaN sample counts as silence; a channel with an infinite sample reads plus infinity for
        the block, while its interpolation goes on as if the sample were silent. */
    void processBlock (const juce::AudioSampleBuffer& block);

    /** The interpolated magnitude for one new sample of a channel, as processBlock computes it. */
    float truePeakOfSample (int channel, float sample);

    void getSnapshot (TruePeakResult& destination) const;
    void resetHistory();

    int getPhaseCount() const noexcept { return phaseCount; }

    static constexpr int numTaps = 12;
    static constexpr int samplesAtOnce = 4; // interpolated side by side, each with its own sums

private:
    void choosePhaseCount();
    void loadCoefficients();
    void reserveSamples (int blockSize);

    /** Takes numSamples samples of a channel after its history; returns the largest interpolated
        magnitude and whether a sample was infinite. */
    float processChannel (int channel, const float* samples, int numSamples, bool& sawInfinity);

    /** With no interpolation the history still follows the block, for a later change of rate. */
    static void keepLastSamples (std::array<double, 12>& history, const float* samples, int numSamples);

    double sampleRate = 0.0;
    int phaseCount = 0;
    std::array<std::array<double, numTaps>, 6> histories {}; // per channel, oldest first
    std::array<double, 4 * numTaps> coefficients {};
    std::vector<double> channelSamples; // a channel's last numTaps - 1 samples, then the block, as doubles
    std::array<float, 6> channelTruePeak { noLoudnessValue, noLoudnessValue, noLoudnessValue, noLoudnessValue, noLoudnessValue, noLoudnessValue };
    const KernelSet kernels = chosenKernelSet();

    JUCE_DECLARE_NON_COPYABLE (OVEXTruePeakMeter)
};
