#include "ComponentRendering.h"
#include "FilterStateText.h"
#include "JackToneProbe.h"
#include "NolvColours.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "PrivateJackServer.h"
#include "PrivateXServer.h"
#include "ProductInfo.h"
#include "ProgramUnderTest.h"
#include "RemoteTestKit.h"
#include "ReportFiles.h"
#include "ScopedEnvironmentVariable.h"
#include "ScopedTemporaryFolder.h"
#include "SettingsFile.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>
#include <juce_graphics/juce_graphics.h>

#include <cmath>

// The real program as a user drives it: its own X server and JACK server, the EBU case-1 tone
// played into it, keys and clicks through xdotool, and the result judged from its window, its
// report files, its remote stream and the settings it leaves.

namespace
{
constexpr double sampleRate = 48000.0;

class ProgramAcceptance : public testing::Test
{
protected:
    bool xdotool (std::vector<std::string> arguments)
    {
        arguments.insert (arguments.begin(), "xdotool");
        const auto log = work.getChildFile ("xdotool.log");

        if (testsupport::runsToSuccess (std::move (arguments), log, 10000))
            return true;

        ADD_FAILURE() << log.loadFileAsString();
        return false;
    }

    /** Clicks the editor at a point of its own. The window is looked up each time: the program
        may replace its first window while it starts. */
    bool clickAt (juce::Point<int> p, bool click = true)
    {
        const auto window = testsupport::findWindowId (productInfo::productTitle, work.getFolder());
        const auto at = p + editorOrigin;
        std::vector<std::string> words { "mousemove", "--window", window.value_or (""), std::to_string (at.x), std::to_string (at.y) };

        if (click)
            words.insert (words.end(), { "click", "1" });

        return window.has_value() && xdotool (words);
    }

    bool press (const std::string& keys) { return xdotool ({ "key", keys }); }

    /** The window as it is now, with the editor at (0, 0). */
    juce::Image screenshot (const juce::String& name)
    {
        const auto file = testsupport::artifactFile (name);
        file.deleteFile();

        if (! testsupport::takeWindowScreenshot (productInfo::productTitle, file, work.getFolder()))
            return {};

        const auto whole = juce::ImageFileFormat::loadFrom (file);
        editorOrigin = { (whole.getWidth() - 1024) / 2, (whole.getHeight() - 768) / 2 };
        return whole.getClippedImage ({ editorOrigin.x, editorOrigin.y, 1024, 768 });
    }

    /** A screenshot once it shows what the check looks for (the program draws a moment after an
        input), or the last one taken when it never does within the time-out. */
    juce::Image screenshotShowing (const juce::String& name, const std::function<bool (const juce::Image&)>& check)
    {
        juce::Image last;
        testsupport::waitUntil ([&] { last = screenshot (name); return last.isValid() && check (last); }, 20000);
        return last;
    }

    /** Whether the program's window shows within the time-out, with the editor found in it. */
    bool openWindow()
    {
        return testsupport::waitUntil ([this] { return screenshot ("acceptance-window.png").isValid(); }, 60000);
    }

    juce::Array<juce::File> reports() const
    {
        return reportFolder.findChildFiles (juce::File::findFiles, false, "NOLV51Log_*.xml");
    }

    static bool sameArea (const juce::Image& a, const juce::Image& b, juce::Rectangle<int> area)
    {
        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                    return false;

        return true;
    }

    // The program inherits the temporary HOME the shared test main gives this binary.
    testsupport::ScopedTemporaryFolder work;
    testsupport::ScopedEnvironmentVariable timeZone { "TZ", "UTC0" };
    const juce::File reportFolder = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".local/state/miLOR/NOLV");
    testsupport::PrivateJackServer jack { work.getFolder(), (int) sampleRate };
    testsupport::PrivateXServer display { work.getFolder() };
    juce::Point<int> editorOrigin;
};

// Where the editor shows what (its own coordinates).
const juce::Rectangle<int> integratedValueArea { 227, 314, 76, 25 };
const juce::Rectangle<int> integratedCaptionArea { 227, 360, 76, 18 };
const juce::Rectangle<int> atscArea { 55, 190, 300, 75 }; // the three standard buttons
const juce::Rectangle<int> titleArea { 265, 160, 500, 24 };
const juce::Rectangle<int> firstReportName { 64, 125, 178, 22 };
const juce::Point<int> playArea { 900, 120 }, meterButton { 282, 50 }, settingsButton { 510, 50 }, logButton { 624, 50 },
    lockButton { 738, 50 }, audioSettingsButton { 396, 50 }, firstReportRow { 60, 136 }, atscButton { 192, 227 }, portField { 668, 528 }, startButton { 837, 528 };
} // namespace

TEST_F (ProgramAcceptance, MeasuresReportsSwitchesLocksStreamsAndRemembersAsAUserSeesIt)
{
    ASSERT_TRUE (jack.waitUntilRunning()) << jack.getLog().loadFileAsString();
    ASSERT_TRUE (display.waitUntilRunning()) << display.getLog().loadFileAsString();

    // A first run on the JACK server, whose filter state routes every role.
    {
        auto settings = openSettingsFile();
        settings->setValue ("audioSetup", "<DEVICESETUP deviceType=\"JACK\" audioOutputDeviceName=\"system\" audioInputDeviceName=\"system\"/>");
        ASSERT_TRUE (settings->save());
    }

    const auto programLog = work.getChildFile ("program.log");
    auto program = std::make_unique<testsupport::ProgramUnderTest> (std::vector<std::string> { NOLV_PROGRAM_PATH }, programLog);
    ASSERT_TRUE (openWindow()) << programLog.loadFileAsString();

    // EBU Tech 3341 case 1: 1 kHz at -23 dBFS on L and R.
    const float amplitude = std::pow (10.0f, -23.0f / 20.0f);
    testsupport::JackToneProbe probe ({ { { 1000.0, amplitude }, { 1000.0, amplitude }, {}, {}, {}, {} } }, sampleRate);
    ASSERT_TRUE (probe.plugInto ("NOLV51")) << programLog.loadFileAsString();

    const auto firstScreen = screenshot ("acceptance-first-screen.png");
    ASSERT_TRUE (firstScreen.isValid());

    // A measurement of about twelve seconds, started and stopped with the space key.
    ASSERT_TRUE (clickAt (playArea));
    ASSERT_TRUE (press ("space"));
    ASSERT_TRUE (testsupport::waitUntil ([this] { return reports().size() == 1; }, 10000)) << programLog.loadFileAsString();
    const auto csv = reports()[0].withFileExtension ("csv");
    // About ten seconds of momentary and short-term rows.
    ASSERT_TRUE (testsupport::waitUntil ([&] { return juce::StringArray::fromLines (csv.loadFileAsString()).size() > 120; }, 30000));

    const auto measuring = screenshot ("acceptance-meter-page.png");
    ASSERT_TRUE (measuring.isValid());
    const auto isMeterPage = [&] (const juce::Image& shot) { return sameArea (shot, measuring, { 225, 140, 80, 40 }); };
    EXPECT_GT (testsupport::countMatching (measuring, integratedValueArea, nolvColours::green, 40), 40) << "-23.0 in green";
    EXPECT_EQ (testsupport::countMatching (firstScreen, integratedValueArea, nolvColours::green, 40), 0);

    // The bars where the bar law puts -23: the momentary fill's top at row 367, the L and R
    // true-peak fills' at 414.
    const auto near = [&measuring] (int x, int y, juce::Colour colour)
    { return testsupport::coloursMatch (measuring.getPixelAt (x, y), colour, 12); };
    EXPECT_TRUE (near (84, 380, nolvColours::blue));
    EXPECT_FALSE (near (84, 355, nolvColours::blue));
    EXPECT_TRUE (near (727, 450, nolvColours::green) && near (767, 450, nolvColours::green));
    EXPECT_FALSE (near (727, 400, nolvColours::green) || near (767, 400, nolvColours::green));
    EXPECT_FALSE (near (807, 450, nolvColours::green)) << "nothing on C";

    ASSERT_TRUE (press ("space"));
    ASSERT_TRUE (testsupport::waitUntil ([this]
    {
        const auto xml = juce::parseXML (reports()[0]);
        return xml != nullptr && reporttest::reportAttribute (*xml, "IntegratedLoudness", "value").isNotEmpty();
    }, 10000));

    {
        ASSERT_EQ (reports().size(), 1);
        EXPECT_TRUE (csv.existsAsFile());
        const auto xml = juce::parseXML (reports()[0]);
        ASSERT_NE (xml, nullptr);
        EXPECT_EQ (reporttest::reportAttribute (*xml, "IntegratedLoudness", "value"), "-23.0");
        EXPECT_EQ (reporttest::reportAttribute (*xml, "IntegratedLoudness", "unit"), "LUFS");
        EXPECT_EQ (reporttest::reportAttribute (*xml, "LoudnessRange", "unit"), "LU");
        // A cycle the tone's client misses on a busy machine cuts the sine, and the cut peaks higher
        // than the sine (by up to about 0.6 dB); nothing can make it peak lower.
        const auto maxTruePeak = reporttest::reportAttribute (*xml, "MaxTruePeak", "value");
        EXPECT_TRUE (maxTruePeak.containsOnly ("-.0123456789") && maxTruePeak.getFloatValue() >= -23.1f
                     && maxTruePeak.getFloatValue() <= -22.0f) << maxTruePeak;
        EXPECT_EQ (reporttest::reportAttribute (*xml, "MaxTruePeak", "unit"), "dBTP");
    }

    // The log page lists the report; choosing it draws its short-term history: the -23 LUFS tone
    // runs level across the graph once the first three seconds are in.
    // The folder is listed, and the report read, on the page's own threads: each shows a moment later.
    ASSERT_TRUE (clickAt (logButton));
    const auto isListed = [] (const juce::Image& shot) { return testsupport::countMatching (shot, firstReportName, juce::Colours::white, 40) > 20; };
    const auto logPage = screenshotShowing ("acceptance-log-page.png", [&] (const juce::Image& shot) { return ! isMeterPage (shot) && isListed (shot); });
    ASSERT_TRUE (isListed (logPage)) << "the report's row";
    ASSERT_TRUE (clickAt (firstReportRow));
    const auto curveAt = [] (const juce::Image& shot, int y) { return testsupport::countMatching (shot, { 50, y - 10, 940, 20 }, nolvColours::shortTermCurve, 30); };
    const auto chosen = screenshotShowing ("acceptance-log-page-report.png", [&] (const juce::Image& shot)
    { return ! sameArea (shot, logPage, titleArea) && curveAt (shot, 576) > 300; });
    EXPECT_FALSE (sameArea (chosen, logPage, titleArea)) << "the report's title shows";
    EXPECT_GT (curveAt (chosen, 576), 300) << "the short-term curve along -23";
    EXPECT_LT (curveAt (chosen, 476), 20);

    // ATSC on the settings page; the meter page then reads LKFS.
    ASSERT_TRUE (clickAt (settingsButton));
    ASSERT_TRUE (clickAt (atscButton));
    const auto settingsPage = screenshotShowing ("acceptance-settings-page.png", [&] (const juce::Image& shot) { return ! sameArea (shot, measuring, atscArea); });
    ASSERT_TRUE (clickAt (meterButton));
    const auto lkfs = screenshotShowing ("acceptance-meter-page-atsc.png", [&] (const juce::Image& shot) { return isMeterPage (shot) && ! sameArea (shot, measuring, integratedCaptionArea); });
    EXPECT_FALSE (sameArea (lkfs, measuring, integratedCaptionArea)) << "LUFS became LKFS";

    // Locked, neither space nor Tab and space start a report.
    ASSERT_TRUE (clickAt (lockButton));
    const auto locked = screenshotShowing ("acceptance-locked.png", [] (const juce::Image& shot) { return shot.getPixelAt (300, 50) == juce::Colours::black; });
    EXPECT_EQ (locked.getPixelAt (300, 50), juce::Colours::black);
    ASSERT_TRUE (press ("space"));
    ASSERT_TRUE (press ("Tab"));
    ASSERT_TRUE (press ("space"));
    EXPECT_FALSE (testsupport::waitUntil ([this] { return reports().size() > 1; }, 2000)) << "a report started while locked";
    ASSERT_TRUE (clickAt (lockButton));

    // The remote server, started from the settings page on a free port.
    const int port = remotetest::freePort();
    ASSERT_GT (port, 0);
    ASSERT_TRUE (clickAt (settingsButton));
    ASSERT_TRUE (clickAt (portField));
    ASSERT_TRUE (xdotool ({ "type", std::to_string (port) }));
    ASSERT_TRUE (clickAt (startButton));

    {
        remotetest::FramedTestClient client;
        ASSERT_TRUE (testsupport::waitUntil ([&] { return client.connect (port); }, 5000));
        EXPECT_TRUE (client.readFrame().has_value()) << "a framed bundle within the read's time-out";
    }

    // The pointer rests on Start, a little off where it clicked (no hint shows where the last click
    // was), in the program that has the focus (only the foreground program shows hints): the hint
    // shows above and to the left of it.
    const auto window = testsupport::findWindowId (productInfo::productTitle, work.getFolder());
    ASSERT_TRUE (window.has_value() && xdotool ({ "windowfocus", "--sync", *window }));
    ASSERT_TRUE (clickAt (startButton + juce::Point<int> (6, 4), false));
    const juce::Rectangle<int> besideStart { 600, 521, 200, 5 }; // above the port field
    const auto connected = screenshotShowing ("acceptance-settings-connected.png", [&] (const juce::Image& shot) { return ! sameArea (shot, settingsPage, besideStart); });
    EXPECT_FALSE (sameArea (connected, settingsPage, besideStart)) << "the Start hint shows";
    ASSERT_TRUE (clickAt (audioSettingsButton));
    screenshotShowing ("acceptance-audio-settings-page.png", [&] (const juce::Image& shot) { return ! sameArea (shot, connected, { 540, 500, 340, 60 }); });

    program->terminate();
    ASSERT_TRUE (program->succeeds (10000)) << "wait status " << program->getStatus().value_or (-1) << "\n" << programLog.loadFileAsString();

    {
        juce::MemoryBlock stored;
        ASSERT_TRUE (decodeFilterStateText (openSettingsFile()->getValue ("filterState"), stored));
        OvexjuceLoudnessAudioProcessor restored (nullptr);
        restored.setStateInformation (stored.getData(), (int) stored.getSize());
        EXPECT_EQ (restored.params.measurementStandard, 1.0f);
        EXPECT_EQ (restored.params.logFilePath, reportFolder.getFullPathName());
    }

    // A second run shows ATSC again, on both pages.
    program = std::make_unique<testsupport::ProgramUnderTest> (std::vector<std::string> { NOLV_PROGRAM_PATH }, programLog);
    ASSERT_TRUE (openWindow());
    ASSERT_TRUE (testsupport::waitUntil ([&] { return sameArea (screenshot ("acceptance-restarted.png"), lkfs, integratedCaptionArea); }, 10000));
    ASSERT_TRUE (clickAt (settingsButton));
    EXPECT_TRUE (sameArea (screenshotShowing ("acceptance-restarted-settings.png", [&] (const juce::Image& shot) { return sameArea (shot, settingsPage, atscArea); }),
                           settingsPage, atscArea));

    program->terminate();
    EXPECT_TRUE (program->succeeds (10000));
}
