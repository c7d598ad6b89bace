#include "DefaultLogLocations.h"
#include "ReportFiles.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"
#include "TemporaryHomeEnvironment.h"

#include <gtest/gtest.h>

namespace
{
class DefaultLogLocations : public testing::Test
{
protected:
    testsupport::ScopedTimeZone zone { "UTC0" };
    testsupport::ScopedTemporaryFolder temp;
};

TEST_F (DefaultLogLocations, DefaultFolderIsInTheUsersStateFolderAndNotCreatedByAsking)
{
    const auto expected = testsupport::TemporaryHomeEnvironment::home().getChildFile (".local/state/miLOR/NOLV");

    EXPECT_EQ (defaultLogFolder(), expected);
    EXPECT_FALSE (defaultLogFolder().exists());
    EXPECT_STREQ (defaultLogFileName, "NOLV51Log");
}

TEST_F (DefaultLogLocations, EmptyFolderAndEmptyNameEachFallBackOnTheirOwn)
{
    const auto userFolder = temp.getFolder().getFullPathName();

    const struct
    {
        juce::String folderText, baseName;
        juce::File expected;
    } cases[] = {
        { "", "", defaultLogFolder().getChildFile ("NOLV51Log_5_Dec_2026_9_7_3.xml") },
        { userFolder, "", temp.getChildFile ("NOLV51Log_5_Dec_2026_9_7_3.xml") },
        { "", "Show", defaultLogFolder().getChildFile ("Show_5_Dec_2026_9_7_3.xml") },
        { userFolder, "Show", temp.getChildFile ("Show_5_Dec_2026_9_7_3.xml") },
    };

    for (const auto& c : cases)
        EXPECT_EQ (makeReportFile (c.folderText, c.baseName, reporttest::reportMoment()), c.expected)
            << "folder \"" << c.folderText << "\", name \"" << c.baseName << "\"";
}

TEST_F (DefaultLogLocations, ReportsStartedInTheSameSecondGetNumberedNames)
{
    const auto folder = temp.getFolder().getFullPathName();
    const auto first = makeReportFile (folder, "R", reporttest::reportMoment());
    EXPECT_EQ (first.getFileName(), "R_5_Dec_2026_9_7_3.xml");

    ASSERT_TRUE (first.create());
    const auto second = makeReportFile (folder, "R", reporttest::reportMoment());
    EXPECT_EQ (second.getFileName(), "R_5_Dec_2026_9_7_3_2.xml");

    ASSERT_TRUE (second.create());
    EXPECT_EQ (makeReportFile (folder, "R", reporttest::reportMoment()).getFileName(), "R_5_Dec_2026_9_7_3_3.xml");
}

TEST_F (DefaultLogLocations, AnExistingCsvLogAloneAlsoTakesTheName)
{
    const auto folder = temp.getFolder().getFullPathName();
    ASSERT_TRUE (temp.getChildFile ("R_5_Dec_2026_9_7_3.csv").create());

    EXPECT_EQ (makeReportFile (folder, "R", reporttest::reportMoment()).getFileName(), "R_5_Dec_2026_9_7_3_2.xml");
}
} // namespace
