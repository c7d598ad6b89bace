#include "OVEXTruePeakMeter.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
const float largestTapDecibels = (float) (20.0 * std::log10 (0.97216796875));

/** Pushes a lone 1.0 on one channel and returns the highest reading of that block and the next. */
float impulseReading (OVEXTruePeakMeter& meter, int channel)
{
    juce::AudioSampleBuffer block (6, 64);
    block.clear();
    block.setSample (channel, 60, 1.0f);
    TruePeakResult first, second;
    meter.processBlock (block, 0);
    meter.getSnapshot (first);
    block.clear();
    meter.processBlock (block, 7);
    meter.getSnapshot (second);
    EXPECT_EQ (second.time, 7u);
    return std::max (first.levels[(size_t) channel], second.levels[(size_t) channel]);
}

float toneReading (double rate, double frequency, double peakDecibels, double phase)
{
    OVEXTruePeakMeter meter;
    meter.setSampleRate (512, rate);
    testsupport::SineSource s (rate, frequency);
    s.setLevel (0, peakDecibels);
    s.setPhase (0, phase);
    float highest = -std::numeric_limits<float>::infinity();
    TruePeakResult r;
    int blocks = 0;
    testsupport::feedSeconds (0.2, rate, 6, 512, [&] (auto& b) { s.fill (b); },
                              [&] (const auto& b)
                              {
                                  meter.processBlock (b, 0);
                                  meter.getSnapshot (r);

                                  // The tone's abrupt start rings in the interpolator; judge the steady tone.
                                  if (++blocks > 1)
                                      highest = std::max (highest, r.levels[0]);
                              });
    return highest;
}
} // namespace

TEST (TruePeakMeter, ImpulseReadsTheLargestTapAtSingleAndDoubleRates)
{
    for (double rate : { 44100.0, 48000.0, 88200.0, 96000.0 })
    {
        OVEXTruePeakMeter meter;
        meter.setSampleRate (64, rate);
        EXPECT_NEAR (impulseReading (meter, 4), largestTapDecibels, 1e-4) << rate;
    }
}

TEST (TruePeakMeter, HighRatesReadThePlainSamplePeak)
{
    for (double rate : { 176400.0, 192000.0, 384000.0 })
    {
        OVEXTruePeakMeter meter;
        meter.setSampleRate (64, rate);
        juce::AudioSampleBuffer block (6, 64);
        block.clear();
        block.setSample (2, 5, -0.5f);
        meter.processBlock (block, 0);
        TruePeakResult r;
        meter.getSnapshot (r);
        EXPECT_NEAR (r.levels[2], -6.0206f, 1e-3f) << rate;
        EXPECT_EQ (meter.getPhaseCount(), 0);
    }
}

TEST (TruePeakMeter, PhaseCountFollowsTheRateRange)
{
    struct Case { double rate; int phases; };
    const Case cases[] = { { 22050, 4 }, { 32000, 4 }, { 48000, 4 }, { 88200, 2 }, { 96000, 2 }, { 176400, 0 } };

    for (auto c : cases)
    {
        OVEXTruePeakMeter meter;
        meter.setSampleRate (64, c.rate);
        EXPECT_EQ (meter.getPhaseCount(), c.phases) << c.rate;
    }
}

TEST (TruePeakMeter, SilenceReadsMinusInfinityAndChannelsStayApart)
{
    OVEXTruePeakMeter meter;
    meter.setSampleRate (64, 48000);
    juce::AudioSampleBuffer block (6, 64);
    block.clear();
    meter.processBlock (block, 0);
    TruePeakResult r;
    meter.getSnapshot (r);

    for (float level : r.levels)
        EXPECT_TRUE (std::isinf (level) && level < 0.0f);

    impulseReading (meter, 5);
    meter.getSnapshot (r);

    for (int c = 0; c < 5; ++c)
        EXPECT_TRUE (std::isinf (r.levels[(size_t) c])) << c;
}

TEST (TruePeakMeter, HistoryCarriesOverFromOneBlockToTheNext)
{
    OVEXTruePeakMeter meter;
    meter.setSampleRate (64, 48000);
    juce::AudioSampleBuffer block (6, 64);
    block.clear();
    block.setSample (0, 63, 1.0f); // the impulse's largest tap lands six samples later
    meter.processBlock (block, 0);
    block.clear();
    meter.processBlock (block, 0);
    TruePeakResult r;
    meter.getSnapshot (r);
    EXPECT_NEAR (r.levels[0], largestTapDecibels, 1e-4);
}

TEST (TruePeakMeter, BlockReadingsMatchSampleBySampleInterpolationWhateverTheBlockLengths)
{
    for (double rate : { 48000.0, 96000.0 })
    {
        OVEXTruePeakMeter byBlock, bySample;
        byBlock.setSampleRate (64, rate);
        bySample.setSampleRate (64, rate);
        testsupport::NoiseSource noise (7);

        for (int length : { 1, 2, 3, 4, 5, 7, 13, 64, 33, 1 })
        {
            juce::AudioSampleBuffer block (6, length);

            for (int c = 0; c < 6; ++c)
                for (int i = 0; i < length; ++i)
                    block.setSample (c, i, noise.next());

            byBlock.processBlock (block, 0);
            TruePeakResult r;
            byBlock.getSnapshot (r);

            for (int c = 0; c < 6; ++c)
            {
                float highest = 0.0f;

                for (int i = 0; i < length; ++i)
                    highest = std::max (highest, bySample.truePeakOfSample (c, block.getSample (c, i)));

                EXPECT_EQ (r.levels[(size_t) c], (float) (20.0 * std::log10 ((double) highest)))
                    << rate << " Hz, block of " << length << ", channel " << c;
            }
        }
    }
}

TEST (TruePeakMeter, NonFiniteSamplesCountAsSilence)
{
    OVEXTruePeakMeter meter;
    meter.setSampleRate (64, 48000);
    juce::AudioSampleBuffer block (6, 64);
    block.clear();
    block.setSample (0, 3, std::numeric_limits<float>::quiet_NaN());
    block.setSample (1, 3, std::numeric_limits<float>::infinity());
    block.setSample (1, 30, 0.5f);
    meter.processBlock (block, 0);
    block.clear();
    meter.processBlock (block, 0);
    TruePeakResult r;
    meter.getSnapshot (r);
    EXPECT_TRUE (std::isinf (r.levels[0]));

    block.setSample (1, 0, 0.25f);
    meter.processBlock (block, 0);
    meter.getSnapshot (r);
    EXPECT_TRUE (std::isfinite (r.levels[1]));
    EXPECT_LT (r.levels[1], -10.0f);
}

TEST (TruePeakMeter, TonesBetweenSamplesReadWithinTheStandardsTolerance)
{
    // Sines at a quarter, sixth and eighth of 48 kHz whose peaks fall between samples.
    struct Case { double frequency, level, phaseDegrees; };
    const Case cases[] = { { 12000, -6.0, 45 }, { 12000, -6.0, 0 }, { 8000, -6.0, 60 }, { 6000, 0.0, 67.5 }, { 6000, -3.0, 22.5 } };

    for (auto c : cases)
    {
        const float reading = toneReading (48000, c.frequency, c.level, c.phaseDegrees * juce::MathConstants<double>::pi / 180.0);
        EXPECT_LE (reading, c.level + 0.2) << c.frequency << " Hz, " << c.phaseDegrees;
        EXPECT_GE (reading, c.level - 0.4) << c.frequency << " Hz, " << c.phaseDegrees;
    }
}
