#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <optional>
#include <string>
#include <utility>
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

    /** Connects the probe's outputs to the given inputs of the program, and the given outputs of
        the program to the probe's inputs (0 stands for in_1 and out_1), the moment the program's
        ports take connections, as a session manager restoring a session does. Whether it got that
        far within the time-out. */
    bool plugInto (const std::string& program, const std::vector<int>& programInputs = allSix,
                   const std::vector<int>& programOutputs = allSix, int timeoutMilliseconds = 30000);

    /** Whether every connection plugInto made is still there. */
    bool isStillPlugged() const;

    /** The next frames from each of the program's six outputs; nothing if they did not arrive in
        time. A probe records once. */
    std::optional<std::array<std::vector<float>, 6>> record (size_t frames, int timeoutMilliseconds = 20000);

    inline static const std::vector<int> allSix { 0, 1, 2, 3, 4, 5 };

private:
    static int process (jack_nframes_t numFrames, void* arg);
    std::vector<std::pair<std::string, std::string>> plugged; // source and destination port names

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
