#include "DefaultLogLocations.h"
#include "ReportFiles.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"
#include "TemporaryHomeEnvironment.h"

#include <gtest/gtest.h>

namespace
{
using reporttest::reportMoment;

TEST (DefaultLogLocations, DefaultFolderIsInTheUsersStateFolderAndNotCreatedByAsking)
{
    EXPECT_EQ (defaultLogFolder(),
               testsupport::TemporaryHomeEnvironment::home().getChildFile (".local/state/miLOR/NOLV"));
    EXPECT_FALSE (defaultLogFolder().exists());
}

TEST (DefaultLogLocations, EmptyFolderAndEmptyNameEachFallBackOnTheirOwn)
{
    const testsupport::ScopedTimeZone zone ("UTC0");
    const testsupport::ScopedTemporaryFolder temp;

    EXPECT_EQ (makeReportFile ("", "Show", reportMoment()), defaultLogFolder().getChildFile ("Show_5_Dec_2026_9_7_3.xml"));
    EXPECT_EQ (makeReportFile (temp.getFolder().getFullPathName(), "", reportMoment()),
               temp.getChildFile ("NOLV51Log_5_Dec_2026_9_7_3.xml"));
}

TEST (DefaultLogLocations, NoReportTakesTheNameOfAnExistingReportOrCsvLog)
{
    const testsupport::ScopedTimeZone zone ("UTC0");
    const testsupport::ScopedTemporaryFolder temp;
    const auto next = [&] { return makeReportFile (temp.getFolder().getFullPathName(), "R", reportMoment()); };

    EXPECT_EQ (next().getFileName(), "R_5_Dec_2026_9_7_3.xml");
    ASSERT_TRUE (next().create());
    EXPECT_EQ (next().getFileName(), "R_5_Dec_2026_9_7_3_2.xml");
    ASSERT_TRUE (next().create());
    EXPECT_EQ (next().getFileName(), "R_5_Dec_2026_9_7_3_3.xml");

    ASSERT_TRUE (temp.getChildFile ("R_5_Dec_2026_9_7_3_3.csv").create()); // a CSV log left without its report
    EXPECT_EQ (next().getFileName(), "R_5_Dec_2026_9_7_3_4.xml");
}
} // namespace
