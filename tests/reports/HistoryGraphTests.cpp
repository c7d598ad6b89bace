#include "ComponentRendering.h"
#include "NolvColours.h"
#include "OVEXJuceLogDrawer.h"
#include "ReportFiles.h"
#include "ScopedTemporaryFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{
// The previewer's graph: 1000 x 370, so the plot spans x 30..970 and y 30..340.
constexpr int plotLeft = 30, plotTop = 30, plotBottom = 340;

const juce::Colour curveBlue = nolvColours::shortTermCurve, curveGreen = nolvColours::momentaryCurve;

struct ChangeCounter : public juce::ChangeListener
{
    void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
    int count = 0;
};

/** A mouse event on a component at a position in its own coordinates, pressed at another. */
juce::MouseEvent mouseAt (juce::Component& target, juce::Point<int> position, juce::Point<int> pressedAt,
                          juce::ModifierKeys mods = juce::ModifierKeys::leftButtonModifier)
{
    const auto now = juce::Time::getCurrentTime();
    return { juce::Desktop::getInstance().getMainMouseSource(), position.toFloat(), mods,
             juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f, &target, &target, now,
             pressedAt.toFloat(), now, 1, position != pressedAt };
}

juce::MouseEvent mouseAt (juce::Component& target, juce::Point<int> position)
{
    return mouseAt (target, position, position, {});
}

class HistoryGraph : public testing::Test
{
protected:
    HistoryGraph() { graph.addChangeListener (&changes); }
    ~HistoryGraph() override { graph.removeChangeListener (&changes); }

    /** Loads a log of momentary and short-term level pairs, one point a second from 9:07:03. */
    void loadLevels (const std::vector<std::pair<const char*, const char*>>& levels)
    {
        std::string text = "Type, Value, Date, Time\r\n";

        for (size_t i = 0; i < levels.size(); ++i)
        {
            const auto time = reporttest::clockText (9 * 3600 + 7 * 60 + 3 + (int) i);
            text += std::string ("ShortTermLoudness, ") + levels[i].second + ", 5 Dec 2026, " + time + "\r\n";
            text += std::string ("MomentaryLoudness, ") + levels[i].first + ", 5 Dec 2026, " + time + "\r\n";
        }

        loadText (text);
    }

    void loadSteady (int points, const char* level = "-23.0")
    {
        loadLevels (std::vector<std::pair<const char*, const char*>> ((size_t) points, { level, level }));
    }

    void loadText (const std::string& text)
    {
        const auto csv = temp.getChildFile ("r.csv");
        ASSERT_TRUE (csv.replaceWithData (text.data(), text.size()));
        graph.loadCsvLines (csv);
    }

    int changeMessages()
    {
        graph.dispatchPendingMessages();
        return std::exchange (changes.count, 0);
    }

    /** Drags a marker by its middle from where it stands to a pointer x in the plot. */
    void dragMarker (PlaybackMarker& marker, int toX, int toY = 150)
    {
        const juce::Point<int> pressed { 10, 150 };
        marker.mouseDown (mouseAt (marker, pressed, pressed));
        const auto start = marker.getPosition() + pressed;

        for (int step = 1; step <= 4; ++step)
        {
            const auto pointer = start + (juce::Point<int> (toX, toY) - start) * step / 4;
            marker.mouseDrag (mouseAt (marker, pointer - marker.getPosition(), pressed));
        }

        marker.mouseUp (mouseAt (marker, juce::Point<int> (toX, toY) - marker.getPosition(), pressed));
    }

    juce::Colour pixel (int x, int y) { return testsupport::renderToImage (graph).getPixelAt (x, y); }

    testsupport::ScopedTemporaryFolder temp;
    OVEXJuceLogDrawer graph { 1000, 370, juce::Colours::black, juce::Colours::white, curveBlue, curveGreen,
                              nolvColours::pureRed, juce::Colours::white, true, -10.0f };
    ChangeCounter changes;
};

int brightness (juce::Colour c)
{
    return juce::jmax (c.getRed(), c.getGreen(), c.getBlue());
}
} // namespace

//==============================================================================
TEST_F (HistoryGraph, DrawsTheCurvesOverTheGridWithTheLimitColumnsAndTimeLabels)
{
    // A minute at -23 and a minute louder, short-term lagging behind.
    std::vector<std::pair<const char*, const char*>> levels (60, { "-23.0", "-23.0" });
    levels.insert (levels.end(), 60, { "-17.0", "-18.0" });
    loadLevels (levels);

    const auto quiet = testsupport::renderToImage (graph);
    testsupport::writePng (quiet, juce::File (NOLV_ARTIFACT_DIR).getChildFile ("history-graph.png"));

    EXPECT_EQ (quiet.getPixelAt (10, 10), juce::Colours::black) << "margin";
    EXPECT_EQ (quiet.getPixelAt (28, 100), juce::Colours::white) << "frame just outside the plot";
    EXPECT_EQ (quiet.getPixelAt (29, 100), juce::Colours::white);

    // -23 lies 171 pixels up: the short-term curve, on top, covers the two rows around y 169.
    EXPECT_EQ (quiet.getPixelAt (plotLeft + 200, plotBottom - 171), curveBlue);
    EXPECT_EQ (quiet.getPixelAt (plotLeft + 200, plotBottom - 172), curveBlue);
    // -18 (short-term) lies 242 up; -17 (momentary, the inactive curve at half strength) 258 up.
    EXPECT_EQ (quiet.getPixelAt (plotLeft + 800, plotBottom - 242), curveBlue);
    const auto momentary = quiet.getPixelAt (plotLeft + 800, plotBottom - 258);
    EXPECT_TRUE (testsupport::coloursMatch (momentary, juce::Colours::black.interpolatedWith (curveGreen, 0.5f), 3))
        << momentary.toDisplayString (true);

    // Under the active curve a faint fill in its colour; above it black, a grid line at -20.
    const auto fill = quiet.getPixelAt (plotLeft + 200, 300);
    EXPECT_GT (fill.getBlue(), fill.getRed());
    EXPECT_TRUE (juce::isPositiveAndBelow (brightness (fill), 120)) << fill.toDisplayString (true);
    EXPECT_EQ (quiet.getPixelAt (plotLeft + 200, 150), juce::Colours::black);
    EXPECT_TRUE (juce::isPositiveAndBelow (brightness (quiet.getPixelAt (plotLeft + 200, plotBottom - 212)) - 10, 60));

    // Time labels hang under the plot, the first one centred on its first column.
    int labelBrightness = 0;

    for (int x = 0; x < 60; ++x)
        for (int y = plotBottom + 1; y < 366; ++y)
            labelBrightness = juce::jmax (labelBrightness, brightness (quiet.getPixelAt (x, y)));

    EXPECT_GT (labelBrightness, 128) << "a label needs a font to draw";

    // The limit at -10 is above the scale: no column is tinted. At -20 the louder minute is.
    EXPECT_EQ (quiet.getPixelAt (plotLeft + 800, 50), juce::Colours::black);
    graph.setLimit (-20.0f);
    const auto limited = testsupport::renderToImage (graph);
    testsupport::writePng (limited, juce::File (NOLV_ARTIFACT_DIR).getChildFile ("history-graph-limit-20.png"));
    // Red at 0.4 in 1-pixel lines a pixel apart: each pixel is half covered by two of them.
    EXPECT_TRUE (testsupport::coloursMatch (limited.getPixelAt (plotLeft + 800, 50), juce::Colour (90, 0, 0), 4))
        << limited.getPixelAt (plotLeft + 800, 50).toDisplayString (true);
    EXPECT_EQ (limited.getPixelAt (plotLeft + 200, 50), juce::Colours::black);
}

TEST_F (HistoryGraph, TheActiveCurveDecidesDrawingOrderFillAndLimit)
{
    // Momentary -30 below a limit of -25, short-term -20 above it.
    loadLevels (std::vector<std::pair<const char*, const char*>> (10, { "-30.0", "-20.0" }));
    graph.setLimit (-25.0f);

    const juce::Point<int> aboveBoth { plotLeft + 400, 60 }, underShortTerm { plotLeft + 400, plotBottom - 150 };
    auto image = testsupport::renderToImage (graph);
    EXPECT_GT (image.getPixelAt (aboveBoth.x, aboveBoth.y).getRed(), 60) << "short-term above the limit";
    EXPECT_GT (image.getPixelAt (underShortTerm.x, underShortTerm.y).getBlue(), 0) << "filled under short-term";

    graph.setShortTermActive (false);
    image = testsupport::renderToImage (graph);
    EXPECT_EQ (image.getPixelAt (aboveBoth.x, aboveBoth.y), juce::Colours::black) << "momentary is under the limit";
    EXPECT_EQ (image.getPixelAt (underShortTerm.x, underShortTerm.y), juce::Colours::black) << "no fill above momentary";
    EXPECT_EQ (image.getPixelAt (plotLeft + 400, plotBottom - 91), curveGreen) << "momentary drawn on top";
}

TEST_F (HistoryGraph, HoverCrossAndTooltipFollowThePointerOnThePlotOnly)
{
    graph.mouseMove (mouseAt (graph, { plotLeft + 500, 150 }));
    EXPECT_EQ (graph.getTooltip(), "") << "no view, nothing to point at";

    loadSteady (10);
    const juce::Point<int> onCross { plotLeft + 500, 150 };
    EXPECT_EQ (pixel (onCross.x, onCross.y), juce::Colours::black);

    graph.mouseMove (mouseAt (graph, { plotLeft + 500, 200 }));
    EXPECT_EQ (graph.getTooltip(), "Momentary Value: -23.0\nShort Term Value: -23.0\nAt Time: 9:07:08");
    EXPECT_GT (brightness (pixel (onCross.x, onCross.y)), 30) << "vertical line of the cross";

    graph.mouseMove (mouseAt (graph, { plotLeft + 500, plotBottom }));
    EXPECT_EQ (graph.getTooltip(), "") << "the plot's edge is off the plot";
    EXPECT_EQ (pixel (onCross.x, onCross.y), juce::Colours::black);

    graph.mouseMove (mouseAt (graph, { plotLeft + 500, 200 }));
    graph.mouseExit (mouseAt (graph, { 0, 0 }));
    EXPECT_EQ (graph.getTooltip(), "");
    EXPECT_EQ (pixel (onCross.x, onCross.y), juce::Colours::black);
}

TEST_F (HistoryGraph, ControlDragDrawsABandThatZoomsInAroundItsMiddle)
{
    loadSteady (10000);
    graph.setView (3000, 2);
    const juce::Point<int> pressed { 700, 100 }, released { 900, 200 };
    const auto ctrl = juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier | juce::ModifierKeys::ctrlModifier);

    graph.mouseDrag (mouseAt (graph, released, pressed, ctrl));
    EXPECT_TRUE (testsupport::coloursMatch (pixel (800, 100), juce::Colour (102, 102, 102))) << "top edge of the band";

    graph.mouseUp (mouseAt (graph, released, pressed, ctrl));
    EXPECT_EQ (pixel (800, 100), juce::Colours::black);
    EXPECT_EQ (graph.getViewLevel(), 1);
    EXPECT_EQ (graph.getViewStart(), 29688) << "trunc (62500 / 7813 x (3000 + 770)) - 470: column 770 is the band's middle";

    // A band whose view went away before the release goes with the release.
    graph.mouseDrag (mouseAt (graph, released, pressed, ctrl));
    graph.clearReport();
    EXPECT_TRUE (testsupport::coloursMatch (pixel (800, 100), juce::Colour (102, 102, 102)));
    graph.mouseUp (mouseAt (graph, released, pressed, ctrl));
    EXPECT_EQ (pixel (800, 100), juce::Colours::black);
}

TEST_F (HistoryGraph, MouseZoomsAndScrollsOnThePlotOnly)
{
    loadSteady (10000);
    const auto plain = juce::ModifierKeys::leftButtonModifier;

    graph.mouseDoubleClick (mouseAt (graph, { plotLeft + 100, 150 }));
    EXPECT_EQ (graph.getViewLevel(), 3);
    EXPECT_EQ (graph.getViewStart(), 0) << "trunc (977 / 940 x 100) - 470 starts before the first entry";

    graph.mouseWheelMove (mouseAt (graph, { plotLeft + 900, 150 }), { 0.0f, 1.0f, false, false, false });
    EXPECT_EQ (graph.getViewLevel(), 2);
    EXPECT_EQ (graph.getViewStart(), 6727) << "trunc (7813 / 977 x 900) - 470";

    graph.mouseWheelMove (mouseAt (graph, { 5, 150 }), { 0.0f, -1.0f, false, false, false });
    EXPECT_EQ (graph.getViewLevel(), 2) << "the wheel off the plot does nothing";
    graph.mouseWheelMove (mouseAt (graph, { plotLeft + 900, 150 }), { 0.0f, 0.0f, false, false, false });
    EXPECT_EQ (graph.getViewLevel(), 2);

    // Each drag event adds the whole distance from the press: the view keeps running.
    graph.mouseDrag (mouseAt (graph, { 200, 150 }, { 300, 150 }, plain));
    graph.mouseDrag (mouseAt (graph, { 200, 150 }, { 300, 150 }, plain));
    EXPECT_EQ (graph.getViewStart(), 6727 - 200);
    graph.mouseDrag (mouseAt (graph, { 200, plotBottom + 5 }, { 300, 150 }, plain));
    EXPECT_EQ (graph.getViewStart(), 6727 - 200) << "off the plot";
    graph.mouseDrag (mouseAt (graph, { 900, 150 }, { 300, 150 }, plain));
    EXPECT_EQ (graph.getViewStart(), 7813 - 940) << "no further than the level's last entries";

    graph.mouseUp (mouseAt (graph, { 400, 150 }, { 300, 150 }, juce::ModifierKeys::altModifier));
    EXPECT_EQ (graph.getViewLevel(), 4) << "alt-release shows the whole report";
    EXPECT_EQ (graph.getViewStart(), 0);
}

TEST_F (HistoryGraph, TakesEveryKeyAndActsOnTheZoomScrollAndMarkerKeys)
{
    struct Case
    {
        const char* name;
        juce::KeyPress key;
        int level;
        juce::int64 start;
    };

    // From level 2 at entry 3500 (entries 3500..4439, the middle at 3969).
    const Case cases[] {
        { "=", juce::KeyPress ('=', {}, '='), 1, 31279 },
        { "shift + +", juce::KeyPress ('+', juce::ModifierKeys::shiftModifier, '+'), 1, -1 },
        { "number-pad plus", juce::KeyPress (juce::KeyPress::numberPadAdd, {}, 0), 1, -1 },
        { "Linux number-pad plus", juce::KeyPress ('+', {}, '+'), 1, -1 },
        { "-", juce::KeyPress ('-', {}, '-'), 3, 26 },
        { "shift + _", juce::KeyPress ('_', juce::ModifierKeys::shiftModifier, '_'), 3, -1 },
        { "number-pad minus", juce::KeyPress (juce::KeyPress::numberPadSubtract, {}, 0), 3, -1 },
        { "Linux number-pad minus", juce::KeyPress (0xad, {}, '-'), 3, -1 },
        { "left", juce::KeyPress (juce::KeyPress::leftKey), 2, 3490 },
        { "right", juce::KeyPress (juce::KeyPress::rightKey), 2, 3510 },
        { "s without hovering", juce::KeyPress ('s', {}, 's'), 2, 3500 },
        { "an unused letter", juce::KeyPress ('x', {}, 'x'), 2, 3500 },
        { "ctrl + f", juce::KeyPress ('f', juce::ModifierKeys::ctrlModifier, 0), 2, 3500 },
    };

    for (const auto& c : cases)
    {
        graph.clearReport();
        EXPECT_TRUE (graph.keyPressed (c.key)) << c.name << " with no view";
        EXPECT_EQ (graph.getNumLevels(), 1) << c.name << " with no view";

        loadSteady (10000);
        graph.setView (3500, 2);
        EXPECT_TRUE (graph.keyPressed (c.key)) << c.name;
        EXPECT_EQ (graph.getViewLevel(), c.level) << c.name;

        if (c.start >= 0)
        {
            EXPECT_EQ (graph.getViewStart(), c.start) << c.name;
        }
    }

    graph.setView (0, 0);
    graph.keyPressed (juce::KeyPress (juce::KeyPress::leftKey));
    graph.keyPressed (juce::KeyPress (juce::KeyPress::leftKey));
    EXPECT_EQ (graph.getViewStart(), 0) << "no scrolling before the first entry";

    // Arrows move the values under a resting pointer: 50 entries are one point at this level.
    graph.mouseMove (mouseAt (graph, { plotLeft + 10, 150 }));
    EXPECT_TRUE (graph.getTooltip().endsWith ("9:07:03")) << graph.getTooltip();

    for (int i = 0; i < 5; ++i)
        graph.keyPressed (juce::KeyPress (juce::KeyPress::rightKey));

    EXPECT_TRUE (graph.getTooltip().endsWith ("9:07:04")) << graph.getTooltip();
}

//==============================================================================
TEST (PlaybackMarkerGeometry, HeadAndLineScaleWithHeightAndTheLineFollowsAlignment)
{
    const std::tuple<int, int, int> sizes[] { { 220, 13, 207 }, { 100, 5, 94 }, { 310, 18, 291 } };

    for (const auto& [height, head, line] : sizes)
    {
        EXPECT_EQ (PlaybackMarker::headHeightFor (height), head) << height;
        EXPECT_EQ (PlaybackMarker::lineLengthFor (height), line) << height;
    }

    const std::pair<int, std::optional<int>> alignments[] { { 1, 10 }, { 2, 0 }, { 3, 19 }, { 0, std::nullopt }, { 4, std::nullopt } };

    for (const auto& [alignment, x] : alignments)
        EXPECT_EQ (PlaybackMarker::lineXFor (alignment, 20), x) << alignment;

    PlaybackMarker marker ("S", nolvColours::lightGrey);
    marker.setSize (20, 310);
    marker.setLineAlignment (0);
    EXPECT_EQ (testsupport::renderToImage (marker).getPixelAt (0, 200), juce::Colours::transparentBlack);
    marker.setLineAlignment (2);
    const auto image = testsupport::renderToImage (marker);
    EXPECT_TRUE (testsupport::coloursMatch (image.getPixelAt (0, 200), nolvColours::lightGrey.withAlpha (0.7f)))
        << "the line, at 0.7";
    EXPECT_EQ (image.getPixelAt (0, 17 + 291 + 1), juce::Colours::transparentBlack) << "below the line";
    EXPECT_EQ (image.getPixelAt (1, 200), juce::Colours::transparentBlack);
}

TEST_F (HistoryGraph, MarkersDraggedPastEachOtherStayOrderedAndInsideThePlot)
{
    loadSteady (10000);
    auto& start = graph.getStartMarker();
    auto& end = graph.getEndMarker();
    ASSERT_EQ (start.getX(), 0);
    ASSERT_EQ (end.getX(), 920);
    EXPECT_EQ (changeMessages(), 1) << "one summary per load";

    // The drawn lines: the start's at its left edge, the end's at its right edge.
    EXPECT_GT (brightness (pixel (plotLeft, 100)), 100);
    EXPECT_GT (brightness (pixel (plotLeft + 939, 100)), 100);

    dragMarker (end, 400, 250);
    EXPECT_EQ (end.getPosition(), juce::Point<int> (390, 0)) << "sideways only";
    EXPECT_EQ (graph.getHistory().getEndMarkerIndex(), 4239);
    EXPECT_EQ (changeMessages(), 1);

    dragMarker (start, 700);
    EXPECT_EQ (start.getX(), end.getX()) << "stopped on the end marker";
    EXPECT_EQ (graph.getHistory().getStartMarkerIndex(), graph.getHistory().getEndMarkerIndex());
    EXPECT_EQ (graph.getRangeSummary()[LoudnessHistory::summaryDuration], "0");
    EXPECT_EQ (changeMessages(), 1);

    dragMarker (end, 2000);
    EXPECT_EQ (end.getX(), 920) << "the plot's right edge";
    dragMarker (start, -100);
    EXPECT_EQ (start.getX(), 0);
    EXPECT_EQ (graph.getRangeSummary()[LoudnessHistory::summaryDuration], "2 hrs 46 mins");
}

TEST_F (HistoryGraph, SAndEPutAMarkerOnTheHoveredColumn)
{
    loadSteady (10000);
    changeMessages();

    graph.mouseMove (mouseAt (graph, { plotLeft + 300, 150 }));
    graph.keyPressed (juce::KeyPress ('s', {}, 's'));
    EXPECT_EQ (graph.getStartMarker().getX(), 300);
    EXPECT_EQ (graph.getHistory().getStartMarkerIndex(), 3261);
    EXPECT_EQ (changeMessages(), 1);

    // The end pressed left of the start lands on it.
    graph.mouseMove (mouseAt (graph, { plotLeft + 100, 150 }));
    graph.keyPressed (juce::KeyPress ('E', juce::ModifierKeys::shiftModifier, 'E'));
    EXPECT_EQ (graph.getEndMarker().getX(), 300);
    EXPECT_EQ (graph.getHistory().getEndMarkerIndex(), 3261);
}

TEST_F (HistoryGraph, OnlyReportsWithPointsAnnounceASummary)
{
    loadText ("Type, Value, Date, Time\r\n");
    EXPECT_EQ (changeMessages(), 0) << "header only";

    loadSteady (3, "-24.0");
    EXPECT_EQ (changeMessages(), 1);
    EXPECT_EQ (pixel (plotLeft + 200, plotBottom - 158), curveBlue);

    graph.clearReport();
    EXPECT_EQ (changeMessages(), 0);
    EXPECT_EQ (graph.getHistory().getNumPoints(), 0);
    EXPECT_EQ (pixel (plotLeft + 200, plotBottom - 158), juce::Colours::black) << "the old curve is gone";

    // A gating change shows from the next summary on.
    loadLevels ({ { "-20.0", "-20.0" }, { "-40.0", "-40.0" } });
    EXPECT_EQ (graph.getRangeSummary()[LoudnessHistory::summaryIntegrated], "-20.0");
    graph.getMomentaryHistogram().setGating (false);
    EXPECT_EQ (graph.getRangeSummary()[LoudnessHistory::summaryIntegrated], "-20.0");
    dragMarker (graph.getEndMarker(), 500);
    EXPECT_EQ (graph.getRangeSummary()[LoudnessHistory::summaryIntegrated], "-23.0");
}

TEST_F (HistoryGraph, LimitAndScaleChangesShowTheWholeReport)
{
    loadSteady (10000);
    const auto y = graph.loudnessToY (-23.0f);

    graph.setView (5000, 1);
    graph.setLimit (-20.0f);
    EXPECT_EQ (graph.getViewLevel(), 4);
    EXPECT_EQ (graph.getViewStart(), 0);

    graph.setView (5000, 1);
    graph.setScaleMode (false);
    EXPECT_EQ (graph.getViewLevel(), 4);
    EXPECT_EQ (graph.getViewStart(), 0);
    EXPECT_EQ (graph.loudnessToY (-23.0f), y) << "-23 sits at 171 on both scales";
    EXPECT_EQ (graph.loudnessToY (-30.0f), 128);

    // The grid follows the scale: -10 has a line 267 up on the low-resolution scale only.
    const auto lowGridLine = brightness (pixel (500, plotBottom - 267));
    EXPECT_TRUE (juce::isPositiveAndBelow (lowGridLine - 10, 60)) << lowGridLine;
    graph.setScaleMode (true);
    EXPECT_EQ (pixel (500, plotBottom - 267), juce::Colours::black);
}
