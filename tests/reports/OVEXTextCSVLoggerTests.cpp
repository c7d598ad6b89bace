#include "OVEXTextCSVLogger.h"
#include "ReportFiles.h"
#include "ReportText.h"
#include "ScopedFileSizeLimit.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <optional>

namespace
{
using reporttest::readBytes;
using reporttest::reportMoment;
using reporttest::splitCrLf;

const std::string header = "Type, Value, Date, Time\r\n";
const int startOfDay = 9 * 3600 + 7 * 60 + 3; // reportMoment() as seconds since midnight

/** Collects what the writer sends to the framework log. */
class CapturingLogger : public juce::Logger
{
public:
    CapturingLogger() { juce::Logger::setCurrentLogger (this); }
    ~CapturingLogger() override { juce::Logger::setCurrentLogger (nullptr); }

    juce::StringArray messages;

private:
    void logMessage (const juce::String& message) override { messages.add (message); }
};

// The thread is never started: each test turns the writer by calling useTimeSlice itself.
class CsvLog : public testing::Test
{
protected:
    OVEXTextCSVLogger& makeWriter (const std::optional<juce::File>& reportXml)
    {
        writer.emplace (thread, 1024);

        if (reportXml)
            writer->setLogFile (*reportXml);

        return *writer;
    }

    /** Pushes momentary values -0.1, -0.2, … -70.0, -0.1, … at one-second steps from reportMoment(),
        numbered from first on. */
    void pushNumbered (int first, int count)
    {
        for (int i = first; i < first + count; ++i)
            ASSERT_EQ (writer->pushEntry ({ OVEXLogEntry::momentary, -(float) (i % 700 + 1) / 10.0f, reportMoment (i) }), 1);
    }

    static std::string numberedRow (int i)
    {
        const auto tenths = i % 700 + 1;
        return "MomentaryLoudness, -" + std::to_string (tenths / 10) + "." + std::to_string (tenths % 10)
             + ", 5 Dec 2026, " + reporttest::clockText (startOfDay + i);
    }

    int drain()
    {
        int batches = 0;

        while (writer->useTimeSlice() == 0)
            ++batches;

        return batches;
    }

    size_t lineCount() const { return splitCrLf (readBytes (csv)).size() - 1; }

    testsupport::ScopedTimeZone zone { "UTC0" };
    testsupport::ScopedTemporaryFolder temp;
    juce::File report = temp.getChildFile ("r.xml"), csv = temp.getChildFile ("r.csv");
    juce::TimeSliceThread thread { "test logger" };
    std::optional<OVEXTextCSVLogger> writer;
};

TEST_F (CsvLog, WritesHeaderAndRowsByteExactWithCrLfAndNoByteOrderMark)
{
    auto& log = makeWriter (report);
    log.pushEntry ({ OVEXLogEntry::momentary, -23.1f, reportMoment() });
    log.pushEntry ({ OVEXLogEntry::shortTerm, -5.0f, reportMoment (6 * 3600 + 22 * 60 + 57) });
    log.pushEntry ({ 7, -0.02f, reportMoment (-9 * 3600) });

    EXPECT_EQ (log.useTimeSlice(), 0);
    EXPECT_EQ (log.useTimeSlice(), 100);
    EXPECT_EQ (readBytes (csv), header + "MomentaryLoudness, -23.1, 5 Dec 2026, 9:07:03\r\n"
                                         "ShortTermLoudness, -5.0, 5 Dec 2026, 15:30:00\r\n"
                                         "ShortTermLoudness, -0.0, 5 Dec 2026, 0:07:03\r\n");
}

TEST_F (CsvLog, RingHolds1023EntriesAndDropsTheNext)
{
    makeWriter (report);
    pushNumbered (0, 1023);

    EXPECT_EQ (writer->pushEntry ({ OVEXLogEntry::momentary, -1.0f, reportMoment() }), 0);
    EXPECT_EQ (drain(), 4);
    EXPECT_EQ (lineCount(), 1 + 1023u);
    EXPECT_EQ (splitCrLf (readBytes (csv))[1023], numberedRow (1022));
}

TEST_F (CsvLog, WritesAQuarterOfTheRingPerTurn)
{
    makeWriter (report);
    pushNumbered (0, 600);

    const size_t linesAfterTurn[] = { 1 + 256, 1 + 512, 1 + 600 };

    for (auto lines : linesAfterTurn)
    {
        EXPECT_EQ (writer->useTimeSlice(), 0);
        EXPECT_EQ (lineCount(), lines);
    }

    EXPECT_EQ (writer->useTimeSlice(), 100);
}

TEST_F (CsvLog, BatchWrappingPastTheEndOfTheRingKeepsPushOrder)
{
    makeWriter (report);
    pushNumbered (0, 1000);
    drain();
    pushNumbered (1000, 600);
    drain();

    const auto lines = splitCrLf (readBytes (csv));
    ASSERT_EQ (lines.size(), 1 + 1600 + 1u);
    EXPECT_EQ (lines.front() + "\r\n", header);

    for (int i = 0; i < 1600; ++i)
        ASSERT_EQ (lines[(size_t) i + 1], numberedRow (i)) << "row " << i;

    EXPECT_EQ (lines.back(), "");
}

TEST_F (CsvLog, ExistingLogIsAppendedToWithoutASecondHeader)
{
    const std::string earlier = header + numberedRow (0) + "\r\n";
    ASSERT_TRUE (csv.replaceWithData (earlier.data(), earlier.size()));

    makeWriter (report);
    pushNumbered (1, 1);
    drain();

    EXPECT_EQ (readBytes (csv), earlier + numberedRow (1) + "\r\n");
}

TEST_F (CsvLog, DestructionWritesEveryQueuedEntry)
{
    makeWriter (report);
    pushNumbered (0, 700);
    writer.reset();

    EXPECT_EQ (lineCount(), 1 + 700u);
}

TEST_F (CsvLog, MissingFoldersAreCreatedAndXmlInFolderNamesBecomesCsv)
{
    makeWriter (temp.getChildFile ("a.xml/b/r.xml"));
    pushNumbered (0, 1);
    drain();

    EXPECT_EQ (readBytes (temp.getChildFile ("a.csv/b/r.csv")), header + numberedRow (0) + "\r\n");
    EXPECT_FALSE (temp.getChildFile ("a.xml").exists());
}

TEST_F (CsvLog, EntriesQueuedBeforeTheLogFileIsKnownWaitForIt)
{
    makeWriter (std::nullopt);
    pushNumbered (0, 2);

    EXPECT_EQ (writer->useTimeSlice(), 100);
    EXPECT_EQ (temp.getFolder().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);

    writer->setLogFile (report);
    drain();
    EXPECT_EQ (readBytes (csv), header + numberedRow (0) + "\r\n" + numberedRow (1) + "\r\n");
}

TEST_F (CsvLog, FailedWriteIsRetriedFromTheFirstUnwrittenRow)
{
    // A regular file where the log's folder should be makes every write fail, even for root.
    const auto blocker = temp.getChildFile ("logs");
    ASSERT_TRUE (blocker.create());
    makeWriter (blocker.getChildFile ("r.xml"));
    pushNumbered (0, 3);

    EXPECT_EQ (writer->useTimeSlice(), 100);
    EXPECT_EQ (writer->useTimeSlice(), 100);

    ASSERT_TRUE (blocker.deleteFile());
    pushNumbered (3, 1);
    drain();

    std::string expected = header;
    for (int i = 0; i < 4; ++i)
        expected += numberedRow (i) + "\r\n";

    EXPECT_EQ (readBytes (blocker.getChildFile ("r.csv")), expected);
}

TEST_F (CsvLog, WriteCutShortLeavesOnlyWholeLinesAndTheRestFollowsNextTurn)
{
    const auto row = numberedRow (0) + "\r\n";
    std::string complete = header;
    for (int i = 0; i < 5; ++i)
        complete += numberedRow (i) + "\r\n";

    const struct
    {
        size_t room;
        std::string leftAfterFailure;
    } cases[] = {
        { 10, "" },                                      // cut inside the header
        { header.size() + row.size() + 10, header + row }, // cut inside the second row
    };

    for (const auto& c : cases)
    {
        csv.deleteFile();
        makeWriter (report);
        pushNumbered (0, 5);

        {
            const testsupport::ScopedFileSizeLimit limit (c.room);
            EXPECT_EQ (writer->useTimeSlice(), 100);
        }

        EXPECT_EQ (readBytes (csv), c.leftAfterFailure);
        drain();
        EXPECT_EQ (readBytes (csv), complete) << "room " << c.room;
        writer.reset();
    }
}

TEST_F (CsvLog, LostValuesAreCountedInTheFrameworkLogWhenTheLogEnds)
{
    const auto blocker = temp.getChildFile ("blocker");
    ASSERT_TRUE (blocker.create());

    const struct
    {
        juce::File reportXml;
        int pushes;
        const char* message; // empty: nothing logged
    } cases[] = {
        { report, 1023, "" },
        { report, 1030, "7 dropped because the queue was full" },
        { blocker.getChildFile ("r.xml"), 3, "3 not written" },
        { blocker.getChildFile ("r.xml"), 1025, "2 dropped because the queue was full, 1023 not written" },
    };

    for (const auto& c : cases)
    {
        CapturingLogger logger;
        makeWriter (c.reportXml);

        for (int i = 0; i < c.pushes; ++i)
            writer->pushEntry ({ OVEXLogEntry::momentary, -23.0f, reportMoment() });

        writer.reset();

        if (*c.message == 0)
        {
            EXPECT_TRUE (logger.messages.isEmpty()) << logger.messages.joinIntoString ("\n");
        }
        else
        {
            ASSERT_EQ (logger.messages.size(), 1);
            EXPECT_TRUE (logger.messages[0].endsWith (" lost values: " + juce::String (c.message))) << logger.messages[0];
            EXPECT_TRUE (logger.messages[0].contains (csvCompanionOf (c.reportXml).getFullPathName()));
        }
    }
}
} // namespace
