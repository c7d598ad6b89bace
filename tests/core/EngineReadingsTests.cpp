// Every reading of the measuring engine over a long programme, at each rate it has tables for,
// against fingerprints recorded from it. Work on the engine's speed must leave all of them as they
// are: a change of arithmetic that moves any value by one bit shows here.

#include "OVEXLoudnessModule.h"
#include "OVEXTruePeakMeter.h"
#include "ProgrammeSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <ostream>

namespace
{
/** A 64-bit FNV-1a digest of values' bit patterns: equal only when every value, in order, is the
    same bit for bit (-0.0 and 0.0 differ). */
struct Fingerprint
{
    std::uint64_t value = 0xcbf29ce484222325ull;

    template <typename Value>
    void add (const Value& v)
    {
        unsigned char bytes[sizeof (Value)];
        std::memcpy (bytes, &v, sizeof (Value));

        for (auto byte : bytes)
            value = (value ^ byte) * 0x100000001b3ull;
    }
};

/** The fingerprints of the programme fed in at one rate and of the readings it gave. */
struct ProgrammeRun
{
    double rate;
    std::uint64_t programme, readings;
};

void PrintTo (const ProgrammeRun& run, std::ostream* out)
{
    *out << run.rate << " Hz";
}

/** Momentary values with their integrated loudness and channel levels, short-term values with
    their range, and every block's true peaks, over 60 s of programme in blocks of changing length.
    On the way the run stops and starts again, everything is reset, and a block carries a NaN and
    an infinite sample, so that the paths that start the windows and filters afresh count too. */
ProgrammeRun fingerprintsOfEngine (double rate)
{
    OVEXLoudnessModule module (false);
    module.prepare (512, rate);
    module.setRunning (true);
    OVEXTruePeakMeter meter;
    meter.setSampleRate (512, rate);

    testsupport::ProgrammeSource source (rate, 14);
    Fingerprint programme, fingerprint;

    struct Event { double seconds; std::function<void (juce::AudioSampleBuffer&)> apply; };
    const Event events[] = {
        { 24.0, [&] (auto&) { module.setRunning (false); } },
        { 30.0, [&] (auto&) { module.setRunning (true); } },
        { 42.0, [&] (auto&) { module.resetAll(); } },
        { 48.0, [] (auto& block) { block.setSample (2, 0, std::numeric_limits<float>::quiet_NaN());
                                   block.setSample (4, 0, std::numeric_limits<float>::infinity()); } },
    };

    // Lengths leaving every remainder by four and by eight, single samples, and blocks longer than prepared.
    const int lengths[] = { 512, 441, 1, 64, 1005, 7, 2048, 300, 3, 129, 2, 6 };
    const auto total = std::llround (60.0 * rate);
    juce::AudioSampleBuffer block (6, 2048);
    size_t nextEvent = 0;

    for (long long played = 0, b = 0; played < total; ++b)
    {
        const int n = (int) std::min<long long> (lengths[b % std::size (lengths)], total - played);
        block.setSize (6, n, false, false, true);
        source.fill (block);

        if (nextEvent < std::size (events) && (double) played >= events[nextEvent].seconds * rate)
            events[nextEvent++].apply (block);

        for (int c = 0; c < 6; ++c)
            for (int i = 0; i < n; ++i)
                programme.add (block.getSample (c, i));

        module.pushBlock (block);
        module.takeNewValues ([&] (const LoudnessValue& value)
        {
            fingerprint.add ((std::int32_t) value.kind);
            fingerprint.add (value.level);

            if (value.kind == LoudnessValue::momentary)
            {
                fingerprint.add (value.integrated);
                fingerprint.add (value.channelMomentary);
            }
            else
            {
                fingerprint.add (value.loudnessRange);
                fingerprint.add (value.loudnessRangeLow);
                fingerprint.add (value.loudnessRangeHigh);
            }
        });

        meter.processBlock (block);
        TruePeakResult peaks;
        meter.getSnapshot (peaks);
        fingerprint.add (peaks.levels);
        played += n;
    }

    EXPECT_EQ (nextEvent, std::size (events));
    return { rate, programme.value, fingerprint.value };
}

class EngineReadings : public testing::TestWithParam<ProgrammeRun> {};
} // namespace

// ctest runs this binary a second time with NOLV_KERNELS=portable, so both builds must match.
TEST_P (EngineReadings, StayBitForBitWhatTheyWereWhenRecorded)
{
    const auto measured = fingerprintsOfEngine (GetParam().rate);

    // The programme's tones come from the C library's sin, whose last bits another library may change.
    if (measured.programme != GetParam().programme)
        GTEST_SKIP() << "this machine's maths library makes a different programme: " << std::hex << measured.programme;

    EXPECT_EQ (measured.readings, GetParam().readings) << std::hex << "0x" << measured.readings;
}

INSTANTIATE_TEST_SUITE_P (EveryTabledRate, EngineReadings,
                          testing::Values (ProgrammeRun { 44100.0, 0x719d9675235b5c30, 0x1d63e5ba515fed68 },
                                           ProgrammeRun { 48000.0, 0x65bf6e08f57b45bf, 0x45a94607dfc74475 },
                                           ProgrammeRun { 88200.0, 0xb670706fad047336, 0xbd6647c391e21dc4 },
                                           ProgrammeRun { 96000.0, 0x1f7457313b93fc78, 0x177e2b6574f7291f },
                                           ProgrammeRun { 176400.0, 0xf6a0fc462731d5a1, 0xcec344e33337edae },
                                           ProgrammeRun { 192000.0, 0xa8b6364daa7ce557, 0x73182efd02bdbec6 }));
