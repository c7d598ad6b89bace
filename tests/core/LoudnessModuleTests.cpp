#include "OVEXLoudnessModule.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using testsupport::SineSource;

namespace
{
constexpr double rate = 48000.0;
constexpr int blockSize = 512;
constexpr double silent = -std::numeric_limits<double>::infinity();

class LoudnessModule : public testing::Test
{
protected:
    LoudnessModule() { module.prepare (blockSize, rate); }

    void play (SineSource& source, double seconds)
    {
        testsupport::play (source, rate, seconds, [this] (auto& block) { module.pushBlock (block, 0); });
    }

    LoudnessResult result() const
    {
        LoudnessResult r;
        module.getSnapshot (r);
        return r;
    }

    OVEXLoudnessModule module { false };
};

/** The momentary loudness after a second of the source. */
float momentaryOf (SineSource&& source, double sampleRate = rate)
{
    OVEXLoudnessModule module (false);
    module.prepare (blockSize, sampleRate);
    testsupport::play (source, sampleRate, 1.0, [&] (auto& block) { module.pushBlock (block, 0); });
    LoudnessResult r;
    module.getSnapshot (r);
    return r.momentary;
}
} // namespace

TEST_F (LoudnessModule, WhileStoppedMomentaryComesEvery100msAndShortTermEvery600msButNothingIsIntegrated)
{
    SineSource source (rate, 997.0, { -20.0 });
    std::vector<long long> momentary, shortTerm;
    long long played = 0;

    testsupport::play (source, rate, 5.0, [&] (auto& block)
    {
        const auto momentaryBefore = module.getMomentarySequence(), shortTermBefore = module.getShortTermSequence();
        module.pushBlock (block, 0);
        played += block.getNumSamples();
        EXPECT_EQ (module.newMomentary.load(), module.getMomentarySequence() != momentaryBefore);

        if (module.getMomentarySequence() != momentaryBefore)
            momentary.push_back (played);

        if (module.getShortTermSequence() != shortTermBefore)
            shortTerm.push_back (played);
    });

    // The first values come with the blocks that complete 19200 and 144000 samples; block
    // granularity spreads the later ones by under a block.
    ASSERT_GE (momentary.size(), 40u);
    EXPECT_EQ (momentary[0], 19456);

    for (size_t i = 1; i < momentary.size(); ++i)
        EXPECT_NEAR ((double) (momentary[i] - momentary[i - 1]), 4800.0, blockSize);

    EXPECT_NEAR ((double) (momentary.back() - momentary[0]), 4800.0 * (double) (momentary.size() - 1), blockSize);
    ASSERT_GE (shortTerm.size(), 3u);
    EXPECT_EQ (shortTerm[0], 144384);
    EXPECT_NEAR ((double) (shortTerm.back() - shortTerm[0]), 28799.0 * (double) (shortTerm.size() - 1), blockSize);

    EXPECT_EQ (result().momentary, -23.0f);
    EXPECT_EQ (result().shortTerm, -23.0f);
    EXPECT_EQ (result().integrated, -70.0f);
    EXPECT_EQ (result().loudnessRange, -70.0f);
}

TEST_F (LoudnessModule, SilenceReadsNoValueAndEveryChannelMinusInfinity)
{
    SineSource silence (rate, 997.0);
    play (silence, 3.5);
    EXPECT_EQ (result().momentary, -70.0f);
    EXPECT_EQ (result().shortTerm, -70.0f);

    float channels[6];
    module.getChannelMomentary (channels, 6);

    for (float c : channels)
        EXPECT_EQ (c, -std::numeric_limits<float>::infinity());
}

TEST (LoudnessModuleLevels, ChannelsAreWeightedByTheirRolesAndFullScaleNeverReadsAboveZero)
{
    const float left = momentaryOf (SineSource (rate, 997.0, { -20.0 }));
    EXPECT_NEAR (momentaryOf (SineSource (rate, 997.0, { silent, -20.0 })), left, 0.001);
    EXPECT_NEAR (momentaryOf (SineSource (rate, 997.0, { silent, silent, -20.0 })), left, 0.001);
    EXPECT_EQ (momentaryOf (SineSource (rate, 997.0, { silent, silent, silent, 0.0 })), -70.0f);
    EXPECT_NEAR (momentaryOf (SineSource (rate, 997.0, { silent, silent, silent, silent, -20.0 })) - left, 1.5f, 0.11f); // 10 log10 1.41
    EXPECT_NEAR (momentaryOf (SineSource (rate, 997.0, { silent, silent, silent, silent, silent, -20.0 })) - left, 1.5f, 0.11f);

    // A full-scale sine on one front channel is -3.0 LUFS by BS.1770's calibration; on two, 0.0.
    EXPECT_EQ (momentaryOf (SineSource (rate, 997.0, { 0.0 })), -3.0f);
    EXPECT_EQ (momentaryOf (SineSource (rate, 997.0, { 0.0, 0.0 })), 0.0f);
}

TEST (LoudnessModuleLevels, ToneReadsTheSameAtRatesOutsideThePublishedTables)
{
    for (double sampleRate : { 22050.0, 32000.0, 384000.0 })
        EXPECT_NEAR (momentaryOf (SineSource (sampleRate, 997.0, { -23.0, -23.0 }), sampleRate), -23.0f, 0.05f) << sampleRate;
}

TEST_F (LoudnessModule, ResetAllRestartsIntegrationFromNothing)
{
    module.setRunning (true);
    SineSource loud (rate, 997.0, { -10.0, -10.0 }), quiet (rate, 997.0, { -30.0, -30.0 });
    play (loud, 4.0);
    module.resetAll();
    EXPECT_EQ (result().momentary, -70.0f);
    EXPECT_EQ (result().integrated, -70.0f);
    EXPECT_EQ (result().loudnessRangeHigh, -70.0f);

    play (quiet, 4.0);
    EXPECT_NEAR (result().integrated, -30.0f, 0.05f); // nothing of the loud part is left
    EXPECT_EQ (result().loudnessRange, 0.0f);
}

TEST_F (LoudnessModule, PreparingAgainOrRepeatingTheRunStateKeepsTheWindowsWarm)
{
    // The first momentary value needs 38 blocks; a fresh start would need 38 more.
    SineSource source (rate, 997.0);
    play (source, 30 * blockSize / rate);
    module.prepare (blockSize, rate);
    module.setRunning (false);
    play (source, 8 * blockSize / rate);
    EXPECT_EQ (module.getMomentarySequence(), 1u);

    module.setRunning (true); // a change starts from fresh windows
    play (source, 37 * blockSize / rate);
    EXPECT_EQ (module.getMomentarySequence(), 1u);
    play (source, blockSize / rate);
    EXPECT_EQ (module.getMomentarySequence(), 2u);
}

TEST_F (LoudnessModule, NonFiniteInputCostsSomeValuesButNeverSilencesTheMeter)
{
    module.setRunning (true);
    SineSource source (rate, 997.0, { -20.0, -20.0 });
    play (source, 1.0);

    juce::AudioSampleBuffer poisoned (6, blockSize);
    source.fill (poisoned);
    poisoned.setSample (0, 10, std::numeric_limits<float>::quiet_NaN());
    poisoned.setSample (1, 20, std::numeric_limits<float>::infinity());
    module.pushBlock (poisoned, 0);

    play (source, 5.0);
    EXPECT_EQ (result().momentary, -20.0f);
    EXPECT_EQ (result().shortTerm, -20.0f);
    EXPECT_NEAR (result().integrated, -20.0f, 0.05f);
}

TEST (LoudnessModuleThreading, ThreadedModuleComputesOnlyInItsTimeSlice)
{
    OVEXLoudnessModule module (true);
    module.prepare (blockSize, rate);
    SineSource source (rate, 997.0, { -23.0, -23.0 });
    testsupport::play (source, rate, 0.5, [&] (auto& block) { module.pushBlock (block, 0); });
    EXPECT_EQ (module.getMomentarySequence(), 0u);

    EXPECT_EQ (module.useTimeSlice(), 50);
    EXPECT_EQ (module.getMomentarySequence(), 1u);
    EXPECT_TRUE (module.newMomentary.load());
    module.useTimeSlice();
    module.useTimeSlice();
    EXPECT_EQ (module.getMomentarySequence(), 2u);
    EXPECT_FALSE (module.newMomentary.load());
}
