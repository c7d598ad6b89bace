#include "OVEXReport.h"

#include "DefaultLogLocations.h"
#include "NolvColours.h"
#include "NolvResources.h"
#include "NolvWidgets.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace
{
/** Where each child of the page stands, by component ID; the value and duration labels that are
    attached to another label are placed by it. */
struct Placement
{
    const char* id;
    int x, y, width, height;
};

constexpr Placement pageLayout[] = {
    { "reportList", 12, 25, 230, 270 },
    { "folderField", 270, 27, 221, 30 },
    { "browse", 491, 27, 82, 30 },
    { "nameField", 626, 27, 221, 30 },
    { "apply", 847, 27, 82, 30 },
    { "title", 265, 70, 500, 20 },
    { "programLoudnessCaption", 265, 100, 130, 20 },
    { "integratedUnit", 538, 100, 130, 20 },
    { "firstDuration", 682, 100, 130, 20 },
    { "loudnessRangeCaption", 265, 125, 130, 20 },
    { "rangeUnit", 538, 125, 130, 20 },
    { "secondDuration", 682, 125, 130, 20 },
    { "maxShortTermCaption", 265, 150, 180, 20 },
    { "maxShortTermUnit", 538, 150, 130, 20 },
    { "maxShortTermPositionCaption", 622, 150, 180, 20 },
    { "maxShortTermPosition", 682, 150, 180, 20 },
    { "maxMomentaryCaption", 265, 175, 180, 20 },
    { "maxMomentaryUnit", 538, 175, 130, 20 },
    { "maxMomentaryPositionCaption", 622, 175, 180, 20 },
    { "maxMomentaryPosition", 682, 175, 180, 20 },
    { "maxTruePeakCaption", 265, 200, 180, 20 },
    { "maxTruePeakUnit", 538, 200, 130, 20 },
    { "maxTruePeakPositionCaption", 622, 200, 180, 20 },
    { "maxTruePeakPosition", 682, 200, 180, 20 },
    { "limitCaption", 622, 235, 180, 20 },
    { "limitSlider", 785, 235, 100, 20 },
    { "limitUnit", 885, 235, 180, 20 },
    { "startCaption", 265, 255, 180, 20 },
    { "start", 332, 255, 180, 20 },
    { "endCaption", 265, 280, 180, 20 },
    { "end", 332, 280, 180, 20 },
    { "highResolutionCaption", 622, 263, 180, 15 },
    { "resolutionToggle", 757, 264, 41, 16 },
    { "lowResolutionCaption", 800, 263, 180, 15 },
    { "shortTermCaption", 622, 288, 180, 15 },
    { "seriesToggle", 757, 288, 41, 16 },
    { "momentaryCaption", 800, 288, 180, 15 },
    { "graph", 20, 307, 1000, 370 },
};

constexpr int graphWidth = 1000, graphHeight = 370;
constexpr float graphLimit = -10.0f;

std::unique_ptr<juce::DrawableButton> makeFaceButton (NolvImageId normal, NolvImageId pressed, bool isToggle)
{
    ButtonFaces faces;
    faces.normal = nolvImage (normal);

    if (isToggle)
        faces.normalOn = nolvImage (pressed);
    else
        faces.down = nolvImage (pressed);

    return makeImageButton (faces, isToggle);
}
} // namespace

OVEXReport::OVEXReport (const juce::Font& labelFont)
    : font (labelFont),
      graph (graphWidth, graphHeight, juce::Colours::black, juce::Colours::white, nolvColours::shortTermCurve,
             nolvColours::momentaryCurve, nolvColours::pureRed, juce::Colours::white, true, graphLimit)
{
    // Tooltips are drawn by the look-and-feel from its own colour table.
    lookAndFeel.setColour (juce::TooltipWindow::backgroundColourId, juce::Colours::black);
    lookAndFeel.setColour (juce::TooltipWindow::outlineColourId, juce::Colours::black);
    lookAndFeel.setColour (juce::TooltipWindow::textColourId, juce::Colours::white);

    // The summary's labels, by component ID; a value or duration caption sits to the left of the
    // label it is attached to.
    using Field = juce::Label OVEXReport::*;
    const struct { Field label; const char* id; const char* text; Field attachedTo; } summaryLabels[] = {
        { &OVEXReport::programLoudnessCaption, "programLoudnessCaption", "Program Loudness:", nullptr },
        { &OVEXReport::integratedUnit, "integratedUnit", "", nullptr },
        { &OVEXReport::integratedValue, "integratedValue", "", &OVEXReport::integratedUnit },
        { &OVEXReport::firstDuration, "firstDuration", "", nullptr },
        { &OVEXReport::firstDurationCaption, "firstDurationCaption", "Duration:", &OVEXReport::firstDuration },
        { &OVEXReport::loudnessRangeCaption, "loudnessRangeCaption", "Loudness Range:", nullptr },
        { &OVEXReport::rangeUnit, "rangeUnit", "", nullptr },
        { &OVEXReport::rangeValue, "rangeValue", "", &OVEXReport::rangeUnit },
        { &OVEXReport::secondDuration, "secondDuration", "", nullptr },
        { &OVEXReport::secondDurationCaption, "secondDurationCaption", "Duration:", &OVEXReport::secondDuration },
        { &OVEXReport::maxShortTermCaption, "maxShortTermCaption", "Max. Short Term Loudness:", nullptr },
        { &OVEXReport::maxShortTermUnit, "maxShortTermUnit", "", nullptr },
        { &OVEXReport::maxShortTermValue, "maxShortTermValue", "", &OVEXReport::maxShortTermUnit },
        { &OVEXReport::maxShortTermPositionCaption, "maxShortTermPositionCaption", "Position:", nullptr },
        { &OVEXReport::maxShortTermPosition, "maxShortTermPosition", "", nullptr },
        { &OVEXReport::maxMomentaryCaption, "maxMomentaryCaption", "Max. Momentary Loudness:", nullptr },
        { &OVEXReport::maxMomentaryUnit, "maxMomentaryUnit", "", nullptr },
        { &OVEXReport::maxMomentaryValue, "maxMomentaryValue", "", &OVEXReport::maxMomentaryUnit },
        { &OVEXReport::maxMomentaryPositionCaption, "maxMomentaryPositionCaption", "Position:", nullptr },
        { &OVEXReport::maxMomentaryPosition, "maxMomentaryPosition", "", nullptr },
        { &OVEXReport::maxTruePeakCaption, "maxTruePeakCaption", "Max. True Peak:", nullptr },
        { &OVEXReport::maxTruePeakUnit, "maxTruePeakUnit", "", nullptr },
        { &OVEXReport::maxTruePeakValue, "maxTruePeakValue", "", &OVEXReport::maxTruePeakUnit },
        { &OVEXReport::maxTruePeakPositionCaption, "maxTruePeakPositionCaption", "Position:", nullptr },
        { &OVEXReport::maxTruePeakPosition, "maxTruePeakPosition", "", nullptr },
        { &OVEXReport::startCaption, "startCaption", "Start Time:", nullptr },
        { &OVEXReport::start, "start", "", nullptr },
        { &OVEXReport::endCaption, "endCaption", "End Time:", nullptr },
        { &OVEXReport::end, "end", "", nullptr },
    };

    addLabel (title, "title", {}, 17.0f);

    for (const auto& entry : summaryLabels)
    {
        addLabel (this->*entry.label, entry.id, entry.text);

        if (entry.attachedTo != nullptr)
            (this->*entry.label).attachToComponent (&(this->*entry.attachedTo), true);
    }

    addLabel (limitCaption, "limitCaption", "Short Term Limit:");
    styleBarSlider (limitSlider, lookAndFeel, true);
    limitSlider.setRange (-30.0, -10.0, 1.0);
    limitSlider.setValue (graphLimit, juce::dontSendNotification);
    limitSlider.setColour (juce::Slider::backgroundColourId, nolvColours::lightGrey);
    limitSlider.setColour (juce::Slider::thumbColourId, nolvColours::blue);
    limitSlider.setColour (juce::Slider::trackColourId, juce::Colours::white);
    limitSlider.setComponentID ("limitSlider");
    limitSlider.addListener (this);
    addAndMakeVisible (limitSlider);
    addLabel (limitUnit, "limitUnit", {});

    addLabel (highResolutionCaption, "highResolutionCaption", "High Resolution");
    addLabel (lowResolutionCaption, "lowResolutionCaption", "Low Resolution");
    resolutionToggle = makeFaceButton (NolvImageId::resolutionToggleOff, NolvImageId::resolutionToggleOn, true);
    resolutionToggle->setComponentID ("resolutionToggle");
    resolutionToggle->addListener (this);
    addAndMakeVisible (*resolutionToggle);
    showActiveCaption (highResolutionCaption, lowResolutionCaption);

    // Set on the list itself: in a shared colour table they would also reach the folder chooser.
    folderList.setColour (juce::ListBox::backgroundColourId, juce::Colours::black);
    folderList.setColour (juce::DirectoryContentsDisplayComponent::textColourId, juce::Colours::white);
    folderList.setColour (juce::DirectoryContentsDisplayComponent::highlightColourId, nolvColours::frame);
    folderList.setColour (juce::DirectoryContentsDisplayComponent::highlightedTextColourId, juce::Colours::white);
    folderList.setComponentID ("reportList");
    folderList.onSelect = [this] (const juce::File& report) { readXmlReport (report); };
    addAndMakeVisible (folderList);

    graph.setComponentID ("graph");
    graph.addChangeListener (this);
    addAndMakeVisible (graph);

    styleTextField (folderField);
    folderField.setComponentID ("folderField");
    folderField.setText (juce::File::getSpecialLocation (juce::File::userDocumentsDirectory).getFullPathName(),
                         juce::dontSendNotification);
    folderField.addListener (this);
    addAndMakeVisible (folderField);

    browseButton = makeFaceButton (NolvImageId::browseNormal, NolvImageId::browsePressed, false);
    browseButton->setComponentID ("browse");
    applyButton = makeFaceButton (NolvImageId::saveOff, NolvImageId::saveHover, false);
    applyButton->setComponentID ("apply");

    for (auto* button : { browseButton.get(), applyButton.get() })
    {
        button->addListener (this);
        addAndMakeVisible (*button);
    }

    styleTextField (nameField);
    nameField.setComponentID ("nameField");
    nameField.addListener (this);
    addAndMakeVisible (nameField);

    addLabel (shortTermCaption, "shortTermCaption", "Short Term Loudness");
    addLabel (momentaryCaption, "momentaryCaption", "Momentary Loudness");
    seriesToggle = makeFaceButton (NolvImageId::seriesToggleOff, NolvImageId::seriesToggleOn, true);
    seriesToggle->setComponentID ("seriesToggle");
    seriesToggle->addListener (this);
    addAndMakeVisible (*seriesToggle);
    showActiveCaption (shortTermCaption, momentaryCaption);

    folderList.setFolder (juce::File::getSpecialLocation (juce::File::userHomeDirectory));
    setSize (864, 768);
}

OVEXReport::~OVEXReport()
{
    limitSlider.setLookAndFeel (nullptr);
    if (tooltipWindow != nullptr)
        tooltipWindow->setLookAndFeel (nullptr);
    graph.removeChangeListener (this);
}

void OVEXReport::addLabel (juce::Label& label, const char* id, const juce::String& text, float fontHeight)
{
    styleLabel (label, font.withHeight (fontHeight).withStyle (juce::Font::plain).withHorizontalScale (1.0f),
                juce::Justification::centredLeft);
    label.setText (text, juce::dontSendNotification);
    label.setComponentID (id);
    label.setInterceptsMouseClicks (false, false);
    addAndMakeVisible (label);
}

void OVEXReport::visibilityChanged()
{
    // A tooltip window only while the page shows: its timer runs as long as it lives.
    if (isVisible() && tooltipWindow == nullptr)
    {
        tooltipWindow = std::make_unique<juce::TooltipWindow> (this, 500);
        tooltipWindow->setLookAndFeel (&lookAndFeel);
    }
    else if (! isVisible() && tooltipWindow != nullptr)
    {
        tooltipWindow->setLookAndFeel (nullptr);
        tooltipWindow.reset();
    }
}

//==============================================================================
void OVEXReport::setLogFolder (const juce::String& folderText)
{
    if (currentLogFolder == folderText)
        return;

    currentLogFolder = folderText;
    folderField.setText (folderText, juce::dontSendNotification);
    folderList.setFolder (reportFolderFor (folderText));
}

void OVEXReport::setLogName (const juce::String& nameText)
{
    if (currentLogName == nameText)
        return;

    currentLogName = nameText;
    nameField.setText (nameText, juce::dontSendNotification);
}

void OVEXReport::setLimitSliderColours (juce::Colour background, juce::Colour thumb)
{
    limitSlider.setColour (juce::Slider::backgroundColourId, background);
    limitSlider.setColour (juce::Slider::thumbColourId, thumb);
}

void OVEXReport::refreshFileList()
{
    folderList.visit();
}

void OVEXReport::reportWritten (const juce::File& report)
{
    folderList.reportWritten (report);
}

void OVEXReport::applyFieldTexts()
{
    logFolderText = folderField.getText();
    logNameText = nameField.getText();

    // Said where the user looks now, not first when a report should be written there.
    if (const auto problem = whyFolderCannotBeWritten (reportFolderFor (logFolderText)); problem.isNotEmpty())
        title.setText ("Folder cannot be written: " + problem, juce::dontSendNotification);

    sendChangeMessage();
}

/** Empty when reports can be written into the folder, or into the folder the program would make
    there; otherwise the system's words for why not. */
juce::String OVEXReport::whyFolderCannotBeWritten (const juce::File& folder)
{
    auto existing = folder;

    while (! existing.exists() && existing.getParentDirectory() != existing)
        existing = existing.getParentDirectory();

    if (! existing.isDirectory())
        return juce::String (std::strerror (ENOTDIR));

    if (::access (existing.getFullPathName().toRawUTF8(), W_OK | X_OK) != 0)
        return juce::String (std::strerror (errno));

    return {};
}

//==============================================================================
void OVEXReport::readXmlReport (const juce::File& report)
{
    loader.load (report, { graph.getMomentaryHistogram().isGating(), graph.getShortTermHistogram().isGating() });
}

void OVEXReport::showReading (ReportReading& reading)
{
    using R = ReportReading;
    const std::pair<R::Text, juce::Label*> shownIn[] = {
        { R::title, &title },
        { R::start, &start },
        { R::end, &end },
        { R::duration, &firstDuration },
        { R::duration, &secondDuration },
        { R::integratedValue, &integratedValue },
        { R::integratedUnit, &integratedUnit },
        { R::integratedUnit, &limitUnit },
        { R::rangeValue, &rangeValue },
        { R::rangeUnit, &rangeUnit },
        { R::maxShortTermValue, &maxShortTermValue },
        { R::maxShortTermUnit, &maxShortTermUnit },
        { R::maxShortTermPosition, &maxShortTermPosition },
        { R::maxMomentaryValue, &maxMomentaryValue },
        { R::maxMomentaryUnit, &maxMomentaryUnit },
        { R::maxMomentaryPosition, &maxMomentaryPosition },
        { R::maxTruePeakValue, &maxTruePeakValue },
        { R::maxTruePeakUnit, &maxTruePeakUnit },
        { R::maxTruePeakPosition, &maxTruePeakPosition },
    };

    // Another report's values must never stand under this one's name.
    if (reading.refusal.isNotEmpty())
    {
        for (const auto& [text, label] : shownIn)
            label->setText ({}, juce::dontSendNotification);

        title.setText (reading.reportFile.getFileName() + ": cannot be read (" + reading.refusal + ")",
                       juce::dontSendNotification);
        graph.clearReport();
        return;
    }

    for (const auto& [text, label] : shownIn)
        if (const auto& value = reading.texts[(size_t) text])
            label->setText (*value, juce::dontSendNotification);

    if (const auto& peak = reading.texts[R::maxTruePeakValue])
        juce::Logger::writeToLog (*peak);

    graph.loadSeries (reading.series, reading.summaryOfAll);
}

void OVEXReport::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    // A message still on its way from an earlier report must not overwrite a report without points.
    if (source != &graph || graph.getHistory().getNumPoints() == 0)
        return;

    const auto& texts = graph.getRangeSummary();
    const auto show = [&texts] (juce::Label& label, int text) { label.setText (texts[text], juce::dontSendNotification); };

    show (integratedValue, LoudnessHistory::summaryIntegrated);
    show (rangeValue, LoudnessHistory::summaryRange);
    show (firstDuration, LoudnessHistory::summaryDuration);
    show (secondDuration, LoudnessHistory::summaryDuration);
    show (maxShortTermValue, LoudnessHistory::summaryMaxShortTerm);
    show (maxShortTermPosition, LoudnessHistory::summaryMaxShortTermPosition);
    show (maxMomentaryValue, LoudnessHistory::summaryMaxMomentary);
    show (maxMomentaryPosition, LoudnessHistory::summaryMaxMomentaryPosition);
    show (start, LoudnessHistory::summaryStart);
    show (end, LoudnessHistory::summaryEnd);
}

//==============================================================================
void OVEXReport::showActiveCaption (juce::Label& active, juce::Label& inactive)
{
    active.setColour (juce::Label::textColourId, juce::Colours::white);
    inactive.setColour (juce::Label::textColourId, nolvColours::inactiveCaption);
}

void OVEXReport::buttonClicked (juce::Button* button)
{
    if (button == resolutionToggle.get())
    {
        const auto lowResolution = button->getToggleState();

        if (lowResolution)
            showActiveCaption (lowResolutionCaption, highResolutionCaption);
        else
            showActiveCaption (highResolutionCaption, lowResolutionCaption);

        graph.setScaleMode (! lowResolution);
    }
    else if (button == seriesToggle.get())
    {
        const auto momentaryActive = button->getToggleState();

        if (momentaryActive)
            showActiveCaption (momentaryCaption, shortTermCaption);
        else
            showActiveCaption (shortTermCaption, momentaryCaption);

        limitCaption.setText (momentaryActive ? "Momentary Limit:" : "Short Term Limit:", juce::dontSendNotification);
        graph.setShortTermActive (! momentaryActive);
        graph.repaint();
    }
    else if (button == browseButton.get())
    {
        browseForFolder();
    }
    else if (button == applyButton.get())
    {
        applyFieldTexts();
    }
}

void OVEXReport::browseForFolder()
{
    const auto typed = reportFolderFor (folderField.getText());
    const auto startFolder = typed.isDirectory() ? typed : juce::File::getSpecialLocation (juce::File::userHomeDirectory);

    folderChooser = std::make_unique<juce::FileChooser> ("Browse", startFolder, juce::String(), true);

    // The dialog may still be open when the page goes (the program can be told to quit at any time).
    folderChooser->launchAsync (juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectDirectories,
                                [page = juce::Component::SafePointer<OVEXReport> (this)] (const juce::FileChooser& chooser)
                                {
                                    if (page == nullptr)
                                        return;

                                    const auto folder = chooser.getResult();

                                    if (folder != juce::File())
                                        page->folderField.setText (folder.getFullPathName(), juce::dontSendNotification);

                                    // Cancelled or not, the fields as they stand are applied.
                                    page->applyFieldTexts();
                                });
}

void OVEXReport::sliderValueChanged (juce::Slider* slider)
{
    if (slider == &limitSlider)
        graph.setLimit ((float) limitSlider.getValue());
}

void OVEXReport::textEditorReturnKeyPressed (juce::TextEditor&)
{
    applyFieldTexts();
}

//==============================================================================
void OVEXReport::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black);
}

void OVEXReport::resized()
{
    for (const auto& placement : pageLayout)
        if (auto* child = findChildWithID (placement.id))
            child->setBounds (placement.x, placement.y, placement.width, placement.height);
}
