#pragma once

#include "NolvImages.h"

#include <juce_graphics/juce_graphics.h>

/** The embedded images and label font. Images come through JUCE's image cache, so each is decoded
    once and shared by every user; the typeface is made once. Message thread only. */
juce::Image nolvImage (NolvImageId id);

juce::Typeface::Ptr nolvTypeface();

/** The label font at the given height. */
juce::Font nolvFont (float height);
