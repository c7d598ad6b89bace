#include "JackToneProbe.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "ProgramUnderTest.h"
#include "ScopedEnvironmentVariable.h"
#include "ScopedTemporaryFolder.h"
#include "SettingsFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <vector>

#include <unistd.h>

// The real program on a private JACK server that dies, or is stopped, and comes back at another
// rate: the program must notice, open its device again by itself and pass audio through as before.

namespace
{
constexpr float amplitude = 0.25f;

/** The RMS of each of the program's outputs while a tone plays into each input; empty when the
    program could not be plugged into or recorded. */
std::vector<double> outputLevels (double sampleRate)
{
    std::array<testsupport::JackToneProbe::Tone, 6> tones;

    for (size_t c = 0; c < 6; ++c)
        tones[c] = { 300.0 + 200.0 * (double) c, amplitude };

    testsupport::JackToneProbe probe (tones, sampleRate);
    const auto frames = (size_t) sampleRate;
    const auto recording = probe.plugInto ("NOLV51") ? probe.record (frames) : std::nullopt;
    std::vector<double> levels;

    if (recording.has_value())
        for (const auto& channel : *recording)
        {
            const auto* second = channel.data() + frames / 2;
            levels.push_back (std::sqrt (std::inner_product (second, second + frames / 2, second, 0.0) / (double) (frames / 2)));
        }

    return levels;
}

/** Whether each output carries the tone played into the same input. */
bool passesEveryTone (const std::vector<double>& levels)
{
    return levels.size() == 6
        && std::all_of (levels.begin(), levels.end(), [] (double rms) { return std::abs (rms - amplitude / std::sqrt (2.0)) < 0.01; });
}

std::vector<std::string> jackdArguments (const std::string& name, int rate)
{
    return { "jackd", "-n", name, "--no-realtime", "-d", "dummy", "-r", std::to_string (rate), "-p", "512", "-C", "6", "-P", "6" };
}

bool waitForServer (const std::string& name, const juce::File& log)
{
    return testsupport::runsToSuccess ({ "jack_wait", "-w", "-s", name, "-t", "20" }, log);
}
} // namespace

TEST (JackRestart, TheProgramOpensItsDeviceAgainWhenTheServerComesBackAtAnotherRate)
{
    ASSERT_NE (std::getenv ("DISPLAY"), nullptr) << "runs under a virtual X server";
    const testsupport::ScopedTemporaryFolder work, configFolder;
    const testsupport::ScopedEnvironmentVariable configHome ("XDG_CONFIG_HOME", configFolder.getFolder().getFullPathName().toStdString());
    const auto serverName = "nolv_restart_" + std::to_string (::getpid());
    const testsupport::ScopedEnvironmentVariable defaultServer ("JACK_DEFAULT_SERVER", serverName);

    {
        OvexjuceLoudnessAudioProcessor processor (nullptr);
        processor.setDefaultInputRouting();
        processor.setDefaultOutputRouting();
        juce::MemoryBlock state;
        processor.getStateInformation (state);

        auto settings = openSettingsFile();
        settings->setValue ("filterState", state.toBase64Encoding());
        settings->setValue ("audioSetup", "<DEVICESETUP deviceType=\"JACK\" audioOutputDeviceName=\"system\" audioInputDeviceName=\"system\"/>");
        ASSERT_TRUE (settings->save());
    }

    // The first server is stopped in good order, as a user or the system stops it: it tells every
    // client that its ports are going before it goes.
    testsupport::ProgramUnderTest first (jackdArguments (serverName, 48000), work.getChildFile ("jackd-48000.log"));
    ASSERT_TRUE (waitForServer (serverName, work.getChildFile ("jack_wait-48000.log")));

    const auto programLog = work.getChildFile ("program.log");
    testsupport::ProgramUnderTest program ({ NOLV_PROGRAM_PATH }, programLog);
    const auto before = outputLevels (48000.0);
    ASSERT_TRUE (passesEveryTone (before)) << ::testing::PrintToString (before) << programLog.loadFileAsString();

    first.terminate();
    ASSERT_TRUE (first.succeeds (5000));

    // The second comes up at another rate and then dies: a child process the test kills outright.
    juce::ChildProcess dying;
    juce::StringArray arguments;

    for (const auto& argument : jackdArguments (serverName, 44100))
        arguments.add (argument);

    ASSERT_TRUE (dying.start (arguments, 0));
    const struct EndedWithTheTest { juce::ChildProcess& process; ~EndedWithTheTest() { process.kill(); } } ended { dying };
    ASSERT_TRUE (waitForServer (serverName, work.getChildFile ("jack_wait-44100.log")));

    ASSERT_TRUE (program.isRunning()) << programLog.loadFileAsString();
    const auto after = outputLevels (44100.0);
    EXPECT_TRUE (passesEveryTone (after)) << ::testing::PrintToString (after) << programLog.loadFileAsString();
    EXPECT_TRUE (programLog.loadFileAsString().contains ("Audio device system: reopened at 44100 Hz")) << programLog.loadFileAsString();

    // The third takes back the dead server's place in JACK's registry of servers (eight places,
    // which a kill never frees), and is stopped, not killed, when the test ends.
    dying.kill();
    dying.waitForProcessToFinish (5000);
    testsupport::ProgramUnderTest third (jackdArguments (serverName, 48000), work.getChildFile ("jackd-48000-again.log"));
    ASSERT_TRUE (waitForServer (serverName, work.getChildFile ("jack_wait-48000-again.log")));

    const auto again = outputLevels (48000.0);
    EXPECT_TRUE (passesEveryTone (again)) << ::testing::PrintToString (again) << programLog.loadFileAsString();
    EXPECT_TRUE (programLog.loadFileAsString().contains ("Audio device system: reopened at 48000 Hz")) << programLog.loadFileAsString();

    program.terminate();
    EXPECT_TRUE (program.succeeds (5000)) << programLog.loadFileAsString();
    third.terminate();
    EXPECT_TRUE (third.succeeds (5000));
}
