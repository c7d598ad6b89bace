// The tone cases of EBU Tech 3341 and Tech 3342, generated here and measured as the program
// drives the engine: six-channel blocks of 512 samples, measurement running.

#include "OVEXLoudnessModule.h"
#include "OVEXTruePeakMeter.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace
{
constexpr double silent = -std::numeric_limits<double>::infinity();
constexpr float none = std::numeric_limits<float>::quiet_NaN();

/** Stretches of 1 kHz tone (seconds, then peak levels in dBFS per role from L on), played so many
    times over, and the values the case states: momentary values must hold from 1 s on, short-term
    ones from 3 s on. */
struct ToneCase
{
    std::string name;
    std::vector<std::pair<double, std::vector<double>>> steps;
    float integrated, range, momentary, shortTerm;
    int repeats = 1;
};

void PrintTo (const ToneCase& tone, std::ostream* os) { *os << tone.name; }

const std::vector<ToneCase> toneCases {
    { "Tech3341_1", { { 20, { -23, -23 } } }, -23, none, -23, -23 },
    { "Tech3341_2", { { 20, { -33, -33 } } }, -33, none, -33, -33 },
    { "Tech3341_3", { { 10, { -36, -36 } }, { 60, { -23, -23 } }, { 10, { -36, -36 } } }, -23, none, none, none },
    { "Tech3341_4", { { 10, { -72, -72 } }, { 10, { -36, -36 } }, { 60, { -23, -23 } }, { 10, { -36, -36 } }, { 10, { -72, -72 } } },
      -23, none, none, none },
    { "Tech3341_5", { { 20, { -26, -26 } }, { 20.1, { -20, -20 } }, { 20, { -26, -26 } } }, -23, none, none, none },
    { "Tech3341_6", { { 20, { -28, -28, -24, silent, -30, -30 } } }, -23, none, none, none },
    // Every 3 s window holds one whole period, so the short-term loudness stays put.
    { "Tech3341_9", { { 1.34, { -20, -20 } }, { 1.66, { -30, -30 } } }, none, none, none, -23, 7 },
    // Every 400 ms window holds one whole period, so the momentary loudness stays put.
    { "Tech3341_12", { { 0.18, { -20, -20 } }, { 0.22, { -30, -30 } } }, none, none, -23, none, 50 },
    { "Tech3342_1", { { 20, { -20, -20 } }, { 20, { -30, -30 } } }, none, 10, none, none },
    { "Tech3342_2", { { 20, { -20, -20 } }, { 20, { -15, -15 } } }, none, 5, none, none },
    { "Tech3342_3", { { 20, { -40, -40 } }, { 20, { -20, -20 } } }, none, 20, none, none },
    { "Tech3342_4", { { 20, { -50, -50 } }, { 20, { -35, -35 } }, { 20, { -20, -20 } }, { 20, { -35, -35 } }, { 20, { -50, -50 } } },
      none, 15, none, none },
};

class EbuToneCases : public testing::TestWithParam<std::tuple<ToneCase, double>>
{
};

const auto toneCaseName = [] (const auto& info)
{ return std::get<0> (info.param).name + "_" + std::to_string ((int) std::get<1> (info.param)) + "Hz"; };
} // namespace

TEST_P (EbuToneCases, ReadTheStatedLoudnessWithinTheStandardsTolerances)
{
    const auto& tone = std::get<0> (GetParam());
    const double rate = std::get<1> (GetParam());
    OVEXLoudnessModule module (false);
    module.prepare (512, rate);
    module.setRunning (true);
    testsupport::SineSource source (rate, 1000.0);
    long long played = 0;
    int judged = 0;

    // Readings sit on the 0.1 grid as floats; the standards' tolerances include their ends.
    auto judge = [&] (float reading, float stated, double tolerance, const char* what)
    {
        EXPECT_TRUE (std::isnan (stated) || std::abs (reading - stated) <= tolerance + 1e-4) << what << " " << reading << " after " << (double) played / rate << " s";
        judged += std::isnan (stated) ? 0 : 1;
    };

    for (size_t i = 0; i < tone.steps.size() * (size_t) tone.repeats; ++i)
    {
        const auto& [seconds, levels] = tone.steps[i % tone.steps.size()];

        for (size_t c = 0; c < 6; ++c)
            source.setLevel ((int) c, c < levels.size() ? levels[c] : silent);

        testsupport::play (source, rate, seconds, [&] (auto& block)
        {
            module.pushBlock (block);
            played += block.getNumSamples();

            module.takeNewValues ([&] (const LoudnessValue& value)
            {
                if (value.kind == LoudnessValue::momentary && played >= rate)
                    judge (value.level, tone.momentary, 0.1, "momentary");

                if (value.kind == LoudnessValue::shortTerm && played >= 3 * rate)
                    judge (value.level, tone.shortTerm, 0.1, "short-term");
            });
        });
    }

    LoudnessResult r;
    module.getSnapshot (r);
    judge (r.integrated, tone.integrated, 0.1, "integrated");
    judge (r.loudnessRange, tone.range, 1.0, "loudness range");
    EXPECT_GT (judged, 0);
}

INSTANTIATE_TEST_SUITE_P (CommonRates, EbuToneCases,
                          testing::Combine (testing::ValuesIn (toneCases), testing::Values (44100.0, 48000.0, 96000.0)), toneCaseName);

// At 192 kHz the shortest cases, and one of each kind.
INSTANTIATE_TEST_SUITE_P (HighestRate, EbuToneCases,
                          testing::Combine (testing::Values (toneCases[0], toneCases[5], toneCases[6], toneCases[7], toneCases[8]),
                                            testing::Values (192000.0)),
                          toneCaseName);

TEST (EbuTruePeakCases, SinesWithPeaksBetweenSamplesReadTheStatedTruePeakOnEveryChannelWithinTheStandardsTolerance)
{
    // Cases 15 to 19: the tone at 48 kHz / rateDivisor; in the last, every sample is at 0 dBFS.
    struct Case { int number; double rateDivisor, peakDecibels, phaseDegrees; float stated; };
    const Case cases[] = { { 15, 4, -6, 0, -6 }, { 16, 4, -6, 45, -6 }, { 17, 6, -6, 60, -6 }, { 18, 8, -6, 67.5, -6 }, { 19, 4, 3.01, 45, 3 } };

    for (const auto& tone : cases)
    {
        testsupport::SineSource source (48000.0, 48000.0 / tone.rateDivisor);

        for (int c = 0; c < 6; ++c)
            source.setLevel (c, tone.peakDecibels, tone.phaseDegrees * juce::MathConstants<double>::pi / 180.0);

        OVEXTruePeakMeter meter;
        meter.setSampleRate (512, 48000.0);
        std::array<float, 6> highest;
        highest.fill (-std::numeric_limits<float>::infinity());
        int blocks = 0;

        testsupport::play (source, 48000.0, 0.5, [&] (auto& block)
        {
            TruePeakResult r;
            meter.processBlock (block);
            meter.getSnapshot (r);

            // The tone's abrupt start rings in the interpolator; judge the steady tone.
            if (blocks++ > 0)
                for (size_t c = 0; c < 6; ++c)
                    highest[c] = std::max (highest[c], r.levels[c]);
        });

        for (size_t c = 0; c < 6; ++c)
            EXPECT_TRUE (highest[c] <= tone.stated + 0.2f && highest[c] >= tone.stated - 0.4f) << "case " << tone.number << ", channel " << c << ": " << highest[c];
    }
}
