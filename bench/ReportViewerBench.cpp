// Loading and drawing long reports in the previewer's history graph: reports of 1, 10 and 24 hours
// as the CSV writer leaves them (a momentary row every 100 ms, a short-term row every 600 ms) are
// loaded, drawn once, then redrawn at the coarsest and the finest zoom level. Times are wall clock
// on one core, the best of a few runs; memory is the growth of the peak resident size while loading.

#include "NolvColours.h"
#include "OVEXJuceLogDrawer.h"
#include "OVEXTextCSVLogger.h"
#include "ReportText.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace
{
constexpr int repaints = 50;

template <typename Function>
double secondsFor (Function&& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
}

long statusKilobytes (const char* field)
{
    std::ifstream status ("/proc/self/status");
    std::string line;

    while (std::getline (status, line))
        if (line.rfind (field, 0) == 0)
            return std::stol (line.substr (std::string (field).size() + 1));

    return -1;
}

/** A report's CSV log of the given length, written by the CSV writer itself. */
juce::File writeLog (const juce::File& folder, int hours)
{
    const auto report = folder.getChildFile (juce::String (hours) + "h.xml");
    juce::TimeSliceThread unstarted ("unstarted");
    OVEXTextCSVLogger writer (unstarted, 1024);
    writer.setLogFile (report);
    const auto start = juce::Time (2026, 11, 5, 9, 7, 3, 0, true);
    const int tenths = hours * 36000;

    for (int i = 0; i < tenths; ++i)
    {
        const auto time = start + juce::RelativeTime::milliseconds ((juce::int64) i * 100);
        const auto level = -23.0f + (float) ((i * 7) % 150) / 10.0f - 7.5f;

        if (i % 6 == 0)
            writer.pushEntry ({ OVEXLogEntry::shortTerm, level + 1.0f, time });

        writer.pushEntry ({ OVEXLogEntry::momentary, level, time });

        if (i % 256 == 255)
            while (writer.useTimeSlice() == 0) {}
    }

    while (writer.useTimeSlice() == 0) {}
    return csvCompanionOf (report);
}

double bestRepaintMilliseconds (OVEXJuceLogDrawer& graph, juce::Image& image)
{
    double best = 1.0e9;

    for (int i = 0; i < repaints; ++i)
    {
        juce::Graphics g (image);
        best = std::min (best, 1000.0 * secondsFor ([&] { graph.paintEntireComponent (g, true); }));
    }

    return best;
}
} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI gui;
    const auto folder = juce::File::createTempFile ("report-viewer-bench");
    folder.createDirectory();

    std::printf ("%-6s %10s %10s %12s %14s %14s %14s\n", "report", "points", "CSV MB", "load s", "first paint ms",
                 "peak +MB", "repaint ms fit/finest");

    for (const int hours : { 1, 10, 24 })
    {
        const auto csv = writeLog (folder, hours);
        OVEXJuceLogDrawer graph (1000, 370, juce::Colours::black, juce::Colours::white, nolvColours::shortTermCurve,
                                 nolvColours::momentaryCurve, nolvColours::pureRed, juce::Colours::white, true, -20.0f);
        juce::Image image (juce::Image::ARGB, 1000, 370, true);

        std::ofstream ("/proc/self/clear_refs") << "5";
        const auto residentBefore = statusKilobytes ("VmRSS:");
        const auto loadSeconds = secondsFor ([&] { graph.loadCsvLines (csv); });
        const auto peakGrowth = statusKilobytes ("VmHWM:") - residentBefore;

        juce::Graphics g (image);
        const auto firstPaint = 1000.0 * secondsFor ([&] { graph.paintEntireComponent (g, true); });

        const auto fit = bestRepaintMilliseconds (graph, image);
        graph.setView (graph.getLevelEntryCount (0) / 2, 0);
        const auto finest = bestRepaintMilliseconds (graph, image);

        std::printf ("%4dh %12lld %10.1f %12.3f %14.2f %14.1f %8.2f / %.2f\n", hours,
                     (long long) graph.getHistory().getNumPoints(), (double) csv.getSize() / 1.0e6, loadSeconds,
                     firstPaint, (double) peakGrowth / 1024.0, fit, finest);
    }

    folder.deleteRecursively();
    return 0;
}
