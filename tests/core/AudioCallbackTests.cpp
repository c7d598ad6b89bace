#include "OvexjuceLoudnessAudioProcessor.h"
#include "ProcessorTestAccess.h"
#include "ScopedAllocationCounter.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using testsupport::SineSource;

namespace
{
constexpr double rate = 48000.0;
constexpr int blockSize = 512;

class AudioCallback : public testing::Test
{
protected:
    AudioCallback() { ProcessorTestAccess::prepare (processor, rate, blockSize); }

    void play (SineSource& source, double seconds)
    {
        testsupport::feedSeconds (seconds, rate, 6, blockSize, [&] (auto& b) { source.fill (b); },
                                  [&] (const auto& b)
                                  {
                                      block.makeCopyOf (b, true);
                                      ProcessorTestAccess::process (processor, block);
                                  });
    }

    const MeterSnapshot& meters() const { return ProcessorTestAccess::meters (processor); }

    OvexjuceLoudnessAudioProcessor processor { nullptr };
    juce::AudioSampleBuffer block { 6, blockSize };
};

juce::AudioSampleBuffer twoChannels (const std::function<float (int)>& x, const std::function<float (int)>& y, int n = 480)
{
    juce::AudioSampleBuffer b (2, n);

    for (int i = 0; i < n; ++i)
    {
        b.setSample (0, i, x (i));
        b.setSample (1, i, y (i));
    }

    return b;
}
} // namespace

TEST (Correlation, ReadsOneForSilenceAndFollowsTheSignalsOtherwise)
{
    auto sine = [] (int i) { return 0.5f * std::sin (0.1f * (float) i); };
    auto inverted = [&] (int i) { return -sine (i); };
    auto silence = [] (int) { return 0.0f; };

    EXPECT_EQ (OvexjuceLoudnessAudioProcessor::computeCorrelation (twoChannels (silence, silence)), 1.0f);
    EXPECT_NEAR (OvexjuceLoudnessAudioProcessor::computeCorrelation (twoChannels (sine, inverted)), -1.0f, 1e-6f);
    EXPECT_NEAR (OvexjuceLoudnessAudioProcessor::computeCorrelation (twoChannels (sine, sine)), 1.0f, 1e-6f);
    EXPECT_EQ (OvexjuceLoudnessAudioProcessor::computeCorrelation (twoChannels (sine, silence)), 1.0f);
    EXPECT_EQ (OvexjuceLoudnessAudioProcessor::computeCorrelation (twoChannels (sine, sine, 0)), 1.0f);
    EXPECT_EQ (OvexjuceLoudnessAudioProcessor::computeCorrelation (juce::AudioSampleBuffer (1, 64)), 1.0f);

    auto cosine = [] (int i) { return 0.5f * std::cos (2.0f * juce::MathConstants<float>::pi * (float) i / 48.0f); };
    auto sineQuarter = [] (int i) { return 0.5f * std::sin (2.0f * juce::MathConstants<float>::pi * (float) i / 48.0f); };
    EXPECT_NEAR (OvexjuceLoudnessAudioProcessor::computeCorrelation (twoChannels (cosine, sineQuarter)), 0.0f, 1e-4f);
}

TEST_F (AudioCallback, InputLayoutPutsEachDeviceChannelOnItsRole)
{
    // Device channels 0..5 carry distinct levels; the layout sends channel k to a shuffled role.
    processor.setInputLayout ({ 3, 0, 5, 1, 4, 2 });
    SineSource source (rate, 997.0);
    const double levels[] = { -6.0, -12.0, -18.0, -24.0, -30.0, -36.0 };

    for (int c = 0; c < 6; ++c)
        source.setLevel (c, levels[c]);

    play (source, 0.5);

    const int deviceChannelOfRole[] = { 3, 0, 5, 1, 4, 2 };

    for (int role = 0; role < 6; ++role)
        EXPECT_NEAR (meters().heldTruePeak[(size_t) role], levels[deviceChannelOfRole[role]], 0.3) << "role " << role;
}

TEST_F (AudioCallback, PassThroughFollowsTheOutputLayoutWithUnprocessedInput)
{
    processor.setDefaultInputRouting();
    processor.setOutputLayout ({ 1, 0, -1, -1, -1, -1 });
    processor.setParameterValue (11, 1.0f); // the downmix must not reach the outputs

    block.clear();
    for (int c = 0; c < 6; ++c)
        juce::FloatVectorOperations::fill (block.getWritePointer (c), 0.1f * (float) (c + 1), blockSize);

    ProcessorTestAccess::process (processor, block);

    EXPECT_EQ (block.getSample (0, 10), 0.2f);
    EXPECT_EQ (block.getSample (1, 10), 0.1f);

    for (int c = 2; c < 6; ++c)
        EXPECT_EQ (block.getMagnitude (c, 0, blockSize), 0.0f) << c;
}

TEST_F (AudioCallback, NothingRoutedMeansSilenceInAndOut)
{
    SineSource source (rate, 997.0);

    for (int c = 0; c < 6; ++c)
        source.setLevel (c, -10.0);

    play (source, 1.0);

    EXPECT_EQ (meters().momentaryLevel, -70.0f);
    EXPECT_EQ (block.getMagnitude (0, blockSize), 0.0f);

    for (float level : ProcessorTestAccess::truePeaks (processor).levels)
        EXPECT_EQ (level, -60.0f);

    for (float fraction : meters().soundFieldLevel)
        EXPECT_EQ (fraction, 0.0f);
}

TEST_F (AudioCallback, EmptyBlockLeavesTheOutputAndReadsFullCorrelation)
{
    processor.setDefaultInputRouting();
    ProcessorTestAccess::writableMeters (processor).correlation.fill (0.25f);
    juce::AudioSampleBuffer empty (6, 0);
    ProcessorTestAccess::process (processor, empty);

    for (float c : meters().correlation)
        EXPECT_EQ (c, 1.0f);
}

TEST_F (AudioCallback, DownmixLeavesOnlyLeftAndRightForTheCorrelations)
{
    processor.setDefaultInputRouting();
    processor.setParameterValue (11, 1.0f);
    SineSource source (rate, 997.0);
    source.setLevel (0, -10.0);
    source.setLevel (1, -10.0);
    source.setPhase (1, juce::MathConstants<double>::pi);
    source.setLevel (2, -40.0);
    play (source, 0.1);

    const auto& c = meters().correlation;
    EXPECT_LT (c[0], -0.9f);

    for (int i = 1; i < 6; ++i)
        EXPECT_EQ (c[(size_t) i], 1.0f) << i;
}

TEST_F (AudioCallback, SamplesAreCountedOnlyWhileRunning)
{
    processor.setDefaultInputRouting();
    SineSource source (rate, 997.0);
    play (source, 10 * blockSize / rate);
    EXPECT_EQ (meters().processedSamples, 0.0);

    processor.setParameterValue (0, 1.0f);
    play (source, 10 * blockSize / rate);
    EXPECT_EQ (meters().processedSamples, 10.0 * blockSize);

    processor.setParameterValue (0, std::numeric_limits<float>::quiet_NaN());
    play (source, blockSize / rate);
    EXPECT_EQ (meters().processedSamples, 11.0 * blockSize);
}

TEST_F (AudioCallback, FollowingTheTransportWithoutAPlayHeadStopsTheRun)
{
    processor.setParameterValue (0, 1.0f);
    processor.setParameterValue (5, 1.0f);
    SineSource source (rate, 997.0);
    play (source, 4 * blockSize / rate);
    EXPECT_EQ (processor.params.runFlag, 0.0f);
    EXPECT_EQ (meters().processedSamples, 0.0);
}

TEST_F (AudioCallback, SoundFieldShowsTruePeaksOrMomentaryLoudness)
{
    processor.setInputLayout ({ 0, -1, -1, -1, -1, -1 });
    SineSource source (rate, 997.0);
    source.setLevel (0, -23.0);
    play (source, 0.5);

    EXPECT_NEAR (meters().soundFieldLevel[0], 0.4463f, 0.002f);
    EXPECT_EQ (meters().soundFieldLevel[1], 0.0f);

    processor.setParameterValue (12, 1.0f);
    play (source, 0.2);
    EXPECT_NEAR (meters().soundFieldLevel[1], -0.5819767f, 1e-5f);
    EXPECT_NEAR (meters().soundFieldLevel[0], processor.valueToFraction (0, ProcessorTestAccess::channelMomentary (processor)[0]), 1e-6f);
}

TEST_F (AudioCallback, WideBlocksWriteSoundFieldValuesForTheSixRolesOnly)
{
    processor.setPlayConfigDetails (8, 8, rate, blockSize);
    processor.prepareToPlay (rate, blockSize);
    processor.setDefaultInputRouting();
    juce::AudioSampleBuffer wide (8, blockSize);
    wide.clear();
    ProcessorTestAccess::process (processor, wide);
    EXPECT_EQ (meters().soundFieldLevel.size(), 6u);
}

TEST_F (AudioCallback, SteadyStateCallbackAllocatesNothing)
{
    processor.setDefaultInputRouting();
    processor.setDefaultOutputRouting();
    processor.setParameterValue (0, 1.0f);
    SineSource source (rate, 997.0);
    source.setLevel (0, -20.0);
    play (source, 0.2);

    juce::MidiBuffer midi;
    size_t allocations = 0;

    for (int i = 0; i < 200; ++i)
    {
        source.fill (block);
        testsupport::ScopedAllocationCounter counter;
        processor.processBlock (block, midi);
        allocations += counter.getCount();
    }

    EXPECT_EQ (allocations, 0u);
}

TEST_F (AudioCallback, StereoToneAtMinus23ReadsMinus23Everywhere)
{
    processor.setDefaultInputRouting();
    processor.setParameterValue (0, 1.0f);
    SineSource source (rate, 1000.0);
    source.setLevel (0, -23.0);
    source.setLevel (1, -23.0);
    play (source, 20.0);

    EXPECT_EQ (meters().momentaryLevel, -23.0f);
    EXPECT_EQ (meters().shortTermLevel, -23.0f);
    EXPECT_EQ (meters().integratedLevel, -23.0f);
    EXPECT_EQ (meters().momentaryFraction, 314.0f / 569.0f);
    EXPECT_EQ (meters().loudnessRange, 0.0f);
}

TEST_F (AudioCallback, TwoLevelsTenDecibelsApartGiveARangeOfTen)
{
    processor.setDefaultInputRouting();
    processor.setParameterValue (0, 1.0f);
    SineSource source (rate, 1000.0);
    source.setLevel (0, -20.0);
    source.setLevel (1, -20.0);
    play (source, 20.0);
    source.setLevel (0, -30.0);
    source.setLevel (1, -30.0);
    play (source, 20.0);

    EXPECT_NEAR (meters().loudnessRange, 10.0f, 1.0f);
}
