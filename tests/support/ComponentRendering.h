#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace testsupport
{
/** The component and its children as they paint, at one image pixel per component pixel. No
    window or display is needed. */
juce::Image renderToImage (juce::Component& component);

/** Writes the image as a PNG for a reader to open; the file is replaced. Returns whether it was. */
bool writePng (const juce::Image& image, const juce::File& file);

/** True when the two colours differ by at most the tolerance in each channel. */
bool coloursMatch (juce::Colour a, juce::Colour b, int tolerance = 2);

/** How many pixels of the area match the colour within the tolerance. */
int countMatching (const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour, int tolerance = 2);
} // namespace testsupport
