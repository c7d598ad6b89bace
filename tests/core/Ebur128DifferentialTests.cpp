// The engine against libebur128, a peer implementation of the same standards, on pseudo-random
// 5.1 programme with changing level: integrated loudness within 0.1 LU, loudness range within 1 LU
// and the highest true peak of each channel within 0.3 dB.

#include "OVEXLoudnessModule.h"
#include "OVEXTruePeakMeter.h"
#include "ProgrammeSource.h"
#include "TestSignals.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace
{
constexpr int blockSize = 512;

struct Programme
{
    juce::int64 seed;
    double sampleRate;
    double seconds;
};

void PrintTo (const Programme& p, std::ostream* os)
{
    *os << "seed " << p.seed << " at " << p.sampleRate << " Hz";
}

struct Ebur128Deleter
{
    void operator() (ebur128_state* state) const { ebur128_destroy (&state); }
};

struct Readings
{
    double integrated, loudnessRange;
    std::array<double, 6> truePeak;
};

class AgainstLibebur128 : public testing::TestWithParam<Programme>
{
};

std::string nameOf (const testing::TestParamInfo<Programme>& info)
{
    return "Seed" + std::to_string (info.param.seed) + "_" + std::to_string ((int) info.param.sampleRate) + "Hz";
}
} // namespace

TEST_P (AgainstLibebur128, IntegratedLoudnessRangeAndTruePeakAgree)
{
    const auto programme = GetParam();

    OVEXLoudnessModule module (false);
    module.prepare (blockSize, programme.sampleRate);
    module.setRunning (true);
    OVEXTruePeakMeter meter;
    meter.setSampleRate (blockSize, programme.sampleRate);

    std::unique_ptr<ebur128_state, Ebur128Deleter> peer (
        ebur128_init (6, (unsigned long) programme.sampleRate, EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK));
    ASSERT_NE (peer, nullptr);

    // Our role order L, R, C, LFE, LS, RS, the LFE left out of loudness as BS.1770 has it.
    const int peerRoles[] = { EBUR128_LEFT, EBUR128_RIGHT, EBUR128_CENTER, EBUR128_UNUSED, EBUR128_LEFT_SURROUND, EBUR128_RIGHT_SURROUND };

    for (unsigned int c = 0; c < 6; ++c)
        ASSERT_EQ (ebur128_set_channel (peer.get(), c, peerRoles[c]), EBUR128_SUCCESS);

    Readings ours {}, theirs {};
    ours.truePeak.fill (-std::numeric_limits<double>::infinity());
    std::vector<float> interleaved ((size_t) (6 * blockSize));
    testsupport::ProgrammeSource source (programme.sampleRate, programme.seed);

    testsupport::feedSeconds (programme.seconds, programme.sampleRate, 6, blockSize,
                              [&] (auto& block) { source.fill (block); },
                              [&] (const auto& block)
                              {
                                  module.pushBlock (block, 0);
                                  meter.processBlock (block, 0);
                                  TruePeakResult peaks;
                                  meter.getSnapshot (peaks);

                                  for (size_t c = 0; c < 6; ++c)
                                      ours.truePeak[c] = std::max (ours.truePeak[c], (double) peaks.levels[c]);

                                  for (int i = 0; i < block.getNumSamples(); ++i)
                                      for (int c = 0; c < 6; ++c)
                                          interleaved[(size_t) (6 * i + c)] = block.getSample (c, i);

                                  ebur128_add_frames_float (peer.get(), interleaved.data(), (size_t) block.getNumSamples());
                              });

    LoudnessResult result;
    module.getSnapshot (result);
    ours.integrated = result.integrated;
    ours.loudnessRange = result.loudnessRange;

    ASSERT_EQ (ebur128_loudness_global (peer.get(), &theirs.integrated), EBUR128_SUCCESS);
    ASSERT_EQ (ebur128_loudness_range (peer.get(), &theirs.loudnessRange), EBUR128_SUCCESS);

    for (unsigned int c = 0; c < 6; ++c)
    {
        double peak = 0.0;
        ASSERT_EQ (ebur128_true_peak (peer.get(), c, &peak), EBUR128_SUCCESS);
        theirs.truePeak[c] = 20.0 * std::log10 (peak);
    }

    // A programme too quiet to measure would make the comparison empty.
    ASSERT_GT (theirs.integrated, -40.0);
    ASSERT_GT (theirs.loudnessRange, 3.0);

    EXPECT_NEAR (ours.integrated, theirs.integrated, 0.1);
    EXPECT_NEAR (ours.loudnessRange, theirs.loudnessRange, 1.0);

    for (size_t c = 0; c < 6; ++c)
    {
        ASSERT_TRUE (std::isfinite (theirs.truePeak[c])) << "channel " << c;
        EXPECT_NEAR (ours.truePeak[c], theirs.truePeak[c], 0.3) << "channel " << c;
    }
}

// Both meters sample the short-term loudness sparsely for the range (we every 0.6 s, libebur128
// every 1 s), so on short programmes their percentiles can fall on different values: over 24 seeds
// the two ranges stayed within 0.75 LU of each other at 90 s, but not at 60 s.
INSTANTIATE_TEST_SUITE_P (FiveOneProgrammes, AgainstLibebur128,
                          testing::Values (Programme { 1, 48000.0, 90.0 }, Programme { 2, 96000.0, 90.0 },
                                           Programme { 3, 44100.0, 90.0 }),
                          nameOf);
