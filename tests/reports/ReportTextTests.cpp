#include "ReportFiles.h"
#include "ReportText.h"
#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{
TEST (ReportText, OneDecimalRoundsHalvesAwayFromZeroAndKeepsTheSign)
{
    const struct
    {
        float level;
        const char* text;
    } cases[] = {
        { 0.25f, "0.3" },    { -0.25f, "-0.3" }, { 1.25f, "1.3" },     { -1.25f, "-1.3" },   { -0.02f, "-0.0" },
        { -0.05f, "-0.1" },  { 0.04f, "0.0" },   { 0.0f, "0.0" },      { -0.0f, "0.0" },     { -5.0f, "-5.0" },
        { -23.1f, "-23.1" }, { -70.0f, "-70.0" }, { 12.96f, "13.0" },  { 3.0e9f, "3000000000.0" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (formatOneDecimal (c.level), c.text) << "level " << c.level;
}

TEST (ReportText, NonFiniteLevelsAreNamedRatherThanConverted)
{
    EXPECT_EQ (formatOneDecimal (std::numeric_limits<float>::quiet_NaN()), "nan");
    EXPECT_EQ (formatOneDecimal (std::numeric_limits<float>::infinity()), "inf");
    EXPECT_EQ (formatOneDecimal (-std::numeric_limits<float>::infinity()), "-inf");
}

TEST (ReportText, DatesAndTimesAreLocalWithoutLeadingZerosOnDayAndHour)
{
    const testsupport::ScopedTimeZone zone ("UTC0");

    const struct
    {
        juce::Time time;
        const char *date, *clock, *dateTime, *stamp;
    } cases[] = {
        { juce::Time (2026, 11, 5, 9, 7, 3, 0, true), "5 Dec 2026", "9:07:03", "5 Dec 2026 9:07:03", "5_Dec_2026_9_7_3" },
        { juce::Time (2026, 0, 31, 15, 30, 0, 0, true), "31 Jan 2026", "15:30:00", "31 Jan 2026 15:30:00",
          "31_Jan_2026_15_30_0" },
        { juce::Time (2027, 5, 1, 0, 5, 9, 999, true), "1 Jun 2027", "0:05:09", "1 Jun 2027 0:05:09", "1_Jun_2027_0_5_9" },
    };

    for (const auto& c : cases)
    {
        EXPECT_EQ (dateText (c.time), c.date);
        EXPECT_EQ (timeText (c.time), c.clock);
        EXPECT_EQ (dateTimeText (c.time), c.dateTime);
        EXPECT_EQ (reportTimeStamp (c.time), c.stamp);
    }
}

TEST (ReportText, TextsFollowTheLocalZoneOfTheMachine)
{
    const testsupport::ScopedTimeZone zone ("CET-1");
    const juce::Time lastHalfHourOf2026InUtc (2026, 11, 31, 23, 30, 0, 0, false);

    EXPECT_EQ (dateTimeText (lastHalfHourOf2026InUtc), "1 Jan 2027 0:30:00");
    EXPECT_EQ (reportTimeStamp (lastHalfHourOf2026InUtc), "1_Jan_2027_0_30_0");
}

TEST (ReportText, DurationsShowAtMostTwoFieldsLargestFirst)
{
    const double minute = 60.0, hour = 3600.0, day = 86400.0;

    const struct
    {
        double seconds;
        const char* text;
    } cases[] = {
        { 0.0, "0" },
        { 0.0005, "0" },
        { 0.005, "5 ms" },
        { 45.0, "45 secs" },
        { 61.0, "1 min 1 sec" },
        { 65.0 * minute, "1 hr 5 mins" },
        { 2.0 * day + 3.0 * hour, "2 days 3 hrs" },
        { 8.0 * day + 3.0 * hour + 20.0 * minute, "1 week 1 day" },
        { 14.0 * day + 20.0 * minute, "2 weeks 20 mins" },
        { -45.0, "-45 secs" },
        { std::numeric_limits<double>::quiet_NaN(), "" },
        { 1.0e12, "" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (durationText (c.seconds), c.text) << c.seconds << " s";
}

TEST (ReportText, CsvCompanionReplacesEveryOccurrenceOfTheExtensionWithCase)
{
    const struct
    {
        const char *xml, *csv;
    } cases[] = {
        { "/logs/NOLV51Log_5_Dec_2026_9_7_3.xml", "/logs/NOLV51Log_5_Dec_2026_9_7_3.csv" },
        { "/logs/a.xml/r.xml", "/logs/a.csv/r.csv" },
        { "/logs/A.XML/r.xml", "/logs/A.XML/r.csv" },
        { "/logs/report", "/logs/report.csv" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (csvCompanionOf (juce::File (c.xml)).getFullPathName(), c.csv);
}
} // namespace
