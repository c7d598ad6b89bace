#include "ComponentRendering.h"
#include "DefaultLogLocations.h"
#include "NolvColours.h"
#include "NolvResources.h"
#include "OVEXReport.h"
#include "OVEXTextCSVLogger.h"
#include "OVEXXMLLogger.h"
#include "ReportViewerTestKit.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

namespace
{
using reporttest::reportMoment;

// The nine labels the graph's summary replaces, in its order, then the ones it leaves alone.
const char* const summaryIds[] { "integratedValue", "rangeValue", "firstDuration", "secondDuration", "maxShortTermValue",
                                 "maxShortTermPosition", "maxMomentaryValue", "maxMomentaryPosition", "start", "end" };

class ReportPreviewer : public testing::Test
{
protected:
    ReportPreviewer()
    {
        // The tests turn the folder listing and the report reading themselves.
        previewer.getFolderList().getListingThread().stopThread (5000);
        previewer.getLoader().getLoadingThread().stopThread (5000);
        previewer.addChangeListener (&broadcasts);
    }

    ~ReportPreviewer() override
    {
        latch.signal();
        previewer.removeChangeListener (&broadcasts);
    }

    /** Reads a report as selecting it does, and shows what was read. */
    void show (const juce::File& report)
    {
        previewer.readXmlReport (report);
        viewertest::turnClients (previewer.getLoader().getLoadingThread());
        previewer.getLoader().dispatchPendingReading();
    }

    /** A report as the writers leave it for a run started at reportMoment(): a CSV log of the given
        momentary levels a second apart (each after a short-term row 1 dB louder) when there are any,
        with the short-term maximum; the true-peak maximum when it rose; the end values when finished. */
    juce::File write (const juce::String& name, const std::vector<float>& momentary, bool finished, bool truePeakRose = false)
    {
        const auto xml = temp.getChildFile (name + ".xml");
        juce::TimeSliceThread unstarted ("unstarted");
        OVEXXMLLogger xmlWriter (unstarted);
        xmlWriter.startNewReport (xml);
        xmlWriter.setUserSelectedTitle ("QIT51Log");
        xmlWriter.setStartTime (reportMoment());

        if (! momentary.empty())
        {
            OVEXTextCSVLogger csvWriter (unstarted, 1024);
            csvWriter.setLogFile (xml);

            for (size_t i = 0; i < momentary.size(); ++i)
            {
                csvWriter.pushEntry ({ OVEXLogEntry::shortTerm, momentary[i] + 1.0f, reportMoment ((double) i) });
                csvWriter.pushEntry ({ OVEXLogEntry::momentary, momentary[i], reportMoment ((double) i) });
            }

            xmlWriter.setMaxShortTerm ("LUFS", reportMoment (7), -22.5f);
        }

        if (truePeakRose)
            xmlWriter.setMaxTruePeak ("dBTP", reportMoment (4), -0.8f);

        // A running report holds its results so far and no stop time.
        xmlWriter.setUpTime (finished ? 3900.0 : 10.0);
        xmlWriter.setIntegratedLoudness ("LUFS", finished ? -23.04f : -22.46f);
        xmlWriter.setLoudnessRange ("LU", finished ? 6.25f : 3.0f);

        if (finished)
        {
            xmlWriter.setMaxMomentary ("LUFS", reportMoment (8), -21.0f);
            xmlWriter.setStopTime (reportMoment (3900));
        }

        return xml;
    }

    juce::File writeText (const juce::String& fileName, const juce::String& text)
    {
        const auto file = temp.getChildFile (fileName);
        file.getParentDirectory().createDirectory();
        file.replaceWithText (text);
        return file;
    }

    template <typename Type = juce::Label>
    Type& child (const char* id)
    {
        auto* component = dynamic_cast<Type*> (previewer.findChildWithID (id));
        EXPECT_NE (component, nullptr) << id;
        return *component;
    }

    juce::String text (const char* id) { return child (id).getText(); }

    juce::StringArray summary()
    {
        juce::StringArray texts;

        for (auto* id : summaryIds)
            texts.add (text (id));

        return texts;
    }

    /** Lets the stopped listing thread do what was asked of it, then the list show the rows. */
    juce::StringArray scan()
    {
        auto& list = previewer.getFolderList();
        viewertest::turnClients (list.getListingThread());
        viewertest::deliverPostedMessages();
        juce::StringArray names;

        for (int i = 0; i < list.getNumRows(); ++i)
            names.add (list.getFile (i).getFileName());

        return names;
    }

    testsupport::ScopedTimeZone zone { "UTC0" };
    testsupport::ScopedTemporaryFolder temp;
    juce::WaitableEvent latch { true }; // opened as the fixture goes, so that a held loader can stop
    OVEXReport previewer { nolvFont (20.0f) };
    viewertest::ChangeCounter broadcasts;
};
} // namespace

TEST_F (ReportPreviewer, RunningReportShowsWhatItsXmlHoldsThenTheGraphsValues)
{
    show (write ("running", { -23.0f, -23.0f, -20.0f, -23.0f }, false));

    // The results so far, with no stop time: the run goes on.
    EXPECT_EQ (summary(), juce::StringArray ({ "-22.5", "3.0", "10 secs", "10 secs", "-22.5", "5 Dec 2026 9:07:10", "-", "", "5 Dec 2026 9:07:03", "" }));
    EXPECT_EQ (text ("title"), "running");
    EXPECT_EQ (text ("maxShortTermUnit"), "LUFS");
    EXPECT_EQ (text ("maxMomentaryUnit"), "") << "there, still empty";
    EXPECT_EQ (text ("maxTruePeakValue"), "-");

    // A message-loop turn later the graph's whole-report values replace the nine texts, and only those.
    previewer.getLogDrawer().dispatchPendingMessages();
    EXPECT_EQ (summary(), juce::StringArray ({ "-22.0", "3.0", "3 secs", "3 secs", "-19.0", "5 Dec 2026 9:07:05", "-20.0",
                                               "5 Dec 2026 9:07:05", "5 Dec 2026 9:07:03", "5 Dec 2026 9:07:06" }));
    EXPECT_EQ (text ("maxShortTermUnit"), "LUFS");
    EXPECT_EQ (text ("maxTruePeakValue"), "-");
    EXPECT_EQ (broadcasts.take (previewer), 0) << "reading a report changes no setting";

    // Summarised with the graph's gating as it stands when the report is asked for.
    previewer.getLogDrawer().getMomentaryHistogram().setGating (false);
    show (write ("ungated", { -20.0f, -40.0f }, false));
    previewer.getLogDrawer().dispatchPendingMessages();
    EXPECT_EQ (text ("integratedValue"), "-23.0");
}

TEST_F (ReportPreviewer, FinishedReportShowsItsSummaryAndNoHistoryWithoutALog)
{
    show (write ("first", { -23.0f, -24.0f }, true));
    ASSERT_EQ (previewer.getLogDrawer().getHistory().getNumPoints(), 2);

    // The first report's summary is still on its way when the second, which has no log, is read.
    show (write ("finished_2", {}, true, true));
    previewer.getLogDrawer().dispatchPendingMessages();

    EXPECT_EQ (previewer.getLogDrawer().getHistory().getNumPoints(), 0) << "no history under another report's title";
    EXPECT_EQ (summary(), juce::StringArray ({ "-23.0", "6.3", "1 hr 5 mins", "1 hr 5 mins", "-", "", "-21.0",
                                               "5 Dec 2026 9:07:11", "5 Dec 2026 9:07:03", "5 Dec 2026 10:12:03" }));
    EXPECT_EQ (text ("title"), "finished_2");
    EXPECT_EQ (text ("integratedUnit") + " " + text ("rangeUnit") + " " + text ("limitUnit"), "LUFS LU LUFS");
    EXPECT_EQ (text ("maxTruePeakValue") + " " + text ("maxTruePeakUnit") + " " + text ("maxTruePeakPosition"),
               "-0.8 dBTP 5 Dec 2026 9:07:07");

    previewer.setBounds (0, 100, 1024, 708);
    testsupport::renderArtifact (previewer, "report-previewer.png");
}

TEST_F (ReportPreviewer, TruePeakShowsOnlyAPeakAboveTheFloor)
{
    for (const auto& [attribute, shown] : { std::pair<const char*, const char*> { "", "-" }, { "value=\"-70.0\"", "-" },
                                            { "value=\"-69.96\"", "-70.0" }, { "value=\"-0.25\"", "-0.3" },
                                            { "value=\"abc\"", "0.0" } })
    {
        show (writeText ("peak.xml", juce::String (R"(<QIT5.1Log><IntegratedMeasurements>
            <IntegratedLoudness value="-23.0"/><LoudnessRange value="1.0"/><MaxShortTerm value="-20.0"/>
            <MaxMomentary value="-10.0"/><MaxTruePeak )") + attribute + R"(/></IntegratedMeasurements></QIT5.1Log>)"));
        EXPECT_EQ (text ("maxTruePeakValue"), shown) << attribute;
    }

    EXPECT_EQ (text ("maxMomentaryUnit"), "-") << "a maximum momentary loudness without a unit";
}

TEST_F (ReportPreviewer, LevelsNoMeterCouldMeasureShowAsForAnEmptyValue)
{
    // The five level texts shown for a report that holds these values, in chain order.
    const auto levels = [this] (const juce::StringArray& values)
    {
        const char* const elements[] { "IntegratedLoudness", "LoudnessRange", "MaxShortTerm", "MaxMomentary",
                                       "MaxTruePeak" };
        const char* const labels[] { "integratedValue", "rangeValue", "maxShortTermValue",
                                     "maxMomentaryValue", "maxTruePeakValue" };
        juce::String xml ("<QIT5.1Log><IntegratedMeasurements>");

        for (int i = 0; i < 5; ++i)
            xml << "<" << elements[i] << " value=\"" << values[i] << "\"/>";

        show (writeText ("levels.xml", xml + "</IntegratedMeasurements></QIT5.1Log>"));
        juce::StringArray shown;

        for (const auto* label : labels)
            shown.add (text (label));

        return shown.joinIntoString (" ");
    };

    // Maxima at the largest float would overprint the captions beside them; "nan" would read 0.0.
    EXPECT_EQ (levels ({ "nan", "6.25", "3.4e38", "3.4e38", "3.4e38" }), "- 6.3 - - -");

    // Integrated loudness, range, maximum short-term, momentary and true peak alike.
    const std::pair<const char*, const char*> cases[] = {
        { "-inf", "- - - - -" },
        { "-1000.5", "- - - - -" },
        { "1000", "1000.0 1000.0 1000.0 1000.0 1000.0" },
        { "abc", "0.0 0.0 0.0 0.0 0.0" },
    };

    for (const auto& [value, shown] : cases)
        EXPECT_EQ (levels (juce::StringArray { value, value, value, value, value }), shown) << value;
}

TEST_F (ReportPreviewer, BrokenChainsLeaveTheRestAsItWas)
{
    show (write ("full", { -23.0f }, true));
    auto expected = summary();

    // StopTime and LoudnessRange are missing: what follows them in their groups is not read.
    show (writeText ("broken.xml", R"(<Other><UserSelectedTitle value="x"/>
        <MeasurementInterval><StartTime value="1 Jan 2027 0:00:00"/><UpTime value="2 secs"/></MeasurementInterval>
        <IntegratedMeasurements><IntegratedLoudness value="-30.0" unit="LKFS"/>
        <MaxShortTerm value="-1.0" unit="LKFS" maxTime="z"/></IntegratedMeasurements></Other>)"));
    expected.set (0, "-30.0");
    expected.set (8, "1 Jan 2027 0:00:00");
    EXPECT_EQ (summary(), expected);
    EXPECT_EQ (text ("title") + " " + text ("integratedUnit") + " " + text ("maxShortTermUnit"), "broken LKFS LUFS");

    // A short-term history kept in the XML is used in place of the log.
    writeText ("dynamic.csv", viewertest::steadyLog (5));
    show (writeText ("dynamic.xml", "<QIT5.1Log><DynamicMeasurements><ShortTermStampedValue time='9:00:00'/>"
                                    "<ShortTermStampedValue time='9:00:01'/></DynamicMeasurements></QIT5.1Log>"));
    EXPECT_EQ (previewer.getLogDrawer().getHistory().getNumPoints(), 2);
}

TEST_F (ReportPreviewer, AReportThatCannotBeReadClearsTheSummaryAndGraphAndSaysWhy)
{
    temp.getChildFile ("folder.xml").createDirectory();
    const std::pair<juce::File, const char*> unreadable[] {
        { writeText ("truncated.xml", "<QIT5.1Log><UserSelectedTitle value="), "truncated.xml: cannot be read (malformed)" },
        { writeText ("upper.XML", "<QIT5.1Log><UserSelectedTitle/></QIT5.1Log>"), "upper.XML: cannot be read (not a report)" },
        { temp.getChildFile ("folder.xml"), "folder.xml: cannot be read (not a regular file)" },
    };

    for (const auto& [file, title] : unreadable)
    {
        show (write ("full", { -23.0f, -23.0f }, true, true));
        ASSERT_EQ (text ("title"), "full");
        show (file);
        previewer.getLogDrawer().dispatchPendingMessages();

        EXPECT_EQ (text ("title"), title);
        EXPECT_EQ (summary().joinIntoString ("") + text ("integratedUnit") + text ("maxTruePeakValue"), "") << title;
        EXPECT_EQ (previewer.getLogDrawer().getHistory().getNumPoints(), 0) << title;
    }
}

TEST_F (ReportPreviewer, SelectingReturnsAtOnceAndOnlyTheLastOfTwoQuickSelectionsIsShown)
{
    const auto first = write ("first", { -23.0f, -23.0f, -23.0f }, true);
    const auto second = write ("second", { -20.0f, -20.0f, -20.0f, -20.0f, -20.0f }, true);
    viewertest::ChangeCounter graphMessages;
    previewer.getLogDrawer().addChangeListener (&graphMessages);

    std::atomic<int> arrivals { 0 };
    std::atomic<bool> released { true };
    previewer.getLoader().beforeReading = [&]
    {
        ++arrivals;
        released = latch.wait (20000) && released;
    };
    const juce::ScopeGuard stopLoader { [&]
    {
        latch.signal();
        previewer.getLoader().getLoadingThread().stopThread (5000);
        previewer.getLogDrawer().removeChangeListener (&graphMessages);
    } };
    previewer.getLoader().getLoadingThread().startThread();

    previewer.readXmlReport (first);
    ASSERT_TRUE (testsupport::waitUntil ([&] { return arrivals == 1; }));
    EXPECT_EQ (text ("title"), "") << "read on the message thread";

    const auto turned = std::make_shared<bool> (false);
    juce::MessageManager::callAsync ([turned] { *turned = true; });
    EXPECT_TRUE (viewertest::turnMessageLoopUntil ([turned] { return *turned; })) << "while the loader is held";

    previewer.readXmlReport (second);
    latch.signal();
    EXPECT_TRUE (viewertest::turnMessageLoopUntil ([&] { return text ("title") == "second"; }));
    EXPECT_TRUE (released);

    viewertest::deliverPostedMessages();
    EXPECT_EQ (text ("title"), "second");
    EXPECT_EQ (previewer.getLogDrawer().getHistory().getNumPoints(), 5);
    EXPECT_EQ (graphMessages.take (previewer.getLogDrawer()), 1) << "the first report's history never arrived";
}

//==============================================================================
TEST_F (ReportPreviewer, ListsTheReportsDirectlyInThePushedFolderAndReadsOnlyDotXml)
{
    const auto folder = temp.getChildFile ("reports");
    write ("reports/a10", {}, true);
    write ("reports/a9", {}, true);
    writeText ("reports/b.XML", "<QIT5.1Log><UserSelectedTitle/></QIT5.1Log>");
    writeText ("reports/.a_temp1f2e.xml", "<QIT5.1Log><UserSelectedTitle/></QIT5.1Log>");
    writeText ("reports/notes.txt", "x");
    writeText ("reports/sub/c.xml", "<QIT5.1Log/>");
    folder.getChildFile ("folder.xml").createDirectory();

    previewer.setLogFolder (folder.getFullPathName());
    previewer.setLogName ("Studio");
    EXPECT_EQ (child<juce::TextEditor> ("folderField").getText(), folder.getFullPathName());
    EXPECT_EQ (child<juce::TextEditor> ("nameField").getText(), "Studio");
    EXPECT_EQ (scan(), juce::StringArray ({ "a9.xml", "a10.xml", "b.XML" }));

    // Selected as a click on its row selects it; a row keeps its selection when another joins.
    auto& list = previewer.getFolderList();
    const auto select = [&] (int row)
    {
        list.selectRow (row);
        viewertest::turnClients (previewer.getLoader().getLoadingThread());
        previewer.getLoader().dispatchPendingReading();
        return text ("title");
    };

    EXPECT_EQ (select (2), "b.XML: cannot be read (not a report)");
    EXPECT_EQ (select (0), "a9");
    write ("reports/a1", {}, false);
    previewer.refreshFileList();
    EXPECT_EQ (scan(), juce::StringArray ({ "a1.xml", "a9.xml", "a10.xml", "b.XML" })) << "another program wrote a1";
    EXPECT_EQ (list.getSelectedFile(), folder.getChildFile ("a9.xml"));

    // Empty and relative texts list where the writers put reports for them.
    previewer.setLogFolder ({});
    EXPECT_EQ (list.getFolder(), defaultLogFolder());
    previewer.setLogFolder ("relative/reports");
    EXPECT_EQ (list.getFolder(), juce::File::getCurrentWorkingDirectory().getChildFile ("relative/reports"));
    EXPECT_EQ (broadcasts.take (previewer), 0) << "pushed texts are not announced back";
}

TEST_F (ReportPreviewer, AnUnchangedFolderIsListedOnceAndTheProgramsOwnReportsJoinWithoutAListing)
{
    const auto folder = temp.getChildFile ("reports");
    write ("reports/a", {}, true);
    const auto changedAt = [&folder] (double hoursAgo)
    { folder.setLastModificationTime (juce::Time::getCurrentTime() - juce::RelativeTime::hours (hoursAgo)); };
    changedAt (1.0);

    auto& list = previewer.getFolderList();
    previewer.setLogFolder (folder.getFullPathName());
    EXPECT_EQ (scan(), juce::StringArray ({ "a.xml" }));
    const auto listings = list.getNumListings();
    previewer.refreshFileList();
    EXPECT_EQ (scan(), juce::StringArray ({ "a.xml" }));
    EXPECT_EQ (list.getNumListings(), listings) << "the folder did not change";

    // The writer's hidden temporary file comes and goes; the page is told of the report.
    const auto own = write ("reports/b", { -23.0f }, false);
    previewer.reportWritten (own);
    EXPECT_EQ (scan(), juce::StringArray ({ "a.xml", "b.xml" }));
    previewer.refreshFileList();
    EXPECT_EQ (scan(), juce::StringArray ({ "a.xml", "b.xml" }));
    EXPECT_EQ (list.getNumListings(), listings);

    writeText ("reports/c.xml", "<QIT5.1Log/>");
    changedAt (-0.01);
    previewer.refreshFileList();
    EXPECT_EQ (scan(), juce::StringArray ({ "a.xml", "b.xml", "c.xml" })) << "another program wrote c";
    EXPECT_EQ (list.getNumListings(), listings + 1);
}

TEST_F (ReportPreviewer, ApplyAndReturnAnnounceTheFieldTextsTypingDoesNot)
{
    auto& folderField = child<juce::TextEditor> ("folderField");
    auto& nameField = child<juce::TextEditor> ("nameField");

    folderField.setText ("/data/reports", juce::sendNotification);
    nameField.setText ("Studio", juce::sendNotification);
    EXPECT_EQ (broadcasts.take (previewer), 0);

    previewer.buttonClicked (&child<juce::Button> ("apply"));
    EXPECT_EQ (broadcasts.take (previewer), 1);
    EXPECT_EQ (previewer.getLogFolderText() + " " + previewer.getLogNameText(), "/data/reports Studio");

    nameField.setText ("Hall", juce::sendNotification);
    previewer.textEditorReturnKeyPressed (nameField);
    EXPECT_EQ (broadcasts.take (previewer), 1);
    EXPECT_EQ (previewer.getLogNameText(), "Hall");

    // A folder no report can be written to is said at once, in the title line.
    const auto notAFolder = writeText ("plain", "x");

    for (const auto& folder : { notAFolder.getFullPathName(), notAFolder.getFullPathName() + "/below", juce::String ("/dev/full") })
    {
        folderField.setText (folder, juce::sendNotification);
        previewer.buttonClicked (&child<juce::Button> ("apply"));
        EXPECT_EQ (text ("title"), "Folder cannot be written: Not a directory") << folder;
    }
}

TEST_F (ReportPreviewer, TogglesAndLimitDriveTheGraphAndLightTheActiveCaption)
{
    auto& graph = previewer.getLogDrawer();
    const auto lit = [this] (const char* id) { return child (id).findColour (juce::Label::textColourId) == juce::Colours::white; };
    const auto grey = [this] (const char* id) { return child (id).findColour (juce::Label::textColourId) == nolvColours::inactiveCaption; };

    EXPECT_TRUE (lit ("highResolutionCaption") && grey ("lowResolutionCaption") && lit ("shortTermCaption"));
    EXPECT_EQ (text ("limitCaption"), "Short Term Limit:");

    child<juce::Button> ("resolutionToggle").setToggleState (true, juce::sendNotification);
    EXPECT_FALSE (graph.getHistory().getScale().isHighResolution());
    EXPECT_TRUE (grey ("highResolutionCaption") && lit ("lowResolutionCaption"));

    child<juce::Button> ("seriesToggle").setToggleState (true, juce::sendNotification);
    EXPECT_FALSE (graph.isShortTermActive());
    EXPECT_EQ (text ("limitCaption"), "Momentary Limit:");
    EXPECT_TRUE (lit ("momentaryCaption") && grey ("shortTermCaption"));

    show (write ("limit", std::vector<float> (100, -23.0f), true));
    graph.setView (0, 0);
    child<juce::Slider> ("limitSlider").setValue (-20.0, juce::sendNotificationSync);
    EXPECT_EQ (graph.getViewLevel(), graph.getNumLevels() - 1) << "a new limit shows the whole report";
}

TEST (ReportPreviewerLifetime, GoesWhileItsFolderIsListedAndAReportIsReadAsTheSanitizersJudge)
{
    testsupport::ScopedTemporaryFolder temp;

    for (int i = 0; i < 2000; ++i)
        temp.getChildFile ("r" + juce::String (i) + ".xml").create();

    const auto report = temp.getChildFile ("long.xml");
    report.replaceWithText ("<QIT5.1Log/>");
    temp.getChildFile ("long.csv").replaceWithText (viewertest::steadyLog (200000));

    // Judged by the sanitizers: both threads must stop before what they use goes.
    for (int round = 0; round < 5; ++round)
    {
        OVEXReport previewer (nolvFont (20.0f));
        previewer.setLogFolder (temp.getFolder().getFullPathName());
        previewer.refreshFileList();
        previewer.readXmlReport (report);
    }
}
