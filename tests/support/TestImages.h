#pragma once

#include <juce_graphics/juce_graphics.h>

namespace testsupport
{
/** An image of one colour, so a test can tell which image a rendered pixel came from. */
juce::Image solidImage (int width, int height, juce::Colour colour);
} // namespace testsupport
