#include "DefaultLogLocations.h"
#include "OVEXReportLogger.h"
#include "ReportFiles.h"
#include "ReportText.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include <sys/wait.h>
#include <unistd.h>

namespace
{
using reporttest::reportMoment;

// The everyday forms (-23.1, -5.0, 9:07:03, "1 hr 5 mins", …) are pinned by the byte-exact file
// tests; these cover the edges those files never reach.
TEST (ReportText, OneDecimalRoundsHalvesAwayFromZeroKeepsTheSignAndNamesNonFiniteLevels)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();

    const std::pair<float, const char*> cases[] = {
        { 0.25f, "0.3" }, { -0.25f, "-0.3" }, { -1.25f, "-1.3" }, { -0.02f, "-0.0" }, { -0.05f, "-0.1" },
        { -0.0f, "0.0" }, { 12.96f, "13.0" }, { 3.0e9f, "3000000000.0" },
        { 999999986991104.0f, "999999986991104.0" }, { 1.0e20f, "100000002004087734272.0" },
        { -1.0e19f, "-9999999980506447872.0" },
        { nan, "nan" },   { inf, "inf" },     { -inf, "-inf" },
    };

    for (const auto& [level, text] : cases)
        EXPECT_EQ (formatOneDecimal (level), text) << "level " << level;
}

TEST (ReportText, DatesAndTimesFollowTheLocalZoneWithoutLeadingZeros)
{
    const testsupport::ScopedTimeZone zone ("CET-1");
    const juce::Time lastHalfHourOf2026InUtc (2026, 11, 31, 23, 30, 0, 0, false);

    EXPECT_EQ (dateText (lastHalfHourOf2026InUtc), "1 Jan 2027");
    EXPECT_EQ (timeText (lastHalfHourOf2026InUtc), "0:30:00");
    EXPECT_EQ (dateTimeText (lastHalfHourOf2026InUtc), "1 Jan 2027 0:30:00");
    EXPECT_EQ (reportTimeStamp (lastHalfHourOf2026InUtc), "1_Jan_2027_0_30_0");
}

TEST (ReportText, DurationsShowAtMostTwoFieldsLargestFirst)
{
    const double minute = 60.0, hour = 3600.0, day = 86400.0;

    const std::pair<double, const char*> cases[] = {
        { 0.0005, "0" }, { 0.005, "5 ms" }, { 45.0, "45 secs" }, { -45.0, "-45 secs" }, { 1.0e12, "" },
        { 2.0 * day + 3.0 * hour, "2 days 3 hrs" }, { std::numeric_limits<double>::quiet_NaN(), "" },
        { 8.0 * day + 3.0 * hour + 20.0 * minute, "1 week 1 day" },
    };

    for (const auto& [seconds, text] : cases)
        EXPECT_EQ (durationText (seconds), text) << seconds << " s";
}

TEST (ReportText, ACutKeepsWholeUtf8CharactersOnly)
{
    const std::string text = "ab\xc3\xa9\xe9\x9f\xb3"; // a, b, two bytes, three bytes

    const std::pair<size_t, size_t> cases[] = { { 9, 7 }, { 7, 7 }, { 6, 4 }, { 5, 4 }, { 4, 4 }, { 3, 2 }, { 0, 0 } };

    for (const auto& [maximum, kept] : cases)
        EXPECT_EQ (utf8CutLength (text.data(), text.size(), maximum), kept) << maximum;
}

TEST (DefaultLogLocations, EmptyFolderOrNameEachFallsBackOnItsOwnAndTheDefaultFolderIsNotCreatedByAsking)
{
    const testsupport::ScopedTimeZone zone ("UTC0");
    const testsupport::ScopedTemporaryFolder temp;
    // The shared test main runs every binary with HOME in a temporary folder.
    const auto stateFolder = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".local/state/miLOR/NOLV");

    EXPECT_EQ (defaultLogFolder(), stateFolder);
    EXPECT_FALSE (stateFolder.exists());
    EXPECT_EQ (makeReportFile ("", "Show", reportMoment()), stateFolder.getChildFile ("Show_5_Dec_2026_9_7_3.xml"));
    EXPECT_EQ (makeReportFile (temp.getFolder().getFullPathName(), "", reportMoment()),
               temp.getChildFile ("NOLV51Log_5_Dec_2026_9_7_3.xml"));
    stateFolder.deleteRecursively();
}

TEST (DefaultLogLocations, ABaseNameStaysInItsFolderAndListedAndTheCsvLogSitsBesideItsReport)
{
    const testsupport::ScopedTimeZone zone ("UTC0");
    const testsupport::ScopedTemporaryFolder temp;
    const auto folder = temp.getChildFile ("logs.xml.d");

    const std::pair<const char*, const char*> cases[] = {
        { "../../escape/x", "_._.._escape_x_5_Dec_2026_9_7_3.xml" },
        { ".hidden", "_hidden_5_Dec_2026_9_7_3.xml" },
        { "a\\b", "a_b_5_Dec_2026_9_7_3.xml" },
    };

    for (const auto& [baseName, fileName] : cases)
    {
        const auto report = makeReportFile (folder.getFullPathName(), baseName, reportMoment());
        EXPECT_EQ (report, folder.getChildFile (fileName)) << baseName;
        EXPECT_TRUE (report.existsAsFile()) << baseName;
    }

    EXPECT_EQ (temp.getFolder().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1);
    EXPECT_EQ (csvCompanionOf (folder.getChildFile ("r.xml")), folder.getChildFile ("r.csv"));
    EXPECT_EQ (csvCompanionOf (folder.getChildFile ("r")), folder.getChildFile ("r.csv"));
}

TEST (DefaultLogLocations, ABaseNameTooLongForTheFileSystemIsCutInWholeCharactersAndItsReportAndLogAreWritten)
{
    const testsupport::ScopedTimeZone zone ("UTC0");
    const testsupport::ScopedTemporaryFolder temp;
    const juce::String a ("a"), yin (juce::CharPointer_UTF8 ("\xe9\x9f\xb3")); // three bytes

    // 255 bytes hold ".", the base, "_5_Dec_2026_9_7_3", "_NN" and the writer's "_tempffffffff.xml":
    // 217 bytes of base, which splits the 73rd three-byte character.
    const std::pair<juce::String, juce::String> cases[] = {
        { juce::String::repeatedString (a, 300), juce::String::repeatedString (a, 217) },
        { juce::String::repeatedString (yin, 300), juce::String::repeatedString (yin, 72) },
    };

    for (const auto& [baseName, cut] : cases)
    {
        for (const auto* suffix : { "", "_2" })
        {
            const auto report = makeReportFile (temp.getFolder().getFullPathName(), baseName, reportMoment());
            EXPECT_EQ (report.getFileName(), cut + "_5_Dec_2026_9_7_3" + suffix + ".xml");

            auto logger = std::make_unique<OVEXReportLogger>();
            logger->setLogFile (report);
            logger->setStartTime (reportMoment());
            logger->logMomentary (reportMoment (1), -23.0f);
            logger->setIntegratedLoudness ("LUFS", -23.0f);
            logger.reset();

            const auto xml = juce::parseXML (report);
            ASSERT_NE (xml, nullptr) << report.getFileName();
            EXPECT_EQ (reporttest::reportAttribute (*xml, "IntegratedLoudness", "value"), "-23.0");
            EXPECT_EQ (reporttest::splitCrLf (reporttest::readBytes (csvCompanionOf (report)))[1],
                       "MomentaryLoudness, -23.0, 5 Dec 2026, 9:07:04");
        }
    }
}

TEST (DefaultLogLocations, EachReportClaimsANameNoReportOrCsvLogHasEvenFromProcessesStartedAtOnce)
{
    const testsupport::ScopedTimeZone zone ("UTC0");
    const testsupport::ScopedTemporaryFolder temp;
    const auto next = [folder = temp.getFolder().getFullPathName()]
    { return makeReportFile (folder, "R", reportMoment()).getFileName(); };

    EXPECT_EQ (next(), "R_5_Dec_2026_9_7_3.xml");
    EXPECT_TRUE (temp.getChildFile ("R_5_Dec_2026_9_7_3.xml").existsAsFile());
    EXPECT_EQ (next(), "R_5_Dec_2026_9_7_3_2.xml");

    // A CSV log left without its report.
    ASSERT_TRUE (temp.getChildFile ("R_5_Dec_2026_9_7_3_3.csv").create());
    EXPECT_EQ (next(), "R_5_Dec_2026_9_7_3_4.xml");

    // Eight programs let go at the same moment each claim a file of their own.
    constexpr int programs = 8;
    int go[2];
    ASSERT_EQ (::pipe (go), 0);

    for (int i = 0; i < programs; ++i)
    {
        if (::fork() == 0)
        {
            char unused;
            ::close (go[1]);
            [[maybe_unused]] const auto released = ::read (go[0], &unused, 1); // returns once the test closes go
            next();
            ::_exit (0);
        }
    }

    ::close (go[0]);
    ::close (go[1]);

    for (int i = 0; i < programs; ++i)
        ::wait (nullptr);

    EXPECT_EQ (temp.getFolder().getNumberOfChildFiles (juce::File::findFiles), 4 + programs);
}
} // namespace
