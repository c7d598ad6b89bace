#include "KWeighting.h"
#include "OVEXLoudnessModule.h"
#include "TestSignals.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <limits>

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

    /** Plays the source block by block, taking the new values after each block as the processor does. */
    void play (SineSource& source, double seconds)
    {
        testsupport::play (source, rate, seconds, [this] (auto& block)
        {
            module.pushBlock (block);
            takeValues();
        });
    }

    void takeValues()
    {
        module.takeNewValues ([this] (const LoudnessValue& value)
        {
            ++(value.kind == LoudnessValue::momentary ? momentaryValues : shortTermValues);
            last[value.kind] = value;
        });
    }

    LoudnessResult result() const
    {
        LoudnessResult r;
        module.getSnapshot (r);
        return r;
    }

    OVEXLoudnessModule module { false };
    int momentaryValues = 0, shortTermValues = 0;
    LoudnessValue last[2];
};

/** The momentary loudness after a second of the source. */
float momentaryOf (SineSource&& source, double sampleRate = rate, std::array<float, 6>* perChannel = nullptr)
{
    OVEXLoudnessModule module (false);
    module.prepare (blockSize, sampleRate);
    testsupport::play (source, sampleRate, 1.0, [&] (auto& block) { module.pushBlock (block); });

    if (perChannel != nullptr)
        module.takeNewValues ([perChannel] (const LoudnessValue& value) { *perChannel = value.channelMomentary; });

    LoudnessResult r;
    module.getSnapshot (r);
    return r.momentary;
}
} // namespace

TEST_F (LoudnessModule, WhileStoppedMomentaryComesEvery100msAndShortTermEvery600msButNothingIsIntegrated)
{
    // The k-th momentary value comes with the block that completes 19200 + 4800 k samples, the k-th
    // short-term value with the one that completes 144000 + 28799 k.
    struct Point { int blocks, momentary, shortTerm; };
    const Point points[] = { { 37, 0, 0 }, { 38, 1, 0 }, { 46, 1, 0 }, { 47, 2, 0 }, { 281, 26, 0 }, { 282, 27, 1 }, { 337, 32, 1 }, { 338, 33, 2 } };
    SineSource source (rate, 997.0, { -20.0 });
    int played = 0;

    for (auto point : points)
    {
        play (source, (point.blocks - played) * blockSize / rate);
        played = point.blocks;
        EXPECT_EQ (std::make_pair (momentaryValues, shortTermValues), std::make_pair (point.momentary, point.shortTerm)) << point.blocks << " blocks";
    }

    const auto r = result();
    EXPECT_EQ (std::make_tuple (r.momentary, r.shortTerm, r.integrated, r.loudnessRange), std::make_tuple (-23.0f, -23.0f, -70.0f, -70.0f));
    EXPECT_EQ (last[LoudnessValue::shortTerm].loudnessRange, -70.0f);
}

TEST (LoudnessModuleLevels, ChannelsAreWeightedByTheirRolesFullScaleNeverReadsAboveZeroAndAnyRateReadsTheSame)
{
    const float left = momentaryOf (SineSource (rate, 997.0, { -20.0 }));
    EXPECT_NEAR (momentaryOf (SineSource (rate, 997.0, { silent, -20.0 })), left, 0.001);
    EXPECT_NEAR (momentaryOf (SineSource (rate, 997.0, { silent, silent, -20.0 })), left, 0.001);
    EXPECT_EQ (momentaryOf (SineSource (rate, 997.0, { silent, silent, silent, 0.0 })), -70.0f);

    // The surround channels weigh 1.41: 10 log10 1.41 = 1.4922 dB above a front channel, unrounded.
    std::array<float, 6> front {}, surround {};
    momentaryOf (SineSource (rate, 997.0, { -20.0 }), rate, &front);
    momentaryOf (SineSource (rate, 997.0, { silent, silent, silent, silent, -20.0, -20.0 }), rate, &surround);
    EXPECT_NEAR (surround[4] - front[0], 1.4922f, 0.01f);
    EXPECT_NEAR (surround[5] - front[0], 1.4922f, 0.01f);

    // A full-scale sine on one front channel is -3.0 LUFS by BS.1770's calibration; on two, 0.0.
    EXPECT_EQ (momentaryOf (SineSource (rate, 997.0, { 0.0 })), -3.0f);
    EXPECT_EQ (momentaryOf (SineSource (rate, 997.0, { 0.0, 0.0 })), 0.0f);

    for (double sampleRate : { 22050.0, 32000.0, 88200.0, 176400.0, 384000.0 })
        EXPECT_NEAR (momentaryOf (SineSource (sampleRate, 997.0, { -23.0, -23.0 }), sampleRate), -23.0f, 0.05f) << sampleRate;
}

TEST (KWeighting, PublishedRatesGiveThePublishedCoefficientsExactlyAsStoredFloats)
{
    // Rate, then b0, b1, b2, a1, a2 of the shelf and a1, a2 of the high-pass (whose b are 1, -2, 1).
    const double rows[][8] = {
        { 44100, 1.5308412301, -2.6509799952, 1.1690790799, -1.6636551133, 0.7125954281, -1.9891696736, 0.9891990358 },
        { 48000, 1.5351248596, -2.6916961894, 1.1983928109, -1.6906592932, 0.7324807742, -1.9900474548, 0.9900722504 },
        { 192000, 1.5722272151, -3.0472830516, 1.477971341, -1.9222022306, 0.9251177351, -1.9975072228, 0.9975087784 },
    };

    for (const auto& row : rows)
    {
        const auto k = KWeighting::forSampleRate (row[0]);
        const float rlb[] = { 1.0f, -2.0f, 1.0f, (float) row[6], (float) row[7] };

        for (int i = 0; i < 5; ++i)
        {
            EXPECT_EQ (k.preFilter.coefficients[i], (float) row[i + 1]) << row[0] << " Hz, shelf " << i;
            EXPECT_EQ (k.rlbFilter.coefficients[i], rlb[i]) << row[0] << " Hz, high-pass " << i;
        }
    }
}

TEST_F (LoudnessModule, ResetAllRestartsIntegrationFromNothing)
{
    module.setRunning (true);
    SineSource loud (rate, 997.0, { -10.0, -10.0 }), quiet (rate, 997.0, { -30.0, -30.0 });
    play (loud, 4.0);

    // Values computed before a reset but not yet taken are not handed over after it.
    juce::AudioSampleBuffer silence (6, 4800);
    silence.clear();
    module.pushBlock (silence);
    module.resetAll();
    const int before = momentaryValues;
    takeValues();
    EXPECT_EQ (momentaryValues, before);

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
    EXPECT_EQ (momentaryValues, 1);

    module.setRunning (true); // a change starts from fresh windows
    play (source, 37 * blockSize / rate);
    EXPECT_EQ (momentaryValues, 1);
    play (source, blockSize / rate);
    EXPECT_EQ (momentaryValues, 2);
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
    module.pushBlock (poisoned);

    play (source, 5.0);
    EXPECT_EQ (std::make_pair (result().momentary, result().shortTerm), std::make_pair (-20.0f, -20.0f));
    EXPECT_NEAR (result().integrated, -20.0f, 0.05f);
}

TEST (LoudnessModuleThreading, ThreadedModuleComputesOnlyInItsTimeSliceAndHandsEachValueOverOnce)
{
    OVEXLoudnessModule module (true);
    module.prepare (blockSize, rate);
    SineSource source (rate, 997.0, { -23.0, -23.0 });
    testsupport::play (source, rate, 0.5, [&] (auto& block) { module.pushBlock (block); });
    const auto take = [&] { return module.takeNewValues ([] (const LoudnessValue& value) { EXPECT_EQ (value.level, -23.0f); }); };
    EXPECT_EQ (take(), 0);

    for (int turn = 0; turn < 3; ++turn)
        EXPECT_EQ (module.useTimeSlice(), 50);

    EXPECT_EQ (take(), 2);
    EXPECT_EQ (take(), 0);
}

TEST (LoudnessModuleThreading, AResetWhileTheLoudnessThreadComputesNeverLetsAValueFromBeforeItThrough)
{
    OVEXLoudnessModule module (true);
    module.prepare (blockSize, rate);
    module.setRunning (true);
    juce::TimeSliceThread thread ("test loudness thread");
    thread.addTimeSliceClient (&module);
    thread.startThread();

    SineSource loud (rate, 997.0, { -10.0, -10.0 }), quiet (rate, 997.0, { -40.0, -40.0 });
    const auto push = [&] (SineSource& source, double seconds) { testsupport::play (source, rate, seconds, [&] (auto& block) { module.pushBlock (block); }); };
    int quietValues = 0;

    for (int round = 0; round < 5; ++round)
    {
        push (loud, 1.0);
        testsupport::waitUntil ([&] { return module.takeNewValues ([] (const LoudnessValue&) {}) > 0; });
        module.resetAll(); // while the thread may be in the middle of a loud window

        // The reset empties the queue at the thread's next turn, so quiet audio goes on until values come.
        EXPECT_TRUE (testsupport::waitUntil ([&]
        {
            push (quiet, 0.02);
            return module.takeNewValues ([&] (const LoudnessValue& value)
            {
                EXPECT_LT (value.level, -30.0f) << "round " << round;
                EXPECT_LT (value.kind == LoudnessValue::momentary ? value.integrated : value.loudnessRangeHigh, -30.0f) << "round " << round;
                ++quietValues;
            }) > 0;
        }));
    }

    thread.stopThread (1000);
    EXPECT_GE (quietValues, 5);
}
