#include "CapturingLogger.h"
#include "OVEXReportLogger.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "ProcessorTestAccess.h"
#include "ReportFiles.h"
#include "ReportText.h"
#include "ScopedEnvironmentVariable.h"
#include "ScopedFileSizeLimit.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"
#include "TestSignals.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>
#include <regex>

#include <csignal>
#include <unistd.h>

namespace
{
constexpr double rate = 48000.0;

class ReportDriving : public testing::Test
{
protected:
    ReportDriving()
    {
        processor.setClock ([this] { return now; });
        processor.setStringParameter (14, folder.getFolder().getFullPathName());
    }

    /** The reports in the folder, oldest first, without the hidden files the logger writes through. */
    static juce::Array<juce::File> reportsIn (const juce::File& reportFolder)
    {
        auto files = reportFolder.findChildFiles (juce::File::findFiles | juce::File::ignoreHiddenFiles, false, "*.xml");
        files.sort();
        return files;
    }

    juce::Array<juce::File> reports() const { return reportsIn (folder.getFolder()); }

    static std::vector<std::string> csvRows (const juce::File& xml)
    {
        // Without the header and what follows the last line end.
        auto lines = reporttest::splitCrLf (reporttest::readBytes (xml.withFileExtension (".csv")));
        return lines.size() < 2 ? std::vector<std::string>() : std::vector<std::string> (lines.begin() + 1, lines.end() - 1);
    }

    static juce::String valueIn (const juce::File& xml, const char* element, const char* attribute = "value")
    {
        const auto report = juce::parseXML (xml);
        return report == nullptr ? "(unreadable)" : reporttest::reportAttribute (*report, element, attribute);
    }

    /** Prepares for blocks of the given length with each role on its own channel and the loudness
        module off its thread, opens a report, and lets the windows empty before any tone comes. */
    static void startRun (OvexjuceLoudnessAudioProcessor& p, int blockLength)
    {
        ProcessorTestAccess::prepare (p, rate, blockLength);
        p.setDefaultInputRouting();
        p.setParameterValue (0, 1.0f);
        handOver (p);
        ProcessorTestAccess::computeLoudness (p);
    }

    /** An empty block: hands over what the loudness computation has done since the last block. */
    static void handOver (OvexjuceLoudnessAudioProcessor& p)
    {
        juce::AudioSampleBuffer empty (6, 0);
        juce::MidiBuffer midi;
        p.processBlock (empty, midi);
    }

    testsupport::ScopedTimeZone zone { "UTC0" };
    testsupport::ScopedTemporaryFolder folder;
    juce::Time now = reporttest::reportMoment();
    OvexjuceLoudnessAudioProcessor processor { nullptr };
};
} // namespace

TEST_F (ReportDriving, StartingAgainFinishesTheOpenReportWithItsIntervalAndStoppingWithNoneOpenWritesNothing)
{
    juce::MemoryBlock state;
    processor.getStateInformation (state);
    processor.setParameterValue (0, 0.0f);
    processor.setStateInformation (state.getData(), (int) state.getSize());
    EXPECT_TRUE (reports().isEmpty());

    processor.setParameterValue (0, 1.0f);
    now = now + juce::RelativeTime::minutes (65.0);
    processor.setParameterValue (0, 1.0f);
    processor.setParameterValue (0, 0.0f);
    ASSERT_EQ (reports().size(), 2);

    const auto first = folder.getFolder().getChildFile ("NOLV51Log_5_Dec_2026_9_7_3.xml");
    EXPECT_EQ (valueIn (first, "StartTime"), "5 Dec 2026 9:07:03");
    EXPECT_EQ (valueIn (first, "StopTime"), "5 Dec 2026 10:12:03");
    EXPECT_EQ (valueIn (first, "UpTime"), "1 hr 5 mins");
    EXPECT_EQ (valueIn (first, "IntegratedLoudness") + " " + valueIn (first, "IntegratedLoudness", "unit"), "-70.0 LUFS");
    EXPECT_EQ (valueIn (first, "LoudnessRange"), "-70.0");
    EXPECT_FALSE (first.withFileExtension (".csv").exists());
    EXPECT_EQ (valueIn (first.getSiblingFile ("NOLV51Log_5_Dec_2026_10_12_3.xml"), "StopTime"), "5 Dec 2026 10:12:03");
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
    EXPECT_EQ (valueIn (file, "MaxMomentary"), "-22.5");
    EXPECT_EQ (valueIn (file, "MaxMomentary", "maxTime"), "5 Dec 2026 9:07:05");
    EXPECT_EQ (valueIn (file, "MaxMomentary", "unit"), "LUFS");
    EXPECT_EQ (valueIn (file, "IntegratedLoudness", "unit"), "LKFS");

    // The true peak's maximum is kept on a tenth: a peak equal to it moves nothing, a higher one that
    // rounds to the same tenth moves only its time.
    for (const auto& [second, unchanged] : { std::pair { -3.0f, true }, { -2.96f, false } })
    {
        processor.setParameterValue (runFlagIndex, 1.0f);
        const auto started = now;

        for (const float peak : { -3.0f, second })
        {
            now = now + juce::RelativeTime::seconds (1.0);
            ProcessorTestAccess::updateMaxTruePeak (processor, peak);
        }

        const auto report = processor.getOpenReport();
        processor.setParameterValue (runFlagIndex, 0.0f);
        EXPECT_EQ (valueIn (report, "MaxTruePeak"), "-3.0");
        EXPECT_EQ (valueIn (report, "MaxTruePeak", "maxTime"), dateTimeText (started + juce::RelativeTime::seconds (unchanged ? 1.0 : 2.0)))
            << second;
        now = now + juce::RelativeTime::seconds (1.0);
    }
}

TEST_F (ReportDriving, ARunningReportKeepsItsIntegratedLoudnessRangeAndUpTimeOnDiskButNoStopTime)
{
    processor.setParameterValue (runFlagIndex, 1.0f);
    const auto file = reports()[0];
    MeterSnapshot measured;
    measured.integratedLevel = -23.0f;
    measured.loudnessRange = 4.2f;
    ProcessorTestAccess::publishMeters (processor, measured);

    now = now + juce::RelativeTime::seconds (5.0);
    ProcessorTestAccess::pollReports (processor);
    const auto onDisk = [&] { return valueIn (file, "IntegratedLoudness") + " " + valueIn (file, "LoudnessRange") + " " + valueIn (file, "UpTime"); };
    EXPECT_TRUE (testsupport::waitUntil ([&] { return onDisk() == "-23.0 4.2 5 secs"; }, 30000)) << onDisk();
    EXPECT_EQ (valueIn (file, "StopTime"), "");

    // With nothing else new, the up time follows every ten seconds.
    now = now + juce::RelativeTime::seconds (11.0);
    ProcessorTestAccess::pollReports (processor);
    EXPECT_TRUE (testsupport::waitUntil ([&] { return valueIn (file, "UpTime") == "16 secs"; }, 30000)) << onDisk();
    processor.setParameterValue (runFlagIndex, 0.0f);
}

TEST_F (ReportDriving, TheRunningIntegratedLoudnessRangeAndUpTimeReachTheFileOnlyTogether)
{
    processor.setParameterValue (runFlagIndex, 1.0f);
    const auto file = reports()[0];
    auto* logger = ProcessorTestAccess::openReportLogger (processor);
    ASSERT_NE (logger, nullptr);

    // Poll i measures an integrated loudness of -10 - i/10 and a range of i/10 after 11 i seconds.
    const auto integratedOf = [] (int i) { return -10.0f - (float) i / 10.0f; };
    const auto restOf = [] (int i) { return formatOneDecimal ((float) i / 10.0f) + " " + durationText (11.0 * i); };

    // The report written as fast as it goes and read back, while the message thread polls.
    std::atomic<bool> stop { false };
    std::atomic<int> read { 0 };
    juce::StringArray torn;
    std::thread writer ([&]
    {
        while (! stop)
        {
            logger->finish();
            const auto report = juce::parseXML (file);
            const auto integrated = report != nullptr ? reporttest::reportAttribute (*report, "IntegratedLoudness", "value") : juce::String();

            if (integrated.isEmpty() || integrated == "-70.0")
                continue;

            ++read;
            const auto rest = reporttest::reportAttribute (*report, "LoudnessRange", "value") + " "
                            + reporttest::reportAttribute (*report, "UpTime", "value");

            if (rest != restOf (juce::roundToInt ((-10.0 - integrated.getDoubleValue()) * 10.0)))
                torn.add (integrated + " with " + rest);
        }
    });

    const auto deadline = juce::Time::getMillisecondCounterHiRes() + 60000.0;

    for (int poll = 0; read < 2000 && juce::Time::getMillisecondCounterHiRes() < deadline; ++poll)
    {
        const int i = 1 + poll % 5000;
        MeterSnapshot measured;
        measured.integratedLevel = integratedOf (i);
        measured.loudnessRange = (float) i / 10.0f;
        ProcessorTestAccess::publishMeters (processor, measured);
        now = reporttest::reportMoment (11.0 * i);
        ProcessorTestAccess::pollReports (processor);
    }

    stop = true;
    writer.join();
    EXPECT_GE (read, 2000) << "writes read back";
    EXPECT_TRUE (torn.isEmpty()) << torn.size() << " of " << read << " writes, the first: " << torn[0];
    processor.setParameterValue (runFlagIndex, 0.0f);
}

TEST_F (ReportDriving, ADeviceStoppedAndRestartedKeepsTheIntegratedLoudnessAndLogsNoValueFromBeforeTheStop)
{
    startRun (processor, 480);
    testsupport::SineSource source (rate, 1000.0, { -23.0, -23.0 });
    testsupport::play (source, rate, 5.0, [&] (auto& block) { ProcessorTestAccess::process (processor, block); }, 480);

    // A momentary value computed from the last 100 ms, not yet handed over when the device stops.
    testsupport::play (source, rate, 0.1, [&] (auto& block) { juce::MidiBuffer midi; processor.processBlock (block, midi); }, 480);
    ProcessorTestAccess::computeLoudness (processor);
    processor.releaseResources();

    now = now + juce::RelativeTime::minutes (1.0);
    ProcessorTestAccess::prepare (processor, rate, 480);
    handOver (processor);
    testsupport::play (source, rate, 0.5, [&] (auto& block) { ProcessorTestAccess::process (processor, block); }, 480);
    EXPECT_EQ (ProcessorTestAccess::meters (processor).integratedLevel, -23.0f) << "the run carries on";
    processor.setParameterValue (runFlagIndex, 0.0f);

    const auto rows = csvRows (reports()[0]);
    const auto afterRestart = std::count_if (rows.begin(), rows.end(), [] (auto& row) { return row.find ("9:08:03") != std::string::npos; });
    EXPECT_EQ (afterRestart, 5) << "one a 100 ms after the restart, none from before it";
}

TEST_F (ReportDriving, ResetDuringAMeasurementRestartsTheReportsMaxima)
{
    startRun (processor, 512);
    testsupport::SineSource source (rate, 1000.0, { -10.0, -10.0 });
    const auto play = [&] (double seconds)
    {
        testsupport::play (source, rate, seconds, [&] (auto& block) { ProcessorTestAccess::process (processor, block); });
    };

    play (3.5);
    processor.resetMeters();
    source.setLevel (0, -30.0);
    source.setLevel (1, -30.0);
    play (4.0);
    processor.setParameterValue (runFlagIndex, 0.0f);

    // The louder passage before RESET is no maximum of the measurement after it.
    for (const char* maximum : { "MaxMomentary", "MaxShortTerm", "MaxTruePeak" })
        EXPECT_NEAR (valueIn (reports()[0], maximum).getDoubleValue(), -30.0, 0.2) << maximum;
}

TEST_F (ReportDriving, AReportThatCannotBeWrittenIsToldOnceWithItsPathAndReasonAndOnceMoreWhenItIsWrittenAgain)
{
    std::vector<std::pair<juce::String, juce::String>> told;
    processor.setReportProblemHandler ([&] (const ReportSession::Problem& problem) { told.emplace_back (problem.title, problem.message); });
    const auto pollUntilTold = [&] (size_t count)
    {
        return testsupport::waitUntil ([&] { ProcessorTestAccess::pollReports (processor); return told.size() >= count; });
    };

    const auto notAFolder = folder.getFolder().getChildFile ("plain");
    notAFolder.replaceWithText ("x");
    struct Case { juce::String folderText, baseName; };

    for (const auto& c : { Case { notAFolder.getFullPathName(), "NOLV51Log" }, Case { "/dev/full", "NOLV51Log" },
                           Case { folder.getChildFile (juce::String::repeatedString ("n", 300)).getFullPathName(), "NOLV51Log" } })
    {
        SCOPED_TRACE (c.folderText + " " + c.baseName.substring (0, 10));
        told.clear();
        processor.setStringParameter (logFilePathIndex, c.folderText);
        processor.setStringParameter (logFileNameIndex, c.baseName);
        processor.setParameterValue (runFlagIndex, 1.0f);
        ASSERT_TRUE (pollUntilTold (1));
        EXPECT_EQ (told[0].first, "Report cannot be written");
        EXPECT_TRUE (told[0].second.startsWith (c.folderText)) << told[0].second;
        EXPECT_TRUE (told[0].second.contains (": ")) << told[0].second;

        if (c.folderText == notAFolder.getFullPathName())
        {
            // More values than the CSV queue holds while nothing can be written: the last 77 are lost.
            const auto failed = now;

            for (int i = 1; i <= 1100; ++i)
            {
                now = failed + juce::RelativeTime::seconds (0.1 * i);
                ProcessorTestAccess::updateMomentary (processor, -23.0f);
            }

            notAFolder.deleteFile();
            notAFolder.createDirectory();
            ASSERT_TRUE (pollUntilTold (2));
            EXPECT_EQ (told[1].second, "Report is written again: " + c.folderText + "/" + reportsIn (notAFolder)[0].getFileName()
                                           + " (77 values from 5 Dec 2026 9:08:45 to 5 Dec 2026 9:08:53 were lost)");
        }

        processor.setParameterValue (runFlagIndex, 0.0f);
        ProcessorTestAccess::pollReports (processor);
        EXPECT_LE (told.size(), 2u) << "once per report";
    }
}

TEST_F (ReportDriving, AReportThatCannotBeFinishedIsRetriedOnItsThreadUntilItsFilesHoldEverything)
{
    testsupport::CapturingLogger log;
    processor.setParameterValue (0, 1.0f);
    const auto file = reports()[0];

    {
        const testsupport::ScopedFileSizeLimit diskFull (100);
        processor.setParameterValue (0, 0.0f);
        EXPECT_EQ (valueIn (file, "StopTime"), "");
    }

    // The recovery is logged just after the file is replaced.
    EXPECT_TRUE (testsupport::waitUntil ([&] { return valueIn (file, "StopTime") == "5 Dec 2026 9:07:03" && log.lines().size() >= 2; }));
    const auto lines = log.lines();
    ASSERT_EQ (lines.size(), 2) << lines.joinIntoString ("\n");
    EXPECT_TRUE (lines[0].contains (file.getFullPathName() + " cannot be written: ")) << lines[0];
    EXPECT_TRUE (lines[1].endsWith (file.getFullPathName() + " is written again")) << lines[1];
}

TEST_F (ReportDriving, ADayAfterItsStartTheReportIsFinishedAndANewOneStartsWithResetMeters)
{
    processor.setParameterValue (0, 1.0f);
    MeterSnapshot measured;
    measured.integratedLevel = -20.0f;
    ProcessorTestAccess::publishMeters (processor, measured);
    ProcessorTestAccess::updateMomentary (processor, -20.0f);

    now = now + juce::RelativeTime::hours (24.0) + juce::RelativeTime::seconds (1.0);
    ProcessorTestAccess::updateMomentary (processor, -21.0f);

    // The audio thread only raises a flag: it posts nothing that the message loop would carry out.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    EXPECT_EQ (reports().size(), 1);
    ProcessorTestAccess::pollReports (processor);

    const auto files = reports();
    ASSERT_EQ (files.size(), 2);
    EXPECT_EQ (files[1].getFileName(), "NOLV51Log_6_Dec_2026_9_7_4.xml");
    EXPECT_EQ (valueIn (files[0], "IntegratedLoudness"), "-20.0");
    EXPECT_EQ (valueIn (files[0], "MaxMomentary"), "-20.0");
    EXPECT_EQ (ProcessorTestAccess::meters (processor).integratedLevel, -70.0f);

    ProcessorTestAccess::updateMomentary (processor, -30.0f);
    processor.setParameterValue (0, 0.0f);
    EXPECT_EQ (valueIn (files[1], "MaxMomentary"), "-30.0");
    EXPECT_EQ (csvRows (files[1]).size(), 1u);
}

TEST_F (ReportDriving, WhileFollowingTheTransportPlayAndStopStillStartAndFinishReportsAndTheClockRunsWhileThePlayHeadMoves)
{
    struct MovingPlayHead : juce::AudioPlayHead
    {
        juce::Optional<PositionInfo> getPosition() const override
        {
            PositionInfo position;
            position.setTimeInSamples (samples);
            position.setIsPlaying (true);
            return position;
        }

        juce::int64 samples = 0;
    } head;

    OvexjuceLoudnessAudioProcessor stored (nullptr);
    stored.setStringParameter (logFilePathIndex, folder.getFolder().getFullPathName());
    stored.setParameterValue (followTransportFlagIndex, 1.0f);
    juce::MemoryBlock state;
    stored.getStateInformation (state);
    processor.setStateInformation (state.getData(), (int) state.getSize());

    processor.setPlayHead (&head);
    ProcessorTestAccess::prepare (processor, rate, 512);
    juce::AudioSampleBuffer block (6, 512);
    block.clear();
    const auto& m = ProcessorTestAccess::meters (processor);
    const auto playMoving = [&] (int blocks)
    {
        for (int i = 0; i < blocks; ++i)
        {
            head.samples += 512;
            ProcessorTestAccess::process (processor, block);
        }
    };

    // A moving play head runs the clock and the integration, and never opens a report itself.
    playMoving (10);
    EXPECT_EQ (m.processedSamples, 10.0 * 512);
    EXPECT_TRUE (ProcessorTestAccess::loudnessModule (processor).isRunning());
    EXPECT_TRUE (reports().isEmpty());

    processor.setParameterValue (runFlagIndex, 1.0f);
    ASSERT_EQ (reports().size(), 1);
    playMoving (10);
    EXPECT_EQ (m.processedSamples, 20.0 * 512);
    ProcessorTestAccess::process (processor, block);
    EXPECT_EQ (m.processedSamples, 20.0 * 512) << "the play head stood still";
    EXPECT_FALSE (ProcessorTestAccess::loudnessModule (processor).isRunning());
    EXPECT_EQ (processor.params.runFlag, 1.0f) << "PLAY stays lit, so that the next press is STOP";

    processor.setParameterValue (runFlagIndex, 0.0f);
    EXPECT_EQ (valueIn (reports()[0], "StopTime"), "5 Dec 2026 9:07:03");
    processor.setPlayHead (nullptr);
}

TEST_F (ReportDriving, TenSecondsOfToneReadMinus23AndLogEachValueOnceWhateverTheBlockLength)
{
    for (const int blockLength : { 512, 8192 })
    {
        SCOPED_TRACE (std::to_string (blockLength) + "-sample blocks");
        const auto reportFolder = folder.getFolder().getChildFile (juce::String (blockLength));
        OvexjuceLoudnessAudioProcessor p (nullptr);
        p.setClock ([this] { return now; });
        p.setStringParameter (14, reportFolder.getFullPathName());
        startRun (p, blockLength);

        const auto start = now;
        testsupport::SineSource source (rate, 1000.0, { -23.0, -23.0 });
        juce::int64 played = 0, turns = 0;

        testsupport::play (source, rate, 10.0, [&] (auto& block)
        {
            juce::MidiBuffer midi;
            p.processBlock (block, midi);
            played += block.getNumSamples();
            now = start + juce::RelativeTime ((double) played / rate);

            // The loudness thread takes its turn every 50 ms, so a long block brings several values at once.
            for (; turns < played / 2400; ++turns)
                ProcessorTestAccess::computeLoudness (p);
        }, blockLength);

        handOver (p);
        const auto& m = ProcessorTestAccess::meters (p);
        EXPECT_EQ (std::make_tuple (m.momentaryLevel, m.shortTermLevel, m.integratedLevel, m.loudnessRange), std::make_tuple (-23.0f, -23.0f, -23.0f, 0.0f));
        EXPECT_EQ (m.momentaryFraction, 314.0f / 569.0f);
        p.setParameterValue (0, 0.0f);

        const auto file = reportsIn (reportFolder)[0];
        EXPECT_EQ (valueIn (file, "IntegratedLoudness"), "-23.0");
        const auto rows = csvRows (file);

        // 400 ms to the first momentary value, then one each 100 ms; 3 s to the first short-term, then 28799 samples.
        EXPECT_EQ (std::count_if (rows.begin(), rows.end(), [] (auto& row) { return row.rfind ("MomentaryLoudness, -23.0,", 0) == 0; }), 97);
        EXPECT_EQ (std::count_if (rows.begin(), rows.end(), [] (auto& row) { return row.rfind ("ShortTermLoudness, -23.0,", 0) == 0; }), 12);
        EXPECT_EQ (rows.size(), 97u + 12u);
    }
}

TEST_F (ReportDriving, LongDeviceBlocksEachTakingSeveralValuesOfTheLoudnessThreadHaveEveryValueLoggedOnce)
{
    constexpr int blockLength = 8192;
    processor.setClock ([] { return juce::Time::getCurrentTime(); });
    startRun (processor, blockLength);
    auto& thread = ProcessorTestAccess::loudnessThread (processor);
    auto& module = ProcessorTestAccess::loudnessModule (processor);
    thread.addTimeSliceClient (&module);

    testsupport::SineSource source (rate, 1000.0, { -23.0, -23.0 });
    juce::int64 played = 0;

    // A momentary value once 400 ms are in, then one each 100 ms.
    const auto momentaryValuesIn = [] (juce::int64 samples) { return samples < 19200 ? 0 : (samples - 19200) / 4800 + 1; };

    // Twelve blocks, 98304 samples, so 17 momentary values. Before each, the thread has computed
    // every value the blocks so far allow, as it has at a device's pace, and the block takes them
    // all at once.
    testsupport::play (source, rate, 12 * blockLength / rate, [&] (auto& block)
    {
        ASSERT_TRUE (testsupport::waitUntil ([&] { return ProcessorTestAccess::reportRowsQueued (processor) + module.numValuesWaiting()
                                                          == momentaryValuesIn (played); }, 30000))
            << "the loudness thread's values of the first " << played << " samples";
        juce::MidiBuffer midi;
        processor.processBlock (block, midi);
        played += block.getNumSamples();
    }, blockLength);

    // Whatever the thread has not computed yet is computed here, then handed over by one more block.
    thread.removeTimeSliceClient (&module);

    for (int turn = 0; turn < 8; ++turn)
        ProcessorTestAccess::computeLoudness (processor);

    handOver (processor);
    processor.setParameterValue (0, 0.0f);
    ASSERT_EQ (reports().size(), 1);
    EXPECT_EQ (csvRows (reports()[0]).size(), 17u);
}

namespace
{
/** The child's whole life: a report of 20 s of tone, played faster than real time, then the
    message loop's turns until the report's own thread has written what it was handed, then SIGKILL. */
[[noreturn]] void playToneUntilKilled (const juce::File& reportFolder)
{
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    processor.setStringParameter (logFilePathIndex, reportFolder.getFullPathName());
    ProcessorTestAccess::prepare (processor, rate, 512);
    processor.setDefaultInputRouting();
    processor.setParameterValue (runFlagIndex, 1.0f);

    testsupport::SineSource source (rate, 1000.0, { -23.0, -23.0 });
    testsupport::play (source, rate, 20.0, [&] (auto& block) { ProcessorTestAccess::process (processor, block); });
    // Killed once the report on disk holds its running results, or after thirty seconds without them.
    const auto report = reportFolder.findChildFiles (juce::File::findFiles | juce::File::ignoreHiddenFiles, false, "*.xml")[0];

    const auto holdsResults = [&]
    {
        const auto text = report.loadFileAsString();
        return text.contains ("IntegratedLoudness value=\"-2") && ! text.contains ("LoudnessRange value=\"\"")
               && ! text.contains ("UpTime value=\"\"");
    };

    for (int turn = 0; turn < 300 && ! holdsResults(); ++turn)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (100);

    ::kill (::getpid(), SIGKILL);
    std::abort();
}
} // namespace

TEST (KilledReport, ARunKilledWithoutWarningLeavesItsIntegratedLoudnessRangeAndUpTimeAndWholeRows)
{
    GTEST_FLAG_SET (death_test_style, "threadsafe");

    // The child runs this test again from its start: it takes the parent's folder from its environment.
    const testsupport::ScopedTemporaryFolder folder;
    const auto inherited = juce::SystemStats::getEnvironmentVariable ("NOLV_KILLED_RUN_FOLDER", {});
    const auto reportFolder = inherited.isNotEmpty() ? juce::File (inherited) : folder.getFolder();
    const testsupport::ScopedEnvironmentVariable where ("NOLV_KILLED_RUN_FOLDER", reportFolder.getFullPathName().toStdString());

    EXPECT_EXIT (playToneUntilKilled (reportFolder), testing::KilledBySignal (SIGKILL), "");

    const auto reports = reportFolder.findChildFiles (juce::File::findFiles | juce::File::ignoreHiddenFiles, false, "*.xml");
    ASSERT_EQ (reports.size(), 1);
    const auto report = juce::parseXML (reports[0]);
    ASSERT_NE (report, nullptr);
    EXPECT_NEAR (reporttest::reportAttribute (*report, "IntegratedLoudness", "value").getDoubleValue(), -23.0, 0.1);
    EXPECT_TRUE (reporttest::reportAttribute (*report, "LoudnessRange", "value").isNotEmpty());
    EXPECT_TRUE (reporttest::reportAttribute (*report, "UpTime", "value").isNotEmpty());
    EXPECT_EQ (reporttest::reportAttribute (*report, "StopTime", "value"), "") << "it never stopped";

    const auto csv = reporttest::readBytes (reports[0].withFileExtension (".csv"));
    const std::regex row (R"(^(MomentaryLoudness|ShortTermLoudness), -?[0-9]+\.[0-9], .*\r$)");
    std::istringstream lines (csv.substr (csv.find ('\n') + 1));
    int rows = 0;

    for (std::string line; std::getline (lines, line); ++rows)
        EXPECT_TRUE (std::regex_match (line, row)) << line;

    EXPECT_GT (rows, 190) << "one momentary value each 100 ms of the 20 s";
}
