#include "FilterStateText.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "ScopedEnvironmentVariable.h"
#include "ScopedTemporaryFolder.h"
#include "SettingsFile.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <juce_graphics/juce_graphics.h>

#include <array>
#include <atomic>
#include <cmath>
#include <complex>
#include <csignal>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// The real program, run against a private JACK server with the dummy driver, judged from outside:
// the audio it passes through, the window it shows and the settings file it leaves.

namespace
{
const ChannelLayout savedInputLayout { 3, 5, 0, 1, 4, 2 };
const ChannelLayout savedOutputLayout { 2, 0, -1, 3, 1, -1 };

// Output by output, the input whose tone the layouts above route there; -1 for silence.
const std::array<int, 6> expectedTones { 5, 4, 3, 1, -1, -1 };

constexpr double sampleRate = 48000.0;
constexpr double toneFrequencies[6] { 300.0, 500.0, 700.0, 900.0, 1100.0, 1300.0 };
constexpr float toneAmplitude = 0.25f;

/** A program started with its output in a log. Still running when the object goes, it is killed by
    its pid; the kernel kills it too if the test process dies first. */
class Spawned
{
public:
    Spawned (std::vector<std::string> arguments, const juce::File& log)
    {
        // Everything the child needs is prepared before the fork: after it, only system calls.
        std::vector<char*> argv;

        for (auto& argument : arguments)
            argv.push_back (argument.data());

        argv.push_back (nullptr);
        const int logFd = ::open (log.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);

        if (logFd >= 0 && (pid = fork()) == 0)
        {
            prctl (PR_SET_PDEATHSIG, SIGKILL);
            dup2 (logFd, STDOUT_FILENO);
            dup2 (logFd, STDERR_FILENO);
            signal (SIGPIPE, SIG_DFL);
            execvp (argv[0], argv.data());
            _exit (127);
        }

        ::close (logFd);
    }

    ~Spawned()
    {
        if (pid > 0 && ! status.has_value())
        {
            kill (pid, SIGKILL);
            waitpid (pid, nullptr, 0);
        }
    }

    void terminate()
    {
        if (pid > 0 && ! status.has_value())
            kill (pid, SIGTERM);
    }

    /** Whether it has ended with exit status 0 within the time-out. */
    bool succeeds (int timeoutMilliseconds)
    {
        testsupport::waitUntil ([this]
        {
            int wstatus = 0;

            if (pid > 0 && ! status.has_value() && waitpid (pid, &wstatus, WNOHANG) == pid)
                status = wstatus;

            return pid <= 0 || status.has_value();
        }, timeoutMilliseconds);

        return status.has_value() && WIFEXITED (*status) && WEXITSTATUS (*status) == 0;
    }

    pid_t pid = -1;
    std::optional<int> status;
};

/** The input whose tone fills the block, -1 for silence, -2 for anything else. */
int toneIn (const float* samples, size_t count)
{
    const double rms = std::sqrt (std::inner_product (samples, samples + count, samples, 0.0) / (double) count);

    if (rms < 1.0e-4)
        return -1;

    for (int c = 0; c < 6; ++c)
    {
        std::complex<double> sum;

        for (size_t i = 0; i < count; ++i)
            sum += (double) samples[i] * std::polar (1.0, juce::MathConstants<double>::twoPi * toneFrequencies[c] * (double) i / sampleRate);

        // A pure tone of the probe's amplitude, and nothing else, has an RMS of amplitude / sqrt 2.
        if (std::abs (2.0 * std::abs (sum) / (double) count - toneAmplitude) < 0.01 && std::abs (rms - toneAmplitude / std::sqrt (2.0)) < 0.01)
            return c;
    }

    return -2;
}

/** A JACK client in front of the program: it plays a different tone into each of its inputs and
    records its outputs. */
struct ToneProbe
{
    ~ToneProbe()
    {
        if (client != nullptr)
            jack_client_close (client);
    }

    /** Plugs into the program's six inputs and outputs once its device runs and records two seconds.
        Output by output, the input whose tone the second second carries (the first covers the
        program's reaction to the new connections); nothing if JACK would not let it get that far. */
    std::optional<std::array<int, 6>> tonesThrough (const std::string& program)
    {
        client = jack_client_open ("nolv_probe", JackNoStartServer, nullptr);

        if (client == nullptr)
            return std::nullopt;

        for (size_t c = 0; c < 6; ++c)
        {
            const auto n = std::to_string (c + 1);
            outs[c] = jack_port_register (client, ("out_" + n).c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
            ins[c] = jack_port_register (client, ("in_" + n).c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
            recording[c].assign (recordFrames, 0.0f);
        }

        if (jack_set_process_callback (client, process, this) != 0 || jack_activate (client) != 0)
            return std::nullopt;

        // The program connects its outputs to the system's once its device runs.
        const auto lastOutput = program + ":out_6";

        if (! testsupport::waitUntil ([&] { auto* port = jack_port_by_name (client, lastOutput.c_str());
                                            return port != nullptr && jack_port_connected (port) > 0; }, 20000))
            return std::nullopt;

        for (size_t c = 0; c < 6; ++c)
        {
            const auto n = std::to_string (c + 1);

            if (jack_connect (client, jack_port_name (outs[c]), (program + ":in_" + n).c_str()) != 0
                || jack_connect (client, (program + ":out_" + n).c_str(), jack_port_name (ins[c])) != 0)
                return std::nullopt;
        }

        recordingWanted = true;

        if (! testsupport::waitUntil ([this] { return framesRecorded.load() >= recordFrames; }, 20000) || jack_deactivate (client) != 0)
            return std::nullopt;

        std::array<int, 6> tones {};

        for (size_t c = 0; c < 6; ++c)
            tones[c] = toneIn (recording[c].data() + recordFrames / 2, recordFrames / 2);

        return tones;
    }

    static int process (jack_nframes_t numFrames, void* arg)
    {
        auto& probe = *static_cast<ToneProbe*> (arg);
        const size_t start = probe.framesRecorded.load();
        const size_t count = probe.recordingWanted.load() ? std::min<size_t> (numFrames, recordFrames - start) : 0;

        for (size_t c = 0; c < 6; ++c)
        {
            auto* out = static_cast<float*> (jack_port_get_buffer (probe.outs[c], numFrames));
            const double step = juce::MathConstants<double>::twoPi * toneFrequencies[c] / sampleRate;

            for (jack_nframes_t i = 0; i < numFrames; ++i)
                out[i] = toneAmplitude * (float) std::sin (step * (double) (probe.framesPlayed + i));

            const auto* in = static_cast<const float*> (jack_port_get_buffer (probe.ins[c], numFrames));
            std::copy (in, in + count, probe.recording[c].begin() + (long) start);
        }

        probe.framesPlayed += numFrames;
        probe.framesRecorded.store (start + count);
        return 0;
    }

    static constexpr size_t recordFrames = 2 * (size_t) sampleRate;

    jack_client_t* client = nullptr;
    std::array<jack_port_t*, 6> outs {}, ins {};
    std::array<std::vector<float>, 6> recording;
    unsigned long long framesPlayed = 0;
    std::atomic<bool> recordingWanted { false };
    std::atomic<size_t> framesRecorded { 0 };
};

class StandaloneProgram : public testing::Test
{
protected:
    ~StandaloneProgram() override
    {
        jackd.terminate();
        jackd.succeeds (5000);
    }

    juce::File logFile (const juce::String& name) const { return work.getChildFile (name + ".log"); }

    /** A picture of the program's window once it is mapped. Its name is stored as UTF-8, which only
        xwininfo's tree listing shows, so the window is looked up there. */
    bool takeScreenshot (const juce::File& png) const
    {
        const auto tree = logFile ("xwininfo");
        tree.deleteFile();

        if (! Spawned ({ "xwininfo", "-root", "-tree" }, tree).succeeds (5000))
            return false;

        for (const auto& line : juce::StringArray::fromLines (tree.loadFileAsString()))
            if (line.contains ("\"NOLv 5.1\"")
                && Spawned ({ "import", "-window", line.trim().upToFirstOccurrenceOf (" ", false, false).toStdString(),
                              png.getFullPathName().toStdString() }, logFile ("import")).succeeds (30000))
                return true;

        return false;
    }

    testsupport::ScopedTemporaryFolder work, configFolder;
    testsupport::ScopedEnvironmentVariable configHome { "XDG_CONFIG_HOME", configFolder.getFolder().getFullPathName().toStdString() };
    const std::string serverName = "nolv" + std::to_string (getpid());
    testsupport::ScopedEnvironmentVariable jackServer { "JACK_DEFAULT_SERVER", serverName };
    Spawned jackd { { "jackd", "-n", serverName, "--no-realtime", "-d", "dummy", "-r", "48000", "-p", "512", "-C", "6", "-P", "6" },
                    logFile ("jackd") };
};
} // namespace

TEST_F (StandaloneProgram, PassesAudioThroughItsSavedLayoutsAndKeepsThemAcrossATerminatedRun)
{
    ASSERT_NE (std::getenv ("DISPLAY"), nullptr) << "runs under a virtual X server";
    ASSERT_TRUE (Spawned ({ "jack_wait", "-w", "-s", serverName, "-t", "20" }, logFile ("jack_wait")).succeeds (30000))
        << logFile ("jackd").loadFileAsString();

    {
        OvexjuceLoudnessAudioProcessor processor (nullptr);
        processor.setInputLayout (savedInputLayout);
        processor.setOutputLayout (savedOutputLayout);
        juce::MemoryBlock state;
        processor.getStateInformation (state);

        auto settings = openSettingsFile();
        settings->setValue ("filterState", state.toBase64Encoding());
        settings->setValue ("audioSetup", "<DEVICESETUP deviceType=\"JACK\" audioOutputDeviceName=\"system\" audioInputDeviceName=\"system\"/>");
        ASSERT_TRUE (settings->save());
    }

    for (int run = 1; run <= 2; ++run)
    {
        SCOPED_TRACE ("run " + std::to_string (run));
        const auto programLog = logFile ("program-" + juce::String (run));
        Spawned program ({ NOLV_PROGRAM_PATH }, programLog);

        const auto tones = ToneProbe().tonesThrough ("NOLV51");
        ASSERT_TRUE (tones.has_value()) << programLog.loadFileAsString();
        EXPECT_EQ (*tones, expectedTones);

        if (run == 1)
        {
            const auto screenshot = juce::File (NOLV_ARTIFACT_DIR).getChildFile ("program-window.png");
            screenshot.deleteFile();
            EXPECT_TRUE (testsupport::waitUntil ([&] { return takeScreenshot (screenshot); }, 20000))
                << logFile ("import").loadFileAsString();

            // The editor fills the window; a title bar would be the window manager's, and Xvfb has none.
            const auto image = juce::ImageFileFormat::loadFrom (screenshot);
            EXPECT_GE (image.getWidth(), 1024);
            EXPECT_GE (image.getHeight(), 768);
        }

        program.terminate();
        ASSERT_TRUE (program.succeeds (5000)) << "wait status " << program.status.value_or (-1) << "\n" << programLog.loadFileAsString();

        const auto settings = openSettingsFile();

        for (const auto* key : { "filterState", "audioSetup", "windowX", "windowY" })
            EXPECT_TRUE (settings->containsKey (key)) << key;

        juce::MemoryBlock state;
        ASSERT_TRUE (decodeFilterStateText (settings->getValue ("filterState"), state));
        OvexjuceLoudnessAudioProcessor restored (nullptr);
        restored.setStateInformation (state.getData(), (int) state.getSize());
        EXPECT_EQ (restored.inputLayout, savedInputLayout);
        EXPECT_EQ (restored.outputLayout, savedOutputLayout);

        const auto setup = settings->getValue ("audioSetup");
        EXPECT_TRUE (setup.contains ("deviceType=\"JACK\"") && setup.contains ("audioDeviceRate=\"48000")) << setup;
    }
}
