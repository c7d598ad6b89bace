// Everything the audio callback puts into the meter snapshot, block by block over a programme,
// against fingerprints recorded from it: correlations, sound field, true-peak bars and holds, and the
// loudness values it takes over. Work on the callback's speed must leave all of them as they are.

#include "OvexjuceLoudnessAudioProcessor.h"
#include "ProcessorTestAccess.h"
#include "ProgrammeSource.h"
#include "ReadingFingerprint.h"

#include <gtest/gtest.h>

#include <cmath>

using testsupport::ProgrammeRun;

namespace
{
/** 30 s of programme in blocks of 512 and now and then a longer one; the downmix is on from 10 to
    15 s, the sound field shows momentary loudness from 20 to 25 s. */
ProgrammeRun fingerprintsOfCallback (double rate)
{
    constexpr int blockSize = 512;
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    ProcessorTestAccess::prepare (processor, rate, blockSize);
    processor.setDefaultInputRouting();
    processor.setDefaultOutputRouting();
    processor.params.runFlag = 1.0f; // running, without a report

    testsupport::ProgrammeSource source (rate, 114);
    testsupport::ReadingFingerprint programme, readings;
    juce::AudioSampleBuffer block (6, blockSize), longBlock (6, 3 * blockSize + 100);
    const auto total = std::llround (30.0 * rate);

    for (long long played = 0, b = 0; played + longBlock.getNumSamples() <= total; ++b)
    {
        const double seconds = (double) played / rate;
        processor.params.stereoMixdownFlag = seconds >= 10.0 && seconds < 15.0 ? 1.0f : 0.0f;
        processor.params.vectroscopeInputDataFlag = seconds >= 20.0 && seconds < 25.0 ? 1.0f : 0.0f;

        auto& next = b % 50 == 7 ? longBlock : block;
        source.fill (next);

        for (int c = 0; c < 6; ++c)
            for (int i = 0; i < next.getNumSamples(); ++i)
                programme.add (next.getSample (c, i));

        ProcessorTestAccess::process (processor, next);
        played += next.getNumSamples();

        const auto& m = ProcessorTestAccess::meters (processor);
        for (float value : { m.momentaryLevel, m.momentaryFraction, m.shortTermLevel, m.integratedLevel, m.loudnessRange,
                             m.rangeLowFraction, m.rangeHighFraction, m.shortTermFraction })
            readings.add (value);

        readings.add (m.truePeakAlarm);
        readings.add (m.heldTruePeak);
        readings.add (m.truePeakFraction);
        readings.add (m.channelAlarm);
        readings.add (m.processedSamples);
        readings.add (m.soundFieldLevel);
        readings.add (m.correlation);
        readings.add (ProcessorTestAccess::channelMomentary (processor));
    }

    return { rate, programme.value(), readings.value() };
}

class CallbackReadings : public testing::TestWithParam<ProgrammeRun> {};
} // namespace

// ctest runs this binary a second time with NOLV_KERNELS=portable, so both builds must match.
TEST_P (CallbackReadings, StayBitForBitWhatTheyWereWhenRecorded)
{
    testsupport::expectSameReadings (fingerprintsOfCallback (GetParam().rate), GetParam());
}

INSTANTIATE_TEST_SUITE_P (CallbackRates, CallbackReadings,
                          testing::Values (ProgrammeRun { 44100.0, 0x8a1c9fe56889a406, 0xbf5361f91a9457e8 },
                                           ProgrammeRun { 48000.0, 0xd3e0b18abbb94be6, 0xb3d55584c1914ec6 },
                                           ProgrammeRun { 96000.0, 0xf37407b80e820979, 0x473fe0423c8c094f },
                                           ProgrammeRun { 192000.0, 0xc9ea07a5cb97acfd, 0xa89509935482c14f }));
