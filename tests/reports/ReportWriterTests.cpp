#include "CapturingLogger.h"
#include "OVEXReportLogger.h"
#include "ReportFiles.h"
#include "ReportText.h"
#include "ScopedAllocationCounter.h"
#include "ScopedFileSizeLimit.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <regex>
#include <tuple>

namespace
{
using reporttest::readBytes;
using reporttest::reportMoment;

const std::string csvHeader = "Type, Value, Date, Time\r\n";

const std::string filledReport = juce::String (R"(<?xml version="1.0" encoding="UTF-8"?>

<QIT5.1Log>
  <UserSelectedTitle value="QIT51Log"/>
  <MeasurementInterval>
    <StartTime value="5 Dec 2026 9:07:03"/>
    <StopTime value="5 Dec 2026 10:12:03"/>
    <UpTime value="1 hr 5 mins"/>
  </MeasurementInterval>
  <IntegratedMeasurements>
    <IntegratedLoudness value="-23.0" unit="LUFS"/>
    <LoudnessRange value="6.3" unit="LU"/>
    <MaxShortTerm value="-22.5" unit="LUFS" maxTime="5 Dec 2026 9:07:10"/>
    <MaxMomentary value="-70.0" unit="LUFS" maxTime="5 Dec 2026 9:07:04"/>
    <MaxTruePeak value="-0.0" unit="dBTP" maxTime="5 Dec 2026 9:31:39"/>
  </IntegratedMeasurements>
</QIT5.1Log>
)").replace ("\n", "\r\n").toStdString();

// Right after the start every attribute is already there, with nothing in it.
const std::string skeleton =
    std::regex_replace (filledReport, std::regex (R"((value|unit|maxTime)="[^"]*")"), "$1=\"\"");

// The writers' thread is never started: the tests turn them by hand, so nothing waits on a thread.
class ReportWriters : public testing::Test
{
protected:
    void makeCsvWriter (const juce::File& reportXml)
    {
        csvWriter.emplace (thread, 1024);

        if (reportXml != juce::File())
            csvWriter->setLogFile (reportXml);
    }

    /** Momentary levels -0.1, -0.2, … -70.0, -0.1, … a second apart from reportMoment(), from row first. */
    void pushNumbered (int first, int count)
    {
        for (int i = first; i < first + count; ++i)
            ASSERT_EQ (1, csvWriter->pushEntry ({ OVEXLogEntry::momentary, -(float) (i % 700 + 1) / 10.0f,
                                                  reportMoment (i) }));
    }

    /** The lines pushNumbered's rows must become, worked out without the writer. */
    static std::string numberedRows (int first, int count)
    {
        std::string rows;

        for (int i = first; i < first + count; ++i)
            rows += "MomentaryLoudness, -" + std::to_string ((i % 700 + 1) / 10) + "."
                  + std::to_string ((i % 700 + 1) % 10) + ", 5 Dec 2026, "
                  + reporttest::clockText (9 * 3600 + 7 * 60 + 3 + i) + "\r\n";

        return rows;
    }

    OVEXXMLLogger& startXml (const juce::File& reportXml)
    {
        xmlWriter.emplace (thread);
        xmlWriter->startNewReport (reportXml);
        return *xmlWriter;
    }

    testsupport::ScopedTimeZone zone { "UTC0" };
    testsupport::ScopedTemporaryFolder temp;
    juce::File report = temp.getChildFile ("r.xml"), csv = temp.getChildFile ("r.csv");
    juce::TimeSliceThread thread { "test logger" };
    std::optional<OVEXTextCSVLogger> csvWriter;
    std::optional<OVEXXMLLogger> xmlWriter;
};

using CsvLog = ReportWriters;
using XmlReport = ReportWriters;
using ReportLogger = ReportWriters;

TEST_F (CsvLog, EntriesWaitForTheLogFileThenGoByteExactUnderAHeaderBesideTheReportInFoldersItMakes)
{
    makeCsvWriter ({});
    csvWriter->pushEntry ({ OVEXLogEntry::momentary, -23.1f, reportMoment() });
    csvWriter->pushEntry ({ OVEXLogEntry::shortTerm, -5.0f, reportMoment (6 * 3600 + 22 * 60 + 57) });
    csvWriter->pushEntry ({ 7, -0.02f, reportMoment (-9 * 3600) });
    EXPECT_EQ (csvWriter->useTimeSlice(), 100);
    EXPECT_EQ (temp.getFolder().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);

    csvWriter->setLogFile (temp.getChildFile ("a.xml/b/r.xml"));
    EXPECT_EQ (csvWriter->useTimeSlice(), 0);
    EXPECT_EQ (csvWriter->useTimeSlice(), 100);
    EXPECT_EQ (readBytes (temp.getChildFile ("a.xml/b/r.csv")), csvHeader + "MomentaryLoudness, -23.1, 5 Dec 2026, 9:07:03\r\n"
                                                                          "ShortTermLoudness, -5.0, 5 Dec 2026, 15:30:00\r\n"
                                                                          "ShortTermLoudness, -0.0, 5 Dec 2026, 0:07:03\r\n");
    EXPECT_FALSE (temp.getChildFile ("a.csv").exists());
}

TEST_F (CsvLog, RingHolds1023AQuarterIsWrittenPerTurnAndDestructionWritesTheRestInPushOrder)
{
    makeCsvWriter (report);
    EXPECT_EQ (csvWriter->useTimeSlice(), 100);
    EXPECT_FALSE (csv.exists()); // no rows, not even a header
    pushNumbered (0, 600);

    for (int rows : { 256, 512, 600 })
    {
        EXPECT_EQ (csvWriter->useTimeSlice(), 0);
        EXPECT_EQ (readBytes (csv), csvHeader + numberedRows (0, rows));
    }

    EXPECT_EQ (csvWriter->useTimeSlice(), 100);
    pushNumbered (600, 1023); // runs past the end of the ring
    EXPECT_EQ (csvWriter->pushEntry ({ OVEXLogEntry::momentary, -1.0f, reportMoment() }), 0);
    csvWriter.reset();
    EXPECT_EQ (readBytes (csv), csvHeader + numberedRows (0, 1623));
}

TEST_F (CsvLog, FailedWriteLeavesOnlyWholeLinesAndIsRetriedFromTheFirstUnwrittenRow)
{
    const auto firstLines = csvHeader + numberedRows (0, 1);

    // Cut inside the header, then inside the second row.
    for (size_t room : { (size_t) 10, firstLines.size() + 10 })
    {
        csv.deleteFile();
        makeCsvWriter (report);
        pushNumbered (0, 5);

        {
            const testsupport::ScopedFileSizeLimit limit (room);
            EXPECT_EQ (csvWriter->useTimeSlice(), 100);
            EXPECT_EQ (csvWriter->useTimeSlice(), 100);
        }

        EXPECT_EQ (readBytes (csv), room < firstLines.size() ? "" : firstLines) << "room " << room;
        pushNumbered (5, 1);
        EXPECT_EQ (csvWriter->useTimeSlice(), 0);
        EXPECT_EQ (readBytes (csv), csvHeader + numberedRows (0, 6)) << "room " << room;
    }
}

TEST_F (CsvLog, RowsTheFullQueueDropsAreHandedOverAsTheyHappenWithTheTimesOfTheFirstAndTheLast)
{
    makeCsvWriter (report);
    EXPECT_EQ (csvWriter->takeDroppedRows().count, 0);

    // Rows 1023 to 1099 find the ring full.
    for (int i = 0; i < 1100; ++i)
        csvWriter->pushEntry ({ OVEXLogEntry::momentary, -23.0f, reportMoment (i * 0.1) });

    const auto dropped = csvWriter->takeDroppedRows();
    EXPECT_EQ (dropped.count, 77);
    EXPECT_EQ (dropped.first, reportMoment (102.3));
    EXPECT_EQ (dropped.last, reportMoment (109.9));
    EXPECT_EQ (csvWriter->takeDroppedRows().count, 0) << "taken once";

    // A later spell starts its own span.
    csvWriter->pushEntry ({ OVEXLogEntry::shortTerm, -23.0f, reportMoment (200.0) });
    csvWriter->pushEntry ({ OVEXLogEntry::momentary, -23.0f, reportMoment (200.1) });
    const auto later = csvWriter->takeDroppedRows();
    EXPECT_EQ (std::make_tuple (later.count, later.first, later.last), std::make_tuple (juce::int64 (2), reportMoment (200.0), reportMoment (200.1)));
}

TEST_F (CsvLog, AFailingLogIsSaidOnceAndLostValuesAreCountedWhenTheLogEnds)
{
    // A plain file where the log's folder should be makes every write fail, even for root.
    const auto blocked = temp.getChildFile ("blocker/r.xml");
    ASSERT_TRUE (blocked.getParentDirectory().create());

    const std::tuple<juce::File, int, juce::StringArray> cases[] = { // report, values pushed, what is logged
        { report, 1023, {} },
        { report, 1030, { "lost values: 7 dropped because the queue was full" } },
        { blocked, 1025, { "cannot be written: ", "lost values: 2 dropped because the queue was full, 1023 not written" } },
    };

    for (const auto& [reportXml, pushes, expected] : cases)
    {
        testsupport::CapturingLogger logger;
        makeCsvWriter (reportXml);

        for (int i = 0; i < pushes; ++i)
            csvWriter->pushEntry ({ OVEXLogEntry::momentary, -23.0f, reportMoment() });

        EXPECT_EQ (csvWriter->useTimeSlice(), reportXml == blocked ? 100 : 0);
        csvWriter.reset();
        const auto lines = logger.lines();
        ASSERT_EQ (lines.size(), expected.size()) << lines.joinIntoString ("\n");

        for (int i = 0; i < lines.size(); ++i)
            EXPECT_TRUE (lines[i].startsWith ("Report file " + csvCompanionOf (reportXml).getFullPathName() + " " + expected[i])) << lines[i];
    }
}

TEST_F (XmlReport, ReportIsByteExactEmptyAtTheStartInFoldersItCreatesAndWhenFilledOnlyByAWriteThatBringsADeletedOneBack)
{
    const auto deep = temp.getChildFile ("x/y/r.xml");
    auto& xml = startXml (deep);
    EXPECT_EQ (readBytes (deep), skeleton);

    xml.setUserSelectedTitle ("QIT51Log");
    xml.setStartTime (reportMoment());
    xml.setStopTime (reportMoment (3900));
    xml.setUpTime (3900.0);
    xml.setIntegratedLoudness ("LUFS", -23.05f);
    xml.setLoudnessRange ("LU", 6.25f);
    xml.setMaxShortTerm ("LUFS", reportMoment (5), -24.0f);
    xml.setMaxShortTerm ("LUFS", reportMoment (7), -22.5f); // only the latest maximum counts
    xml.setMaxMomentary ("LUFS", reportMoment (1), -70.0f);
    xml.setMaxTruePeak ("dBTP", reportMoment (1476), -0.02f);
    EXPECT_EQ (readBytes (deep), skeleton); // the audio thread calls some of the setters

    xml.writeReport();
    EXPECT_EQ (readBytes (deep), filledReport);

    ASSERT_TRUE (deep.deleteFile());
    xml.writeReport(); // nothing has changed, but a report that has gone must come back
    EXPECT_EQ (readBytes (deep), filledReport);
}

TEST_F (XmlReport, FailedWriteLeavesThePreviousReportWholeAndNoStrayFileAndIsSaidOnceWithItsReasonAndSoIsItsRecovery)
{
    testsupport::CapturingLogger logger;
    auto& xml = startXml (report);
    xml.setUserSelectedTitle ("QIT51Log");

    {
        const testsupport::ScopedFileSizeLimit limit (100);
        xml.writeReport();
        xml.writeReport();
    }

    EXPECT_EQ (readBytes (report), skeleton);
    // Hidden files are listed too: no temporary copy may be left behind.
    EXPECT_EQ (temp.getFolder().findChildFiles (juce::File::findFilesAndDirectories, false).size(), 1);
    ASSERT_EQ (logger.lines().size(), 1);
    EXPECT_TRUE (logger.lines()[0].startsWith ("Report file " + report.getFullPathName() + " cannot be written: "))
        << logger.lines()[0];
    EXPECT_GT (logger.lines()[0].fromFirstOccurrenceOf (": ", false, false).length(), 0);

    xml.writeReport();
    EXPECT_EQ (readBytes (report), std::regex_replace (skeleton, std::regex ("Title value=\"\""), "Title value=\"QIT51Log\""));
    ASSERT_EQ (logger.lines().size(), 2);
    EXPECT_EQ (logger.lines()[1], "Report file " + report.getFullPathName() + " is written again");
}

// These run the logger's own thread; its destructor is the only point they wait for.
TEST_F (ReportLogger, DestructionReturnsOnlyWhenBothFilesHoldEverything)
{
    auto logger = std::make_unique<OVEXReportLogger>();
    logger->setLogFile (report);
    logger->setTitle ("QIT51Log");
    logger->setStartTime (reportMoment());

    for (int i = 0; i < 900; ++i)
        ASSERT_EQ (logger->logMomentary (reportMoment (i * 0.1), -23.0f - (float) (i % 10) / 10.0f), 1);

    for (int i = 0; i < 100; ++i)
        ASSERT_EQ (logger->logShortTerm (reportMoment (i * 0.6), -24.0f), 1);

    // The values of the filled report, through the logger.
    logger->setStopTime (reportMoment (3900));
    logger->setUpTime (3900.0);
    logger->setIntegratedLoudness ("LUFS", -23.05f);
    logger->setLoudnessRange ("LU", 6.25f);
    logger->setMaxShortTerm ("LUFS", reportMoment (7), -22.5f);
    logger->setMaxMomentary ("LUFS", reportMoment (1), -70.0f);
    logger->setMaxTruePeak ("dBTP", reportMoment (1476), -0.02f);
    logger.reset();

    EXPECT_EQ (readBytes (report), filledReport);
    const auto lines = reporttest::splitCrLf (readBytes (csv));
    ASSERT_EQ (lines.size(), 1 + 1000 + 1u);
    EXPECT_EQ (lines[1], "MomentaryLoudness, -23.0, 5 Dec 2026, 9:07:03");
    EXPECT_EQ (lines[900], "MomentaryLoudness, -23.9, 5 Dec 2026, 9:08:32");
    EXPECT_EQ (lines[1000], "ShortTermLoudness, -24.0, 5 Dec 2026, 9:08:02");
}

TEST_F (ReportLogger, AudioThreadCallsAllocateNothing)
{
    if (! testsupport::ScopedAllocationCounter::isAvailable())
        GTEST_SKIP() << "the sanitizer's allocator is not counted";

    OVEXReportLogger logger;
    logger.setLogFile (report);
    const juce::String lufs ("LUFS"), dBTP ("dBTP");
    const auto now = reportMoment (1);

    const testsupport::ScopedAllocationCounter counter;
    logger.logMomentary (now, -23.0f);
    logger.logShortTerm (now, -23.0f);
    logger.setMaxMomentary (lufs, now, -23.0f);
    logger.setMaxShortTerm (lufs, now, -23.0f);
    logger.setMaxTruePeak (dBTP, now, -1.0f);
    EXPECT_EQ (counter.getCount(), 0u);
}
} // namespace
