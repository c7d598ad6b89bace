#include "BarScale.h"
#include "LevelHelpers.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "ProcessorTestAccess.h"
#include "ReportFiles.h"
#include "ScopedTemporaryFolder.h"
#include "TestSignals.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

// The processor played on a thread of its own while this thread acts as the message thread does.
// Run under ThreadSanitizer by `scripts/test --thread-sanitizer`.

namespace
{
constexpr double rate = 48000.0;
constexpr int blockLength = 512;

/** Plays a 1 kHz tone on L and R at the level the test asks for, block after block, until stopped;
    tells which level its latest block had, so that a level asked for is known to be playing. */
class AudioThread
{
public:
    explicit AudioThread (OvexjuceLoudnessAudioProcessor& p) : processor (p) {}
    ~AudioThread() { stop(); }

    void playLevel (double decibels)
    {
        const auto asked = ++levelsAsked;
        level.store (decibels);
        wanted.store (asked);
        ASSERT_TRUE (testsupport::waitUntil ([&] { return playing.load() == asked; }, 20000));
    }

    void start()
    {
        thread = std::thread ([this]
        {
            testsupport::SineSource source (rate, 1000.0);
            juce::AudioSampleBuffer block (6, blockLength);

            while (! stopping.load())
            {
                const auto asked = wanted.load();
                source.setLevel (0, level.load());
                source.setLevel (1, level.load());
                source.fill (block);
                ProcessorTestAccess::process (processor, block);
                playing.store (asked);
                blocks.fetch_add (1);
            }
        });
    }

    void stop()
    {
        stopping.store (true);

        if (thread.joinable())
            thread.join();
    }

    std::atomic<long> blocks { 0 };

private:
    OvexjuceLoudnessAudioProcessor& processor;
    std::atomic<double> level { -20.0 };
    std::atomic<int> wanted { 0 }, playing { 0 };
    int levelsAsked = 0;
    std::atomic<bool> stopping { false };
    std::thread thread;
};

juce::String attributeOf (const juce::File& xml, const char* element)
{
    const auto report = juce::parseXML (xml);
    return report == nullptr ? "(unreadable)" : reporttest::reportAttribute (*report, element, "value");
}

size_t csvRowCount (const juce::File& xml)
{
    const auto lines = reporttest::splitCrLf (reporttest::readBytes (xml.withFileExtension (".csv")));
    return lines.size() < 2 ? 0 : lines.size() - 2; // the header, and what follows the last line end
}
} // namespace

TEST (ProcessorThreads, ResetsAlarmsReportsParametersAndLayoutsFromTheMessageThreadNeverTearWhatTheCallbackDoes)
{
    const testsupport::ScopedTemporaryFolder folder;
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    processor.setStringParameter (logFilePathIndex, folder.getFolder().getFullPathName());
    ProcessorTestAccess::prepare (processor, rate, blockLength);
    processor.setDefaultInputRouting();
    processor.setDefaultOutputRouting();

    AudioThread audio (processor);
    audio.start();

    std::mt19937 random (18);
    const auto ebu18 = BarScale::make (scaleRanges::ebu18);
    long tornSnapshots = 0, snapshotsRead = 0;

    const auto readSnapshot = [&] (bool standardAndScaleHeld)
    {
        MeterSnapshot m;
        processor.copyMeterSnapshot (m);
        ++snapshotsRead;

        // Both fields come from one momentary value of one block, or both from a RESET.
        const bool reset = m.momentaryLevel == noLoudnessValue && m.momentaryFraction == 0.0f;

        if (standardAndScaleHeld && ! reset && m.momentaryFraction != (float) ebu18.pixel (roundToTenth (m.momentaryLevel), 569) / 569.0f)
            ++tornSnapshots;
    };

    // One change a block; RESET and the transport switch, which restart the windows, rarely enough
    // that every run still measures.
    const auto meddle = [&] (bool standardAndScaleHeld)
    {
        const auto choice = random() % 200;

        if (choice == 0)
            processor.resetMeters();
        else if (choice == 1)
            processor.setParameterValue (followTransportFlagIndex, (float) (random() % 2));
        else if (choice < 40)
            processor.clearAlarms();
        else if (choice < 80)
            processor.setParameterValue (gatingOffFlagIndex, (float) (random() % 2));
        else if (choice < 110)
            processor.setParameterValue (truePeakMaxLevelIndex, -(float) (random() % 30));
        else if (choice < 140)
            processor.setInputLayout (random() % 2 == 0 ? ChannelLayout { 0, 1, 2, 3, 4, 5 } : ChannelLayout { 1, 0, -1, 3, 4, 5 });
        else if (choice < 170)
            processor.setParameterValue (stereoMixdownFlagIndex, (float) (random() % 2));
        else if (! standardAndScaleHeld)
            processor.setParameterValue (random() % 2 == 0 ? measurementStandardIndex : measurementScaleIndex, (float) (random() % 3));
    };

    const auto newReport = [&] (const juce::Array<juce::File>& before)
    {
        for (const auto& file : folder.getFolder().findChildFiles (juce::File::findFiles | juce::File::ignoreHiddenFiles, false, "*.xml"))
            if (! before.contains (file))
                return file;

        return juce::File();
    };

    std::vector<std::pair<double, juce::File>> runs;

    for (int run = 0; run < 12; ++run)
    {
        const bool standardAndScaleHeld = run < 6;
        const double level = run % 2 == 0 ? -20.0 : -40.0;

        // Only this run's audio reaches its report: the level plays before the RESET that opens it.
        audio.playLevel (level);
        processor.resetMeters();
        const auto before = folder.getFolder().findChildFiles (juce::File::findFiles, false, "*.xml");
        processor.setParameterValue (runFlagIndex, 1.0f);
        runs.emplace_back (level, newReport (before));

        for (long block = audio.blocks.load(), end = block + 150; block < end; block = audio.blocks.load())
        {
            meddle (standardAndScaleHeld);

            while (audio.blocks.load() == block)
                readSnapshot (standardAndScaleHeld);
        }

        processor.setParameterValue (runFlagIndex, 0.0f);
    }

    audio.stop();
    EXPECT_EQ (tornSnapshots, 0) << "of " << snapshotsRead;

    size_t rows = 0;

    for (const auto& [level, report] : runs)
    {
        SCOPED_TRACE (report.getFileName() + " at " + juce::String (level) + " dBFS");
        rows += csvRowCount (report);

        for (const char* maximum : { "MaxTruePeak", "MaxMomentary" })
        {
            const auto text = attributeOf (report, maximum);
            EXPECT_TRUE (text.isNotEmpty()) << maximum;
            EXPECT_NEAR (text.getDoubleValue(), level, 0.5) << maximum;
        }
    }

    EXPECT_EQ ((juce::int64) rows, ProcessorTestAccess::reportRowsQueued (processor)) << "every value handed to a report is in its log";

    // The last RESET, asked for while the device plays, is carried out by the next block: the
    // timecode and every maximum restart there.
    processor.setParameterValue (followTransportFlagIndex, 0.0f);
    processor.resetMeters();
    const auto before = folder.getFolder().findChildFiles (juce::File::findFiles, false, "*.xml");
    processor.setParameterValue (runFlagIndex, 1.0f);
    const auto lastReport = newReport (before);
    testsupport::SineSource quieter (rate, 1000.0, { -30.0, -30.0 });
    testsupport::play (quieter, rate, 200 * blockLength / rate, [&] (auto& block) { ProcessorTestAccess::process (processor, block); });

    const auto& m = ProcessorTestAccess::meters (processor);
    EXPECT_EQ (m.processedSamples, 200.0 * blockLength);
    EXPECT_NEAR (m.heldTruePeak[0], -30.0f, 0.5f);
    EXPECT_NEAR (m.momentaryLevel, -30.0f, 0.5f);
    processor.setParameterValue (runFlagIndex, 0.0f);
    EXPECT_NEAR (attributeOf (lastReport, "MaxTruePeak").getDoubleValue(), -30.0, 0.5);
    EXPECT_NEAR (attributeOf (lastReport, "MaxMomentary").getDoubleValue(), -30.0, 0.5);
}

TEST (ProcessorThreads, TheCallbackRunsOnWhileTheMessageThreadIsHeldInsideAReportsStartOrFinish)
{
    const testsupport::ScopedTemporaryFolder folder;
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    processor.setStringParameter (logFilePathIndex, folder.getFolder().getFullPathName());
    ProcessorTestAccess::prepare (processor, rate, blockLength);

    // Every reading of the clock off the audio thread stops there until released.
    static thread_local bool onAudioThread = false;
    std::atomic<bool> holding { false }, held { false };
    processor.setClock ([&]
    {
        while (! onAudioThread && holding.load())
            held.store (true), std::this_thread::yield();

        return juce::Time (2026, 11, 5, 9, 7, 3);
    });

    for (const float runFlag : { 1.0f, 0.0f })
    {
        SCOPED_TRACE (runFlag == 1.0f ? "start" : "finish");
        holding.store (true), held.store (false);
        std::thread message ([&] { processor.setParameterValue (runFlagIndex, runFlag); });
        ASSERT_TRUE (testsupport::waitUntil ([&] { return held.load(); }));

        std::atomic<int> blocks { 0 };
        std::thread audio ([&]
        {
            onAudioThread = true;
            juce::AudioSampleBuffer block (6, blockLength);
            testsupport::SineSource source (rate, 1000.0, { -20.0, -20.0 });

            for (; blocks.load() < 50; ++blocks)
            {
                source.fill (block);
                ProcessorTestAccess::process (processor, block);
            }
        });

        EXPECT_TRUE (testsupport::waitUntil ([&] { return blocks.load() == 50; }, 10000)) << blocks.load() << " blocks";
        holding.store (false);
        audio.join();
        message.join();
    }
}

TEST (ProcessorThreads, AResetPressedWhileAnotherThreadStopsAndStartsTheDeviceShowsByTheStopAsThreadSanitizerJudges)
{
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    processor.setDefaultInputRouting();
    constexpr int cycles = 20;
    std::atomic<int> pressed { 0 }, released { 0 }, judged { 0 };
    std::atomic<bool> giveUp { false };

    // Each cycle plays until RESET is about to be pressed, then stops: the release and the press
    // meet, in either order, and alarm clearing meets every start.
    std::thread device ([&]
    {
        testsupport::SineSource source (rate, 1000.0, { -20.0, -20.0 });
        juce::AudioSampleBuffer block (6, blockLength);

        for (int cycle = 1; cycle <= cycles && ! giveUp.load(); ++cycle)
        {
            ProcessorTestAccess::prepare (processor, rate, blockLength);

            while (pressed.load() < cycle && ! giveUp.load())
            {
                source.fill (block);
                ProcessorTestAccess::process (processor, block);
            }

            processor.releaseResources();
            released.store (cycle);

            // The next start would let a new value replace what the stop showed.
            testsupport::waitUntil ([&] { return judged.load() == cycle || giveUp.load(); }, 20000);
        }
    });

    const auto snapshot = [&]
    {
        MeterSnapshot m;
        processor.copyMeterSnapshot (m);
        return m;
    };

    const auto clearingAlarmsUntil = [&] (auto condition)
    {
        return testsupport::waitUntil ([&] { processor.clearAlarms(); return condition(); }, 20000);
    };

    for (int cycle = 1; cycle <= cycles; ++cycle)
    {
        SCOPED_TRACE ("cycle " + juce::String (cycle));

        if (! clearingAlarmsUntil ([&] { return snapshot().momentaryLevel != noLoudnessValue; }))
        {
            ADD_FAILURE() << "no momentary value was shown";
            break;
        }

        pressed.store (cycle);
        processor.resetMeters();

        // Alarm clearing here would carry the RESET out itself once the device has stopped.
        if (! testsupport::waitUntil ([&] { return released.load() == cycle; }, 20000))
        {
            ADD_FAILURE() << "the device never stopped";
            break;
        }

        EXPECT_EQ (snapshot().momentaryLevel, noLoudnessValue);
        judged.store (cycle);
    }

    giveUp.store (true);
    device.join();
}
