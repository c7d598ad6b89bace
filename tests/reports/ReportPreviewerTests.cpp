#include "ComponentRendering.h"
#include "DefaultLogLocations.h"
#include "NolvColours.h"
#include "NolvResources.h"
#include "OVEXReport.h"
#include "OVEXTextCSVLogger.h"
#include "OVEXXMLLogger.h"
#include "ReportFiles.h"
#include "ScopedTemporaryFolder.h"
#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace
{
using reporttest::reportMoment;

struct ChangeCounter : public juce::ChangeListener
{
    void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
    int count = 0;
};

/** What the writers leave for a run started at reportMoment(): title, start time and, as the run
    goes, the maxima; the end values once it finished; and a CSV log of momentary values a second
    apart (each preceded by a short-term row) when there are any. */
struct WrittenReport
{
    std::vector<float> momentary;
    bool finished = false;
    bool truePeakRose = false;
};

const std::map<std::string, const char*> summaryLabels {
    { "integratedValue", "IL" },       { "rangeValue", "LRA" },
    { "firstDuration", "duration" },   { "secondDuration", "duration" },
    { "maxShortTermValue", "max ST" }, { "maxShortTermPosition", "max ST position" },
    { "maxMomentaryValue", "max M" },  { "maxMomentaryPosition", "max M position" },
    { "start", "start" },              { "end", "end" },
};

class ReportPreviewer : public testing::Test
{
protected:
    ReportPreviewer()
    {
        // The tests turn the folder scan themselves.
        previewer.getDirectoryList().getTimeSliceThread().stopThread (5000);
        previewer.addChangeListener (&broadcasts);
        previewer.getLogDrawer().addChangeListener (&graphMessages);
    }

    ~ReportPreviewer() override
    {
        previewer.getLogDrawer().removeChangeListener (&graphMessages);
        previewer.removeChangeListener (&broadcasts);
    }

    juce::File write (const juce::String& name, const WrittenReport& report)
    {
        const auto xml = temp.getChildFile (name + ".xml");
        juce::TimeSliceThread unstarted ("unstarted");
        OVEXXMLLogger xmlWriter (unstarted);
        xmlWriter.startNewReport (xml);
        xmlWriter.setUserSelectedTitle ("QIT51Log");
        xmlWriter.setStartTime (reportMoment());

        if (! report.momentary.empty())
        {
            OVEXTextCSVLogger csvWriter (unstarted, 1024);
            csvWriter.setLogFile (xml);

            for (size_t i = 0; i < report.momentary.size(); ++i)
            {
                const auto time = reportMoment ((double) i);
                csvWriter.pushEntry ({ OVEXLogEntry::shortTerm, report.momentary[i] + 1.0f, time });
                csvWriter.pushEntry ({ OVEXLogEntry::momentary, report.momentary[i], time });
            }

            xmlWriter.setMaxShortTerm ("LUFS", reportMoment (7), -22.5f);
        }

        if (report.truePeakRose)
            xmlWriter.setMaxTruePeak ("dBTP", reportMoment (4), -0.8f);

        if (report.finished)
        {
            xmlWriter.setMaxMomentary ("LUFS", reportMoment (8), -21.0f);
            xmlWriter.setStopTime (reportMoment (3900));
            xmlWriter.setUpTime (3900.0);
            xmlWriter.setIntegratedLoudness ("LUFS", -23.04f);
            xmlWriter.setLoudnessRange ("LU", 6.25f);
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

    juce::String text (const char* id)
    {
        auto* label = dynamic_cast<juce::Label*> (previewer.findChildWithID (id));
        return label != nullptr ? label->getText() : juce::String ("(no label ") + id + ")";
    }

    juce::Colour colourOf (const char* id)
    {
        return previewer.findChildWithID (id)->findColour (juce::Label::textColourId);
    }

    template <typename Type>
    Type& child (const char* id)
    {
        auto* component = dynamic_cast<Type*> (previewer.findChildWithID (id));
        EXPECT_NE (component, nullptr) << id;
        return *component;
    }

    std::map<std::string, juce::String> summaryTexts()
    {
        std::map<std::string, juce::String> texts;

        for (const auto& [id, name] : summaryLabels)
            texts[id] = text (id.c_str());

        return texts;
    }

    /** Turns the clients of the previewer's (stopped) thread until the folder scan ends, then lets
        the tree take what it found. */
    void scan()
    {
        auto& list = previewer.getDirectoryList();
        auto& thread = list.getTimeSliceThread();

        while (list.isStillLoading())
            for (int i = thread.getNumClients(); --i >= 0;)
                if (auto* client = thread.getClient (i))
                    client->useTimeSlice();

        list.dispatchPendingMessages();
    }

    juce::StringArray listed()
    {
        juce::StringArray names;

        for (int i = 0; i < previewer.getDirectoryList().getNumFiles(); ++i)
            names.add (previewer.getDirectoryList().getFile (i).getFileName());

        return names;
    }

    int broadcastsSent()
    {
        previewer.dispatchPendingMessages();
        return std::exchange (broadcasts.count, 0);
    }

    /** The graph's change message arrives a message-loop turn after a load. */
    void deliverGraphSummary() { previewer.getLogDrawer().dispatchPendingMessages(); }

    testsupport::ScopedTimeZone zone { "UTC0" };
    testsupport::ScopedTemporaryFolder temp;
    OVEXReport previewer { nolvFont (20.0f) };
    ChangeCounter broadcasts, graphMessages;
};
} // namespace

//==============================================================================
TEST_F (ReportPreviewer, RunningReportShowsWhatTheXmlHasThenTheGraphsValues)
{
    previewer.readXmlReport (write ("running", { { -23.0f, -23.0f, -20.0f, -23.0f }, false, false }));

    EXPECT_EQ (text ("title"), "running");
    EXPECT_EQ (text ("start"), "5 Dec 2026 9:07:03");
    EXPECT_EQ (text ("end"), "");
    EXPECT_EQ (text ("firstDuration"), "");
    EXPECT_EQ (text ("secondDuration"), "");
    EXPECT_EQ (text ("integratedValue"), "-") << "empty while the run goes; 0.0 would read as the loudest level";
    EXPECT_EQ (text ("rangeValue"), "-");
    EXPECT_EQ (text ("integratedUnit"), "");
    EXPECT_EQ (text ("maxShortTermValue"), "-22.5");
    EXPECT_EQ (text ("maxShortTermUnit"), "LUFS");
    EXPECT_EQ (text ("maxShortTermPosition"), "5 Dec 2026 9:07:10");
    EXPECT_EQ (text ("maxMomentaryValue"), "-") << "no maximum yet";
    EXPECT_EQ (text ("maxMomentaryUnit"), "") << "the attribute is there, still empty";
    EXPECT_EQ (text ("maxTruePeakValue"), "-");

    // One message-loop turn later the graph's whole-report values replace the nine texts.
    deliverGraphSummary();
    const std::map<std::string, juce::String> fromGraph {
        { "integratedValue", "-22.0" },  { "rangeValue", "3.0" },
        { "firstDuration", "3 secs" },   { "secondDuration", "3 secs" },
        { "maxShortTermValue", "-19.0" }, { "maxShortTermPosition", "5 Dec 2026 9:07:05" },
        { "maxMomentaryValue", "-20.0" }, { "maxMomentaryPosition", "5 Dec 2026 9:07:05" },
        { "start", "5 Dec 2026 9:07:03" }, { "end", "5 Dec 2026 9:07:06" },
    };
    EXPECT_EQ (summaryTexts(), fromGraph);
    EXPECT_EQ (text ("maxShortTermUnit"), "LUFS") << "units stay the report's";
    EXPECT_EQ (text ("maxTruePeakValue"), "-");
    EXPECT_EQ (text ("title"), "running");
    EXPECT_EQ (broadcastsSent(), 0) << "reading a report changes no setting";
}

TEST_F (ReportPreviewer, FinishedReportWithoutValuesShowsItsSummary)
{
    previewer.readXmlReport (write ("finished_2", { {}, true, true }));

    const std::map<std::string, juce::String> expected {
        { "integratedValue", "-23.0" },  { "rangeValue", "6.3" },
        { "firstDuration", "1 hr 5 mins" }, { "secondDuration", "1 hr 5 mins" },
        { "maxShortTermValue", "-" },   { "maxShortTermPosition", "" },
        { "maxMomentaryValue", "-21.0" }, { "maxMomentaryPosition", "5 Dec 2026 9:07:11" },
        { "start", "5 Dec 2026 9:07:03" }, { "end", "5 Dec 2026 10:12:03" },
    };
    EXPECT_EQ (summaryTexts(), expected);
    EXPECT_EQ (text ("title"), "finished_2");
    EXPECT_EQ (text ("integratedUnit"), "LUFS");
    EXPECT_EQ (text ("rangeUnit"), "LU");
    EXPECT_EQ (text ("limitUnit"), "LUFS") << "the limit is in the report's unit";
    EXPECT_EQ (text ("maxTruePeakValue"), "-0.8");
    EXPECT_EQ (text ("maxTruePeakUnit"), "dBTP");
    EXPECT_EQ (text ("maxTruePeakPosition"), "5 Dec 2026 9:07:07");

    // Without a CSV log there is no history, and nothing replaces these texts.
    EXPECT_EQ (previewer.getLogDrawer().getHistory().getNumPoints(), 0);
    deliverGraphSummary();
    EXPECT_EQ (graphMessages.count, 0);
    EXPECT_EQ (summaryTexts(), expected);
}

TEST_F (ReportPreviewer, TruePeakShowsOnlyAPeakAboveTheFloor)
{
    const std::pair<const char*, const char*> cases[] {
        { "", "-" }, { "value=\"\"", "-" }, { "value=\"-70.0\"", "-" }, { "value=\"-70.04\"", "-" },
        { "value=\"-69.96\"", "-70.0" }, { "value=\"-0.8\"", "-0.8" }, { "value=\"abc\"", "0.0" },
        { "value=\"-0.25\"", "-0.3" },
    };

    for (const auto& [attribute, shown] : cases)
    {
        const auto report = writeText ("peak.xml", juce::String (R"(<QIT5.1Log><IntegratedMeasurements>
            <IntegratedLoudness value="-23.0" unit="LUFS"/><LoudnessRange value="1.0" unit="LU"/>
            <MaxShortTerm value="-20.0" unit="LUFS" maxTime="a"/><MaxMomentary value="-10.0" maxTime="b"/>
            <MaxTruePeak )") + attribute + R"( unit="dBTP" maxTime="c"/></IntegratedMeasurements></QIT5.1Log>)");
        previewer.readXmlReport (report);
        EXPECT_EQ (text ("maxTruePeakValue"), shown) << attribute;
        EXPECT_EQ (text ("maxMomentaryUnit"), "-") << "MaxMomentary without a unit";
    }
}

TEST_F (ReportPreviewer, BrokenChainsAndUnreadableFilesLeaveTheRestAsItWas)
{
    previewer.readXmlReport (write ("full", { { -23.0f }, true, true }));
    const auto before = summaryTexts();
    ASSERT_EQ (text ("maxShortTermUnit"), "LUFS");

    // LoudnessRange is missing: the integrated loudness is read, everything after it is not.
    previewer.readXmlReport (writeText ("broken.xml", R"(<Other><UserSelectedTitle value="x"/>
        <MeasurementInterval><StartTime value="1 Jan 2027 0:00:00"/><UpTime value="2 secs"/></MeasurementInterval>
        <IntegratedMeasurements><IntegratedLoudness value="-30.0" unit="LKFS"/>
        <MaxShortTerm value="-1.0" unit="LKFS" maxTime="z"/></IntegratedMeasurements></Other>)"));

    auto expected = before;
    expected["integratedValue"] = "-30.0";
    expected["start"] = "1 Jan 2027 0:00:00";
    EXPECT_EQ (summaryTexts(), expected);
    EXPECT_EQ (text ("title"), "broken");
    EXPECT_EQ (text ("integratedUnit"), "LKFS");
    EXPECT_EQ (text ("maxShortTermUnit"), "LUFS");

    previewer.readXmlReport (writeText ("unreadable.xml", "<QIT5.1Log><UserSelectedTitle value="));
    EXPECT_EQ (summaryTexts(), expected);
    EXPECT_EQ (text ("title"), "broken");
}

TEST_F (ReportPreviewer, AReportWithoutItsLogClearsTheGraph)
{
    previewer.readXmlReport (write ("first", { { -23.0f, -24.0f }, true, false }));
    ASSERT_EQ (previewer.getLogDrawer().getHistory().getNumPoints(), 2);

    // The first report's summary is still on its way when the second is read.
    previewer.readXmlReport (write ("second", { {}, true, false }));
    deliverGraphSummary();

    EXPECT_EQ (previewer.getLogDrawer().getHistory().getNumPoints(), 0);
    EXPECT_FALSE (previewer.getLogDrawer().getHistory().isViewShown());
    EXPECT_EQ (text ("title"), "second");
    EXPECT_EQ (text ("integratedValue"), "-23.0") << "from the second report's XML";
    EXPECT_EQ (text ("maxMomentaryPosition"), "5 Dec 2026 9:07:11");
}

TEST_F (ReportPreviewer, DynamicMeasurementsInTheReportFeedTheGraph)
{
    const auto report = write ("dynamic", { { -23.0f }, true, false });
    auto document = juce::parseXML (report);
    auto* dynamic = document->createNewChildElement (LoudnessSeries::dynamicMeasurementsTag);

    for (const auto* time : { "9:00:00", "9:00:01", "9:00:02" })
    {
        auto* value = dynamic->createNewChildElement ("ShortTermStampedValue");
        value->setAttribute ("value", "-18.0");
        value->setAttribute ("time", time);
    }

    ASSERT_TRUE (document->writeTo (report));
    previewer.readXmlReport (report);
    deliverGraphSummary();

    EXPECT_EQ (previewer.getLogDrawer().getHistory().getNumPoints(), 3) << "not the one point of the CSV log";
    EXPECT_EQ (text ("maxShortTermValue"), "-18.0");
    EXPECT_EQ (text ("maxMomentaryValue"), "-");
    EXPECT_EQ (text ("end"), " 9:00:02") << "such points have no date";
}

//==============================================================================
TEST_F (ReportPreviewer, ListsOnlyTheReportsDirectlyInTheFolderAndReadsOnlyXmlInLowerCase)
{
    const auto folder = temp.getChildFile ("reports");
    write ("reports/a", { {}, true, false });
    writeText ("reports/b.XML", "<QIT5.1Log><UserSelectedTitle value=\"x\"/></QIT5.1Log>");
    writeText ("reports/.a_temp1f2e.xml", "<QIT5.1Log><UserSelectedTitle value=\"x\"/></QIT5.1Log>");
    writeText ("reports/notes.txt", "x");
    writeText ("reports/sub/c.xml", "<QIT5.1Log/>");
    folder.getChildFile ("folder.xml").createDirectory();

    previewer.setLogFolder (folder.getFullPathName());
    scan();
    EXPECT_EQ (listed(), juce::StringArray ({ "a.xml", "b.XML" }));

    // Selected as a click on its row selects it.
    auto& tree = child<juce::FileTreeComponent> ("fileTree");
    const auto select = [&tree] (const juce::File& file)
    {
        for (int i = 0; i < tree.getRootItem()->getNumSubItems(); ++i)
            if (auto* item = tree.getRootItem()->getSubItem (i); item->getUniqueName() == file.getFullPathName())
                item->setSelected (true, true);

        return tree.getSelectedFile();
    };

    ASSERT_EQ (select (folder.getChildFile ("b.XML")), folder.getChildFile ("b.XML"));
    EXPECT_EQ (text ("title"), "") << "listed, but not read";

    ASSERT_EQ (select (folder.getChildFile ("a.xml")), folder.getChildFile ("a.xml"));
    EXPECT_EQ (text ("title"), "a");
    EXPECT_EQ (text ("integratedValue"), "-23.0");
}

TEST_F (ReportPreviewer, PushedFolderIsShownAndListedOnceWithoutABroadcast)
{
    const auto folder = temp.getChildFile ("pushed");
    write ("pushed/r", { {}, false, false });

    previewer.setLogFolder (folder.getFullPathName());
    previewer.setLogName ("Studio");
    EXPECT_EQ (child<juce::TextEditor> ("folderField").getText(), folder.getFullPathName());
    EXPECT_EQ (child<juce::TextEditor> ("nameField").getText(), "Studio");
    EXPECT_EQ (previewer.getDirectoryList().getDirectory(), folder);
    scan();
    ASSERT_EQ (listed(), juce::StringArray ({ "r.xml" }));

    // The owner pushes on every refresh; the same folder again must not scan again.
    previewer.setLogFolder (folder.getFullPathName());
    EXPECT_FALSE (previewer.getDirectoryList().isStillLoading());
    EXPECT_EQ (listed(), juce::StringArray ({ "r.xml" }));

    // Opening the page scans again, so new reports show up.
    write ("pushed/s", { {}, false, false });
    previewer.refreshFileList();
    scan();
    EXPECT_EQ (listed(), juce::StringArray ({ "r.xml", "s.xml" }));

    // An empty folder text lists where the writers put reports for it.
    previewer.setLogFolder ({});
    EXPECT_EQ (previewer.getDirectoryList().getDirectory(), defaultLogFolder());
    EXPECT_EQ (child<juce::TextEditor> ("folderField").getText(), "");
    previewer.setLogFolder ("relative/reports");
    EXPECT_EQ (previewer.getDirectoryList().getDirectory(),
               juce::File::getCurrentWorkingDirectory().getChildFile ("relative/reports"));

    EXPECT_EQ (broadcastsSent(), 0);
}

TEST_F (ReportPreviewer, ApplyReturnAndOnlyThoseAnnounceTheFieldTexts)
{
    auto& folderField = child<juce::TextEditor> ("folderField");
    auto& nameField = child<juce::TextEditor> ("nameField");

    folderField.setText ("/data/reports", juce::sendNotification);
    nameField.setText ("Studio", juce::sendNotification);
    EXPECT_EQ (broadcastsSent(), 0) << "typing alone";
    EXPECT_EQ (previewer.getLogFolderText(), "");

    previewer.buttonClicked (&child<juce::Button> ("apply"));
    EXPECT_EQ (broadcastsSent(), 1);
    EXPECT_EQ (previewer.getLogFolderText(), "/data/reports");
    EXPECT_EQ (previewer.getLogNameText(), "Studio");

    nameField.setText ("Hall", juce::sendNotification);
    previewer.textEditorReturnKeyPressed (nameField);
    EXPECT_EQ (broadcastsSent(), 1);
    EXPECT_EQ (previewer.getLogNameText(), "Hall");

    folderField.setText ("/elsewhere", juce::sendNotification);
    previewer.textEditorReturnKeyPressed (folderField);
    EXPECT_EQ (broadcastsSent(), 1);
    EXPECT_EQ (previewer.getLogFolderText(), "/elsewhere");
}

TEST_F (ReportPreviewer, TogglesSwitchTheGraphAndLightTheActiveCaption)
{
    const auto white = juce::Colours::white, grey = nolvColours::inactiveCaption;
    auto& graph = previewer.getLogDrawer();

    EXPECT_EQ (colourOf ("highResolutionCaption"), white);
    EXPECT_EQ (colourOf ("lowResolutionCaption"), grey);
    EXPECT_EQ (colourOf ("shortTermCaption"), white);
    EXPECT_EQ (colourOf ("momentaryCaption"), grey);
    EXPECT_EQ (text ("limitCaption"), "Short Term Limit:");

    auto& resolution = child<juce::Button> ("resolutionToggle");
    resolution.setToggleState (true, juce::sendNotification);
    EXPECT_FALSE (graph.getHistory().getScale().isHighResolution());
    EXPECT_EQ (colourOf ("highResolutionCaption"), grey);
    EXPECT_EQ (colourOf ("lowResolutionCaption"), white);
    resolution.setToggleState (false, juce::sendNotification);
    EXPECT_TRUE (graph.getHistory().getScale().isHighResolution());
    EXPECT_EQ (colourOf ("highResolutionCaption"), white);

    auto& series = child<juce::Button> ("seriesToggle");
    series.setToggleState (true, juce::sendNotification);
    EXPECT_FALSE (graph.isShortTermActive());
    EXPECT_EQ (text ("limitCaption"), "Momentary Limit:");
    EXPECT_EQ (colourOf ("momentaryCaption"), white);
    EXPECT_EQ (colourOf ("shortTermCaption"), grey);
    series.setToggleState (false, juce::sendNotification);
    EXPECT_TRUE (graph.isShortTermActive());
    EXPECT_EQ (text ("limitCaption"), "Short Term Limit:");

    // The limit slider sets the graph's limit, which shows the whole report again.
    previewer.readXmlReport (write ("limit", { std::vector<float> (100, -23.0f), true, false }));
    graph.setView (0, 0);
    child<juce::Slider> ("limitSlider").setValue (-20.0, juce::sendNotificationSync);
    EXPECT_EQ (graph.getViewLevel(), graph.getNumLevels() - 1);
}

TEST_F (ReportPreviewer, LaysTheChildrenOutAtTheirPlacesAndTheAttachedLabelsBesideThem)
{
    previewer.setBounds (0, 100, 1024, 708);
    previewer.readXmlReport (write ("layout", { {}, true, true }));

    EXPECT_EQ (child<juce::Component> ("graph").getBounds(), juce::Rectangle<int> (20, 307, 1000, 370));
    EXPECT_EQ (child<juce::Component> ("fileTree").getBounds(), juce::Rectangle<int> (12, 25, 230, 270));
    EXPECT_EQ (child<juce::Component> ("apply").getBounds(), juce::Rectangle<int> (847, 27, 82, 30));
    EXPECT_EQ (child<juce::Component> ("seriesToggle").getBounds(), juce::Rectangle<int> (757, 288, 41, 16));

    const auto unit = child<juce::Component> ("integratedUnit").getBounds();
    const auto value = child<juce::Component> ("integratedValue").getBounds();
    EXPECT_EQ (value.getRight(), unit.getX()) << "the value stands just left of its unit";
    EXPECT_EQ (value.getY(), unit.getY());
    EXPECT_GT (value.getWidth(), 20);
    EXPECT_EQ (child<juce::Component> ("firstDurationCaption").getRight(), 682);

    const auto image = testsupport::renderToImage (previewer);
    testsupport::writePng (image, juce::File (NOLV_ARTIFACT_DIR).getChildFile ("report-previewer.png"));
    EXPECT_EQ (image.getPixelAt (5, 5), juce::Colours::black);
}

TEST (ReportPreviewerLifetime, GoesWhileItsFolderIsStillBeingScanned)
{
    testsupport::ScopedTemporaryFolder temp;

    for (int i = 0; i < 2000; ++i)
        temp.getChildFile ("r" + juce::String (i) + ".xml").create();

    for (int round = 0; round < 5; ++round)
    {
        OVEXReport previewer (nolvFont (20.0f));
        previewer.setLogFolder (temp.getFolder().getFullPathName());
        previewer.refreshFileList();
    }

    EXPECT_EQ (temp.getFolder().getNumberOfChildFiles (juce::File::findFiles), 2000) << "the previewer writes nothing";
}
