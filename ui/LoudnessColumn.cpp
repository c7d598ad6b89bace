#include "LoudnessColumn.h"

#include "NolvResources.h"

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

// The momentary bar shows the processor's fraction as it is: no smoothing, no peak hold.
LoudnessColumn::LoudnessColumn()
    : momentaryBar (nolvImage (NolvImageId::momentaryBarBackground), nolvImage (NolvImageId::momentaryBarForeground), false, 0, 50),
      rangeBar (nolvImage (NolvImageId::rangeBarBackground), nolvImage (NolvImageId::rangeBarForeground)),
      arrow (nolvImage (NolvImageId::arrowScale), nolvImage (NolvImageId::arrow))
{
    for (auto* child : std::initializer_list<juce::Component*> { &scaleHolder, &momentaryBar, &rangeBar, &arrow })
        addAndMakeVisible (child);
}

void LoudnessColumn::resized()
{
    scaleHolder.setBounds (layout::scale);
    momentaryBar.setBounds (layout::momentaryBar);
    rangeBar.setBounds (layout::rangeBar);
    arrow.setBounds (layout::arrow);
}

void LoudnessColumn::showScale (const juce::Image& scale)
{
    if (scaleHolder.getImage() != scale)
        scaleHolder.setImage (scale, juce::RectanglePlacement::stretchToFit);
}
