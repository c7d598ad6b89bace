#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace testsupport
{
/** A JACK client in front of a program under test: it plays a sine into each of the program's six
    inputs and can record its six outputs. Its process callback runs on JACK's thread; everything
    else is called from the test's thread. */
class JackToneProbe
{
public:
    struct Tone
    {
        double frequency = 0.0;
        float amplitude = 0.0f; // peak; 0 plays silence
    };

    JackToneProbe (std::array<Tone, 6> tones, double sampleRate);
    ~JackToneProbe();

    JackToneProbe (const JackToneProbe&) = delete;
    JackToneProbe& operator= (const JackToneProbe&) = delete;

    /** Connects the probe's outputs to the program's inputs and the program's outputs to the
        probe's inputs, those the program's device uses, once the device has settled: a program
        re-opening its device drops every connection to it, so the probe waits until the program's
        ports have been connected and unchanged for about a second. Ports the device leaves idle
        stay unconnected, and silent. Whether it got that far within the time-out. */
    bool plugInto (const std::string& program, int timeoutMilliseconds = 30000);

    /** The next frames from each of the program's six outputs; nothing if they did not arrive in
        time. A probe records once. */
    std::optional<std::array<std::vector<float>, 6>> record (size_t frames, int timeoutMilliseconds = 20000);

private:
    static int process (jack_nframes_t numFrames, void* arg);
    std::string portsAndConnections (const std::string& program) const;

    const std::array<Tone, 6> tones;
    const double sampleRate;
    jack_client_t* client = nullptr;
    std::array<jack_port_t*, 6> outs {}, ins {};

    std::array<std::vector<float>, 6> recording;
    unsigned long long framesPlayed = 0;
    size_t framesWanted = 0;
    std::atomic<bool> recordingWanted { false };
    std::atomic<size_t> framesRecorded { 0 };
};
} // namespace testsupport
