#pragma once

#include "NolvWidgets.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The settings page: standard, scale, unit and reference level, gating, the four limits and
    hold times, the about lines and the remote server's connection controls. The editor listens
    to every control. Message thread only. */
class SettingsPage : public juce::Component
{
public:
    explicit SettingsPage (juce::LookAndFeel& widgetLook);
    ~SettingsPage() override;

    void resized() override;
    void visibilityChanged() override;

    /** The absolute-unit button reads LKFS for ATSC and ARIB and LUFS for EBU; the faces are
        decoded once and only swapped. */
    void showAbsoluteUnitAs (bool lkfs);

    static constexpr int standardRadioGroup = 65233, scaleRadioGroup = 65232, unitRadioGroup = 65231,
                         referenceRadioGroup = 65230;

    std::unique_ptr<juce::DrawableButton> ebu, atsc, arib, plus9, plus18, absoluteUnit, relativeUnit, ref18, ref20,
        gating, startStop, save;
    juce::Slider truePeakMax, shortTermMax, peakHold, overloadHold;
    juce::Label modeCaption, scaleCaption, unitsCaption, referenceCaption, gatingCaption, truePeakMaxCaption,
        shortTermMaxCaption, peakHoldCaption, overloadHoldCaption, productName, version;
    juce::Label connectionCaption, ipCaption, ownAddress, portCaption, passwordCaption;
    juce::TextEditor portField, passwordField;

private:
    std::unique_ptr<juce::TooltipWindow> tooltips; // while the page shows
    juce::LookAndFeel& tooltipLook;
    const ButtonFaces lufsFaces, lkfsFaces;
    bool showsLkfs = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsPage)
};
