// Throughput of the measuring engine against libebur128 on the same six-channel programme, at every
// rate the engine has tables for. Our side does the work of the audio and loudness threads (loudness
// module computing inline, plus the true-peak meter); libebur128 measures momentary, short-term,
// integrated, range and true peak. Both get blocks of 512 frames from memory prepared beforehand, so
// only the metering is timed. Then the processor's audio callback on the same programme at 48 and
// 192 kHz, as the share of real time one core spends in it, with no report open and with one open.
//
//   engine_bench [seconds of programme per rate, at least 10; 60 when not given]
//   NOLV_KERNELS=portable engine_bench    the same with the engine's portable build of its inner loops

#include "OVEXLoudnessModule.h"
#include "OVEXTruePeakMeter.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "ProcessorTestAccess.h"
#include "ProgrammeSource.h"

#include <ebur128.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

namespace
{
constexpr double sampleRates[] = { 44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0 };
constexpr int numChannels = 6;
constexpr int blockSize = 512;
constexpr int repetitions = 3;

struct Outcome
{
    double seconds = std::numeric_limits<double>::max(); // best of the repetitions
    double integrated = 0.0, loudnessRange = 0.0, truePeak = -std::numeric_limits<double>::infinity();
};

template <typename Function>
double timeOnce (Function&& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
}

void runEngine (juce::AudioSampleBuffer& signal, double sampleRate, Outcome& outcome)
{
    OVEXLoudnessModule module (false);
    module.prepare (blockSize, sampleRate);
    module.setRunning (true);
    OVEXTruePeakMeter meter;
    meter.setSampleRate (blockSize, sampleRate);
    float highestPeak = -std::numeric_limits<float>::infinity();

    outcome.seconds = std::min (outcome.seconds, timeOnce ([&]
    {
        for (int start = 0; start < signal.getNumSamples(); start += blockSize)
        {
            const int n = std::min (blockSize, signal.getNumSamples() - start);
            const juce::AudioSampleBuffer block (signal.getArrayOfWritePointers(), numChannels, start, n);
            module.pushBlock (block);
            module.takeNewValues ([] (const LoudnessValue&) {});
            meter.processBlock (block);

            TruePeakResult peaks;
            meter.getSnapshot (peaks);
            highestPeak = std::max (highestPeak, *std::max_element (peaks.levels.begin(), peaks.levels.end()));
        }
    }));

    LoudnessResult result;
    module.getSnapshot (result);
    outcome.integrated = result.integrated;
    outcome.loudnessRange = result.loudnessRange;
    outcome.truePeak = highestPeak;
}

void runLibebur128 (const std::vector<float>& interleaved, double sampleRate, Outcome& outcome)
{
    auto* state = ebur128_init (numChannels, (unsigned long) sampleRate,
                                EBUR128_MODE_M | EBUR128_MODE_S | EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK);

    if (state == nullptr)
    {
        std::fprintf (stderr, "libebur128 could not be initialised\n");
        std::exit (1);
    }

    const auto frames = interleaved.size() / numChannels;

    outcome.seconds = std::min (outcome.seconds, timeOnce ([&]
    {
        for (size_t start = 0; start < frames; start += blockSize)
            ebur128_add_frames_float (state, interleaved.data() + start * numChannels,
                                      std::min<size_t> (blockSize, frames - start));
    }));

    ebur128_loudness_global (state, &outcome.integrated);
    ebur128_loudness_range (state, &outcome.loudnessRange);

    for (unsigned int c = 0; c < numChannels; ++c)
    {
        double peak = 0.0;
        ebur128_true_peak (state, c, &peak);
        outcome.truePeak = std::max (outcome.truePeak, 20.0 * std::log10 (peak));
    }

    ebur128_destroy (&state);
}

/** Seconds spent inside processBlock for the whole signal. The loudness thread's turn comes every
    50 ms of audio, as it would live, but is not timed: it runs on its own thread. */
double runCallback (juce::AudioSampleBuffer& signal, double sampleRate, bool withReport, const juce::File& reportFolder)
{
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    ProcessorTestAccess::prepare (processor, sampleRate, blockSize);
    processor.setDefaultInputRouting();
    processor.setDefaultOutputRouting();
    processor.setStringParameter (14, reportFolder.getFullPathName());

    if (withReport)
        processor.setParameterValue (0, 1.0f);
    else
        ProcessorTestAccess::setRunning (processor, true);

    juce::AudioSampleBuffer block (numChannels, blockSize);
    juce::MidiBuffer midi;
    const int blocksPerTurn = (int) (0.05 * sampleRate / blockSize);
    double seconds = 0.0;

    for (int start = 0, count = 0; start + blockSize <= signal.getNumSamples(); start += blockSize, ++count)
    {
        for (int c = 0; c < numChannels; ++c)
            block.copyFrom (c, 0, signal, c, start, blockSize);

        seconds += timeOnce ([&] { processor.processBlock (block, midi); });

        if (count % blocksPerTurn == 0)
            ProcessorTestAccess::computeLoudness (processor);
    }

    processor.setParameterValue (0, 0.0f);
    return seconds;
}

/** Best of the repetitions of callback time, as a percentage of the programme's duration. */
void benchCallback (juce::AudioSampleBuffer& signal, double sampleRate)
{
    const juce::TemporaryFile reports;
    reports.getFile().createDirectory();
    double withoutReport = std::numeric_limits<double>::max(), withReport = withoutReport;

    for (int r = 0; r < repetitions; ++r)
    {
        withoutReport = std::min (withoutReport, runCallback (signal, sampleRate, false, reports.getFile()));
        withReport = std::min (withReport, runCallback (signal, sampleRate, true, reports.getFile()));
    }

    reports.getFile().deleteRecursively();
    const double seconds = signal.getNumSamples() / sampleRate;

    // The processor names each report file it opens on standard output, with no line break.
    std::printf ("\naudio callback at %6.0f Hz, share of one core's real time: %.3f %% with no report, %.3f %% with a report open\n",
                 sampleRate, 100.0 * withoutReport / seconds, 100.0 * withReport / seconds);
}
} // namespace

int main (int argc, char** argv)
{
    const double seconds = argc > 1 ? std::max (10.0, std::atof (argv[1])) : 60.0;

    int major = 0, minor = 0, patch = 0;
    ebur128_get_version (&major, &minor, &patch);
    std::printf ("%d channels, %.0f s of pseudo-random programme per rate, blocks of %d frames, best of %d alternating runs\n"
                 "engine: loudness module + true-peak meter; libebur128 %d.%d.%d: M, S, I, LRA, true peak\n\n",
                 numChannels, seconds, blockSize, repetitions, major, minor, patch);
    std::printf ("engine kernels chosen on this processor: %s\n\n", chosenKernelSet() == KernelSet::avx2 ? "AVX2" : "portable");
    std::printf ("%9s  %21s  %21s  %6s   %-28s %-28s\n", "rate", "engine", "libebur128", "ratio", "engine I / LRA / TP",
                 "libebur128 I / LRA / TP");

    for (const double sampleRate : sampleRates)
    {
        const int numFrames = (int) (seconds * sampleRate);
        juce::AudioSampleBuffer signal (numChannels, numFrames);
        testsupport::ProgrammeSource (sampleRate, 2026).fill (signal);

        std::vector<float> interleaved ((size_t) numFrames * numChannels);

        for (int c = 0; c < numChannels; ++c)
            for (int i = 0; i < numFrames; ++i)
                interleaved[(size_t) i * numChannels + (size_t) c] = signal.getSample (c, i);

        Outcome ours, theirs;

        // Alternating runs, best of each, so that neither side profits from a quieter moment of the machine.
        for (int r = 0; r < repetitions; ++r)
        {
            runEngine (signal, sampleRate, ours);
            runLibebur128 (interleaved, sampleRate, theirs);
        }

        std::printf ("%6.0f Hz  %7.3f s %6.1f x rt  %7.3f s %6.1f x rt  %5.2f x   %6.2f / %5.2f / %6.2f        %6.2f / %5.2f / %6.2f\n",
                     sampleRate, ours.seconds, seconds / ours.seconds, theirs.seconds, seconds / theirs.seconds,
                     theirs.seconds / ours.seconds, ours.integrated, ours.loudnessRange, ours.truePeak,
                     theirs.integrated, theirs.loudnessRange, theirs.truePeak);
        std::fflush (stdout);

        if (sampleRate == 48000.0 || sampleRate == 192000.0)
        {
            interleaved = {};
            benchCallback (signal, sampleRate);
            std::printf ("\n");
        }
    }

    return 0;
}
