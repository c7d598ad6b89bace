#include "BarScale.h"
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

    /** Whole blocks of the source through the processor; the last one's output stays in block. */
    void play (SineSource& source, double seconds)
    {
        for (long i = std::lround (seconds * rate / blockSize); i > 0; --i)
        {
            source.fill (block);
            ProcessorTestAccess::process (processor, block);
        }
    }

    const MeterSnapshot& meters() const { return ProcessorTestAccess::meters (processor); }

    OvexjuceLoudnessAudioProcessor processor { nullptr };
    juce::AudioSampleBuffer block { 6, blockSize };
};
} // namespace

TEST (Correlation, ReadsOneWhenASideIsSilentOrMissingAndFollowsTheSignalsOtherwise)
{
    // Sines of 48 samples a period on both sides, with their amplitudes and phases.
    struct Case { float x, y, phase; int samples; float correlation; };
    const float pi = juce::MathConstants<float>::pi;
    const Case cases[] = { { 0, 0, 0, 480, 1 }, { 1, 1, pi, 480, -1 }, { 1, 1, 0, 480, 1 }, { 1, 0, 0, 480, 1 },
                           { 1, 1, pi / 2, 480, 0 }, { 1, 1, pi, 0, 1 } };

    for (const auto& c : cases)
    {
        juce::AudioSampleBuffer b (2, c.samples);

        for (int i = 0; i < c.samples; ++i)
        {
            b.setSample (0, i, c.x * std::sin (2.0f * pi * (float) i / 48.0f));
            b.setSample (1, i, c.y * std::sin (2.0f * pi * (float) i / 48.0f + c.phase));
        }

        EXPECT_NEAR (OvexjuceLoudnessAudioProcessor::computeCorrelation (b), c.correlation, 1e-4f) << "case " << &c - cases;
    }

    EXPECT_EQ (OvexjuceLoudnessAudioProcessor::computeCorrelation (juce::AudioSampleBuffer (1, 64)), 1.0f);
}

TEST_F (AudioCallback, InputLayoutPutsEachDeviceChannelOnItsRole)
{
    // Device channels 0..5 carry distinct levels; the layout sends channel k to a shuffled role.
    const ChannelLayout layout { 3, 0, 5, 1, 4, 2 };
    processor.setInputLayout (layout);
    SineSource source (rate, 997.0, { -6.0, -12.0, -18.0, -24.0, -30.0, -36.0 });
    play (source, 0.5);

    for (size_t role = 0; role < 6; ++role)
        EXPECT_NEAR (meters().heldTruePeak[role], -6.0 * (layout[role] + 1), 0.3) << "role " << role;
}

TEST_F (AudioCallback, PassThroughFollowsTheOutputLayoutWithUnprocessedInputOnDevicesOfAnyWidth)
{
    ProcessorTestAccess::prepare (processor, rate, blockSize, 8);
    processor.setDefaultInputRouting();
    // L to output 2, R to 0, LFE to 1: no swap, so inputs-to-outputs cannot pass for the reverse.
    processor.setOutputLayout ({ 2, 0, -1, 1, -1, -1 });
    processor.setParameterValue (11, 1.0f); // the downmix must not reach the outputs
    juce::AudioSampleBuffer wide (8, blockSize);

    for (int c = 0; c < 8; ++c)
        juce::FloatVectorOperations::fill (wide.getWritePointer (c), 0.1f * (float) (c + 1), blockSize);

    ProcessorTestAccess::process (processor, wide);
    EXPECT_EQ (std::make_tuple (wide.getSample (0, 10), wide.getSample (1, 10), wide.getSample (2, 10)), std::make_tuple (0.2f, 0.4f, 0.1f));

    for (int c = 3; c < 8; ++c)
        EXPECT_EQ (wide.getMagnitude (c, 0, blockSize), 0.0f) << c;
}

TEST_F (AudioCallback, InfiniteInputIsAnOverloadAtTheTopOfTheScaleNoValueTurnsNonFiniteAndAnEmptyBlockCorrelatesFully)
{
    processor.setDefaultInputRouting();
    SineSource source (rate, 997.0, { -20.0, -20.0 });
    play (source, 0.5);
    const auto correlationBefore = meters().correlation[0];

    source.fill (block);
    block.setSample (0, 100, std::numeric_limits<float>::infinity());
    block.setSample (1, 200, std::numeric_limits<float>::quiet_NaN());
    ProcessorTestAccess::process (processor, block);
    const auto& m = meters();

    EXPECT_EQ (std::make_tuple (m.heldTruePeak[0], m.truePeakFraction[0], m.channelAlarm[0], m.truePeakAlarm, m.soundFieldLevel[0]),
               std::make_tuple (5.0f, 1.0f, 1, 1, 1.0f));
    EXPECT_EQ (m.correlation[0], correlationBefore);

    const float fields[] = { m.momentaryLevel, m.momentaryFraction, m.shortTermLevel, m.integratedLevel, m.loudnessRange,
                             m.rangeLowFraction, m.rangeHighFraction, m.shortTermFraction, (float) m.processedSamples };
    for (float value : fields)
        EXPECT_TRUE (std::isfinite (value)) << &value - fields;

    for (const auto* six : { &m.heldTruePeak, &m.truePeakFraction, &m.soundFieldLevel, &m.correlation })
        for (float value : *six)
            EXPECT_TRUE (std::isfinite (value));

    // An empty block has nothing to correlate.
    auto earlier = m;
    earlier.correlation.fill (0.25f);
    ProcessorTestAccess::publishMeters (processor, earlier);
    juce::AudioSampleBuffer empty (6, 0);
    ProcessorTestAccess::process (processor, empty);
    EXPECT_EQ (m.correlation, (std::array<float, 6> { 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f }));
}

TEST_F (AudioCallback, DownmixLeavesOnlyLeftAndRightForTheCorrelations)
{
    processor.setDefaultInputRouting();
    processor.setParameterValue (11, 1.0f);
    SineSource source (rate, 997.0, { -10.0, -10.0, -40.0 });
    source.setLevel (1, -10.0, juce::MathConstants<double>::pi);
    play (source, 0.1);

    const auto& c = meters().correlation;
    EXPECT_LT (c[0], -0.9f);
    EXPECT_EQ (c, (std::array<float, 6> { c[0], 1.0f, 1.0f, 1.0f, 1.0f, 1.0f }));
}

TEST_F (AudioCallback, SamplesAreCountedOnlyWhileRunningAndFollowingTheTransportWithoutAPlayHeadStopsTheRun)
{
    SineSource source (rate, 997.0);
    play (source, 10 * blockSize / rate);
    EXPECT_EQ (meters().processedSamples, 0.0);

    processor.setParameterValue (0, 1.0f);
    play (source, 10 * blockSize / rate);
    EXPECT_EQ (meters().processedSamples, 10.0 * blockSize);

    processor.setParameterValue (0, std::numeric_limits<float>::quiet_NaN());
    play (source, blockSize / rate);
    EXPECT_EQ (meters().processedSamples, 11.0 * blockSize);

    processor.setParameterValue (5, 1.0f);
    play (source, blockSize / rate);
    EXPECT_TRUE (std::isnan (processor.params.runFlag)) << "PLAY/STOP's flag is the user's alone";
    EXPECT_EQ (meters().processedSamples, 11.0 * blockSize);
}

TEST_F (AudioCallback, SoundFieldShowsTruePeaksOrMomentaryLoudnessAndRolesWithoutAChannelStaySilent)
{
    processor.setInputLayout ({ 0, -1, -1, -1, -1, -1 });
    SineSource source (rate, 997.0, { -23.0, -10.0, -10.0, -10.0, -10.0, -10.0 });
    play (source, 0.5);
    EXPECT_NEAR (meters().soundFieldLevel[0], 0.4463f, 0.002f);
    EXPECT_EQ (meters().soundFieldLevel[1], 0.0f);

    processor.setParameterValue (12, 1.0f);
    play (source, 0.2);
    EXPECT_NEAR (meters().soundFieldLevel[1], -0.5819767f, 1e-5f); // minus infinity: -1 / (e - 1)
    EXPECT_NEAR (meters().soundFieldLevel[0], processor.valueToFraction (0, ProcessorTestAccess::channelMomentary (processor)[0]), 1e-6f);
}

TEST_F (AudioCallback, AfterASwitchToATwoChannelDeviceTheRolesItLacksKeepNothingOfTheSixChannelOne)
{
    processor.setDefaultInputRouting();
    SineSource source (rate, 997.0, { -6.0, -6.0, -6.0, -6.0, -6.0, -6.0 });
    play (source, 0.5);
    processor.setParameterValue (12, 1.0f);
    play (source, 0.2);
    ASSERT_GT (meters().heldTruePeak[5], -7.0f);
    ASSERT_GT (meters().soundFieldLevel[5], 0.0f);
    ASSERT_GT (meters().truePeakFraction[5], 0.0f);

    ProcessorTestAccess::prepare (processor, rate, blockSize, 2);
    block.setSize (2, blockSize);
    source = SineSource (rate, 997.0, { -12.0, -12.0 });
    play (source, 0.7); // a whole momentary window and more

    for (size_t role = 2; role < 6; ++role)
    {
        EXPECT_LE (meters().truePeakFraction[role], 0.0f) << "role " << role;
        EXPECT_EQ (meters().channelAlarm[role], 0) << "role " << role;
        EXPECT_LT (meters().soundFieldLevel[role], 0.0f) << "role " << role;
        EXPECT_LE (ProcessorTestAccess::channelMomentary (processor)[role], -70.0f) << "role " << role;
    }

    for (size_t pair = 1; pair < 6; ++pair) // every pair but L-R lacks a side
        EXPECT_EQ (meters().correlation[pair], 1.0f) << "pair " << pair;
}

TEST_F (AudioCallback, AResetOrAlarmClearingPressedJustBeforeTheDeviceStopsShowsOnceItHasStopped)
{
    processor.setDefaultInputRouting();

    for (const bool reset : { true, false })
    {
        SCOPED_TRACE (reset ? "RESET" : "alarm clearing");
        ProcessorTestAccess::prepare (processor, rate, blockSize);
        SineSource source (rate, 997.0, { -0.5 }); // above the true-peak alarm level
        play (source, 0.5);
        ASSERT_EQ (std::make_pair (meters().truePeakAlarm, meters().momentaryLevel == noLoudnessValue),
                   std::make_pair (1, false));

        // While prepared, the press is left to the next block, which never comes.
        reset ? processor.resetMeters() : processor.clearAlarms();
        processor.releaseResources();

        MeterSnapshot shown;
        processor.copyMeterSnapshot (shown);
        EXPECT_EQ (std::make_pair (shown.truePeakAlarm, shown.channelAlarm[0]), std::make_pair (0, 0));
        EXPECT_EQ (shown.momentaryLevel == noLoudnessValue, reset) << shown.momentaryLevel;
        EXPECT_EQ (shown.heldTruePeak[0] == noLoudnessValue, reset) << shown.heldTruePeak[0];
    }
}

TEST_F (AudioCallback, TwoLevelsTenDecibelsApartGiveARangeOfTenWithItsBarsAtEitherEnd)
{
    processor.setDefaultInputRouting();
    processor.setParameterValue (runFlagIndex, 1.0f);
    SineSource source (rate, 1000.0, { -20.0, -20.0 });
    play (source, 20.0);
    source.setLevel (0, -30.0);
    source.setLevel (1, -30.0);
    play (source, 20.0);

    const auto ebu18 = BarScale::make (scaleRanges::ebu18);
    EXPECT_FLOAT_EQ (meters().loudnessRange, 10.0f);
    EXPECT_EQ (meters().rangeLowFraction, (float) ebu18.pixel (-30.0f, 569) / 569.0f);
    EXPECT_EQ (meters().rangeHighFraction, (float) ebu18.pixel (-20.0f, 569) / 569.0f);
    processor.setParameterValue (runFlagIndex, 0.0f);
}

TEST_F (AudioCallback, TheCallbackNeverAllocatesWithAReportOpenWhateverTheBlockLength)
{
    if (! testsupport::ScopedAllocationCounter::isAvailable())
        GTEST_SKIP() << "the sanitizer's allocator is not counted";

    {
        const testsupport::ScopedAllocationCounter counter;
        const juce::MemoryBlock heapBlock (16); // the framework allocates through malloc, not operator new
        ASSERT_EQ (counter.getCount(), 1u);
    }

    processor.setDefaultInputRouting();
    processor.setDefaultOutputRouting();
    processor.setParameterValue (0, 1.0f); // with a report open, so every value is logged as well
    SineSource source (rate, 1000.0, { -20.0, -20.0 });
    play (source, 20.0);
    source.setLevel (0, -30.0);
    source.setLevel (1, -30.0);
    juce::MidiBuffer midi;
    size_t allocations = 0;

    // A live device may deliver longer blocks than it was prepared for, without preparing again.
    juce::AudioSampleBuffer longBlock (6, 3 * blockSize + 100);

    for (int i = 0; i < (int) (20.0 * rate / blockSize); ++i)
    {
        ProcessorTestAccess::computeLoudness (processor); // the loudness thread's turn, not counted
        auto& next = i % 50 == 7 ? longBlock : block;
        source.fill (next);
        const testsupport::ScopedAllocationCounter counter;
        processor.processBlock (next, midi);
        allocations += counter.getCount();
    }

    EXPECT_EQ (allocations, 0u);
}
