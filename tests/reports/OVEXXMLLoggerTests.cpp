#include "OVEXXMLLogger.h"
#include "ReportFiles.h"
#include "ScopedFileSizeLimit.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <optional>

namespace
{
using reporttest::readBytes;
using reporttest::reportMoment;

std::string withCrLf (const char* text)
{
    return juce::String (text).replace ("\n", "\r\n").toStdString();
}

const std::string skeleton = withCrLf (R"(<?xml version="1.0" encoding="UTF-8"?>

<QIT5.1Log>
  <UserSelectedTitle value=""/>
  <MeasurementInterval>
    <StartTime value=""/>
    <StopTime value=""/>
    <UpTime value=""/>
  </MeasurementInterval>
  <IntegratedMeasurements>
    <IntegratedLoudness value="" unit=""/>
    <LoudnessRange value="" unit=""/>
    <MaxShortTerm value="" unit="" maxTime=""/>
    <MaxMomentary value="" unit="" maxTime=""/>
    <MaxTruePeak value="" unit="" maxTime=""/>
  </IntegratedMeasurements>
</QIT5.1Log>
)");

// The thread is never started: each test writes by calling writeReport itself.
class XmlReport : public testing::Test
{
protected:
    OVEXXMLLogger& startWriter (const juce::File& reportXml)
    {
        writer.emplace (thread);
        writer->startNewReport (reportXml);
        return *writer;
    }

    juce::String attribute (const char* element, const char* name) const
    {
        const auto document = juce::parseXML (report);
        return document != nullptr ? reporttest::reportAttribute (*document, element, name) : "(unreadable)";
    }

    testsupport::ScopedTimeZone zone { "UTC0" };
    testsupport::ScopedTemporaryFolder temp;
    juce::File report = temp.getChildFile ("r.xml");
    juce::TimeSliceThread thread { "test logger" };
    std::optional<OVEXXMLLogger> writer;
};

TEST_F (XmlReport, StartWritesTheEmptySkeletonByteExactIntoFoldersItCreates)
{
    const auto deep = temp.getChildFile ("x/y/r.xml");
    startWriter (deep);
    EXPECT_EQ (readBytes (deep), skeleton);
}

TEST_F (XmlReport, FilledReportByteExactWithTheLatestOfEachMaximum)
{
    auto& xml = startWriter (report);
    xml.setUserSelectedTitle ("QIT51Log");
    xml.setStartTime (reportMoment());
    xml.setStopTime (reportMoment (3900));
    xml.setUpTime (3900.0);
    xml.setIntegratedLoudness ("LUFS", -23.05f);
    xml.setLoudnessRange ("LU", 6.25f);
    xml.setMaxShortTerm ("LUFS", reportMoment (5), -24.0f);
    xml.setMaxShortTerm ("LUFS", reportMoment (7), -22.5f);
    xml.setMaxMomentary ("LUFS", reportMoment (1), -70.0f);
    xml.setMaxTruePeak ("dBTP", reportMoment (1476), -0.02f);
    xml.writeReport();

    EXPECT_EQ (readBytes (report), withCrLf (R"(<?xml version="1.0" encoding="UTF-8"?>

<QIT5.1Log>
  <UserSelectedTitle value="QIT51Log"/>
  <MeasurementInterval>
    <StartTime value="5 Dec 2026 9:07:03"/>
    <StopTime value="5 Dec 2026 10:12:03"/>
    <UpTime value="1 hr 5 mins"/>
  </MeasurementInterval>
  <IntegratedMeasurements>
    <IntegratedLoudness value="-23.0" unit="LUFS"/>
    <LoudnessRange value="6.3" unit="LU"/>
    <MaxShortTerm value="-22.5" unit="LUFS" maxTime="5 Dec 2026 9:07:10"/>
    <MaxMomentary value="-70.0" unit="LUFS" maxTime="5 Dec 2026 9:07:04"/>
    <MaxTruePeak value="-0.0" unit="dBTP" maxTime="5 Dec 2026 9:31:39"/>
  </IntegratedMeasurements>
</QIT5.1Log>
)"));
}

TEST_F (XmlReport, SettersBeforeTheStartLeaveNoTraceAndOnlyTheFirstStartCounts)
{
    writer.emplace (thread);
    writer->setUserSelectedTitle ("early");
    writer->setUpTime (5.0);
    writer->setMaxMomentary ("LUFS", reportMoment(), -20.0f);
    writer->writeReport();
    EXPECT_EQ (temp.getFolder().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);

    writer->startNewReport (report);
    writer->setStartTime (reportMoment());
    writer->startNewReport (temp.getChildFile ("other.xml"));
    writer->writeReport();

    EXPECT_FALSE (temp.getChildFile ("other.xml").exists());
    EXPECT_EQ (attribute ("StartTime", "value"), "5 Dec 2026 9:07:03");
    EXPECT_EQ (attribute ("UserSelectedTitle", "value") + attribute ("UpTime", "value")
                   + attribute ("MaxMomentary", "value"),
               "");
}

TEST_F (XmlReport, EachWriteAndTheDestructorsLastOneCarryTheValuesSetSoFar)
{
    auto& xml = startWriter (report);
    xml.setUserSelectedTitle ("QIT51Log");
    xml.setMaxMomentary ("LKFS", reportMoment (2), -23.0f);
    EXPECT_EQ (readBytes (report), skeleton); // setters never write: the audio thread calls some of them

    xml.writeReport();
    ASSERT_TRUE (report.deleteFile());
    xml.writeReport(); // nothing has changed, but a report that has gone must come back
    EXPECT_EQ (attribute ("UserSelectedTitle", "value"), "QIT51Log");
    EXPECT_EQ (attribute ("MaxMomentary", "unit"), "LKFS");
    EXPECT_EQ (attribute ("StopTime", "value") + attribute ("IntegratedLoudness", "value"), "");

    xml.setStopTime (reportMoment (60));
    xml.setMaxTruePeak ("dBTP", reportMoment (30), -0.8f);
    writer.reset();

    EXPECT_EQ (attribute ("StopTime", "value"), "5 Dec 2026 9:08:03");
    EXPECT_EQ (attribute ("MaxTruePeak", "value"), "-0.8");
}

TEST_F (XmlReport, FailedWriteLeavesThePreviousReportAndNoStrayFile)
{
    auto& xml = startWriter (report);
    xml.setUserSelectedTitle ("QIT51Log");

    {
        const testsupport::ScopedFileSizeLimit limit (100);
        xml.writeReport();
    }

    EXPECT_EQ (readBytes (report), skeleton);
    EXPECT_EQ (temp.getFolder().findChildFiles (juce::File::findFilesAndDirectories, false).size(), 1); // hidden ones too

    xml.writeReport();
    EXPECT_EQ (attribute ("UserSelectedTitle", "value"), "QIT51Log");
}
} // namespace
