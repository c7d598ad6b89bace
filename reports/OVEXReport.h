#pragma once

#include "NolvLookAndFeel.h"
#include "OVEXJuceLogDrawer.h"
#include "ReportFolderList.h"
#include "ReportLoader.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <optional>

/** The log page: lists the reports in a folder, shows the summary of the one selected and draws its
    loudness history, and lets the user choose the folder and base name of new reports. It reads
    reports and writes nothing; a folder or name the user applies leaves it as a change message,
    after which the owner reads getLogFolderText() and getLogNameText(). Message thread only; the
    folder is listed and reports are read on threads of their own, so no file holds the window. */
class OVEXReport : public juce::Component,
                   public juce::Button::Listener,
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

    /** Lists the folder again if another program changed it since it was last listed. */
    void refreshFileList();

    /** Tells the page of a report the program wrote or wrote again, which is listed without
        listing the folder again. */
    void reportWritten (const juce::File& report);

    OVEXJuceLogDrawer& getLogDrawer() noexcept { return graph; }
    ReportFolderList& getFolderList() noexcept { return folderList; }
    ReportLoader& getLoader() noexcept { return loader; }

    /** Reads a report on the loader's thread, as selecting its row does. Once read, its summary
        and its history (from its "DynamicMeasurements" when it holds them, else from its CSV log)
        are shown; a report that cannot be read clears them and says why in the title. */
    void readXmlReport (const juce::File& report);

    /** Takes the folder and name fields as the applied texts and announces them. */
    void applyFieldTexts();

    //==============================================================================
    void paint (juce::Graphics&) override;
    void resized() override;
    void visibilityChanged() override;
    void buttonClicked (juce::Button*) override;
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    void sliderValueChanged (juce::Slider*) override;
    void textEditorReturnKeyPressed (juce::TextEditor&) override;

private:
    void addLabel (juce::Label& label, const char* id, const juce::String& text, float fontHeight = 15.0f);

    void browseForFolder();
    static juce::String whyFolderCannotBeWritten (const juce::File& folder);
    void showActiveCaption (juce::Label& active, juce::Label& inactive);
    void showReading (ReportReading& reading);

    // First, so that it outlives the slider and the tooltip window it is attached to.
    NolvLookAndFeel lookAndFeel;
    const juce::Font font;
    std::unique_ptr<juce::TooltipWindow> tooltipWindow; // while the page shows

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

    ReportFolderList folderList;
    OVEXJuceLogDrawer graph;

    juce::TextEditor folderField;
    std::unique_ptr<juce::FileChooser> folderChooser;
    std::unique_ptr<juce::DrawableButton> browseButton, applyButton;
    juce::TextEditor nameField;

    juce::String logFolderText, logNameText;
    std::optional<juce::String> currentLogFolder; // none until the owner first pushes one, even ""
    juce::String currentLogName;

    juce::Label shortTermCaption, momentaryCaption;
    std::unique_ptr<juce::DrawableButton> seriesToggle;

    // Last, so that its thread stops before the labels and the graph it reports to go.
    ReportLoader loader { [this] (ReportReading& reading) { showReading (reading); } };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OVEXReport)
};
