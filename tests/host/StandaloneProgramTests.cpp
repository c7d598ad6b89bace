#include "FilterStateText.h"
#include "JackToneProbe.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "PrivateJackServer.h"
#include "ProductInfo.h"
#include "ProgramUnderTest.h"
#include "ReportFiles.h"
#include "ScopedEnvironmentVariable.h"
#include "ScopedTemporaryFolder.h"
#include "SettingsFile.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

// The real program, run against a private JACK server with the dummy driver, judged from outside:
// the audio it passes through, the settings file it leaves, how it takes up its device again
// when the server goes and comes back, and the reports a stored state lets it write. Its window is
// judged by the acceptance test.

namespace
{
const ChannelLayout savedInputLayout { 3, 5, 0, 1, 4, 2 };
const ChannelLayout savedOutputLayout { 2, 0, -1, 3, 1, -1 };

// Output by output, the input whose tone the layouts above route there; -1 for silence.
const std::optional<std::array<int, 6>> expectedTones { { 5, 4, 3, 1, -1, -1 } };

constexpr double toneFrequencies[6] { 300.0, 500.0, 700.0, 900.0, 1100.0, 1300.0 };
constexpr float toneAmplitude = 0.25f;

/** The input whose tone fills the block, -1 for silence, -2 for anything else. */
int toneIn (const float* samples, size_t count, double sampleRate)
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

/** The device channels a layout takes up, as the probe names the program's ports. */
std::vector<int> channelsOf (const ChannelLayout& layout)
{
    std::vector<int> channels;

    for (const auto channel : layout)
        if (channel >= 0 && std::find (channels.begin(), channels.end(), channel) == channels.end())
            channels.push_back (channel);

    return channels;
}

/** Output by output, the input whose tone the program passes there once a probe that plays a
    different tone into each input is plugged into the ports the layouts above use, the moment they
    appear; the first of two recorded seconds covers the program's start. Nothing if JACK would not
    let it get that far. */
std::optional<std::array<int, 6>> tonesThroughTheProgram (double sampleRate)
{
    std::array<testsupport::JackToneProbe::Tone, 6> tones;

    for (size_t c = 0; c < 6; ++c)
        tones[c] = { toneFrequencies[c], toneAmplitude };

    testsupport::JackToneProbe probe (tones, sampleRate);
    const auto frames = 2 * (size_t) sampleRate;
    const auto recording = probe.plugInto ("NOLV51", channelsOf (savedInputLayout), channelsOf (savedOutputLayout)) ? probe.record (frames)
                                                                                                                     : std::nullopt;

    if (! recording.has_value())
        return std::nullopt;

    std::array<int, 6> found {};

    for (size_t c = 0; c < 6; ++c)
        found[c] = toneIn ((*recording)[c].data() + frames / 2, frames / 2, sampleRate);

    return found;
}

/** Settings as a run on the JACK server leaves them, with the layouts above. */
class StandaloneProgram : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE (std::getenv ("DISPLAY"), nullptr) << "runs under a virtual X server";
        OvexjuceLoudnessAudioProcessor processor (nullptr);
        processor.setInputLayout (savedInputLayout);
        processor.setOutputLayout (savedOutputLayout);
        juce::MemoryBlock state;
        processor.getStateInformation (state);

        auto settings = openSettingsFile();
        settings->setValue ("filterState", state.toBase64Encoding());
        settings->setValue ("audioSetup", "<DEVICESETUP deviceType=\"JACK\" audioOutputDeviceName=\"system\" audioInputDeviceName=\"system\"/>");
        ASSERT_TRUE (settings->save());
        ASSERT_TRUE (jack.waitUntilRunning()) << jack.getLog().loadFileAsString();
    }

    juce::File logFile (const juce::String& name) const { return work.getChildFile (name + ".log"); }

    testsupport::ScopedTemporaryFolder work, configFolder;
    testsupport::ScopedEnvironmentVariable configHome { "XDG_CONFIG_HOME", configFolder.getFolder().getFullPathName().toStdString() };
    testsupport::PrivateJackServer jack { work.getFolder() };
};
} // namespace

TEST_F (StandaloneProgram, PassesAudioThroughItsSavedLayoutsAndKeepsThemAcrossATerminatedRun)
{
    // The second run passes audio through whatever layouts the first one saved.
    for (int run = 1; run <= 2; ++run)
    {
        SCOPED_TRACE ("run " + std::to_string (run));
        const auto programLog = logFile ("program-" + juce::String (run));
        testsupport::ProgramUnderTest program ({ NOLV_PROGRAM_PATH }, programLog);
        EXPECT_EQ (tonesThroughTheProgram (48000.0), expectedTones) << programLog.loadFileAsString();

        program.terminate();
        ASSERT_TRUE (program.succeeds (5000)) << "wait status " << program.getStatus().value_or (-1) << "\n" << programLog.loadFileAsString();
    }

    const auto settings = openSettingsFile();
    EXPECT_TRUE (settings->containsKey ("windowX") && settings->containsKey ("windowY"));
    const auto setup = settings->getValue ("audioSetup");
    EXPECT_TRUE (setup.contains ("deviceType=\"JACK\"") && setup.contains ("audioDeviceRate=\"48000")) << setup;
}

TEST_F (StandaloneProgram, KeepsConnectionsMadeTheMomentItsPortsAppearWithAStoredLayoutAndOnAFreshInstall)
{
    // Opening the device a second time at start would drop every connection a session manager
    // restores as soon as the ports appear.
    for (const bool freshInstall : { false, true })
    {
        SCOPED_TRACE (freshInstall ? "fresh install" : "stored layouts");

        if (freshInstall)
        {
            ASSERT_TRUE (getSettingsFile().deleteFile());

            // A fresh install opens the first type with devices, which is ALSA on a machine with a sound card.
            std::unique_ptr<juce::AudioIODeviceType> alsa (juce::AudioIODeviceType::createAudioIODeviceType_ALSA());
            alsa->scanForDevices();

            if (! alsa->getDeviceNames().isEmpty())
                GTEST_SKIP() << "a fresh install opens a sound card here, not the JACK server";
        }

        const auto programLog = logFile (freshInstall ? "fresh" : "stored");
        testsupport::ProgramUnderTest program ({ NOLV_PROGRAM_PATH }, programLog);
        testsupport::JackToneProbe probe ({}, 48000.0);
        const auto ins = freshInstall ? testsupport::JackToneProbe::allSix : channelsOf (savedInputLayout);
        const auto outs = freshInstall ? testsupport::JackToneProbe::allSix : channelsOf (savedOutputLayout);
        ASSERT_TRUE (probe.plugInto ("NOLV51", ins, outs)) << programLog.loadFileAsString();

        // Three seconds by the server's clock.
        ASSERT_TRUE (probe.record (3 * 48000).has_value());
        EXPECT_TRUE (probe.isStillPlugged()) << programLog.loadFileAsString();

        program.terminate();
        ASSERT_TRUE (program.succeeds (5000)) << programLog.loadFileAsString();
    }
}

TEST_F (StandaloneProgram, OpensItsDeviceAgainWhenTheServerComesBackAtAnotherRate)
{
    const auto programLog = logFile ("program");
    testsupport::ProgramUnderTest program ({ NOLV_PROGRAM_PATH }, programLog);
    ASSERT_EQ (tonesThroughTheProgram (48000.0), expectedTones) << programLog.loadFileAsString();

    // Stopped in good order first, then a server under the same name at another rate dies.
    ASSERT_TRUE (jack.stop());

    {
        testsupport::PrivateJackServer dying (work.getFolder(), 44100, jack.getName());
        ASSERT_TRUE (dying.waitUntilRunning()) << dying.getLog().loadFileAsString();
        ASSERT_TRUE (program.isRunning()) << programLog.loadFileAsString();
        EXPECT_EQ (tonesThroughTheProgram (44100.0), expectedTones) << programLog.loadFileAsString();
        EXPECT_TRUE (programLog.loadFileAsString().contains ("Audio device system: reopened at 44100 Hz")) << programLog.loadFileAsString();
        dying.kill();
    }

    // This one takes back the dead server's place in JACK's registry of servers (eight places,
    // which a kill never frees).
    testsupport::PrivateJackServer again (work.getFolder(), 48000, jack.getName());
    ASSERT_TRUE (again.waitUntilRunning()) << again.getLog().loadFileAsString();
    EXPECT_EQ (tonesThroughTheProgram (48000.0), expectedTones) << programLog.loadFileAsString();
    EXPECT_TRUE (programLog.loadFileAsString().contains ("Audio device system: reopened at 48000 Hz")) << programLog.loadFileAsString();

    program.terminate();
    EXPECT_TRUE (program.succeeds (5000)) << programLog.loadFileAsString();
    EXPECT_TRUE (again.stop());
}

TEST_F (StandaloneProgram, TakesUpItsStoredDeviceWhenTheServerStartsAfterIt)
{
    // The boot order where the JACK server comes up after the meter.
    ASSERT_TRUE (jack.stop());
    const auto programLog = logFile ("program");
    testsupport::ProgramUnderTest program ({ NOLV_PROGRAM_PATH }, programLog);
    const auto retrying = [&] { return programLog.loadFileAsString().contains ("No audio device is open; trying to open system again"); };
    ASSERT_TRUE (testsupport::waitUntil (retrying, 30000)) << programLog.loadFileAsString();

    testsupport::PrivateJackServer later (work.getFolder(), 48000, jack.getName());
    ASSERT_TRUE (later.waitUntilRunning()) << later.getLog().loadFileAsString();
    EXPECT_EQ (tonesThroughTheProgram (48000.0), expectedTones) << programLog.loadFileAsString();
    EXPECT_TRUE (programLog.loadFileAsString().contains ("Audio device system opened at 48000 Hz")) << programLog.loadFileAsString();

    program.terminate();
    EXPECT_TRUE (program.succeeds (5000)) << programLog.loadFileAsString();
    EXPECT_TRUE (later.stop());
}

TEST_F (StandaloneProgram, WithAStoredFollowTransportFlagSpaceStartsAndFinishesAReportAndAStandardChosenThenOutlivesAKill)
{
    const auto reportFolder = work.getFolder().getChildFile ("reports");

    {
        OvexjuceLoudnessAudioProcessor processor (nullptr);
        processor.setParameterValue (followTransportFlagIndex, 1.0f);
        processor.setStringParameter (logFilePathIndex, reportFolder.getFullPathName());
        juce::MemoryBlock state;
        processor.getStateInformation (state);
        ASSERT_NE (std::string (static_cast<const char*> (state.getData()), state.getSize()).find ("followTransportFlag=\"1\""), std::string::npos);
        auto settings = openSettingsFile();
        settings->setValue ("filterState", state.toBase64Encoding());
        ASSERT_TRUE (settings->save());
    }

    const auto programLog = logFile ("program");
    testsupport::ProgramUnderTest program ({ NOLV_PROGRAM_PATH }, programLog);
    const auto xdotool = [this] (std::vector<std::string> arguments)
    {
        arguments.insert (arguments.begin(), "xdotool");
        return testsupport::runsToSuccess (std::move (arguments), logFile ("xdotool"), 60000);
    };

    // Once the window shows, with the editor in its middle, a click gives it the keyboard.
    const auto geometry = logFile ("geometry");
    ASSERT_TRUE (testsupport::runsToSuccess ({ "xdotool", "search", "--sync", "--onlyvisible", "--name", productInfo::productTitle, "getwindowgeometry" },
                                             geometry, 60000)) << programLog.loadFileAsString();
    const auto size = geometry.loadFileAsString().fromFirstOccurrenceOf ("Geometry: ", false, false);
    const juce::Point<int> editorOrigin { (size.getIntValue() - 1024) / 2, (size.fromFirstOccurrenceOf ("x", false, false).getIntValue() - 768) / 2 };
    const auto clickAt = [&] (int x, int y)
    {
        return xdotool ({ "search", "--onlyvisible", "--name", productInfo::productTitle, "mousemove", "--window", "%1",
                          std::to_string (editorOrigin.x + x), std::to_string (editorOrigin.y + y), "click", "1" });
    };

    ASSERT_TRUE (clickAt (900, 120));

    const auto stopTime = [&]() -> juce::String
    {
        const auto reports = reportFolder.findChildFiles (juce::File::findFiles, false, "*.xml");
        const auto xml = reports.size() == 1 ? juce::parseXML (reports[0]) : nullptr;
        return xml != nullptr ? reporttest::reportAttribute (*xml, "StopTime", "value") : "(no report)";
    };

    ASSERT_TRUE (xdotool ({ "key", "space" }));
    ASSERT_TRUE (testsupport::waitUntil ([&] { return stopTime().isEmpty(); }, 10000)) << stopTime() << "\n" << programLog.loadFileAsString();
    ASSERT_TRUE (xdotool ({ "key", "space" }));
    EXPECT_TRUE (testsupport::waitUntil ([&] { return stopTime().isNotEmpty() && stopTime() != "(no report)"; }, 10000)) << stopTime();

    // ATSC on the settings page reaches the settings file while the program runs, before any exit
    // (the program is killed when the test ends).
    const auto storedState = []
    {
        juce::MemoryBlock state;
        decodeFilterStateText (openSettingsFile()->getValue ("filterState"), state);
        return std::string (static_cast<const char*> (state.getData()), state.getSize());
    };

    ASSERT_TRUE (clickAt (510, 50) && clickAt (192, 227));
    EXPECT_TRUE (testsupport::waitUntil ([&] { return storedState().find ("measurementStandard=\"1\"") != std::string::npos; }, 10000)) << storedState();
}
