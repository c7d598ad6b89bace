#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <ostream>

namespace testsupport
{
/** A 64-bit FNV-1a digest of values' bit patterns: two runs give the same fingerprint only when
    every value, in order, is the same bit for bit (-0.0 and 0.0 differ). */
class ReadingFingerprint
{
public:
    template <typename Value>
    void add (Value value)
    {
        unsigned char bytes[sizeof (Value)];
        std::memcpy (bytes, &value, sizeof (Value));

        for (auto byte : bytes)
            digest = (digest ^ byte) * 0x100000001b3ull;
    }

    template <typename Value, size_t N>
    void add (const std::array<Value, N>& values)
    {
        for (auto value : values)
            add (value);
    }

    std::uint64_t value() const noexcept { return digest; }

private:
    std::uint64_t digest = 0xcbf29ce484222325ull;
};

/** One run over a pseudo-random programme at one rate: the fingerprints of the programme fed in and
    of the readings it gave. */
struct ProgrammeRun
{
    double rate;
    std::uint64_t programme, readings;
};

inline void PrintTo (const ProgrammeRun& run, std::ostream* out)
{
    *out << run.rate << " Hz";
}

/** The programme's tones come from the C library's sin, whose last bits may differ with another
    library or processor; readings only compare on the same programme. */
inline void expectSameReadings (const ProgrammeRun& measured, const ProgrammeRun& recorded)
{
    if (measured.programme != recorded.programme)
        GTEST_SKIP() << "this machine's maths library makes a different programme: " << std::hex << measured.programme;

    EXPECT_EQ (measured.readings, recorded.readings) << std::hex << "0x" << measured.readings << " against 0x" << recorded.readings;
}
} // namespace testsupport
