#include "LoudnessHistory.h"
#include "OVEXTextCSVLogger.h"
#include "ReportFiles.h"
#include "ReportText.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

namespace
{
// The previewer's graph: 1000 x 370 with a 30-pixel margin.
constexpr int plotWidth = 940, plotHeight = 310;

const std::string header = "Type, Value, Date, Time\r\n";

std::string momentaryRow (const std::string& value, const std::string& time, const std::string& date = "5 Dec 2026")
{
    return "MomentaryLoudness, " + value + ", " + date + ", " + time + "\r\n";
}

std::string shortTermRow (const std::string& value, const std::string& time, const std::string& date = "5 Dec 2026")
{
    return "ShortTermLoudness, " + value + ", " + date + ", " + time + "\r\n";
}

/** A log of the given momentary levels, a second apart from 9:07:03, with no short-term rows. */
std::string momentaryLog (const std::vector<std::string>& levels)
{
    auto text = header;

    for (size_t i = 0; i < levels.size(); ++i)
        text += momentaryRow (levels[i], reporttest::clockText (9 * 3600 + 7 * 60 + 3 + (int) i));

    return text;
}

std::string pointsLog (int points)
{
    return momentaryLog (std::vector<std::string> ((size_t) points, "-23.0"));
}

void load (LoudnessHistory& history, const std::string& text)
{
    juce::MemoryInputStream in (text.data(), text.size(), false);
    history.loadCsvLog (in);
}

struct Point
{
    float shortTerm, momentary;
    std::string time, date;

    bool operator== (const Point& other) const
    {
        return shortTerm == other.shortTerm && momentary == other.momentary && time == other.time && date == other.date;
    }
};

std::ostream& operator<< (std::ostream& out, const Point& p)
{
    return out << "{" << p.shortTerm << ", " << p.momentary << ", \"" << p.time << "\", \"" << p.date << "\"}";
}

std::vector<Point> pointsOf (const LoudnessSeries& series)
{
    std::vector<Point> points;

    for (size_t i = 0; i < series.size(); ++i)
        points.push_back ({ series.shortTermAt (i), series.momentaryAt (i), series.timeAt (i).toStdString(),
                            series.dateAt (i).toStdString() });

    return points;
}

long residentKilobytes (const char* field)
{
    std::ifstream status ("/proc/self/status");
    std::string line;

    while (std::getline (status, line))
        if (line.rfind (field, 0) == 0)
            return std::stol (line.substr (std::string (field).size() + 1));

    return -1;
}
} // namespace

//==============================================================================
TEST (HistoryCsv, ReadsOnePointPerMomentaryRowCarryingTheLatestShortTermValue)
{
    const Point first { -71.0f, -23.1f, "9:07:03", "5 Dec 2026" };

    struct Case
    {
        const char* name;
        std::string text;
        std::vector<Point> points;
    };

    const std::vector<Case> cases {
        { "LF endings", "Type, Value, Date, Time\nMomentaryLoudness, -23.1, 5 Dec 2026, 9:07:03\n", { first } },
        { "CR LF endings", "Type, Value, Date, Time\r\nMomentaryLoudness, -23.1, 5 Dec 2026, 9:07:03\r\n", { first } },
        { "CR endings", "Type, Value, Date, Time\rMomentaryLoudness, -23.1, 5 Dec 2026, 9:07:03\r", { first } },
        { "blank lines between rows", "\n\r\n" + momentaryRow ("-23.1", "9:07:03") + "\r\r\n", { first } },
        { "a last row without its ending is still being written",
          momentaryRow ("-23.1", "9:07:03") + "MomentaryLoudness, -5.0, 5 Dec 2026, 9:07:04", { first } },
        { "short-term rows carry into later points and add none",
          header + shortTermRow ("-30.0", "9:07:02") + momentaryRow ("-23.1", "9:07:03") + momentaryRow ("-22.0", "9:07:03")
              + shortTermRow ("-25.5", "9:07:04") + momentaryRow ("-21.0", "9:07:04"),
          { { -30.0f, -23.1f, "9:07:03", "5 Dec 2026" }, { -30.0f, -22.0f, "9:07:03", "5 Dec 2026" },
            { -25.5f, -21.0f, "9:07:04", "5 Dec 2026" } } },
        { "true-peak rows, the header and other lines are skipped",
          header + "TruePeak, -1.0, 5 Dec 2026, 9:07:02\r\ngarbage\r\n" + momentaryRow ("-23.1", "9:07:03"), { first } },
        { "a value that is no number reads as 0", momentaryRow ("abc", "9:07:03"), { { -71.0f, 0.0f, "9:07:03", "5 Dec 2026" } } },
        { "a value is read up to where it stops being a number",
          momentaryRow ("-23.1dB", "9:07:03"), { first } },
        { "a momentary value that is not finite adds no point",
          momentaryRow ("nan", "9:07:01") + momentaryRow ("inf", "9:07:02") + momentaryRow ("-1e300", "9:07:02")
              + momentaryRow ("-23.1", "9:07:03"),
          { first } },
        { "a short-term value that is not finite keeps the carried one",
          shortTermRow ("-30.0", "9:07:01") + shortTermRow ("nan", "9:07:02") + momentaryRow ("-23.1", "9:07:03"),
          { { -30.0f, -23.1f, "9:07:03", "5 Dec 2026" } } },
        { "fields the line does not reach are empty", "MomentaryLoudness, -23.1\n", { { -71.0f, -23.1f, "", "" } } },
        { "each field ends at the next comma", "MomentaryLoudness, -23.1, 5 Dec 2026, 9:07:03, extra\n", { first } },
        { "fields without the blank after the comma", "MomentaryLoudness,-23.1,5 Dec 2026,9:07:03\n", { first } },
        { "a line with both words is a momentary row",
          "MomentaryLoudness, -23.1, 5 Dec 2026, 9:07:03 ShortTermLoudness\n",
          { { -71.0f, -23.1f, "9:07:03 ShortTermLoudness", "5 Dec 2026" } } },
        { "header only", header, {} },
        { "empty file", "", {} },
    };

    for (const auto& c : cases)
    {
        LoudnessHistory history (plotWidth, plotHeight, true);
        load (history, c.text);
        EXPECT_EQ (pointsOf (history.getSeries()), c.points) << c.name;
        EXPECT_EQ (history.isViewShown(), ! c.points.empty()) << c.name;
    }
}

TEST (HistoryCsv, ReadsBackEveryValueTheWriterLoggedAcrossMidnight)
{
    testsupport::ScopedTimeZone zone ("UTC0");
    testsupport::ScopedTemporaryFolder temp;
    const auto report = temp.getChildFile ("r.xml");

    // Long enough to cross several of the reader's blocks; it starts 30 s before midnight.
    constexpr int rows = 3000;
    const auto midnightMinus30 = reporttest::reportMoment (14 * 3600 + 52 * 60 + 27);
    std::vector<Point> expected;
    {
        juce::TimeSliceThread thread ("unstarted");
        OVEXTextCSVLogger writer (thread, 1024);
        writer.setLogFile (report);
        float shortTerm = LoudnessSeries::noValue;

        for (int i = 0; i < rows; ++i)
        {
            const auto time = midnightMinus30 + juce::RelativeTime::milliseconds (100 * i);
            const auto level = -(float) (i % 500) / 10.0f;
            const bool isShortTerm = i % 6 == 5;
            ASSERT_EQ (1, writer.pushEntry ({ isShortTerm ? OVEXLogEntry::shortTerm : OVEXLogEntry::momentary, level, time }));

            if (isShortTerm)
                shortTerm = level;
            else
                expected.push_back ({ shortTerm, level, timeText (time).toStdString(), dateText (time).toStdString() });

            if (i % 512 == 511)
                while (writer.useTimeSlice() == 0) {}
        }
    }

    ASSERT_EQ (expected.front().date, "5 Dec 2026");
    ASSERT_EQ (expected.back().date, "6 Dec 2026");

    LoudnessHistory history (plotWidth, plotHeight, true);
    history.loadCsvLog (csvCompanionOf (report));
    EXPECT_EQ (pointsOf (history.getSeries()), expected);
}

TEST (HistoryCsv, MissingFileGivesNoPointsAndTheSummaryOfNothing)
{
    LoudnessHistory history (plotWidth, plotHeight, true);
    load (history, pointsLog (3));
    history.loadCsvLog (juce::File ("/nonexistent/r.csv"));

    EXPECT_EQ (history.getNumPoints(), 0);
    EXPECT_FALSE (history.isViewShown());
    EXPECT_EQ (history.getRangeSummary(), juce::StringArray ({ "-70.0", "-70.0", "", "-", "", "-", "", "", "" }));
}

TEST (HistoryXml, DynamicMeasurementsGiveShortTermPointsWithoutMomentaryValueOrDate)
{
    const auto element = juce::parseXML (R"(<dynamicmeasurements>
        <ShortTermStampedValue value="-23.5" time="9:07:03"/>
        <Other value="-1.0"/>
        <ShortTermStampedValue time="9:07:04"/>
        <ShortTermStampedValue value="nan" time="9:07:05"/>
      </dynamicmeasurements>)");
    ASSERT_NE (element, nullptr);

    LoudnessHistory history (plotWidth, plotHeight, true);
    history.loadDynamicMeasurements (*element);

    EXPECT_EQ (pointsOf (history.getSeries()),
               (std::vector<Point> { { -23.5f, -71.0f, "9:07:03", "" }, { 0.0f, -71.0f, "9:07:04", "" },
                                     { -71.0f, -71.0f, "9:07:05", "" } }));
    EXPECT_EQ (history.getRangeSummary()[LoudnessHistory::summaryMaxMomentary], "-");
    EXPECT_EQ (history.getRangeSummary()[LoudnessHistory::summaryMaxShortTerm], "0.0");

    const auto other = juce::parseXML ("<IntegratedMeasurements><ShortTermStampedValue value='-1'/></IntegratedMeasurements>");
    history.loadDynamicMeasurements (*other);
    EXPECT_EQ (history.getNumPoints(), 0);
}

//==============================================================================
TEST (HistoryLevels, FactorsAndEntryCountsFollowTheReportLength)
{
    struct Case
    {
        int points;
        std::vector<float> factors;
        std::vector<juce::int64> entries;
    };

    const std::vector<Case> cases {
        { 1, { 1.0f / 940.0f }, { 940 } },
        { 18, { 18.0f / 940.0f }, { 940 } },
        { 19, { 0.02f, 19.0f / 940.0f }, { 950, 940 } },
        { 10000, { 0.02f, 0.16f, 1.28f, 10.24f, 10000.0f / 940.0f }, { 500000, 62500, 7813, 977, 940 } },
    };

    for (const auto& c : cases)
    {
        LoudnessHistory history (plotWidth, plotHeight, true);
        load (history, pointsLog (c.points));
        ASSERT_EQ (history.getNumLevels(), (int) c.factors.size()) << c.points;

        for (int level = 0; level < history.getNumLevels(); ++level)
        {
            EXPECT_FLOAT_EQ (history.getZoomFactor (level), c.factors[(size_t) level]) << c.points << " level " << level;
            EXPECT_EQ (history.getLevelEntryCount (level), c.entries[(size_t) level]) << c.points << " level " << level;
        }

        EXPECT_EQ (history.getViewLevel(), history.getNumLevels() - 1) << "a load shows the whole report";
        EXPECT_EQ (history.getViewStart(), 0);
    }
}

TEST (HistoryLevels, EveryLevelSamplesThePointsInOrderFromFirstToLast)
{
    LoudnessHistory history (plotWidth, plotHeight, true);
    load (history, pointsLog (1000));

    for (int level = 0; level < history.getNumLevels(); ++level)
    {
        const auto entries = history.getLevelEntryCount (level);
        juce::int64 previous = 0, distinct = 1;

        for (juce::int64 entry = 0; entry < entries; ++entry)
        {
            const auto point = history.pointOfEntry (level, entry);
            ASSERT_GE (point, previous) << "level " << level << " entry " << entry;
            ASSERT_LE (point - previous, 1 + (juce::int64) history.getZoomFactor (level)) << "level " << level;
            distinct += point != previous ? 1 : 0;
            previous = point;
        }

        EXPECT_EQ (history.pointOfEntry (level, 0), 0) << level;

        // A level of several points per entry may end a little before the last point.
        if (history.getZoomFactor (level) <= 1.0f)
        {
            EXPECT_EQ (previous, 999) << level;
            EXPECT_EQ (distinct, 1000) << "no point skipped at level " << level;
        }
        else
        {
            EXPECT_GE (previous, 999 - (juce::int64) std::ceil (history.getZoomFactor (level))) << level;
        }
    }
}

// A day of one row per new value: 864,000 momentary and 144,000 short-term rows, about 45 MB.
TEST (HistoryLevels, DayLongReportLoadsWithoutMaterialisingItsLevels)
{
    testsupport::ScopedTemporaryFolder temp;
    const auto csv = temp.getChildFile ("day.csv");
    constexpr int momentaryRows = 864000;
    {
        std::string text = header;
        text.reserve (48 * 1024 * 1024);

        for (int i = 0; i < momentaryRows; ++i)
        {
            const auto second = (9 * 3600 + 7 * 60 + 3 + i / 10) % 86400;
            const auto date = i / 10 < 86400 - (9 * 3600 + 7 * 60 + 3) ? "5 Dec 2026" : "6 Dec 2026";
            const auto clock = reporttest::clockText (second);

            if (i % 6 == 0)
                text += shortTermRow (i % 1200 < 600 ? "-20.0" : "-30.0", clock, date);

            text += momentaryRow (i % 2 == 0 ? "-23.0" : "-24.0", clock, date);
        }

        ASSERT_TRUE (csv.replaceWithData (text.data(), text.size()));
    }

    // The peak resident size from here on: every level stored would take well over a gigabyte.
    std::ofstream ("/proc/self/clear_refs") << "5";
    const auto residentBefore = residentKilobytes ("VmRSS:");

    LoudnessHistory history (plotWidth, plotHeight, true);
    history.loadCsvLog (csv);

    const auto peakGrowth = residentKilobytes ("VmHWM:") - residentBefore;
    EXPECT_LT (peakGrowth, 256 * 1024) << "kB";

    ASSERT_EQ (history.getNumPoints(), momentaryRows);
    ASSERT_EQ (history.getNumLevels(), 7);
    EXPECT_EQ (history.getLevelEntryCount (0), 43200000);
    EXPECT_FLOAT_EQ (history.getZoomFactor (6), 864000.0f / 940.0f);
    EXPECT_EQ (history.getLevelEntryCount (6), 940);
    EXPECT_EQ (history.pointOfEntry (0, 43199999), momentaryRows - 1);

    EXPECT_EQ (history.getRangeSummary(),
               juce::StringArray ({ "-23.5", "10.0", "23 hrs 59 mins", "-20.0", "5 Dec 2026 9:07:03", "-23.0",
                                    "5 Dec 2026 9:07:03", "5 Dec 2026 9:07:03", "6 Dec 2026 9:07:02" }));

    // The finest level still scrolls to its very end.
    history.setView (std::numeric_limits<juce::int64>::max() / 2, 0);
    EXPECT_EQ (history.getViewStart(), 43200000 - plotWidth);
    EXPECT_EQ (history.timeAtColumn (plotWidth - 1), "9:07:02");
}

//==============================================================================
TEST (HistoryView, StartsAndLevelsAreBroughtIntoRange)
{
    struct Case
    {
        const char* name;
        juce::int64 start;
        int level;
        juce::int64 shownStart;
        int shownLevel;
    };

    const Case cases[] {
        { "negative start", -5, 4, 0, 4 },
        { "start beyond the end", 100000, 4, 0, 4 },
        { "start beyond the end of the finest level", 600000, 0, 500000 - 940, 0 },
        { "level below the finest", 12, -3, 12, 0 },
        { "level above the coarsest", 12, 99, 0, 4 },
        { "start within range", 1000, 1, 1000, 1 },
    };

    LoudnessHistory history (plotWidth, plotHeight, true);
    load (history, pointsLog (10000));

    for (const auto& c : cases)
    {
        history.setView (c.start, c.level);
        EXPECT_EQ (history.getViewStart(), c.shownStart) << c.name;
        EXPECT_EQ (history.getViewEnd(), c.shownStart + plotWidth - 1) << c.name;
        EXPECT_EQ (history.getViewLevel(), c.shownLevel) << c.name;
        EXPECT_EQ (history.getNumColumns(), plotWidth) << c.name;
    }
}

TEST (HistoryView, ZoomKeepsTheEntryUnderTheCentreAndStopsAtBothEnds)
{
    LoudnessHistory history (plotWidth, plotHeight, true);
    load (history, pointsLog (10000));

    history.zoomIn (0);
    EXPECT_EQ (history.getViewLevel(), 3);
    EXPECT_EQ (history.getViewStart(), 17) << "trunc (977 / 940 x 469) - 470";

    history.zoomOut (0);
    EXPECT_EQ (history.getViewLevel(), 4);
    history.zoomOut (0);
    EXPECT_EQ (history.getViewLevel(), 4) << "no level beyond the coarsest";
    EXPECT_EQ (history.getViewStart(), 0);

    history.setView (12340, 0);
    history.zoomIn (100);
    EXPECT_EQ (history.getViewLevel(), 0) << "no level below the finest";
    EXPECT_EQ (history.getViewStart(), 12340);

    history.zoomOut (100);
    EXPECT_EQ (history.getViewLevel(), 1);
    EXPECT_EQ (history.getViewStart(), 1085) << "trunc (62500 / 500000 x 12440) - 470";

    history.setView (30000, 1);
    history.setHighResolution (false);
    EXPECT_EQ (history.getViewLevel(), 4) << "a scale change shows the whole report";
    EXPECT_EQ (history.getViewStart(), 0);
}

TEST (HistoryView, ColumnsHoldTheSampledValuesTheirClampedHeightsAndTimes)
{
    LoudnessHistory history (plotWidth, plotHeight, true);
    load (history, header + shortTermRow ("-5.0", "9:07:02") + momentaryRow ("-23.0", "9:07:03")
                       + momentaryRow ("-80.0", "9:07:04"));

    // Two points across 940 columns: the first half samples point 0.
    EXPECT_EQ (history.shortTermAtColumn (0), -5.0f);
    EXPECT_EQ (history.shortTermYAtColumn (0), plotHeight) << "above the scale: the top line";
    EXPECT_EQ (history.momentaryYAtColumn (0), 171);
    EXPECT_EQ (history.timeAtColumn (0), "9:07:03");
    EXPECT_EQ (history.momentaryAtColumn (939), -80.0f);
    EXPECT_EQ (history.momentaryYAtColumn (939), 0) << "below the scale: the bottom line";
    EXPECT_EQ (history.timeAtColumn (939), "9:07:04");

    EXPECT_EQ (history.tooltipText (939), "Momentary Value: -70.0\nShort Term Value: -5.0\nAt Time: 9:07:04");
    EXPECT_EQ (history.tooltipText (940), "");
    EXPECT_EQ (history.tooltipText (-1), "");
}

//==============================================================================
TEST (HistoryScale, HeightsFollowTheExponentialLawOnBothScales)
{
    struct Case
    {
        bool highResolution;
        float level;
        int height;
    };

    const Case cases[] {
        { true, -71.0f, -120 }, { true, -41.0f, 0 },  { true, -35.0f, 45 },  { true, -30.0f, 91 },
        { true, -28.0f, 112 },  { true, -26.0f, 134 }, { true, -23.0f, 171 }, { true, -20.0f, 212 },
        { true, -18.0f, 242 },  { true, -16.0f, 275 }, { true, -14.0f, 310 }, { true, -10.0f, 388 },
        { false, -59.0f, 0 },   { false, -50.0f, 33 }, { false, -40.0f, 76 }, { false, -30.0f, 128 },
        { false, -23.0f, 171 }, { false, -16.0f, 220 }, { false, -10.0f, 267 }, { false, -5.0f, 310 },
    };

    for (const auto& c : cases)
        EXPECT_EQ (HistoryScale (plotHeight, c.highResolution).loudnessToY (c.level), c.height)
            << (c.highResolution ? "high " : "low ") << c.level;

    const HistoryScale high (plotHeight, true), low (plotHeight, false);
    EXPECT_EQ (high.getExpLow(), 116537786368.0f);
    EXPECT_EQ (high.getExpHigh(), 316782575616.0f);
    EXPECT_EQ (high.getExpSpan(), 200244789248.0f);
    EXPECT_FLOAT_EQ (low.getExpLow(), 9.492816e22f);
    EXPECT_FLOAT_EQ (low.getExpHigh(), 2.5804150e23f);
    EXPECT_FLOAT_EQ (low.getExpSpan(), 1.6311335e23f);

    EXPECT_LT (high.loudnessToY (std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_GT (high.loudnessToY (std::numeric_limits<float>::infinity()), plotHeight);
    EXPECT_GT (high.loudnessToY (1.0e30f), plotHeight);
}

//==============================================================================
TEST (HistorySummary, NineTextsDescribeTheRange)
{
    struct Case
    {
        const char* name;
        std::string log;
        juce::int64 from, to;
        juce::StringArray texts;
    };

    const auto at = [] (int offset) { return "5 Dec 2026 " + juce::String (reporttest::clockText (9 * 3600 + 7 * 60 + 3 + offset)); };

    const Case cases[] {
        { "the loudest point and the gated mean", momentaryLog ({ "-30.0", "-20.0", "-25.0" }), 0, 2,
          { "-23.3", "0.0", "2 secs", "-", at (0), "-20.0", at (1), at (0), at (2) } },
        { "the first of equal maxima", momentaryLog ({ "-20.0", "-20.0", "-25.0" }), 0, 2,
          { "-21.1", "0.0", "2 secs", "-", at (0), "-20.0", at (0), at (0), at (2) } },
        { "nothing above -70 has no maximum", momentaryLog ({ "-70.0", "-75.0" }), 0, 1,
          { "-70.0", "0.0", "1 sec", "-", at (0), "-", at (0), at (0), at (1) } },
        { "one point", momentaryLog ({ "-23.1" }), 0, 0,
          { "-23.1", "0.0", "0", "-", at (0), "-23.1", at (0), at (0), at (0) } },
        { "a part of the report", momentaryLog ({ "-10.0", "-30.0", "-20.0", "-5.0" }), 1, 2,
          { "-22.6", "0.0", "1 sec", "-", at (0), "-20.0", at (2), at (1), at (2) } },
        { "bounds beyond the report", momentaryLog ({ "-30.0", "-20.0" }), -5, 99,
          { "-22.6", "0.0", "1 sec", "-", at (0), "-20.0", at (1), at (0), at (1) } },
        { "short-term range and maximum, the values before the first short-term row left out",
          header + momentaryRow ("-23.0", "9:07:03") + shortTermRow ("-30.0", "9:07:03")
              + momentaryRow ("-23.0", "9:07:04") + shortTermRow ("-20.0", "9:07:04") + momentaryRow ("-23.0", "9:07:05"),
          0, 2, { "-23.0", "10.0", "2 secs", "-20.0", at (2), "-23.0", at (0), at (0), at (2) } },
        { "across midnight", header + momentaryRow ("-23.0", "23:59:00") + momentaryRow ("-23.0", "0:01:00", "6 Dec 2026"),
          0, 1, { "-23.0", "0.0", "2 mins", "-", "5 Dec 2026 23:59:00", "-23.0", "5 Dec 2026 23:59:00",
                  "5 Dec 2026 23:59:00", "6 Dec 2026 0:01:00" } },
    };

    // A zone that changes to and from summer time: spans must not depend on the date they are viewed.
    testsupport::ScopedTimeZone zone ("CET-1CEST,M3.5.0,M10.5.0/3");

    for (const auto& c : cases)
    {
        LoudnessHistory history (plotWidth, plotHeight, true);
        load (history, c.log);
        history.updateRangeSummary (c.from, c.to);
        EXPECT_EQ (history.getRangeSummary(), c.texts) << c.name;
    }
}

//==============================================================================
TEST (HistoryMarkers, StandAtTheViewEndsAfterALoadAndMapBackToTheirPoints)
{
    LoudnessHistory history (plotWidth, plotHeight, true);
    load (history, pointsLog (10000));

    EXPECT_EQ (history.getStartMarkerIndex(), 0);
    EXPECT_EQ (history.getEndMarkerIndex(), 9999);
    EXPECT_EQ (history.getStartMarkerX(), 0);
    EXPECT_EQ (history.getEndMarkerX(), 920);

    history.endMarkerMovedTo (460);
    EXPECT_EQ (history.getEndMarkerIndex(), 5000);
    EXPECT_EQ (history.getEndMarkerX(), 460);
    EXPECT_EQ (history.getRangeSummary()[LoudnessHistory::summaryEnd], juce::String ("5 Dec 2026 " + reporttest::clockText (9 * 3600 + 7 * 60 + 3 + 5000)));

    // Zoomed in, the markers keep their points and move with the view.
    history.setView (250000, 0);
    EXPECT_EQ (history.getViewFirstIndex(), 5000);
    EXPECT_EQ (history.getViewLastIndex(), 5018);
    EXPECT_EQ (history.getEndMarkerX(), 0);
    EXPECT_LT (history.getStartMarkerX(), -200000) << "far outside the plot";
}

TEST (HistoryMarkers, StartNeverPassesEndEvenWhenPixelsRoundTheOtherWay)
{
    LoudnessHistory history (plotWidth, plotHeight, true);
    load (history, pointsLog (10000));

    // An end point that the coarse view cannot show exactly: point 1009 sits at x 93.
    history.setView (50000, 0);
    history.endMarkerMovedTo (460);
    ASSERT_EQ (history.getEndMarkerIndex(), 1009);
    history.zoomToFit();
    ASSERT_EQ (history.getEndMarkerX(), 93);

    // x 93 maps back to point 1011, past the end.
    history.startMarkerMovedTo (93);
    EXPECT_EQ (history.getStartMarkerIndex(), 1009);
    EXPECT_EQ (history.getRangeSummary()[LoudnessHistory::summaryDuration], "0");
    EXPECT_EQ (history.getRangeSummary()[LoudnessHistory::summaryIntegrated], "-23.0");

    history.endMarkerMovedTo (0);
    EXPECT_EQ (history.getEndMarkerIndex(), 1009) << "the end stops on the start";
}

TEST (HistoryMarkers, OnePointPutsThemAtBothEnds)
{
    LoudnessHistory history (plotWidth, plotHeight, true);
    load (history, pointsLog (1));

    EXPECT_EQ (history.getViewFirstIndex(), history.getViewLastIndex());
    EXPECT_EQ (history.getStartMarkerX(), 0);
    EXPECT_EQ (history.getEndMarkerX(), 920);

    history.startMarkerMovedTo (500);
    EXPECT_EQ (history.getStartMarkerIndex(), 0);
    EXPECT_EQ (history.getRangeSummary()[LoudnessHistory::summaryMaxMomentary], "-23.0");
}
