#include "FilterStateText.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "ScopedSettingsFolder.h"
#include "ScopedTemporaryFolder.h"
#include "SettingsFile.h"
#include "SpawnedProcess.h"

#include <gtest/gtest.h>

#include <juce_graphics/juce_graphics.h>

#include <csignal>
#include <cstdlib>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

// The real program, run against a private JACK server with the dummy driver, judged from outside:
// the audio it passes through, the window it shows and the settings file it leaves.

namespace
{
// Every input is used and the outputs used are 0 to 3, so device channel numbers are also the
// positions of the channels in the program's audio block.
const ChannelLayout savedInputLayout { 3, 5, 0, 1, 4, 2 };
const ChannelLayout savedOutputLayout { 2, 0, -1, 3, 1, -1 };

// The framework's own name for its JACK client.
const char* const programClient = "JUCEJack";

constexpr int serverTimeoutMilliseconds = 30000;
constexpr int probeTimeoutMilliseconds = 60000;
constexpr int quitTimeoutMilliseconds = 5000;

/** Output channel by output channel, the input channel whose tone it should carry, -1 for silence. */
juce::String expectedTones()
{
    int toneOnOutput[6] = { -1, -1, -1, -1, -1, -1 };

    for (size_t role = 0; role < 6; ++role)
        if (savedOutputLayout[role] >= 0)
            toneOnOutput[savedOutputLayout[role]] = savedInputLayout[role];

    juce::StringArray tones;

    for (int tone : toneOnOutput)
        tones.add (juce::String (tone));

    return tones.joinIntoString (" ");
}

juce::String describe (std::optional<int> status)
{
    if (! status.has_value())
        return "still running";

    if (WIFSIGNALED (*status))
        return "killed by signal " + juce::String (WTERMSIG (*status));

    return "exit status " + juce::String (WEXITSTATUS (*status));
}

class StandaloneProgram : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE (std::getenv ("DISPLAY"), nullptr) << "runs under a virtual X server";

        serverName = "nolv" + std::to_string (getpid());
        setenv ("JACK_DEFAULT_SERVER", serverName.c_str(), 1);

        jackd = std::make_unique<SpawnedProcess> (std::vector<std::string> { "jackd", "-n", serverName, "--no-realtime", "-d", "dummy",
                                                                             "-r", "48000", "-p", "512", "-C", "6", "-P", "6" },
                                                  logFile ("jackd"));
        ASSERT_TRUE (runToSuccess ({ "jack_wait", "-w", "-s", serverName, "-t", "20" }, logFile ("jack_wait"), serverTimeoutMilliseconds))
            << logFile ("jackd").loadFileAsString();
    }

    void TearDown() override
    {
        if (jackd != nullptr)
        {
            jackd->sendSignal (SIGTERM);
            jackd->waitForExit (quitTimeoutMilliseconds);
            jackd = nullptr;
        }

        unsetenv ("JACK_DEFAULT_SERVER");
    }

    juce::File logFile (const juce::String& name) const { return work.getFolder().getChildFile (name + ".log"); }

    static void storeSettings()
    {
        OvexjuceLoudnessAudioProcessor processor (nullptr);
        processor.setInputLayout (savedInputLayout);
        processor.setOutputLayout (savedOutputLayout);
        juce::MemoryBlock state;
        processor.getStateInformation (state);

        juce::XmlElement setup ("DEVICESETUP");
        setup.setAttribute ("deviceType", "JACK");
        setup.setAttribute ("audioOutputDeviceName", "system");
        setup.setAttribute ("audioInputDeviceName", "system");

        auto settings = openSettingsFile();
        settings->setValue ("filterState", state.toBase64Encoding());
        settings->setValue ("audioSetup", &setup);
        ASSERT_TRUE (settings->save());
    }

    static void expectSavedSettings()
    {
        const auto file = juce::parseXML (getSettingsFile());
        ASSERT_NE (file, nullptr);

        juce::StringArray keys;

        for (auto* value : file->getChildWithTagNameIterator ("VALUE"))
            keys.add (value->getStringAttribute ("name"));

        keys.sort (false);
        EXPECT_EQ (keys, juce::StringArray ({ "audioSetup", "filterState", "windowX", "windowY" }));

        const auto settings = openSettingsFile();
        juce::MemoryBlock state;
        ASSERT_TRUE (decodeFilterStateText (settings->getValue ("filterState"), state));

        OvexjuceLoudnessAudioProcessor restored (nullptr);
        restored.setStateInformation (state.getData(), (int) state.getSize());
        EXPECT_EQ (restored.inputLayout, savedInputLayout);
        EXPECT_EQ (restored.outputLayout, savedOutputLayout);

        const auto setup = settings->getXmlValue ("audioSetup");
        ASSERT_NE (setup, nullptr);
        EXPECT_EQ (setup->getStringAttribute ("deviceType"), "JACK");
        EXPECT_EQ (setup->getStringAttribute ("audioInputDeviceName"), "system");
        EXPECT_EQ (setup->getDoubleAttribute ("audioDeviceRate"), 48000.0);
    }

    struct WindowInfo
    {
        std::string id;
        juce::String description;
    };

    /** The program's window as xwininfo describes it once it is mapped, or nothing. Its name is
        stored as UTF-8, which only the tree listing shows, so the window is found there first. */
    std::optional<WindowInfo> waitForViewableWindow() const
    {
        const auto tree = logFile ("xwininfo-tree");
        const auto window = logFile ("xwininfo-window");

        for (int attempt = 0; attempt < 100; ++attempt)
        {
            tree.deleteFile();
            window.deleteFile();

            if (runToSuccess ({ "xwininfo", "-root", "-tree" }, tree, 5000))
            {
                juce::StringArray lines;
                lines.addLines (tree.loadFileAsString());

                for (const auto& line : lines)
                {
                    if (! line.contains ("\"NOLv 5.1\""))
                        continue;

                    const auto id = line.trim().upToFirstOccurrenceOf (" ", false, false).toStdString();

                    if (runToSuccess ({ "xwininfo", "-id", id }, window, 5000) && window.loadFileAsString().contains ("IsViewable"))
                        return WindowInfo { id, window.loadFileAsString() };
                }
            }

            juce::Thread::sleep (100);
        }

        return std::nullopt;
    }

    static int numberAfter (const juce::String& text, const juce::String& label)
    {
        return text.fromFirstOccurrenceOf (label, false, false).trim().getIntValue();
    }

    ScopedSettingsFolder settingsFolder;
    testsupport::ScopedTemporaryFolder work;
    std::string serverName;
    std::unique_ptr<SpawnedProcess> jackd;
};
} // namespace

TEST_F (StandaloneProgram, PassesAudioThroughItsSavedLayoutsAndKeepsThemAcrossATerminatedRun)
{
    storeSettings();

    for (int run = 1; run <= 2; ++run)
    {
        SCOPED_TRACE ("run " + std::to_string (run));
        const auto programLog = logFile ("program-" + juce::String (run));
        SpawnedProcess program ({ NOLV_PROGRAM_PATH }, programLog);
        ASSERT_TRUE (program.hasStarted());

        const auto report = work.getFolder().getChildFile ("tones-" + juce::String (run) + ".txt");
        ASSERT_TRUE (runToSuccess ({ NOLV_PROBE_PATH, programClient, report.getFullPathName().toStdString() }, logFile ("probe"),
                                   probeTimeoutMilliseconds))
            << logFile ("probe").loadFileAsString() << programLog.loadFileAsString();
        EXPECT_EQ (report.loadFileAsString().trim(), expectedTones());

        if (run == 1)
        {
            // The editor fills the window; the title bar, if any, belongs to the window manager.
            const auto window = waitForViewableWindow();
            ASSERT_TRUE (window.has_value()) << "no window \"NOLv 5.1\" on the display";
            const int width = numberAfter (window->description, "Width:");
            const int height = numberAfter (window->description, "Height:");
            EXPECT_GE (width, 1024);
            EXPECT_GE (height, 768);

            const auto screenshot = juce::File (NOLV_ARTIFACT_DIR).getChildFile ("program-window.png");
            screenshot.deleteFile();
            EXPECT_TRUE (runToSuccess ({ "import", "-window", window->id, screenshot.getFullPathName().toStdString() }, logFile ("import"), 30000))
                << logFile ("import").loadFileAsString();

            const auto image = juce::ImageFileFormat::loadFrom (screenshot);
            EXPECT_EQ (image.getWidth(), width);
            EXPECT_EQ (image.getHeight(), height);
        }

        program.sendSignal (SIGTERM);
        const auto status = program.waitForExit (quitTimeoutMilliseconds);
        ASSERT_TRUE (status.has_value() && WIFEXITED (*status) && WEXITSTATUS (*status) == 0)
            << describe (status) << "\n" << programLog.loadFileAsString();

        expectSavedSettings();
    }
}
