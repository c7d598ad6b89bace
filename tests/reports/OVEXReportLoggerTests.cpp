#include "OVEXReportLogger.h"
#include "ReportFiles.h"
#include "ScopedAllocationCounter.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
using reporttest::reportMoment;

// These run the real "NOLV logger" thread; the destructor is the only point they wait for.
class ReportLogger : public testing::Test
{
protected:
    void start()
    {
        logger = std::make_unique<OVEXReportLogger>();
        logger->setLogFile (report);
        logger->setTitle ("QIT51Log");
        logger->setStartTime (reportMoment());
    }

    juce::String attribute (const char* element, const char* name) const
    {
        const auto document = juce::parseXML (report);
        return document != nullptr ? reporttest::reportAttribute (*document, element, name) : "(unreadable)";
    }

    testsupport::ScopedTimeZone zone { "UTC0" };
    testsupport::ScopedTemporaryFolder temp;
    juce::File report = temp.getChildFile ("logs/r.xml"), csv = temp.getChildFile ("logs/r.csv");
    std::unique_ptr<OVEXReportLogger> logger;
};

TEST_F (ReportLogger, RunEndedAtOnceLeavesAFinishedReportAndNoCsvLog)
{
    start();
    logger->setStopTime (reportMoment());
    logger->setUpTime (0.0004);
    logger.reset();

    EXPECT_EQ (attribute ("UserSelectedTitle", "value"), "QIT51Log");
    EXPECT_EQ (attribute ("StartTime", "value"), "5 Dec 2026 9:07:03");
    EXPECT_EQ (attribute ("StopTime", "value"), "5 Dec 2026 9:07:03");
    EXPECT_EQ (attribute ("UpTime", "value"), "0");
    EXPECT_FALSE (csv.exists());
}

TEST_F (ReportLogger, DestructionReturnsOnlyWhenBothFilesHoldEverything)
{
    start();

    for (int i = 0; i < 900; ++i)
        ASSERT_EQ (logger->logMomentary (reportMoment (i * 0.1), -23.0f - (float) (i % 10) / 10.0f), 1);

    for (int i = 0; i < 100; ++i)
        ASSERT_EQ (logger->logShortTerm (reportMoment (i * 0.6), -24.0f), 1);

    logger->setMaxMomentary ("LUFS", reportMoment (12), -22.5f);
    logger->setMaxShortTerm ("LUFS", reportMoment (30), -23.5f);
    logger->setMaxTruePeak ("dBTP", reportMoment (45), -20.0f);
    logger->setStopTime (reportMoment (90));
    logger->setUpTime (90.0);
    logger->setIntegratedLoudness ("LKFS", -23.4f);
    logger->setLoudnessRange ("LU", 4.5f);
    logger.reset();

    const auto lines = reporttest::splitCrLf (reporttest::readBytes (csv));
    ASSERT_EQ (lines.size(), 1 + 1000 + 1u);
    EXPECT_EQ (lines[1], "MomentaryLoudness, -23.0, 5 Dec 2026, 9:07:03");
    EXPECT_EQ (lines[900], "MomentaryLoudness, -23.9, 5 Dec 2026, 9:08:32");
    EXPECT_EQ (lines[1000], "ShortTermLoudness, -24.0, 5 Dec 2026, 9:08:02");

    const struct
    {
        const char *element, *name, *value;
    } expected[] = {
        { "StopTime", "value", "5 Dec 2026 9:08:33" },   { "UpTime", "value", "1 min 30 secs" },
        { "IntegratedLoudness", "value", "-23.4" },      { "IntegratedLoudness", "unit", "LKFS" },
        { "LoudnessRange", "value", "4.5" },             { "LoudnessRange", "unit", "LU" },
        { "MaxShortTerm", "maxTime", "5 Dec 2026 9:07:33" }, { "MaxMomentary", "value", "-22.5" },
        { "MaxTruePeak", "unit", "dBTP" },
    };

    for (const auto& e : expected)
        EXPECT_EQ (attribute (e.element, e.name), e.value) << e.element << "@" << e.name;
}

TEST_F (ReportLogger, AudioThreadCallsAllocateNothing)
{
    start();
    const juce::String lufs ("LUFS"), dBTP ("dBTP");
    const auto now = reportMoment (1);
    size_t allocations = 0;

    {
        const testsupport::ScopedAllocationCounter counter;
        logger->logMomentary (now, -23.0f);
        logger->logShortTerm (now, -23.0f);
        logger->setMaxMomentary (lufs, now, -23.0f);
        logger->setMaxShortTerm (lufs, now, -23.0f);
        logger->setMaxTruePeak (dBTP, now, -1.0f);
        allocations = counter.getCount();
    }

    EXPECT_EQ (allocations, 0u);
}
} // namespace
