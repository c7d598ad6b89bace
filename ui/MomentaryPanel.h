#pragma once

#include "EditorDisplayLogic.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** The panel under the loudness bars: the momentary read-out in its box and the time a
    measurement has run. Message thread only. */
class MomentaryPanel : public juce::Component
{
public:
    MomentaryPanel();

    void resized() override;

    /** The caption and the place of its small "k" that a unit choice brings. */
    void showUnit (const UnitCaptions& captions);

    juce::Label momentaryValue, momentaryCaption, momentaryK, timecode, time;

private:
    void placeK();

    juce::ImageComponent box;
    CaptionOffset momentaryKOffset { 29, 11, 20, 14 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MomentaryPanel)
};
