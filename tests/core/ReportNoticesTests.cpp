#include "ReportFiles.h"
#include "ReportNotices.h"
#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
/** One look at the writers and what the user is told of it ("" for nothing). */
struct Look
{
    const char* failure;
    juce::int64 dropped;
    double firstSecond, lastSecond; // after 9:07:03
    bool final;
    const char* told;
};

const char* const report = "/logs/r.xml";
constexpr bool open = false, finished = true;

struct Case
{
    const char* name;
    std::vector<Look> looks;
};

const Case cases[] = {
    { "a failure is said once, its recovery once, with what it lost",
      { { "/logs/r.xml: No space left on device", 0, 0, 0, open, "Report cannot be written|/logs/r.xml: No space left on device|" },
        { "/logs/r.xml: No space left on device", 700, 1, 70, open, "" },
        { "/logs/r.xml: No space left on device", 37, 70.1, 73.7, open, "" },
        { "", 0, 0, 0, open,
          "Report is written again|Report is written again: /logs/r.xml (737 values from 5 Dec 2026 9:07:04 to 5 Dec 2026 "
          "9:08:16 were lost)|/logs/r.xml: No space left on device" },
        { "", 0, 0, 0, open, "" },
        { "/logs/r.xml: Read-only file system", 0, 0, 0, open, "" } } },
    { "rows dropped while every write succeeds are said once they stop dropping",
      { { "", 3, 10, 10.2, open, "" },
        { "", 2, 10.6, 11, open, "" },
        { "", 0, 0, 0, open, "Report lost values|Report lost values: /logs/r.xml (5 values from 5 Dec 2026 9:07:13 to 5 Dec 2026 9:07:14)|" },
        { "", 0, 0, 0, open, "" },
        { "", 1, 20, 20, finished, "Report lost values|Report lost values: /logs/r.xml (1 values from 5 Dec 2026 9:07:23 to 5 Dec 2026 9:07:23)|" } } },
    { "a recovery with nothing lost names only the report; rows lost after it are said on their own",
      { { "/logs/r.xml: Permission denied", 0, 0, 0, open, "Report cannot be written|/logs/r.xml: Permission denied|" },
        { "", 0, 0, 0, open, "Report is written again|Report is written again: /logs/r.xml|/logs/r.xml: Permission denied" },
        { "/logs/r.xml: Permission denied", 4, 30, 30.3, open, "" },
        { "", 0, 0, 0, open, "Report lost values|Report lost values: /logs/r.xml (4 values from 5 Dec 2026 9:07:33 to 5 Dec 2026 9:07:33)|" } } },
};
} // namespace

TEST (ReportNotices, SayTheFirstFailureItsRecoveryAndLostValuesWithTheirSpanEachOnce)
{
    const testsupport::ScopedTimeZone zone { "UTC0" };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        ReportNotices notices { juce::File (report) };
        int step = 0;

        for (const auto& look : c.looks)
        {
            const OVEXTextCSVLogger::DroppedRows dropped { look.dropped, reporttest::reportMoment (look.firstSecond),
                                                           reporttest::reportMoment (look.lastSecond) };
            const auto problem = notices.look (look.failure, look.dropped > 0 ? dropped : OVEXTextCSVLogger::DroppedRows {}, look.final);
            const auto told = problem.has_value() ? problem->title + "|" + problem->message + "|" + problem->failureMended : juce::String();
            EXPECT_EQ (told, look.told) << "look " << step++;
        }
    }
}
