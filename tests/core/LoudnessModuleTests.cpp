#include "OVEXLoudnessModule.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>

using testsupport::SineSource;

namespace
{
constexpr double rate = 48000.0;
constexpr int blockSize = 512;

struct Counts
{
    std::vector<long long> momentaryAt, shortTermAt;
};

/** Pushes blocks through an unthreaded module and notes after how many samples each new value came. */
Counts run (OVEXLoudnessModule& module, SineSource& source, double seconds, long long& samplesSoFar)
{
    Counts counts;
    testsupport::feedSeconds (seconds, rate, 6, blockSize, [&] (auto& b) { source.fill (b); },
                              [&] (const auto& b)
                              {
                                  const auto m = module.getMomentarySequence();
                                  const auto s = module.getShortTermSequence();
                                  module.pushBlock (b, 0);
                                  samplesSoFar += b.getNumSamples();

                                  if (module.getMomentarySequence() != m)
                                      counts.momentaryAt.push_back (samplesSoFar);

                                  if (module.getShortTermSequence() != s)
                                      counts.shortTermAt.push_back (samplesSoFar);

                                  EXPECT_EQ (module.newMomentary.load(), module.getMomentarySequence() != m);
                              });
    return counts;
}

LoudnessResult measure (SineSource& source, double seconds, bool running = true, double sampleRate = rate)
{
    OVEXLoudnessModule module (false);
    module.prepare (blockSize, sampleRate);
    module.setRunning (running);
    testsupport::feedSeconds (seconds, sampleRate, 6, blockSize, [&] (auto& b) { source.fill (b); },
                              [&] (const auto& b) { module.pushBlock (b, 0); });
    LoudnessResult r;
    module.getSnapshot (r);
    return r;
}
} // namespace

TEST (LoudnessModule, MomentaryComesEveryHundredMillisecondsAndShortTermEverySixHundred)
{
    OVEXLoudnessModule module (false);
    module.prepare (blockSize, rate);
    SineSource source (rate, 997.0);
    long long samples = 0;
    const auto counts = run (module, source, 5.0, samples);

    ASSERT_GE (counts.momentaryAt.size(), 40u);
    EXPECT_EQ (counts.momentaryAt[0], 19456); // the first block that completes 19200 samples

    // Each window waits for 4800 new samples; block granularity spreads them by under a block.
    for (size_t i = 1; i < counts.momentaryAt.size(); ++i)
        EXPECT_NEAR ((double) (counts.momentaryAt[i] - counts.momentaryAt[i - 1]), 4800.0, blockSize);

    const auto momentaryFirst = counts.momentaryAt.front();
    EXPECT_NEAR ((double) (counts.momentaryAt.back() - momentaryFirst), 4800.0 * (double) (counts.momentaryAt.size() - 1), blockSize);

    ASSERT_GE (counts.shortTermAt.size(), 3u);
    EXPECT_EQ (counts.shortTermAt[0], 144384);
    EXPECT_NEAR ((double) (counts.shortTermAt.back() - counts.shortTermAt[0]), 28799.0 * (double) (counts.shortTermAt.size() - 1), blockSize);
}

TEST (LoudnessModule, SilenceReadsNoValueAndEveryChannelMinusInfinity)
{
    OVEXLoudnessModule module (false);
    module.prepare (blockSize, rate);
    SineSource silence (rate, 997.0);
    long long samples = 0;
    run (module, silence, 3.5, samples);

    LoudnessResult r;
    module.getSnapshot (r);
    EXPECT_EQ (r.momentary, -70.0f);
    EXPECT_EQ (r.shortTerm, -70.0f);

    float channels[6];
    module.getChannelMomentary (channels, 6);

    for (float c : channels)
        EXPECT_TRUE (std::isinf (c) && c < 0.0f);
}

TEST (LoudnessModule, ChannelWeightsFollowTheirRoles)
{
    auto momentaryOf = [] (int channel, double level)
    {
        SineSource s (rate, 997.0);
        s.setLevel (channel, level);
        return measure (s, 1.0).momentary;
    };

    const float left = momentaryOf (0, -20.0);
    EXPECT_NEAR (momentaryOf (1, -20.0), left, 0.001);
    EXPECT_NEAR (momentaryOf (2, -20.0), left, 0.001);
    EXPECT_NEAR (momentaryOf (4, -20.0) - left, 1.5f, 0.11f); // 10 log10 1.41
    EXPECT_NEAR (momentaryOf (5, -20.0) - left, 1.5f, 0.11f);
    EXPECT_EQ (momentaryOf (3, 0.0), -70.0f);

    // A full-scale sine on one front channel is -3.0 LUFS by BS.1770's calibration.
    EXPECT_EQ (momentaryOf (0, 0.0), -3.0f);
}

TEST (LoudnessModule, FullScaleStereoNeverReadsAboveZero)
{
    SineSource s (rate, 997.0);
    s.setLevel (0, 0.0);
    s.setLevel (1, 0.0);
    const auto r = measure (s, 4.0);
    EXPECT_LE (r.momentary, 0.0f);
    EXPECT_NEAR (r.momentary, 0.0f, 0.1f);
    EXPECT_LE (r.shortTerm, 0.0f);
    EXPECT_LE (r.integrated, 0.0f);
}

TEST (LoudnessModule, ToneReadsTheSameAtEveryRate)
{
    for (double sampleRate : { 32000.0, 44100.0, 88200.0, 96000.0, 192000.0 })
    {
        SineSource s (sampleRate, 997.0);
        s.setLevel (0, -23.0);
        s.setLevel (1, -23.0);
        EXPECT_NEAR (measure (s, 1.0, true, sampleRate).momentary, -23.0f, 0.05f) << sampleRate;
    }
}

TEST (LoudnessModule, StoppedModuleUpdatesMomentaryAndShortTermButNotIntegration)
{
    SineSource s (rate, 997.0);
    s.setLevel (0, -23.0);
    s.setLevel (1, -23.0);
    const auto r = measure (s, 4.0, false);
    EXPECT_EQ (r.momentary, -23.0f);
    EXPECT_EQ (r.shortTerm, -23.0f);
    EXPECT_EQ (r.integrated, -70.0f);
    EXPECT_EQ (r.loudnessRange, -70.0f);
}

TEST (LoudnessModule, ResetAllRestartsIntegrationFromNothing)
{
    OVEXLoudnessModule module (false);
    module.prepare (blockSize, rate);
    module.setRunning (true);
    SineSource loud (rate, 997.0);
    loud.setLevel (0, -10.0);
    loud.setLevel (1, -10.0);
    long long samples = 0;
    run (module, loud, 4.0, samples);

    module.resetAll();
    LoudnessResult r;
    module.getSnapshot (r);
    EXPECT_EQ (r.momentary, -70.0f);
    EXPECT_EQ (r.integrated, -70.0f);
    EXPECT_EQ (r.loudnessRangeHigh, -70.0f);

    SineSource quiet (rate, 997.0);
    quiet.setLevel (0, -30.0);
    quiet.setLevel (1, -30.0);
    run (module, quiet, 4.0, samples);
    module.getSnapshot (r);
    EXPECT_NEAR (r.integrated, -30.0f, 0.05f); // nothing of the loud part is left
    EXPECT_EQ (r.loudnessRange, 0.0f);
}

TEST (LoudnessModule, PreparingAgainAtTheSameRateKeepsQueuedAudio)
{
    OVEXLoudnessModule module (false);
    module.prepare (blockSize, rate);
    SineSource s (rate, 997.0);
    long long samples = 0;
    run (module, s, 30 * blockSize / rate, samples);

    module.prepare (blockSize, rate);
    const auto counts = run (module, s, 0.2, samples);
    ASSERT_FALSE (counts.momentaryAt.empty());
    EXPECT_EQ (counts.momentaryAt[0], 19456);
}

TEST (LoudnessModule, SettingTheSameRunStateKeepsTheWindowsWarm)
{
    OVEXLoudnessModule module (false);
    module.prepare (blockSize, rate);
    SineSource s (rate, 997.0);
    long long samples = 0;
    run (module, s, 30 * blockSize / rate, samples);
    module.setRunning (false);
    const auto unchanged = run (module, s, 0.2, samples);
    ASSERT_FALSE (unchanged.momentaryAt.empty());
    EXPECT_EQ (unchanged.momentaryAt[0], 19456);

    module.setRunning (true); // a change starts from fresh windows
    const auto changed = run (module, s, 0.5, samples);
    ASSERT_FALSE (changed.momentaryAt.empty());
    EXPECT_EQ (changed.momentaryAt[0] - samples + (long long) std::llround (0.5 * rate), 19456);
}

TEST (LoudnessModule, NonFiniteInputCostsSomeValuesButNeverSilencesTheMeter)
{
    OVEXLoudnessModule module (false);
    module.prepare (blockSize, rate);
    module.setRunning (true);
    SineSource s (rate, 997.0);
    s.setLevel (0, -20.0);
    s.setLevel (1, -20.0);
    long long samples = 0;
    run (module, s, 1.0, samples);

    juce::AudioSampleBuffer poisoned (6, blockSize);
    s.fill (poisoned);
    poisoned.setSample (0, 10, std::numeric_limits<float>::quiet_NaN());
    poisoned.setSample (1, 20, std::numeric_limits<float>::infinity());
    module.pushBlock (poisoned, 0);

    run (module, s, 5.0, samples);
    LoudnessResult r;
    module.getSnapshot (r);
    EXPECT_EQ (r.momentary, -20.0f);
    EXPECT_EQ (r.shortTerm, -20.0f);
    EXPECT_NEAR (r.integrated, -20.0f, 0.05f);
}

TEST (LoudnessModule, ThreadedModuleComputesOnlyInItsTimeSlice)
{
    OVEXLoudnessModule module (true);
    module.prepare (blockSize, rate);
    SineSource s (rate, 997.0);
    s.setLevel (0, -23.0);
    s.setLevel (1, -23.0);
    testsupport::feedSeconds (0.5, rate, 6, blockSize, [&] (auto& b) { s.fill (b); },
                              [&] (const auto& b) { module.pushBlock (b, 0); });
    EXPECT_EQ (module.getMomentarySequence(), 0u);

    EXPECT_EQ (module.useTimeSlice(), 50);
    EXPECT_EQ (module.getMomentarySequence(), 1u);
    EXPECT_TRUE (module.newMomentary.load());
    module.useTimeSlice();
    EXPECT_EQ (module.getMomentarySequence(), 2u);
    module.useTimeSlice();
    EXPECT_EQ (module.getMomentarySequence(), 2u);
    EXPECT_FALSE (module.newMomentary.load());
}
