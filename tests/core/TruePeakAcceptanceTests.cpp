// The true-peak cases 15 to 19 of EBU Tech 3341: sines at a quarter, sixth and eighth of 48 kHz
// whose peaks fall between samples, read within the standard's +0.2 / -0.4 dB.

#include "OVEXTruePeakMeter.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <ostream>
#include <string>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

struct TruePeakCase
{
    const char* name;
    double rateDivisor; // the tone is at sampleRate / rateDivisor
    double peakDecibels;
    double phaseDegrees;
    float expectedDecibels;
};

void PrintTo (const TruePeakCase& c, std::ostream* os)
{
    *os << c.name;
}

const TruePeakCase truePeakCases[] = {
    { "Tech3341_15", 4.0, -6.0, 0.0, -6.0f },
    { "Tech3341_16", 4.0, -6.0, 45.0, -6.0f },
    { "Tech3341_17", 6.0, -6.0, 60.0, -6.0f },
    { "Tech3341_18", 8.0, -6.0, 67.5, -6.0f },
    { "Tech3341_19", 4.0, 3.01, 45.0, 3.0f }, // every sample at 0 dBFS, the peaks 3 dB above
};

class EbuTruePeakCases : public testing::TestWithParam<TruePeakCase>
{
};

std::string nameOf (const testing::TestParamInfo<TruePeakCase>& info)
{
    return info.param.name;
}
} // namespace

TEST_P (EbuTruePeakCases, ReadTheStatedTruePeakOnEveryChannelWithinTheStandardsTolerance)
{
    const auto& tone = GetParam();
    testsupport::SineSource source (sampleRate, sampleRate / tone.rateDivisor);

    for (int c = 0; c < 6; ++c)
    {
        source.setLevel (c, tone.peakDecibels);
        source.setPhase (c, tone.phaseDegrees * juce::MathConstants<double>::pi / 180.0);
    }

    OVEXTruePeakMeter meter;
    meter.setSampleRate (blockSize, sampleRate);
    std::array<float, 6> highest;
    highest.fill (-std::numeric_limits<float>::infinity());
    int blocks = 0;

    testsupport::feedSeconds (0.5, sampleRate, 6, blockSize, [&] (auto& block) { source.fill (block); },
                              [&] (const auto& block)
                              {
                                  meter.processBlock (block, 0);
                                  TruePeakResult r;
                                  meter.getSnapshot (r);

                                  // The tone's abrupt start rings in the interpolator; judge the steady tone.
                                  if (++blocks > 1)
                                      for (size_t c = 0; c < 6; ++c)
                                          highest[c] = std::max (highest[c], r.levels[c]);
                              });

    for (size_t c = 0; c < 6; ++c)
    {
        EXPECT_LE (highest[c], tone.expectedDecibels + 0.2f) << "channel " << c;
        EXPECT_GE (highest[c], tone.expectedDecibels - 0.4f) << "channel " << c;
    }
}

INSTANTIATE_TEST_SUITE_P (At48kHz, EbuTruePeakCases, testing::ValuesIn (truePeakCases), nameOf);
