#include "DefaultLogLocations.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "ProcessorTestAccess.h"
#include "ReportFiles.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"
#include "TemporaryHomeEnvironment.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

using reporttest::reportAttribute;

namespace
{
class ReportDriving : public testing::Test
{
protected:
    ReportDriving()
    {
        processor.setClock ([this] { return now; });
        processor.setStringParameter (14, folder.getFolder().getFullPathName());
    }

    juce::Array<juce::File> reports() const { return folder.getFolder().findChildFiles (juce::File::findFiles | juce::File::ignoreHiddenFiles, false, "*.xml"); }

    std::unique_ptr<juce::XmlElement> onlyReport() const
    {
        const auto files = reports();
        EXPECT_EQ (files.size(), 1);
        return files.isEmpty() ? nullptr : juce::parseXML (files[0]);
    }

    std::vector<std::string> csvRows (const juce::File& xml) const
    {
        auto lines = reporttest::splitCrLf (reporttest::readBytes (xml.withFileExtension (".csv")));
        lines.erase (lines.begin());
        lines.pop_back();
        return lines;
    }

    testsupport::ScopedTimeZone zone { "UTC0" };
    testsupport::ScopedTemporaryFolder folder;
    juce::Time now = reporttest::reportMoment();
    OvexjuceLoudnessAudioProcessor processor { nullptr };
};
} // namespace

TEST_F (ReportDriving, ReportStartedAndFinishedAtOnceHoldsItsIntervalAndEmptyMeasurements)
{
    processor.setParameterValue (0, 1.0f);
    now = now + juce::RelativeTime::minutes (65.0);
    processor.setParameterValue (0, 0.0f);

    const auto files = reports();
    ASSERT_EQ (files.size(), 1);
    EXPECT_EQ (files[0].getFileName(), "NOLV51Log_5_Dec_2026_9_7_3.xml");

    const auto xml = juce::parseXML (files[0]);
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (reportAttribute (*xml, "UserSelectedTitle", "value"), "QIT51Log");
    EXPECT_EQ (reportAttribute (*xml, "StartTime", "value"), "5 Dec 2026 9:07:03");
    EXPECT_EQ (reportAttribute (*xml, "StopTime", "value"), "5 Dec 2026 10:12:03");
    EXPECT_EQ (reportAttribute (*xml, "UpTime", "value"), "1 hr 5 mins");
    EXPECT_EQ (reportAttribute (*xml, "IntegratedLoudness", "value"), "-70.0");
    EXPECT_EQ (reportAttribute (*xml, "IntegratedLoudness", "unit"), "LUFS");
    EXPECT_EQ (reportAttribute (*xml, "LoudnessRange", "value"), "-70.0");
    EXPECT_EQ (reportAttribute (*xml, "LoudnessRange", "unit"), "LU");
    EXPECT_FALSE (files[0].withFileExtension (".csv").exists());
}

TEST_F (ReportDriving, EveryMomentaryValueIsLoggedAndOnlyNewMaximaAreKept)
{
    processor.setParameterValue (0, 1.0f);

    for (float value : { -23.0f, -22.5f, -22.5f, -24.0f })
    {
        now = now + juce::RelativeTime::seconds (1.0);
        ProcessorTestAccess::updateMomentary (processor, value);
    }

    processor.setParameterValue (1, 1.0f); // the unit follows the standard at the moment of finishing
    processor.setParameterValue (0, 0.0f);

    const auto file = reports()[0];
    EXPECT_EQ (csvRows (file), (std::vector<std::string> { "MomentaryLoudness, -23.0, 5 Dec 2026, 9:07:04",
                                                           "MomentaryLoudness, -22.5, 5 Dec 2026, 9:07:05",
                                                           "MomentaryLoudness, -22.5, 5 Dec 2026, 9:07:06",
                                                           "MomentaryLoudness, -24.0, 5 Dec 2026, 9:07:07" }));

    const auto xml = juce::parseXML (file);
    EXPECT_EQ (reportAttribute (*xml, "MaxMomentary", "value"), "-22.5");
    EXPECT_EQ (reportAttribute (*xml, "MaxMomentary", "maxTime"), "5 Dec 2026 9:07:05");
    EXPECT_EQ (reportAttribute (*xml, "MaxMomentary", "unit"), "LUFS");
    EXPECT_EQ (reportAttribute (*xml, "IntegratedLoudness", "unit"), "LKFS");
}

TEST_F (ReportDriving, StoppingWithNoReportOpenWritesNothing)
{
    processor.setParameterValue (0, 0.0f);
    EXPECT_EQ (processor.params.runFlag, 0.0f);
    EXPECT_TRUE (reports().isEmpty());

    juce::MemoryBlock state;
    processor.getStateInformation (state);
    processor.setStateInformation (state.getData(), (int) state.getSize());
    EXPECT_TRUE (reports().isEmpty());
}

TEST_F (ReportDriving, StartingAgainFinishesTheOpenReportAndNeverOverwritesIt)
{
    processor.setParameterValue (0, 1.0f);
    processor.setParameterValue (0, 1.0f);
    processor.setParameterValue (0, 0.0f);

    const auto files = reports();
    ASSERT_EQ (files.size(), 2);

    for (const auto& file : files)
        EXPECT_EQ (reportAttribute (*juce::parseXML (file), "StopTime", "value"), "5 Dec 2026 9:07:03") << file.getFileName();
}

TEST_F (ReportDriving, EmptyFolderAndNameFallBackToTheDefaults)
{
    processor.setStringParameter (14, {});
    processor.setStringParameter (15, {});
    processor.setParameterValue (0, 1.0f);
    processor.setParameterValue (0, 0.0f);

    const auto file = defaultLogFolder().getChildFile ("NOLV51Log_5_Dec_2026_9_7_3.xml");
    EXPECT_TRUE (file.existsAsFile());
    EXPECT_TRUE (file.isAChildOf (testsupport::TemporaryHomeEnvironment::home()));
    file.getParentDirectory().deleteRecursively();
}

TEST_F (ReportDriving, ADayAfterItsStartTheReportIsFinishedAndANewOneStartsWithResetMeters)
{
    processor.setParameterValue (0, 1.0f);
    ProcessorTestAccess::writableMeters (processor).integratedLevel = -20.0f;
    ProcessorTestAccess::updateMomentary (processor, -20.0f);

    now = now + juce::RelativeTime::hours (24.0) + juce::RelativeTime::seconds (1.0);
    ProcessorTestAccess::updateMomentary (processor, -21.0f);
    EXPECT_EQ (reports().size(), 1); // the audio thread only asks for the rotation
    ProcessorTestAccess::dispatchReportRotation (processor);

    const auto files = reports();
    ASSERT_EQ (files.size(), 2);
    const auto first = files[0].getFileName().contains ("_5_Dec_") ? files[0] : files[1];
    const auto second = files[0] == first ? files[1] : files[0];
    EXPECT_EQ (second.getFileName(), "NOLV51Log_6_Dec_2026_9_7_4.xml");

    const auto firstXml = juce::parseXML (first);
    EXPECT_EQ (reportAttribute (*firstXml, "IntegratedLoudness", "value"), "-20.0");
    EXPECT_EQ (reportAttribute (*firstXml, "UpTime", "value"), "1 day 1 sec");
    EXPECT_EQ (reportAttribute (*firstXml, "MaxMomentary", "value"), "-20.0");

    EXPECT_EQ (ProcessorTestAccess::meters (processor).integratedLevel, -70.0f);
    EXPECT_EQ (ProcessorTestAccess::maxMomentary (processor), -70.0f);

    ProcessorTestAccess::updateMomentary (processor, -30.0f);
    processor.setParameterValue (0, 0.0f);
    const auto secondXml = juce::parseXML (second);
    EXPECT_EQ (reportAttribute (*secondXml, "MaxMomentary", "value"), "-30.0");
    EXPECT_EQ (reportAttribute (*secondXml, "IntegratedLoudness", "value"), "-70.0");
    EXPECT_EQ (csvRows (second).size(), 1u);
}

TEST_F (ReportDriving, MeasuredRunLogsEachValueOnceAndReportsItsIntegratedLoudness)
{
    constexpr double rate = 48000.0;
    ProcessorTestAccess::prepare (processor, rate, 512);
    processor.setDefaultInputRouting();
    processor.setParameterValue (0, 1.0f);

    const auto start = now;
    testsupport::SineSource source (rate, 1000.0);
    source.setLevel (0, -23.0);
    source.setLevel (1, -23.0);
    juce::AudioSampleBuffer block;
    testsupport::feedSeconds (10.0, rate, 6, 512, [&] (auto& b) { source.fill (b); },
                              [&] (const auto& b)
                              {
                                  block.makeCopyOf (b, true);
                                  ProcessorTestAccess::process (processor, block);
                                  now = start + juce::RelativeTime (ProcessorTestAccess::meters (processor).processedSamples / rate);
                              });
    processor.setParameterValue (0, 0.0f);

    const auto file = reports()[0];
    EXPECT_EQ (reportAttribute (*juce::parseXML (file), "IntegratedLoudness", "value"), "-23.0");

    int momentary = 0, shortTerm = 0;

    for (const auto& row : csvRows (file))
    {
        momentary += row.rfind ("MomentaryLoudness, -23.0,", 0) == 0 ? 1 : 0;
        shortTerm += row.rfind ("ShortTermLoudness, -23.0,", 0) == 0 ? 1 : 0;
    }

    // 400 ms to the first momentary value, then one each 100 ms; 3 s to the first short-term, then ~600 ms.
    EXPECT_EQ (momentary, 96);
    EXPECT_EQ (shortTerm, 12);
    EXPECT_EQ ((int) csvRows (file).size(), momentary + shortTerm);
}
