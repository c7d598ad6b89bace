#include "JackToneProbe.h"

#include "WaitUntil.h"

#include <juce_core/juce_core.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace testsupport
{
JackToneProbe::JackToneProbe (std::array<Tone, 6> t, double rate) : tones (t), sampleRate (rate) {}

JackToneProbe::~JackToneProbe()
{
    if (client != nullptr)
        jack_client_close (client);
}

bool JackToneProbe::plugInto (const std::string& program, const std::vector<int>& programInputs,
                              const std::vector<int>& programOutputs, int timeoutMilliseconds)
{
    client = jack_client_open ("nolv_probe", JackNoStartServer, nullptr);

    if (client == nullptr)
        return false;

    for (size_t c = 0; c < 6; ++c)
    {
        const auto n = std::to_string (c + 1);
        outs[c] = jack_port_register (client, ("out_" + n).c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        ins[c] = jack_port_register (client, ("in_" + n).c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    }

    if (jack_set_process_callback (client, process, this) != 0 || jack_activate (client) != 0)
        return false;

    std::vector<std::pair<std::string, std::string>> wanted;

    for (const auto c : programInputs)
        wanted.emplace_back (jack_port_name (outs.at ((size_t) c)), program + ":in_" + std::to_string (c + 1));

    for (const auto c : programOutputs)
        wanted.emplace_back (program + ":out_" + std::to_string (c + 1), jack_port_name (ins.at ((size_t) c)));

    // A port that does not exist yet, or whose client is not active yet, refuses the connection.
    plugged.clear();

    return waitUntil ([&]
    {
        for (auto it = wanted.begin(); it != wanted.end();)
        {
            const int result = jack_connect (client, it->first.c_str(), it->second.c_str());

            if (result == 0 || result == EEXIST)
            {
                plugged.push_back (*it);
                it = wanted.erase (it);
            }
            else
            {
                ++it;
            }
        }

        return wanted.empty();
    }, timeoutMilliseconds);
}

bool JackToneProbe::isStillPlugged() const
{
    return client != nullptr && std::all_of (plugged.begin(), plugged.end(), [this] (const auto& connection)
    {
        auto* source = jack_port_by_name (client, connection.first.c_str());
        return source != nullptr && jack_port_connected_to (source, connection.second.c_str()) != 0;
    });
}

std::optional<std::array<std::vector<float>, 6>> JackToneProbe::record (size_t frames, int timeoutMilliseconds)
{
    if (client == nullptr || recordingWanted.load())
        return std::nullopt;

    for (auto& channel : recording)
        channel.assign (frames, 0.0f);

    framesWanted = frames;
    recordingWanted.store (true);

    if (! waitUntil ([&] { return framesRecorded.load() >= frames; }, timeoutMilliseconds))
        return std::nullopt;

    return recording;
}

int JackToneProbe::process (jack_nframes_t numFrames, void* arg)
{
    auto& probe = *static_cast<JackToneProbe*> (arg);
    const size_t start = probe.framesRecorded.load();
    const size_t count = probe.recordingWanted.load() ? std::min<size_t> (numFrames, probe.framesWanted - start) : 0;

    for (size_t c = 0; c < 6; ++c)
    {
        auto* out = static_cast<float*> (jack_port_get_buffer (probe.outs[c], numFrames));
        const double step = juce::MathConstants<double>::twoPi * probe.tones[c].frequency / probe.sampleRate;

        for (jack_nframes_t i = 0; i < numFrames; ++i)
            out[i] = probe.tones[c].amplitude * (float) std::sin (step * (double) (probe.framesPlayed + i));

        // The recording is only touched once record() has made it and asked for it.
        if (count > 0)
        {
            const auto* in = static_cast<const float*> (jack_port_get_buffer (probe.ins[c], numFrames));
            std::copy (in, in + count, probe.recording[c].begin() + (long) start);
        }
    }

    probe.framesPlayed += numFrames;
    probe.framesRecorded.store (start + count);
    return 0;
}
} // namespace testsupport
