#include "LoudnessColumn.h"

namespace
{
namespace layout
{
const juce::Rectangle<int> scale { 6, 5, 180, 493 };
// The momentary bar starts two pixels above the other two.
const juce::Rectangle<int> momentaryBar { 67, 10, 34, 483 };
const juce::Rectangle<int> rangeBar { 137, 12, 22, 483 };
const juce::Rectangle<int> arrow { 161, 12, 24, 483 };
} // namespace layout
} // namespace

LoudnessColumn::LoudnessColumn()
{
    addAndMakeVisible (scaleHolder);
}

void LoudnessColumn::resized()
{
    scaleHolder.setBounds (layout::scale);
}

void LoudnessColumn::showScale (const juce::Image& scale)
{
    if (scaleHolder.getImage() != scale)
        scaleHolder.setImage (scale, juce::RectanglePlacement::stretchToFit);
}
