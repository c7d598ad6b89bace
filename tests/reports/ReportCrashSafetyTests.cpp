#include "OVEXTextCSVLogger.h"
#include "OVEXXMLLogger.h"
#include "ReportFiles.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <regex>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
using reporttest::reportMoment;

/** The child's whole life: a report whose XML is rewritten as fast as it goes while its logger
    thread appends CSV rows, with one byte of progress per rewrite, until it is killed. */
[[noreturn]] void runReportUntilKilled (const juce::File& report, int progressPipe)
{
    juce::TimeSliceThread thread ("NOLV logger");
    OVEXTextCSVLogger csv (thread, 1024);
    OVEXXMLLogger xml (thread);
    xml.startNewReport (report);
    csv.setLogFile (report);
    thread.startThread();

    for (int i = 0;; ++i)
    {
        const auto level = -(float) (i % 700) / 10.0f;
        csv.pushEntry ({ i % 2, level, reportMoment (i * 0.1) });
        xml.setMaxMomentary ("LUFS", reportMoment (i * 0.1), level);
        xml.setUpTime (i * 0.1);

        // The tick goes out just before a rewrite, so the kill that follows tends to land inside one.
        const char tick = 't';
        if (::write (progressPipe, &tick, 1) != 1)
            ::_exit (0); // the test has gone

        xml.writeReport();
    }
}

TEST (ReportCrashSafety, RunKilledAtAnyMomentLeavesACompleteReportAndWholeLogLines)
{
    const testsupport::ScopedTimeZone zone ("UTC0");
    const std::regex row (R"(^(MomentaryLoudness|ShortTermLoudness), -?[0-9]+\.[0-9], )"
                          R"([0-9]{1,2} [A-Z][a-z]{2} [0-9]{4}, [0-9]{1,2}:[0-9]{2}:[0-9]{2}$)");

    for (int run = 0; run < 40; ++run)
    {
        const int ticksBeforeKill = 1 + run % 7 * 5;
        SCOPED_TRACE ("killed after " + std::to_string (ticksBeforeKill) + " rewrites");
        const testsupport::ScopedTemporaryFolder temp;
        const auto report = temp.getChildFile ("r.xml"), csv = temp.getChildFile ("r.csv");

        int fds[2];
        ASSERT_EQ (::pipe (fds), 0);
        const auto pid = ::fork();
        ASSERT_GE (pid, 0);

        if (pid == 0)
        {
            ::close (fds[0]);
            runReportUntilKilled (report, fds[1]);
        }

        // Nothing may return early from here to the kill, or the child would outlive the test.
        ::close (fds[1]);
        int ticks = 0;

        for (char tick; ticks < ticksBeforeKill && ::read (fds[0], &tick, 1) == 1;)
            ++ticks;

        // The kill moments spread over the rewrite that the last tick announced.
        for (volatile int spin = 0; spin < run * 2500; spin = spin + 1)
        {
        }

        int status = 0;
        ::kill (pid, SIGKILL);
        ::waitpid (pid, &status, 0);
        ::close (fds[0]);
        ASSERT_EQ (ticks, ticksBeforeKill);
        ASSERT_TRUE (WIFSIGNALED (status) && WTERMSIG (status) == SIGKILL);

        const auto document = juce::parseXML (report);
        ASSERT_NE (document, nullptr);
        EXPECT_TRUE (document->hasTagName ("QIT5.1Log"));
        EXPECT_EQ (reporttest::reportAttribute (*document, "MaxTruePeak", "maxTime"), ""); // the last element

        for (const auto& file : temp.getFolder().findChildFiles (juce::File::findFilesAndDirectories, false))
            EXPECT_TRUE (file == report || file == csv || file.isHidden()) << file.getFileName();

        const auto lines = reporttest::splitCrLf (reporttest::readBytes (csv));

        for (size_t i = 0; i + 1 < lines.size(); ++i)
            EXPECT_TRUE (i == 0 ? lines[i] == "Type, Value, Date, Time" : std::regex_match (lines[i], row))
                << "line " << i << ": " << lines[i];
    }
}
} // namespace
