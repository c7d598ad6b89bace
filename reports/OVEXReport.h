#pragma once

#include "NolvLookAndFeel.h"
#include "OVEXJuceLogDrawer.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <optional>

/** The log page: lists the reports in a folder, shows the summary of the one selected and draws its
    loudness history, and lets the user choose the folder and base name of new reports. It reads
    reports and writes nothing; a folder or name the user applies leaves it as a change message,
    after which the owner reads getLogFolderText() and getLogNameText(). Message thread only; the
    folder is scanned on the previewer's own "NOLV file previewer" thread. */
class OVEXReport : public juce::Component,
                   public juce::Button::Listener,
                   public juce::FileBrowserListener,
                   public juce::Slider::Listener,
                   public juce::TextEditor::Listener,
                   public juce::SettableTooltipClient,
                   public juce::ChangeBroadcaster,
                   public juce::ChangeListener
{
public:
    /** Labels use the font at heights 15 and 17. */
    explicit OVEXReport (const juce::Font& font);
    ~OVEXReport() override;

    /** The folder reports are written to, pushed by the owner on every refresh: shown in the folder
        field (without a change message) and listed. The text it had last time changes nothing. An
        empty or relative text lists the folder the writers would use for it. */
    void setLogFolder (const juce::String& folderText);

    /** The base name of new reports, pushed by the owner: shown in the name field. */
    void setLogName (const juce::String& nameText);

    void setLimitSliderColours (juce::Colour background, juce::Colour thumb);

    /** What the user last applied with Browse, Apply or Return. */
    const juce::String& getLogFolderText() const noexcept { return logFolderText; }
    const juce::String& getLogNameText() const noexcept { return logNameText; }

    /** Scans the folder again, so that reports written since the last scan are listed. */
    void refreshFileList();

    OVEXJuceLogDrawer& getLogDrawer() noexcept { return graph; }

    /** The folder's list of reports; its scan runs as a client of the previewer's thread. */
    juce::DirectoryContentsList& getDirectoryList() noexcept { return directoryList; }

    /** Shows a report's summary, then its history: from its "DynamicMeasurements" when it holds
        them, else from its CSV log. A file that does not parse changes nothing. */
    void readXmlReport (const juce::File& report);

    /** Loads the CSV log of the last report read into the graph, or clears the graph when there is
        none, so that no report is ever shown with another's history. */
    void readCsvCompanion();

    /** Takes the folder and name fields as the applied texts and announces them. */
    void applyFieldTexts();

    //==============================================================================
    void paint (juce::Graphics&) override;
    void resized() override;
    void buttonClicked (juce::Button*) override;
    void selectionChanged() override;
    void fileClicked (const juce::File&, const juce::MouseEvent&) override {}
    void fileDoubleClicked (const juce::File&) override {}
    void browserRootChanged (const juce::File&) override {}
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    void sliderValueChanged (juce::Slider*) override;
    void textEditorReturnKeyPressed (juce::TextEditor&) override;

private:
    void addLabel (juce::Label& label, const char* id, const juce::String& text, float fontHeight = 15.0f);
    void attachLabel (juce::Label& label, const char* id, const juce::String& text, juce::Label& owner);
    void browseForFolder();
    void showActiveCaption (juce::Label& active, juce::Label& inactive);

    // First, so that it outlives the slider and the tooltip window it is attached to.
    NolvLookAndFeel lookAndFeel;
    const juce::Font font;
    juce::TooltipWindow tooltipWindow { this, 500 };

    juce::Label title;
    juce::Label programLoudnessCaption, integratedValue, integratedUnit, firstDurationCaption, firstDuration;
    juce::Label loudnessRangeCaption, rangeValue, rangeUnit, secondDurationCaption, secondDuration;
    juce::Label maxShortTermCaption, maxShortTermValue, maxShortTermUnit, maxShortTermPositionCaption, maxShortTermPosition;
    juce::Label maxMomentaryCaption, maxMomentaryValue, maxMomentaryUnit, maxMomentaryPositionCaption, maxMomentaryPosition;
    juce::Label maxTruePeakCaption, maxTruePeakValue, maxTruePeakUnit, maxTruePeakPositionCaption, maxTruePeakPosition;
    juce::Label startCaption, start, endCaption, end;

    juce::Label limitCaption;
    juce::Slider limitSlider;
    juce::Label limitUnit;

    juce::Label highResolutionCaption, lowResolutionCaption;
    std::unique_ptr<juce::DrawableButton> resolutionToggle;

    // The filter is declared before the list and the thread: the scan calls it until both are gone.
    // The thread is declared before the list and the tree, so it stops after them.
    juce::WildcardFileFilter fileFilter { "*.xml", juce::String(), "QIT reports" };
    juce::TimeSliceThread scanThread { "NOLV file previewer" };
    juce::DirectoryContentsList directoryList { &fileFilter, scanThread };
    juce::FileTreeComponent fileTree { directoryList };

    OVEXJuceLogDrawer graph;
    juce::File reportFile;

    juce::TextEditor folderField;
    std::unique_ptr<juce::FileChooser> folderChooser;
    std::unique_ptr<juce::DrawableButton> browseButton, applyButton;
    juce::TextEditor nameField;

    juce::String logFolderText, logNameText;
    std::optional<juce::String> currentLogFolder; // none until the owner first pushes one, even ""
    juce::String currentLogName;

    juce::Label shortTermCaption, momentaryCaption;
    std::unique_ptr<juce::DrawableButton> seriesToggle;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OVEXReport)
};
