#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** For meters that show a band of rows of a fixed image at its own place: repaints, across the
    component's width, only the rows whose shown state differs between the two bands. Nothing is
    repainted when both bands cover the same pixels. Message thread only. */
void repaintChangedRows (juce::Component& component, juce::Range<int> rowsBefore, juce::Range<int> rowsAfter);

/** Whether the image, drawn at the origin, covers the area with opaque pixels only. A meter whose
    background does so over its bounds marks itself opaque: then nothing behind it is drawn again
    when it moves, and no pixel changes. */
bool coversOpaquely (const juce::Image& image, juce::Rectangle<int> area);
