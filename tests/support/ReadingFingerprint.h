#pragma once

#include "KernelSet.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <ostream>
#include <sstream>
#include <string>
#include <tuple>

namespace testsupport
{
/** A 64-bit FNV-1a digest of a run of readings, taken over their bit patterns: two runs give the
    same fingerprint only when every value, in order, is the same bit for bit (-0.0 and 0.0 differ). */
class ReadingFingerprint
{
public:
    void add (float value) { addBytes (&value, sizeof (value)); }
    void add (double value) { addBytes (&value, sizeof (value)); }
    void add (std::int32_t value) { addBytes (&value, sizeof (value)); }

    template <typename Value, size_t N>
    void add (const std::array<Value, N>& values)
    {
        for (auto value : values)
            add (value);
    }

    std::uint64_t value() const noexcept { return digest; }

private:
    void addBytes (const void* data, size_t size)
    {
        unsigned char bytes[sizeof (double)];
        std::memcpy (bytes, data, size);

        for (size_t i = 0; i < size; ++i)
            digest = (digest ^ bytes[i]) * 0x100000001b3ull;
    }

    std::uint64_t digest = 0xcbf29ce484222325ull;
};

/** One run over a pseudo-random programme at one rate: the fingerprint of the programme fed in and
    that of the readings it gave. */
struct ProgrammeRun
{
    double rate;
    std::uint64_t programme, readings;
};

inline void PrintTo (const ProgrammeRun& run, std::ostream* out)
{
    *out << run.rate << " Hz";
}

/** A recorded run and the build of the engine's inner loops to repeat it with. */
using RunWithKernels = std::tuple<ProgrammeRun, KernelSet>;

inline std::string nameOf (KernelSet kernels)
{
    return kernels == KernelSet::avx2 ? "Avx2" : "Portable";
}

inline std::string nameOfKernels (const testing::TestParamInfo<KernelSet>& info)
{
    return nameOf (info.param);
}

inline std::string nameOfRun (const testing::TestParamInfo<RunWithKernels>& info)
{
    const auto [run, kernels] = info.param;
    return std::to_string ((int) run.rate) + "Hz_" + nameOf (kernels);
}

inline std::string hexOf (std::uint64_t value)
{
    std::ostringstream text;
    text << "0x" << std::hex << std::setw (16) << std::setfill ('0') << value;
    return text.str();
}

/** The programme's tones and level glides come from the C library's sin, pow and exp, whose last
    bits may differ with another library or processor; readings only compare on the same programme. */
inline void expectSameReadings (const ProgrammeRun& measured, const ProgrammeRun& recorded)
{
    if (measured.programme != recorded.programme)
        GTEST_SKIP() << "this machine's maths library makes a different programme: " << hexOf (measured.programme);

    EXPECT_EQ (hexOf (measured.readings), hexOf (recorded.readings));
}
} // namespace testsupport

inline void PrintTo (KernelSet kernels, std::ostream* out)
{
    *out << testsupport::nameOf (kernels);
}
