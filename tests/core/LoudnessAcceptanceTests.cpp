// The EBU Tech 3341 and Tech 3342 tone cases, generated here and measured through the whole
// loudness module as the program drives it: six-channel blocks of 512 samples, measurement running.

#include "OVEXLoudnessModule.h"
#include "SteppedToneSource.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

using testsupport::SteppedToneSource;

namespace
{
constexpr int blockSize = 512;
constexpr double silent = -std::numeric_limits<double>::infinity();

// Readings sit on the 0.1 grid as floats; the standards' tolerances include their ends.
constexpr double tenthTolerance = 0.1 + 1e-4;
constexpr double rangeTolerance = 1.0 + 1e-4;

using Levels = std::array<double, 6>;

Levels stereo (double peakDecibels)
{
    return { peakDecibels, peakDecibels, silent, silent, silent, silent };
}

std::vector<SteppedToneSource::Segment> stereoSteps (std::initializer_list<std::pair<double, double>> secondsAndLevels)
{
    std::vector<SteppedToneSource::Segment> segments;

    for (auto [seconds, level] : secondsAndLevels)
        segments.push_back ({ seconds, stereo (level) });

    return segments;
}

std::vector<SteppedToneSource::Segment> alternating (int periods, double loudSeconds, double loudLevel,
                                                     double quietSeconds, double quietLevel)
{
    std::vector<SteppedToneSource::Segment> segments;

    for (int i = 0; i < periods; ++i)
    {
        segments.push_back ({ loudSeconds, stereo (loudLevel) });
        segments.push_back ({ quietSeconds, stereo (quietLevel) });
    }

    return segments;
}

/** A steady value that every reading from a given time on must hold. */
struct Steady
{
    float level;
    double fromSeconds;
};

struct ToneCase
{
    std::string name;
    std::vector<SteppedToneSource::Segment> segments;
    std::optional<float> integrated;
    std::optional<float> loudnessRange;
    std::optional<Steady> momentary;
    std::optional<Steady> shortTerm;
};

void PrintTo (const ToneCase& tone, std::ostream* os)
{
    *os << tone.name;
}

std::vector<ToneCase> toneCases()
{
    const std::optional<float> none;

    return {
        { "Tech3341_1", stereoSteps ({ { 20.0, -23.0 } }), -23.0f, none, Steady { -23.0f, 1.0 }, Steady { -23.0f, 3.0 } },
        { "Tech3341_2", stereoSteps ({ { 20.0, -33.0 } }), -33.0f, none, Steady { -33.0f, 1.0 }, Steady { -33.0f, 3.0 } },
        { "Tech3341_3", stereoSteps ({ { 10.0, -36.0 }, { 60.0, -23.0 }, { 10.0, -36.0 } }), -23.0f, none, {}, {} },
        { "Tech3341_4", stereoSteps ({ { 10.0, -72.0 }, { 10.0, -36.0 }, { 60.0, -23.0 }, { 10.0, -36.0 }, { 10.0, -72.0 } }),
          -23.0f, none, {}, {} },
        { "Tech3341_5", stereoSteps ({ { 20.0, -26.0 }, { 20.1, -20.0 }, { 20.0, -26.0 } }), -23.0f, none, {}, {} },
        { "Tech3341_6", { { 20.0, { -28.0, -28.0, -24.0, silent, -30.0, -30.0 } } }, -23.0f, none, {}, {} },
        // Every 3 s window holds one whole period, so the short-term loudness stays put.
        { "Tech3341_9", alternating (7, 1.34, -20.0, 1.66, -30.0), none, none, {}, Steady { -23.0f, 3.0 } },
        // Every 400 ms window holds one whole period, so the momentary loudness stays put.
        { "Tech3341_12", alternating (50, 0.18, -20.0, 0.22, -30.0), none, none, Steady { -23.0f, 1.0 }, {} },
        { "Tech3342_1", stereoSteps ({ { 20.0, -20.0 }, { 20.0, -30.0 } }), none, 10.0f, {}, {} },
        { "Tech3342_2", stereoSteps ({ { 20.0, -20.0 }, { 20.0, -15.0 } }), none, 5.0f, {}, {} },
        { "Tech3342_3", stereoSteps ({ { 20.0, -40.0 }, { 20.0, -20.0 } }), none, 20.0f, {}, {} },
        { "Tech3342_4", stereoSteps ({ { 20.0, -50.0 }, { 20.0, -35.0 }, { 20.0, -20.0 }, { 20.0, -35.0 }, { 20.0, -50.0 } }),
          none, 15.0f, {}, {} },
    };
}

std::vector<ToneCase> casesNamed (std::initializer_list<const char*> names)
{
    std::vector<ToneCase> chosen;

    for (auto& c : toneCases())
        if (std::find (names.begin(), names.end(), c.name) != names.end())
            chosen.push_back (c);

    return chosen;
}

struct Reading
{
    double atSeconds;
    float level;
};

struct Measurement
{
    std::vector<Reading> momentary, shortTerm;
    LoudnessResult final;
};

Measurement measure (const ToneCase& tone, double sampleRate)
{
    SteppedToneSource source (sampleRate, 1000.0, tone.segments);
    OVEXLoudnessModule module (false);
    module.prepare (blockSize, sampleRate);
    module.setRunning (true);

    Measurement m;
    long long pushed = 0;

    testsupport::feedSeconds ((double) source.getLengthInSamples() / sampleRate, sampleRate, 6, blockSize,
                              [&] (auto& block) { source.fill (block); },
                              [&] (const auto& block)
                              {
                                  const auto momentaryBefore = module.getMomentarySequence();
                                  const auto shortTermBefore = module.getShortTermSequence();
                                  module.pushBlock (block, 0);
                                  pushed += block.getNumSamples();

                                  LoudnessResult r;
                                  module.getSnapshot (r);
                                  const double now = (double) pushed / sampleRate;

                                  if (module.getMomentarySequence() != momentaryBefore)
                                      m.momentary.push_back ({ now, r.momentary });

                                  if (module.getShortTermSequence() != shortTermBefore)
                                      m.shortTerm.push_back ({ now, r.shortTerm });
                              });

    module.getSnapshot (m.final);
    return m;
}

void expectSteady (const std::vector<Reading>& readings, const Steady& steady, const char* what)
{
    int judged = 0;

    for (const auto& r : readings)
    {
        if (r.atSeconds < steady.fromSeconds)
            continue;

        ++judged;
        EXPECT_NEAR (r.level, steady.level, tenthTolerance) << what << " at " << r.atSeconds << " s";
    }

    EXPECT_GT (judged, 0) << what;
}

using ToneCaseAtRate = std::tuple<ToneCase, double>;

class EbuToneCases : public testing::TestWithParam<ToneCaseAtRate>
{
};

std::string nameOf (const testing::TestParamInfo<ToneCaseAtRate>& info)
{
    return std::get<0> (info.param).name + "_" + std::to_string ((int) std::get<1> (info.param)) + "Hz";
}
} // namespace

TEST_P (EbuToneCases, ReadTheStatedLoudnessWithinTheStandardsTolerances)
{
    const auto& [tone, sampleRate] = GetParam();
    const auto m = measure (tone, sampleRate);

    if (tone.integrated)
    {
        EXPECT_NEAR (m.final.integrated, *tone.integrated, tenthTolerance) << "integrated";
    }

    if (tone.loudnessRange)
    {
        EXPECT_NEAR (m.final.loudnessRange, *tone.loudnessRange, rangeTolerance) << "loudness range";
    }

    if (tone.momentary)
        expectSteady (m.momentary, *tone.momentary, "momentary");

    if (tone.shortTerm)
        expectSteady (m.shortTerm, *tone.shortTerm, "short-term");
}

INSTANTIATE_TEST_SUITE_P (CommonRates, EbuToneCases,
                          testing::Combine (testing::ValuesIn (toneCases()), testing::Values (44100.0, 48000.0, 96000.0)),
                          nameOf);

INSTANTIATE_TEST_SUITE_P (HighestRate, EbuToneCases,
                          testing::Combine (testing::ValuesIn (casesNamed ({ "Tech3341_1", "Tech3341_6", "Tech3341_9",
                                                                             "Tech3341_12", "Tech3342_1" })),
                                            testing::Values (192000.0)),
                          nameOf);
