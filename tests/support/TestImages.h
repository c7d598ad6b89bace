#pragma once

#include <juce_graphics/juce_graphics.h>

namespace testsupport
{
/** An image of one colour, so a test can tell which image a rendered pixel came from. */
inline juce::Image solidImage (int width, int height, juce::Colour colour)
{
    juce::Image image (juce::Image::ARGB, width, height, false);
    image.clear (image.getBounds(), colour);
    return image;
}
} // namespace testsupport
