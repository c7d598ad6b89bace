#include "LoudnessColumn.h"

#include "DisplayRepaint.h"
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
      arrow (nolvImage (NolvImageId::arrowScale), nolvImage (NolvImageId::arrow)),
      arrowScale (nolvImage (NolvImageId::arrowScale))
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
    handArrowItsBackground();
}

void LoudnessColumn::showScale (const juce::Image& scale)
{
    if (scaleHolder.getImage() == scale)
        return;

    scaleHolder.setImage (scale, juce::RectanglePlacement::stretchToFit);
    handArrowItsBackground();
}

void LoudnessColumn::handArrowItsBackground()
{
    // The arrow's own scale stops four rows short of its bottom, where the column's scale shows.
    // Handed both as the screen shows them, the arrow draws its whole area and the scale holder
    // is not drawn again under each move; a scale with see-through pixels keeps the plain one.
    const auto bounds = arrow.getBounds();
    juce::Image whole (juce::Image::ARGB, juce::jmax (1, bounds.getWidth()), juce::jmax (1, bounds.getHeight()), true);
    {
        juce::Graphics g (whole);
        {
            const juce::Graphics::ScopedSaveState state (g);
            g.setOrigin (scaleHolder.getPosition() - bounds.getPosition());
            scaleHolder.paintEntireComponent (g, false);
        }
        g.drawImageAt (arrowScale, 0, 0);
    }

    arrow.setBackground (coversOpaquely (whole, whole.getBounds()) ? whole : arrowScale);
}
