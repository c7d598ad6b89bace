#include "MomentaryPanel.h"

#include "NolvResources.h"
#include "NolvWidgets.h"

namespace
{
namespace layout
{
const juce::Rectangle<int> box { 42, 16, 101, 61 };
// Inside the box.
const juce::Rectangle<int> value { 0, 6, 101, 24 };
const juce::Rectangle<int> caption { 0, 36, 101, 24 };

const juce::Rectangle<int> timecode { 177, 13, 145, 23 };
const juce::Rectangle<int> time { 177, 50, 145, 25 };
} // namespace layout
} // namespace

MomentaryPanel::MomentaryPanel()
{
    box.setImage (nolvImage (NolvImageId::momentaryBox), juce::RectanglePlacement::stretchToFit);

    styleLabel (momentaryValue, nolvFont (19.0f), juce::Justification::centred);
    momentaryValue.setText ("-", juce::dontSendNotification);
    momentaryValue.setComponentID ("momentaryValue");

    styleLabel (momentaryCaption, nolvFont (20.0f), juce::Justification::centred);
    momentaryCaption.setText ("ML    LU", juce::dontSendNotification);

    styleLabel (momentaryK, nolvFont (14.0f), juce::Justification::centredLeft);
    momentaryK.setText ("k", juce::dontSendNotification);

    styleLabel (timecode, nolvFont (23.0f), juce::Justification::centredLeft);
    timecode.setText ("00:00:00:00", juce::dontSendNotification);
    timecode.setComponentID ("timecode");

    styleLabel (time, nolvFont (25.0f), juce::Justification::centredLeft);
    time.setText ("Time", juce::dontSendNotification);

    for (auto* child : std::initializer_list<juce::Component*> { &box, &momentaryValue, &momentaryCaption, &momentaryK, &timecode, &time })
        addAndMakeVisible (child);
}

void MomentaryPanel::resized()
{
    const auto origin = layout::box.getPosition();

    box.setBounds (layout::box);
    momentaryValue.setBounds (layout::value + origin);
    momentaryCaption.setBounds (layout::caption + origin);
    timecode.setBounds (layout::timecode);
    time.setBounds (layout::time);
    placeK();
}

void MomentaryPanel::showUnit (const UnitCaptions& captions)
{
    momentaryCaption.setText (captions.momentary, juce::dontSendNotification);
    momentaryKOffset = captions.momentaryK;
    placeK();
}

void MomentaryPanel::placeK()
{
    const auto c = momentaryCaption.getBounds();
    momentaryK.setBounds (c.getX() + momentaryKOffset.x, c.getY() + momentaryKOffset.y, momentaryKOffset.width, momentaryKOffset.height);
}
