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

const std::string header = "Type, Value, Date, Time\r\n";

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
    void makeWriter (const std::optional<juce::File>& reportXml)
    {
        writer.emplace (thread, 1024);

        if (reportXml)
            writer->setLogFile (*reportXml);
    }

    /** Momentary values -0.1, -0.2, … -70.0, -0.1, … a second apart from reportMoment(), from row first on. */
    void pushNumbered (int first, int count)
    {
        for (int i = first; i < first + count; ++i)
            ASSERT_EQ (writer->pushEntry ({ OVEXLogEntry::momentary, -(float) (i % 700 + 1) / 10.0f, reportMoment (i) }), 1);
    }

    /** The lines pushNumbered's rows first … first + count - 1 must become, worked out without the writer. */
    static std::string numberedRows (int first, int count)
    {
        std::string rows;

        for (int i = first; i < first + count; ++i)
            rows += "MomentaryLoudness, -" + std::to_string ((i % 700 + 1) / 10) + "." + std::to_string ((i % 700 + 1) % 10)
                  + ", 5 Dec 2026, " + reporttest::clockText (9 * 3600 + 7 * 60 + 3 + i) + "\r\n";

        return rows;
    }

    void drain()
    {
        while (writer->useTimeSlice() == 0)
        {
        }
    }

    testsupport::ScopedTimeZone zone { "UTC0" };
    testsupport::ScopedTemporaryFolder temp;
    juce::File report = temp.getChildFile ("r.xml"), csv = temp.getChildFile ("r.csv");
    juce::TimeSliceThread thread { "test logger" };
    std::optional<OVEXTextCSVLogger> writer;
};

TEST_F (CsvLog, WritesHeaderAndRowsByteExactWithCrLfAndNoByteOrderMark)
{
    makeWriter (report);
    writer->pushEntry ({ OVEXLogEntry::momentary, -23.1f, reportMoment() });
    writer->pushEntry ({ OVEXLogEntry::shortTerm, -5.0f, reportMoment (6 * 3600 + 22 * 60 + 57) });
    writer->pushEntry ({ 7, -0.02f, reportMoment (-9 * 3600) });

    EXPECT_EQ (writer->useTimeSlice(), 0);
    EXPECT_EQ (writer->useTimeSlice(), 100);
    EXPECT_EQ (readBytes (csv), header + "MomentaryLoudness, -23.1, 5 Dec 2026, 9:07:03\r\n"
                                         "ShortTermLoudness, -5.0, 5 Dec 2026, 15:30:00\r\n"
                                         "ShortTermLoudness, -0.0, 5 Dec 2026, 0:07:03\r\n");
}

TEST_F (CsvLog, RingHolds1023AndAQuarterOfItIsWrittenPerTurnInPushOrderAcrossTheWrap)
{
    makeWriter (report);
    pushNumbered (0, 600);

    for (int rows : { 256, 512, 600 })
    {
        EXPECT_EQ (writer->useTimeSlice(), 0);
        EXPECT_EQ (readBytes (csv), header + numberedRows (0, rows));
    }

    EXPECT_EQ (writer->useTimeSlice(), 100);

    pushNumbered (600, 1023); // runs past the end of the ring
    EXPECT_EQ (writer->pushEntry ({ OVEXLogEntry::momentary, -1.0f, reportMoment() }), 0);
    drain();
    EXPECT_EQ (readBytes (csv), header + numberedRows (0, 1623));
}

TEST_F (CsvLog, ExistingLogIsAppendedToWithoutASecondHeader)
{
    const std::string earlier = header + numberedRows (0, 1);
    ASSERT_TRUE (csv.replaceWithData (earlier.data(), earlier.size()));

    makeWriter (report);
    pushNumbered (1, 1);
    drain();
    EXPECT_EQ (readBytes (csv), earlier + numberedRows (1, 1));
}

TEST_F (CsvLog, DestructionWritesEveryQueuedEntry)
{
    makeWriter (report);
    pushNumbered (0, 700);
    writer.reset();
    EXPECT_EQ (readBytes (csv), header + numberedRows (0, 700));
}

TEST_F (CsvLog, MissingFoldersAreCreatedAndXmlInFolderNamesBecomesCsv)
{
    makeWriter (temp.getChildFile ("a.xml/b/r.xml"));
    pushNumbered (0, 1);
    drain();

    EXPECT_EQ (readBytes (temp.getChildFile ("a.csv/b/r.csv")), header + numberedRows (0, 1));
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
    EXPECT_EQ (readBytes (csv), header + numberedRows (0, 2));
}

TEST_F (CsvLog, FailedWriteLeavesOnlyWholeLinesAndIsRetriedFromTheFirstUnwrittenRow)
{
    const struct
    {
        size_t room;
        std::string leftAfterFailure;
    } cases[] = {
        { 10, "" },                                                     // cut inside the header
        { header.size() + numberedRows (0, 1).size() + 10, header + numberedRows (0, 1) }, // inside the second row
    };

    for (const auto& c : cases)
    {
        csv.deleteFile();
        makeWriter (report);
        pushNumbered (0, 5);

        {
            const testsupport::ScopedFileSizeLimit limit (c.room);
            EXPECT_EQ (writer->useTimeSlice(), 100);
            EXPECT_EQ (writer->useTimeSlice(), 100);
        }

        EXPECT_EQ (readBytes (csv), c.leftAfterFailure) << "room " << c.room;
        pushNumbered (5, 1);
        drain();
        EXPECT_EQ (readBytes (csv), header + numberedRows (0, 6)) << "room " << c.room;
    }
}

TEST_F (CsvLog, LostValuesAreCountedInTheFrameworkLogWhenTheLogEnds)
{
    // A plain file where the log's folder should be makes every write fail, even for root.
    const auto blocked = temp.getChildFile ("blocker/r.xml");
    ASSERT_TRUE (blocked.getParentDirectory().create());

    const struct
    {
        juce::File reportXml;
        int pushes;
        const char* message; // empty: nothing logged
    } cases[] = {
        { report, 1023, "" },
        { report, 1030, "7 dropped because the queue was full" },
        { blocked, 3, "3 not written" },
        { blocked, 1025, "2 dropped because the queue was full, 1023 not written" },
    };

    for (const auto& c : cases)
    {
        CapturingLogger logger;
        makeWriter (c.reportXml);

        for (int i = 0; i < c.pushes; ++i)
            writer->pushEntry ({ OVEXLogEntry::momentary, -23.0f, reportMoment() });

        writer.reset();
        ASSERT_EQ (logger.messages.size(), *c.message == 0 ? 0 : 1) << logger.messages.joinIntoString ("\n");

        if (*c.message != 0)
        {
            EXPECT_TRUE (logger.messages[0].contains (csvCompanionOf (c.reportXml).getFullPathName())
                         && logger.messages[0].endsWith (" lost values: " + juce::String (c.message)))
                << logger.messages[0];
        }
    }
}
} // namespace
