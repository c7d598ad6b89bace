// A JACK client that stands in front of the program under test: it plays a different tone into
// each of the program's six inputs, records its six outputs, and writes which tone each output
// carried ("-1" for silence) to a report file.
//
//     nolv_jack_tone_probe <client of the program> <report file>
//
// The server is the one JACK_DEFAULT_SERVER names. Exit status 0 when the report was written.

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
constexpr int numChannels = 6;
constexpr std::array<double, numChannels> toneFrequencies { 300.0, 500.0, 700.0, 900.0, 1100.0, 1300.0 };
constexpr float toneAmplitude = 0.25f;
constexpr double recordSeconds = 2.0;
constexpr double analysedSeconds = 1.0;
constexpr auto waitForProgram = std::chrono::seconds (20);

struct Probe
{
    jack_client_t* client = nullptr;
    std::array<jack_port_t*, numChannels> outputs {}, inputs {};
    double sampleRate = 48000.0;
    unsigned long long framesPlayed = 0;

    std::vector<std::vector<float>> recording;
    std::atomic<bool> recordingWanted { false };
    std::atomic<size_t> framesRecorded { 0 };
};

int process (jack_nframes_t numFrames, void* arg)
{
    auto& probe = *static_cast<Probe*> (arg);

    for (size_t c = 0; c < numChannels; ++c)
    {
        auto* out = static_cast<float*> (jack_port_get_buffer (probe.outputs[c], numFrames));
        const double step = 2.0 * M_PI * toneFrequencies[c] / probe.sampleRate;

        for (jack_nframes_t i = 0; i < numFrames; ++i)
            out[i] = toneAmplitude * (float) std::sin (step * (double) (probe.framesPlayed + i));
    }

    probe.framesPlayed += numFrames;

    if (probe.recordingWanted.load())
    {
        const size_t start = probe.framesRecorded.load();
        const size_t count = std::min<size_t> (numFrames, probe.recording[0].size() - start);

        for (size_t c = 0; c < numChannels; ++c)
        {
            const auto* in = static_cast<const float*> (jack_port_get_buffer (probe.inputs[c], numFrames));
            std::copy (in, in + count, probe.recording[c].begin() + (long) start);
        }

        probe.framesRecorded.store (start + count);
    }

    return 0;
}

template <typename Condition>
bool waitUntil (Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + waitForProgram;

    while (! condition())
    {
        if (std::chrono::steady_clock::now() > deadline)
            return false;

        std::this_thread::sleep_for (std::chrono::milliseconds (20));
    }

    return true;
}

/** Amplitude of one frequency in a block holding a whole number of its cycles. */
double amplitudeAt (const float* samples, size_t count, double frequency, double sampleRate)
{
    double re = 0.0, im = 0.0;

    for (size_t i = 0; i < count; ++i)
    {
        const double phase = 2.0 * M_PI * frequency * (double) i / sampleRate;
        re += samples[i] * std::cos (phase);
        im += samples[i] * std::sin (phase);
    }

    return 2.0 * std::sqrt (re * re + im * im) / (double) count;
}

/** The input channel whose tone fills the block, -1 for silence, -2 for anything else. */
int toneIn (const float* samples, size_t count, double sampleRate)
{
    double energy = 0.0;

    for (size_t i = 0; i < count; ++i)
        energy += (double) samples[i] * samples[i];

    if (std::sqrt (energy / (double) count) < 1.0e-4)
        return -1;

    for (int c = 0; c < numChannels; ++c)
    {
        const double amplitude = amplitudeAt (samples, count, toneFrequencies[(size_t) c], sampleRate);
        const double rms = std::sqrt (energy / (double) count);

        // A pure tone of this amplitude, and nothing else: its RMS is amplitude / sqrt 2.
        if (std::abs (amplitude - toneAmplitude) < 0.01 && std::abs (rms - amplitude / std::sqrt (2.0)) < 0.01)
            return c;
    }

    return -2;
}

bool fail (const std::string& message)
{
    std::fprintf (stderr, "nolv_jack_tone_probe: %s\n", message.c_str());
    return false;
}

bool run (Probe& probe, const std::string& target, const std::string& reportPath)
{
    jack_status_t status {};
    probe.client = jack_client_open ("nolv_probe", JackNoStartServer, &status);

    if (probe.client == nullptr)
        return fail ("cannot reach the JACK server");

    probe.sampleRate = jack_get_sample_rate (probe.client);
    const auto recordFrames = (size_t) (recordSeconds * probe.sampleRate);
    probe.recording.assign (numChannels, std::vector<float> (recordFrames, 0.0f));

    for (size_t c = 0; c < numChannels; ++c)
    {
        const auto n = std::to_string (c + 1);
        probe.outputs[c] = jack_port_register (probe.client, ("out_" + n).c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        probe.inputs[c] = jack_port_register (probe.client, ("in_" + n).c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);

        if (probe.outputs[c] == nullptr || probe.inputs[c] == nullptr)
            return fail ("cannot register ports");
    }

    jack_set_process_callback (probe.client, process, &probe);

    if (jack_activate (probe.client) != 0)
        return fail ("cannot activate");

    // The program connects its last output to the system once its device runs.
    const auto lastOutput = target + ":out_" + std::to_string (numChannels);

    if (! waitUntil ([&] { auto* port = jack_port_by_name (probe.client, lastOutput.c_str());
                           return port != nullptr && jack_port_connected (port) > 0; }))
        return fail ("the program's ports did not appear: " + lastOutput);

    for (size_t c = 0; c < numChannels; ++c)
    {
        const auto n = std::to_string (c + 1);

        if (jack_connect (probe.client, jack_port_name (probe.outputs[c]), (target + ":in_" + n).c_str()) != 0
            || jack_connect (probe.client, (target + ":out_" + n).c_str(), jack_port_name (probe.inputs[c])) != 0)
            return fail ("cannot connect channel " + n);
    }

    probe.recordingWanted.store (true);

    if (! waitUntil ([&] { return probe.framesRecorded.load() >= recordFrames; }))
        return fail ("the server stopped calling back");

    jack_deactivate (probe.client);

    // The first part covers the program's reaction to the new connections.
    const auto analysed = (size_t) (analysedSeconds * probe.sampleRate);
    std::ofstream report (reportPath);

    for (size_t c = 0; c < numChannels; ++c)
        report << toneIn (probe.recording[c].data() + recordFrames - analysed, analysed, probe.sampleRate)
               << (c + 1 < numChannels ? " " : "\n");

    return report.good() || fail ("cannot write " + reportPath);
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf (stderr, "usage: nolv_jack_tone_probe <client of the program> <report file>\n");
        return 2;
    }

    Probe probe;
    const bool succeeded = run (probe, argv[1], argv[2]);

    if (probe.client != nullptr)
        jack_client_close (probe.client);

    return succeeded ? 0 : 1;
}
