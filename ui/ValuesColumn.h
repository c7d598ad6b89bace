#pragma once

#include "EditorDisplayLogic.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The column of read-outs beside the loudness bars: the global alarm LED and four boxes with
    the standard, the integrated and short-term loudness and the loudness range, each under its
    caption. Message thread only. */
class ValuesColumn : public juce::Component
{
public:
    ValuesColumn();

    void resized() override;

    /** The captions and the places of their small "k" that a unit choice brings. */
    void showUnit (const UnitCaptions& captions);

    juce::Label peak, standardLabel, mode, integratedValue, integratedCaption, integratedK, shortTermValue,
        shortTermCaption, shortTermK, rangeValue, rangeCaption;
    std::unique_ptr<juce::DrawableButton> globalLed;

private:
    juce::ImageComponent boxes[4];
    CaptionOffset integratedKOffset { 19, 10, 0, 16 }, shortTermKOffset { 21, 5, 0, 24 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ValuesColumn)
};
