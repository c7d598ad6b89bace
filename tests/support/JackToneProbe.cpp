#include "JackToneProbe.h"

#include "WaitUntil.h"

#include <juce_core/juce_core.h>

#include <algorithm>
#include <cmath>

namespace testsupport
{
JackToneProbe::JackToneProbe (std::array<Tone, 6> t, double rate) : tones (t), sampleRate (rate) {}

JackToneProbe::~JackToneProbe()
{
    if (client != nullptr)
        jack_client_close (client);
}

std::string JackToneProbe::portsAndConnections (const std::string& program) const
{
    std::string text;
    const auto pattern = "^" + program + ":";

    if (const char** ports = jack_get_ports (client, pattern.c_str(), nullptr, 0))
    {
        for (auto** port = ports; *port != nullptr; ++port)
        {
            text += *port;
            text += "->";

            if (const char** connections = jack_port_get_all_connections (client, jack_port_by_name (client, *port)))
            {
                std::vector<std::string> sorted;

                for (auto** connection = connections; *connection != nullptr; ++connection)
                    sorted.emplace_back (*connection);

                std::sort (sorted.begin(), sorted.end());

                for (const auto& c : sorted)
                    text += c + ",";

                jack_free (connections);
            }

            text += ";";
        }

        jack_free (ports);
    }

    return text;
}

bool JackToneProbe::plugInto (const std::string& program, int timeoutMilliseconds)
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

    std::string lastSeen;
    auto lastChange = juce::Time::getMillisecondCounter();
    constexpr juce::uint32 settledMilliseconds = 1000;

    const bool settled = waitUntil ([&]
    {
        const auto now = juce::Time::getMillisecondCounter();
        const auto seen = portsAndConnections (program);

        if (seen != lastSeen)
        {
            lastSeen = seen;
            lastChange = now;
        }

        // The device connects its outputs to the system's once it runs.
        return lastSeen.find ("->system:") != std::string::npos && now - lastChange >= settledMilliseconds;
    }, timeoutMilliseconds);

    if (! settled)
        return false;

    // Only ports the device uses: connecting an idle one makes the device take it up, and the
    // program then opens the device anew with its own channels, dropping every connection.
    const auto inUse = [this] (const std::string& name)
    {
        auto* port = jack_port_by_name (client, name.c_str());
        return port != nullptr && jack_port_connected (port) > 0;
    };

    for (size_t c = 0; c < 6; ++c)
    {
        const auto n = std::to_string (c + 1);
        const auto programIn = program + ":in_" + n, programOut = program + ":out_" + n;

        if ((inUse (programIn) && jack_connect (client, jack_port_name (outs[c]), programIn.c_str()) != 0)
            || (inUse (programOut) && jack_connect (client, programOut.c_str(), jack_port_name (ins[c])) != 0))
            return false;
    }

    return true;
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
