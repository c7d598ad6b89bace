#include "LoudnessHistory.h"
#include "ReportViewerTestKit.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <fstream>

namespace
{
using namespace viewertest;

// The previewer's graph: a 940 x 310 plot.
constexpr int plotWidth = 940, plotHeight = 310;

struct History : public LoudnessHistory
{
    History() : LoudnessHistory (::plotWidth, ::plotHeight, true) {}

    History& load (const std::string& log)
    {
        juce::MemoryInputStream in (log.data(), log.size(), false);
        loadCsvLog (in);
        return *this;
    }
};

/** Short-term, momentary, time and date of each point. */
juce::StringArray pointsOf (const LoudnessSeries& series)
{
    juce::StringArray points;

    for (size_t i = 0; i < series.size(); ++i)
        points.add (juce::String (series.shortTermAt (i)) + " " + juce::String (series.momentaryAt (i)) + " "
                    + series.timeAt (i) + " / " + series.dateAt (i));

    return points;
}

long statusKilobytes (const char* field)
{
    std::ifstream status ("/proc/self/status");

    for (std::string line; std::getline (status, line);)
        if (line.rfind (field, 0) == 0)
            return std::stol (line.substr (std::string (field).size() + 1));

    return -1;
}
} // namespace

TEST (HistoryCsv, OnePointPerMomentaryRowCarryingTheLatestShortTermValue)
{
    const juce::String first = "-71 -23.1 9:07:03 / 5 Dec 2026";
    const auto momentary = [] (const char* value) { return csvRow ("MomentaryLoudness", value, "9:07:03"); };
    const auto shortTerm = [] (const char* value) { return csvRow ("ShortTermLoudness", value, "9:07:02"); };

    const std::pair<std::string, juce::StringArray> cases[] {
        { "Type, Value, Date, Time\nMomentaryLoudness, -23.1, 5 Dec 2026, 9:07:03\n", { first } },
        { "Type, Value, Date, Time\rMomentaryLoudness, -23.1, 5 Dec 2026, 9:07:03\r", { first } },
        { "\n\r\n" + momentary ("-23.1") + "\r\r\n", { first } },
        { momentary ("-23.1") + "MomentaryLoudness, -5.0, 5 Dec 2026, 9:07:04", { first } }, // still being written
        { shortTerm ("-30.0") + momentary ("-23.1") + shortTerm ("-25.5") + momentary ("-21.0"),
          { "-30 -23.1 9:07:03 / 5 Dec 2026", "-25.5 -21 9:07:03 / 5 Dec 2026" } },
        { csvHeader + "TruePeak, -1.0, 5 Dec 2026, 9:07:02\r\ngarbage\r\n" + momentary ("-23.1"), { first } },
        { momentary ("abc") + momentary ("-23.1dB"), { "-71 0 9:07:03 / 5 Dec 2026", first } },
        { momentary ("nan") + momentary ("-1e300") + shortTerm ("-30.0") + shortTerm ("inf") + momentary ("-23.1"),
          { "-30 -23.1 9:07:03 / 5 Dec 2026" } },
        { "MomentaryLoudness, -23.1\n", { "-71 -23.1  / " } },
        { "MomentaryLoudness,-23.1,5 Dec 2026,9:07:03, extra\n", { first } },
        { "MomentaryLoudness, -23.1, 5 Dec 2026, 9:07:03 ShortTermLoudness\n", { "-71 -23.1 9:07:03 ShortTermLoudness / 5 Dec 2026" } },
        { momentary ("-23.1") + csvRow ("MomentaryLoudness", "-1.0", std::string (70000, '9')) + momentary ("-21.0"),
          { first, "-71 -21 9:07:03 / 5 Dec 2026" } }, // a line past the cap, across two reads, is left out
        { csvRow ("MomentaryLoudness", "-23.1", std::string (250, 'x') + "\xc3\xa9\xc3\xa9\xc3\xa9"),
          { "-71 -23.1 " + juce::String (std::string (250, 'x')) + juce::String::fromUTF8 ("\xc3\xa9\xc3\xa9\xc3\xa9") + " / 5 Dec 2026" } },
        { csvRow ("MomentaryLoudness", "-23.1", std::string (253, 'x') + "\xc3\xa9\xc3\xa9"),
          { "-71 -23.1 " + juce::String (std::string (253, 'x')) + juce::String::fromUTF8 ("\xc3\xa9") + " / 5 Dec 2026" } },
        { csvHeader, {} },
        { "", {} },
    };

    for (const auto& [log, points] : cases)
    {
        History history;
        history.load (log);
        EXPECT_EQ (pointsOf (history.getSeries()), points) << log;
        EXPECT_EQ (history.isViewShown(), ! points.isEmpty()) << log;
    }

    History history;
    history.load (steadyLog (3)).loadCsvLog (juce::File ("/nonexistent/r.csv"));
    EXPECT_EQ (history.getNumPoints(), 0);
    EXPECT_EQ (history.getRangeSummary(), juce::StringArray ({ "-70.0", "-70.0", "", "-", "", "-", "", "", "" }));
}

TEST (HistoryXml, DynamicMeasurementsGiveShortTermPointsWithoutMomentaryValueOrDate)
{
    LoudnessHistory history (plotWidth, plotHeight, true);
    history.loadDynamicMeasurements (*juce::parseXML (R"(<dynamicmeasurements>
        <ShortTermStampedValue value="-23.5" time="9:07:03"/><Other value="-1.0"/>
        <ShortTermStampedValue time="9:07:04"/><ShortTermStampedValue value="nan" time="9:07:05"/></dynamicmeasurements>)"));
    EXPECT_EQ (pointsOf (history.getSeries()), juce::StringArray ({ "-23.5 -71 9:07:03 / ", "0 -71 9:07:04 / ", "-71 -71 9:07:05 / " }));

    history.loadDynamicMeasurements (*juce::parseXML ("<Other><ShortTermStampedValue value='-1'/></Other>"));
    EXPECT_EQ (history.getNumPoints(), 0);
}

//==============================================================================
TEST (HistoryLevels, FactorsAndEntryCountsFollowTheReportLength)
{
    const std::tuple<int, std::vector<float>, std::vector<juce::int64>> cases[] {
        { 1, { 1.0f / 940.0f }, { 940 } },
        { 18, { 18.0f / 940.0f }, { 940 } },
        { 19, { 0.02f, 19.0f / 940.0f }, { 950, 940 } },
        { 10000, { 0.02f, 0.16f, 1.28f, 10.24f, 10000.0f / 940.0f }, { 500000, 62500, 7813, 977, 940 } },
    };

    for (const auto& [points, factors, entries] : cases)
    {
        History history;
        history.load (steadyLog (points));
        ASSERT_EQ (history.getNumLevels(), (int) factors.size()) << points;
        EXPECT_EQ (history.getViewLevel(), history.getNumLevels() - 1) << "a load shows the whole report";

        for (int level = 0; level < history.getNumLevels(); ++level)
        {
            EXPECT_FLOAT_EQ (history.getZoomFactor (level), factors[(size_t) level]) << points << " level " << level;
            EXPECT_EQ (history.getLevelEntryCount (level), entries[(size_t) level]) << points << " level " << level;
        }
    }
}

// A day of one row per new value: 864,000 momentary and 144,000 short-term rows, about 45 MB.
TEST (HistoryLevels, DayLongReportLoadsWithoutStoringItsLevels)
{
    testsupport::ScopedTemporaryFolder temp;
    const auto csv = temp.getChildFile ("day.csv");
    {
        std::string text = csvHeader;

        for (int i = 0; i < 864000; ++i)
        {
            const auto second = 9 * 3600 + 7 * 60 + 3 + i / 10;
            const auto date = second < 86400 ? "5 Dec 2026" : "6 Dec 2026";
            const auto clock = reporttest::clockText (second % 86400);

            if (i % 6 == 0)
                text += csvRow ("ShortTermLoudness", i % 1200 < 600 ? "-20.0" : "-30.0", clock, date);

            text += csvRow ("MomentaryLoudness", i % 2 == 0 ? "-23.0" : "-24.0", clock, date);
        }

        ASSERT_TRUE (csv.replaceWithData (text.data(), text.size()));
    }

    // Peak resident growth while loading: stored levels alone would take well over a gigabyte.
    std::ofstream ("/proc/self/clear_refs") << "5";
    const auto residentBefore = statusKilobytes ("VmRSS:");
    LoudnessHistory history (plotWidth, plotHeight, true);
    history.loadCsvLog (csv);
    EXPECT_LT (statusKilobytes ("VmHWM:") - residentBefore, 256 * 1024) << "kB";

    ASSERT_EQ (history.getNumPoints(), 864000);
    ASSERT_EQ (history.getNumLevels(), 7);
    EXPECT_EQ (history.getLevelEntryCount (0), 43200000);
    EXPECT_EQ (history.getLevelEntryCount (6), 940);
    EXPECT_EQ (history.getRangeSummary(), juce::StringArray ({ "-23.5", "10.0", "23 hrs 59 mins", "-20.0", "5 Dec 2026 9:07:03", "-23.0",
                                                               "5 Dec 2026 9:07:03", "5 Dec 2026 9:07:03", "6 Dec 2026 9:07:02" }));

    history.setView (std::numeric_limits<juce::int64>::max() / 2, 0);
    EXPECT_EQ (history.getViewStart(), 43200000 - plotWidth) << "the finest level scrolls to its very end";
    EXPECT_EQ (history.timeAtColumn (plotWidth - 1), "9:07:02");
}

//==============================================================================
TEST (HistoryView, StartsLevelsAndZoomsStayInRange)
{
    History history;
    history.load (steadyLog (10000));

    // start and level asked for, start and level shown
    const juce::int64 views[][4] { { -5, 4, 0, 4 }, { 100000, 4, 0, 4 }, { 600000, 0, 500000 - 940, 0 },
                                   { 12, -3, 12, 0 }, { 12, 99, 0, 4 }, { 1000, 1, 1000, 1 } };

    for (const auto& v : views)
    {
        history.setView (v[0], (int) v[1]);
        EXPECT_EQ (history.getViewStart(), v[2]) << v[0] << ", " << v[1];
        EXPECT_EQ (history.getViewLevel(), v[3]) << v[0] << ", " << v[1];
    }

    history.zoomToFit();
    history.zoomIn (0);
    EXPECT_EQ (history.getViewLevel(), 3);
    EXPECT_EQ (history.getViewStart(), 17) << "trunc (977 / 940 x 469) - 470";

    history.setView (12340, 0);
    history.zoomIn (100);
    EXPECT_EQ (history.getViewStart(), 12340) << "no level below the finest";
    history.zoomOut (100);
    EXPECT_EQ (history.getViewLevel(), 1);
    EXPECT_EQ (history.getViewStart(), 1085) << "trunc (62500 / 500000 x 12440) - 470";

    history.setHighResolution (false);
    history.zoomOut (0);
    EXPECT_EQ (history.getViewLevel(), 4) << "a scale change shows the whole report; nothing is coarser";

    history.load (levelLog ({ { "-23.0", "-5.0" }, { "-80.0", "" } }));
    EXPECT_EQ (history.shortTermYAtColumn (0), plotHeight) << "above the scale: the top line";
    EXPECT_EQ (history.momentaryYAtColumn (939), 0) << "below the scale: the bottom line";
    EXPECT_EQ (history.tooltipText (939), "Momentary Value: -70.0\nShort Term Value: -5.0\nAt Time: 9:07:04");
    EXPECT_EQ (history.tooltipText (940), "");
}

TEST (HistoryScale, HeightsFollowTheExponentialLawOnBothScales)
{
    const std::tuple<bool, float, int> cases[] {
        { true, -71.0f, -120 }, { true, -41.0f, 0 },    { true, -30.0f, 91 },   { true, -23.0f, 171 },
        { true, -14.0f, 310 },  { true, -10.0f, 388 },  { false, -59.0f, 0 },   { false, -40.0f, 76 },
        { false, -23.0f, 171 }, { false, -10.0f, 267 }, { false, -5.0f, 310 },
    };

    for (const auto& [high, level, height] : cases)
        EXPECT_EQ (HistoryScale (plotHeight, high).loudnessToY (level), height) << high << " " << level;

    EXPECT_LT (HistoryScale (plotHeight, true).loudnessToY (std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_GT (HistoryScale (plotHeight, true).loudnessToY (std::numeric_limits<float>::infinity()), plotHeight);
}

//==============================================================================
TEST (HistorySummary, NineTextsDescribeTheRange)
{
    const auto at = [] (int s) { return "5 Dec 2026 " + juce::String (reporttest::clockText (32823 + s)); };
    const auto momentaryOnly = [] (std::vector<std::string> levels)
    {
        std::vector<std::pair<std::string, std::string>> pairs;

        for (auto& level : levels)
            pairs.push_back ({ level, "" });

        return levelLog (pairs);
    };
    const auto midnight = csvHeader + csvRow ("MomentaryLoudness", "-23.0", "23:59:00")
                        + csvRow ("MomentaryLoudness", "-23.0", "0:01:00", "6 Dec 2026");

    const std::tuple<std::string, juce::int64, juce::int64, juce::StringArray> cases[] {
        { momentaryOnly ({ "-30.0", "-20.0", "-25.0" }), 0, 2, { "-23.3", "0.0", "2 secs", "-", at (0), "-20.0", at (1), at (0), at (2) } },
        { momentaryOnly ({ "-20.0", "-20.0", "-25.0" }), 0, 2, { "-21.1", "0.0", "2 secs", "-", at (0), "-20.0", at (0), at (0), at (2) } },
        { momentaryOnly ({ "-70.0", "-75.0" }), 0, 1, { "-70.0", "0.0", "1 sec", "-", at (0), "-", at (0), at (0), at (1) } },
        { momentaryOnly ({ "-23.1" }), 0, 0, { "-23.1", "0.0", "0", "-", at (0), "-23.1", at (0), at (0), at (0) } },
        { momentaryOnly ({ "-10.0", "-30.0", "-20.0", "-5.0" }), 1, 2, { "-22.6", "0.0", "1 sec", "-", at (0), "-20.0", at (2), at (1), at (2) } },
        { momentaryOnly ({ "-30.0", "-20.0" }), -5, 99, { "-22.6", "0.0", "1 sec", "-", at (0), "-20.0", at (1), at (0), at (1) } },
        { levelLog ({ { "-23.0", "" }, { "-23.0", "-30.0" }, { "-23.0", "-20.0" } }), 0, 2,
          { "-23.0", "10.0", "2 secs", "-20.0", at (2), "-23.0", at (0), at (0), at (2) } },
        { midnight, 0, 1, { "-23.0", "0.0", "2 mins", "-", "5 Dec 2026 23:59:00", "-23.0", "5 Dec 2026 23:59:00",
                            "5 Dec 2026 23:59:00", "6 Dec 2026 0:01:00" } },
    };

    // A zone with summer time: spans must not depend on the day they are looked at.
    testsupport::ScopedTimeZone zone ("CET-1CEST,M3.5.0,M10.5.0/3");

    for (const auto& [log, from, to, texts] : cases)
    {
        History history;
        history.load (log).updateRangeSummary (from, to);
        EXPECT_EQ (history.getRangeSummary(), texts) << log;
    }
}

TEST (HistoryMarkers, MapToTheirPointsEvenWhereTheWholeViewCannotShowThemExactly)
{
    History history;
    history.load (steadyLog (1));
    EXPECT_EQ (history.getStartMarkerX(), 0) << "one point: the markers at both ends";
    EXPECT_EQ (history.getEndMarkerX(), 920);

    history.load (steadyLog (10000));
    EXPECT_EQ (history.getEndMarkerIndex(), 9999);

    // An end point the whole view cannot show exactly: point 1009 sits at x 93, which maps to 1011.
    history.setView (50000, 0);
    EXPECT_EQ (history.getViewFirstIndex(), 1000);
    EXPECT_EQ (history.getViewLastIndex(), 1018);
    history.endMarkerMovedTo (460);
    ASSERT_EQ (history.getEndMarkerIndex(), 1009);
    EXPECT_LT (history.getStartMarkerX(), -50000) << "far outside the plot";

    history.zoomToFit();
    ASSERT_EQ (history.getEndMarkerX(), 93);
    history.startMarkerMovedTo (93);
    EXPECT_EQ (history.getStartMarkerIndex(), 1009) << "the start reaches the end it shares a column with";
}
