#include "ComponentRendering.h"
#include "NolvColours.h"
#include "OVEXJuceLogDrawer.h"
#include "ReportViewerTestKit.h"
#include "ScopedTemporaryFolder.h"

#include <gtest/gtest.h>

namespace
{
using namespace viewertest;

// The previewer's graph: 1000 x 370, so the plot spans x 30..970 and y 30..340.
constexpr int plotLeft = 30, plotBottom = 340;
const juce::Colour blue = nolvColours::shortTermCurve, green = nolvColours::momentaryCurve, black = juce::Colours::black;

/** A mouse event on a component, at a position and pressed at another, in its own coordinates. */
juce::MouseEvent mouseAt (juce::Component& target, juce::Point<int> position, juce::Point<int> pressedAt,
                          juce::ModifierKeys mods = juce::ModifierKeys::leftButtonModifier)
{
    const auto now = juce::Time::getCurrentTime();
    return { juce::Desktop::getInstance().getMainMouseSource(), position.toFloat(), mods, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
             &target, &target, now, pressedAt.toFloat(), now, 1, position != pressedAt };
}

int brightness (juce::Colour c)
{
    return juce::jmax (c.getRed(), c.getGreen(), c.getBlue());
}

class HistoryGraph : public testing::Test
{
protected:
    HistoryGraph() { graph.addChangeListener (&changes); }
    ~HistoryGraph() override { graph.removeChangeListener (&changes); }

    void load (const std::string& log)
    {
        const auto csv = temp.getChildFile ("r.csv");
        csv.replaceWithData (log.data(), log.size());
        graph.loadCsvLines (csv);
    }

    /** Presses a marker by its middle and drags it in four steps to a pointer place in the plot. */
    void dragMarker (PlaybackMarker& marker, int toX, int toY = 150)
    {
        const juce::Point<int> pressed { 10, 150 }, from = marker.getPosition() + pressed;
        marker.mouseDown (mouseAt (marker, pressed, pressed));

        for (int step = 1; step <= 4; ++step)
            marker.mouseDrag (mouseAt (marker, from + (juce::Point<int> (toX, toY) - from) * step / 4 - marker.getPosition(), pressed));
    }

    juce::Colour pixel (int x, int y) { return testsupport::renderToImage (graph).getPixelAt (x, y); }

    testsupport::ScopedTemporaryFolder temp;
    OVEXJuceLogDrawer graph { 1000, 370, black, juce::Colours::white, blue, green, nolvColours::pureRed,
                              juce::Colours::white, true, -10.0f };
    ChangeCounter changes;
};
} // namespace

TEST_F (HistoryGraph, DrawsTheActiveCurveOnTopWithItsFillLimitColumnsAndTimeLabels)
{
    // A minute at -23, then a louder minute: momentary -17 (258 up), short-term -18 (242 up).
    std::vector<std::pair<std::string, std::string>> levels (60, { "-23.0", "-23.0" });
    levels.insert (levels.end(), 60, { "-17.0", "-18.0" });
    load (levelLog (levels));

    auto image = testsupport::renderArtifact (graph, "history-graph.png");

    EXPECT_EQ (image.getPixelAt (29, 100), juce::Colours::white) << "the frame just outside the plot";
    EXPECT_EQ (image.getPixelAt (plotLeft + 200, plotBottom - 171), blue) << "-23 lies 171 up";
    EXPECT_EQ (image.getPixelAt (plotLeft + 800, plotBottom - 242), blue);
    EXPECT_TRUE (testsupport::coloursMatch (image.getPixelAt (plotLeft + 800, plotBottom - 258), black.interpolatedWith (green, 0.5f), 3))
        << "the inactive curve at half strength";

    const auto fill = image.getPixelAt (plotLeft + 200, 300);
    EXPECT_TRUE (fill.getBlue() > fill.getRed() && brightness (fill) < 120) << "a faint fill under the active curve";
    EXPECT_EQ (image.getPixelAt (plotLeft + 800, 90), black) << "between the curves: no fill";
    EXPECT_EQ (image.getPixelAt (plotLeft + 800, 50), black) << "-10 is above the scale: no limit column";

    EXPECT_GT (testsupport::countMatching (image, { 0, plotBottom + 1, 60, 25 }, juce::Colours::white, 127), 0)
        << "the first time label, under the first column";

    // Red at 0.4 in one-pixel lines: every pixel is half covered by two of them.
    graph.setLimit (-20.0f);
    image = testsupport::renderToImage (graph);
    EXPECT_TRUE (testsupport::coloursMatch (image.getPixelAt (plotLeft + 800, 50), juce::Colour (90, 0, 0), 4)) << "above the limit";
    EXPECT_EQ (image.getPixelAt (plotLeft + 200, 50), black);

    // Momentary active: it is on top, and the fill reaches up to it.
    graph.setShortTermActive (false);
    image = testsupport::renderToImage (graph);
    EXPECT_EQ (image.getPixelAt (plotLeft + 800, plotBottom - 258), green);
    EXPECT_GT (image.getPixelAt (plotLeft + 800, 90).getGreen(), 20);
}

TEST_F (HistoryGraph, PointerShowsACrossATooltipAndABandThatZoomsIn)
{
    load (steadyLog (10000));
    const auto ctrl = juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier | juce::ModifierKeys::ctrlModifier);

    graph.mouseMove (mouseAt (graph, { plotLeft + 500, 200 }, { plotLeft + 500, 200 }, {}));
    EXPECT_EQ (graph.getTooltip(), "Momentary Value: -23.0\nShort Term Value: -23.0\nAt Time: 10:35:42");
    EXPECT_GT (brightness (pixel (plotLeft + 500, 150)), 30) << "the cross's vertical line";
    graph.mouseMove (mouseAt (graph, { plotLeft + 500, plotBottom }, { 0, 0 }, {}));
    EXPECT_EQ (graph.getTooltip(), "") << "the plot's edge is off the plot";
    EXPECT_EQ (pixel (plotLeft + 500, 150), black);

    graph.setView (3000, 2);
    graph.mouseDrag (mouseAt (graph, { 900, 200 }, { 700, 100 }, ctrl));
    EXPECT_TRUE (testsupport::coloursMatch (pixel (800, 100), juce::Colour (102, 102, 102))) << "top edge of the band";
    graph.mouseUp (mouseAt (graph, { 900, 200 }, { 700, 100 }, ctrl));
    EXPECT_EQ (pixel (800, 100), black);
    EXPECT_EQ (graph.getViewLevel(), 1);
    EXPECT_EQ (graph.getViewStart(), 29688) << "trunc (62500 / 7813 x (3000 + 770)) - 470, 770 the band's middle";

    // A band whose view went away before the release still goes with it.
    graph.mouseDrag (mouseAt (graph, { 900, 200 }, { 700, 100 }, ctrl));
    graph.clearReport();
    graph.mouseUp (mouseAt (graph, { 900, 200 }, { 700, 100 }, ctrl));
    EXPECT_EQ (pixel (800, 100), black);
}

TEST_F (HistoryGraph, WheelDoubleClickAndDragZoomAndScrollOnThePlotOnly)
{
    load (steadyLog (10000));
    const auto plain = juce::ModifierKeys::leftButtonModifier;
    graph.mouseDoubleClick (mouseAt (graph, { plotLeft + 100, 150 }, { plotLeft + 100, 150 }));
    EXPECT_EQ (graph.getViewLevel(), 3);
    graph.mouseWheelMove (mouseAt (graph, { plotLeft + 900, 150 }, { 0, 0 }), { 0.0f, 1.0f, false, false, false });
    EXPECT_EQ (graph.getViewLevel(), 2);
    EXPECT_EQ (graph.getViewStart(), 6727) << "trunc (7813 / 977 x 900) - 470";
    graph.mouseWheelMove (mouseAt (graph, { 5, 150 }, { 0, 0 }), { 0.0f, -1.0f, false, false, false });
    EXPECT_EQ (graph.getViewLevel(), 2) << "off the plot";

    // Each drag event adds the whole distance from the press: the view keeps running.
    graph.mouseDrag (mouseAt (graph, { 200, 150 }, { 300, 150 }, plain));
    graph.mouseDrag (mouseAt (graph, { 200, 150 }, { 300, 150 }, plain));
    EXPECT_EQ (graph.getViewStart(), 6727 - 200);
    graph.mouseDrag (mouseAt (graph, { 200, plotBottom + 5 }, { 300, 150 }, plain));
    EXPECT_EQ (graph.getViewStart(), 6727 - 200) << "off the plot";

    graph.mouseUp (mouseAt (graph, { 200, 150 }, { 300, 150 }, juce::ModifierKeys::altModifier));
    EXPECT_EQ (graph.getViewLevel(), 4) << "alt-release shows the whole report";
}

TEST_F (HistoryGraph, TakesEveryKeyAndActsOnTheZoomAndScrollKeys)
{
    // From level 2 at entry 3500 (entries 3500..4439, the middle at 3969).
    const std::tuple<const char*, juce::KeyPress, int, juce::int64> cases[] {
        { "=", juce::KeyPress ('=', {}, '='), 1, 31279 },
        { "shift + +", juce::KeyPress ('+', juce::ModifierKeys::shiftModifier, '+'), 1, 31279 },
        { "number-pad plus", juce::KeyPress (juce::KeyPress::numberPadAdd, {}, 0), 1, 31279 },
        { "Linux number-pad plus", juce::KeyPress ('+', {}, '+'), 1, 31279 },
        { "-", juce::KeyPress ('-', {}, '-'), 3, 26 },
        { "shift + _", juce::KeyPress ('_', juce::ModifierKeys::shiftModifier, '_'), 3, 26 },
        { "number-pad minus", juce::KeyPress (juce::KeyPress::numberPadSubtract, {}, 0), 3, 26 },
        { "Linux number-pad minus", juce::KeyPress (0xad, {}, '-'), 3, 26 },
        { "left", juce::KeyPress (juce::KeyPress::leftKey), 2, 3490 },
        { "right", juce::KeyPress (juce::KeyPress::rightKey), 2, 3510 },
        { "s without hovering", juce::KeyPress ('s', {}, 's'), 2, 3500 },
        { "ctrl + f", juce::KeyPress ('f', juce::ModifierKeys::ctrlModifier, 0), 2, 3500 },
    };

    for (const auto& [name, key, level, start] : cases)
        EXPECT_TRUE (graph.keyPressed (key)) << name << " with no view";

    load (steadyLog (10000));

    for (const auto& [name, key, level, start] : cases)
    {
        graph.setView (3500, 2);
        EXPECT_TRUE (graph.keyPressed (key)) << name;
        EXPECT_EQ (std::make_pair (graph.getViewLevel(), graph.getViewStart()), std::make_pair (level, start)) << name;
    }

    // Arrows move the values under a resting pointer: 50 entries make one point at the finest level.
    graph.setView (0, 0);
    graph.keyPressed (juce::KeyPress (juce::KeyPress::leftKey));
    EXPECT_EQ (graph.getViewStart(), 0);
    graph.mouseMove (mouseAt (graph, { plotLeft + 10, 150 }, { plotLeft + 10, 150 }, {}));
    EXPECT_TRUE (graph.getTooltip().endsWith ("9:07:03")) << graph.getTooltip();

    for (int i = 0; i < 5; ++i)
        graph.keyPressed (juce::KeyPress (juce::KeyPress::rightKey));

    EXPECT_TRUE (graph.getTooltip().endsWith ("9:07:04")) << graph.getTooltip();
}

TEST_F (HistoryGraph, MarkersStayOrderedInsideThePlotAndEachMoveAnnouncesASummary)
{
    load (steadyLog (10000));
    auto& start = graph.getStartMarker();
    auto& end = graph.getEndMarker();
    EXPECT_EQ (start.getX(), 0);
    EXPECT_EQ (end.getX(), 920);
    const auto image = testsupport::renderToImage (graph);
    EXPECT_GT (brightness (image.getPixelAt (plotLeft, 100)), 100) << "the start marker's line at its left edge";
    EXPECT_GT (brightness (image.getPixelAt (plotLeft + 939, 100)), 100) << "the end marker's line at its right edge";
    EXPECT_EQ (changes.take (graph), 1) << "one summary per load";

    dragMarker (end, 400, 250);
    EXPECT_EQ (end.getPosition(), juce::Point<int> (390, 0)) << "sideways only";
    EXPECT_EQ (graph.getHistory().getEndMarkerIndex(), 4239);
    EXPECT_EQ (changes.take (graph), 1);

    dragMarker (start, 700);
    EXPECT_EQ (start.getX(), 390) << "stopped on the end marker";
    EXPECT_EQ (graph.getHistory().getStartMarkerIndex(), 4239);
    EXPECT_EQ (graph.getRangeSummary()[LoudnessHistory::summaryDuration], "0");

    dragMarker (end, 2000);
    dragMarker (start, -100);
    EXPECT_EQ (end.getX(), 920);
    EXPECT_EQ (start.getX(), 0);
    EXPECT_EQ (graph.getRangeSummary()[LoudnessHistory::summaryDuration], "2 hrs 46 mins");

    // S and E put a marker's left edge on the hovered column; E left of S lands on S.
    graph.mouseMove (mouseAt (graph, { plotLeft + 300, 150 }, { plotLeft + 300, 150 }, {}));
    graph.keyPressed (juce::KeyPress ('s', {}, 's'));
    graph.mouseMove (mouseAt (graph, { plotLeft + 100, 150 }, { plotLeft + 100, 150 }, {}));
    graph.keyPressed (juce::KeyPress ('E', juce::ModifierKeys::shiftModifier, 'E'));
    EXPECT_EQ (start.getX(), 300);
    EXPECT_EQ (end.getX(), 300);
    EXPECT_EQ (graph.getHistory().getStartMarkerIndex(), 3261);
    EXPECT_EQ (graph.getHistory().getEndMarkerIndex(), 3261);
    EXPECT_EQ (changes.take (graph), 1);
}

TEST_F (HistoryGraph, OnlyReportsWithPointsAnnounceASummary)
{
    load (csvHeader);
    EXPECT_EQ (changes.take (graph), 0);

    load (steadyLog (3, "-24.0"));
    EXPECT_EQ (changes.take (graph), 1);
    EXPECT_EQ (pixel (plotLeft + 200, plotBottom - 158), blue);
    graph.clearReport();
    EXPECT_EQ (changes.take (graph), 0);
    EXPECT_EQ (pixel (plotLeft + 200, plotBottom - 158), black) << "the old curve is gone";

    // A gating change shows from the next summary on.
    load (levelLog ({ { "-20.0", "-20.0" }, { "-40.0", "-40.0" } }));
    graph.getMomentaryHistogram().setGating (false);
    EXPECT_EQ (graph.getRangeSummary()[LoudnessHistory::summaryIntegrated], "-20.0");
    dragMarker (graph.getEndMarker(), 500);
    EXPECT_EQ (graph.getRangeSummary()[LoudnessHistory::summaryIntegrated], "-23.0");
}
