// Loading and drawing long reports in the previewer's history graph: reports of 1, 10 and 24 hours
// as the CSV writer leaves them (a momentary row every 100 ms, a short-term row every 600 ms) are
// loaded, drawn once, then redrawn at the coarsest and the finest zoom level. Times are wall clock
// on one core, the best of a few runs; memory is the growth of the peak resident size while loading.
//
// Then the log page itself, as a user meets it: a report with a 200 MB log selected twice, and a
// folder of 10,000 reports visited three times (first, unchanged, after another program added one).
// For each, the longest the message loop went without turning (the gap between two ticks of a 5 ms
// timer) while the page worked.

#include "NolvColours.h"
#include "NolvResources.h"
#include "OVEXJuceLogDrawer.h"
#include "OVEXReport.h"
#include "OVEXTextCSVLogger.h"
#include "ReportText.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
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

/** Turns the message loop until done() holds, or for at least the given time when there is nothing
    to wait for, and gives the longest gap in milliseconds between two ticks of a 5 ms timer. */
double longestGapWhile (const std::function<bool()>& done, double minimumSeconds = 0.0)
{
    struct Ticks : public juce::Timer
    {
        void timerCallback() override
        {
            const auto now = juce::Time::getMillisecondCounterHiRes();
            longest = std::max (longest, now - last);
            last = now;
        }

        double last = juce::Time::getMillisecondCounterHiRes(), longest = 0.0;
    } ticks;

    const auto until = juce::Time::getMillisecondCounterHiRes() + 1000.0 * minimumSeconds;
    ticks.startTimer (5);

    while (! done() || juce::Time::getMillisecondCounterHiRes() < until)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);

    ticks.timerCallback();
    return ticks.longest;
}

/** A report whose CSV log is the given log repeated to at least the given size. */
juce::File writeLongReport (const juce::File& folder, const juce::File& log, juce::int64 bytes)
{
    const auto report = folder.getChildFile ("long.xml");
    report.replaceWithText ("<QIT5.1Log><UserSelectedTitle value=\"long\"/></QIT5.1Log>");
    const auto csv = csvCompanionOf (report);
    csv.deleteFile();
    juce::FileOutputStream out (csv);

    while (out.getPosition() < bytes)
    {
        juce::FileInputStream in (log);
        out.writeFromInputStream (in, -1);
    }

    return report;
}

void benchLogPage (const juce::File& folder, const juce::File& dayLog)
{
    std::printf ("\n%-36s %12s %16s %10s\n", "log page", "done s", "longest gap ms", "peak +MB");
    const auto row = [] (const char* what, double seconds, double gap, double megabytes)
    { std::printf ("%-36s %12.3f %16.1f %10.1f\n", what, seconds, gap, megabytes); };

    {
        const auto report = writeLongReport (folder, dayLog, 200 * 1000 * 1000);
        OVEXReport page (nolvFont (15.0f));
        std::ofstream ("/proc/self/clear_refs") << "5";
        const auto residentBefore = statusKilobytes ("VmRSS:");
        double gap = 0.0;
        const auto seconds = secondsFor ([&]
        {
            page.readXmlReport (report);
            gap = longestGapWhile ([&page] { return page.getLogDrawer().getHistory().getNumPoints() > 0; });
        });
        row ("report with a 200 MB log, selected", seconds, gap, (double) (statusKilobytes ("VmHWM:") - residentBefore) / 1024.0);

        // Again: the history shown now goes on the message thread as the new one comes.
        struct Arrivals : public juce::ChangeListener
        {
            void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
            int count = 0;
        } arrivals;

        page.getLogDrawer().addChangeListener (&arrivals);
        const auto again = secondsFor ([&]
        {
            page.readXmlReport (report);
            gap = longestGapWhile ([&arrivals] { return arrivals.count > 0; });
        });
        page.getLogDrawer().removeChangeListener (&arrivals);
        row ("the same, selected again", again, gap, 0.0);
        report.deleteFile();
        csvCompanionOf (report).deleteFile();
    }

    const auto reports = folder.getChildFile ("10000 reports");
    reports.createDirectory();

    for (int i = 0; i < 10000; ++i)
        reports.getChildFile ("NOLV51Log_" + juce::String (i) + ".xml").replaceWithText ("<QIT5.1Log/>");

    reports.setLastModificationTime (juce::Time::getCurrentTime() - juce::RelativeTime::hours (1.0));

    OVEXReport page (nolvFont (15.0f));
    auto& list = page.getFolderList();
    double gap = 0.0;
    auto seconds = secondsFor ([&]
    {
        page.setLogFolder (reports.getFullPathName());
        gap = longestGapWhile ([&list] { return list.getNumRows() == 10000; });
    });
    row ("10,000 reports, first visit", seconds, gap, 0.0);

    const auto listings = list.getNumListings();
    page.refreshFileList();
    gap = longestGapWhile ([] { return true; }, 0.5);
    row (list.getNumListings() == listings ? "same folder again (not listed)" : "same folder again (listed!)", 0.0, gap, 0.0);

    reports.getChildFile ("NOLV51Log_x.xml").replaceWithText ("<QIT5.1Log/>");
    seconds = secondsFor ([&]
    {
        page.refreshFileList();
        gap = longestGapWhile ([&list] { return list.getNumRows() == 10001; });
    });
    row ("after another program added one", seconds, gap, 0.0);
}
} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI gui;
    const auto folder = juce::File::createTempFile ("report-viewer-bench");
    folder.createDirectory();

    std::printf ("%-6s %10s %10s %12s %14s %14s %14s\n", "report", "points", "CSV MB", "load s", "first paint ms",
                 "peak +MB", "repaint ms fit/finest");
    juce::File dayLog;

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
        dayLog = csv;
    }

    benchLogPage (folder, dayLog);

    folder.deleteRecursively();
    return 0;
}
