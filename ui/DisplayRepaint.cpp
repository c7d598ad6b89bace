#include "DisplayRepaint.h"

void repaintChangedRows (juce::Component& component, juce::Range<int> rowsBefore, juce::Range<int> rowsAfter)
{
    const auto repaintRows = [&component] (juce::Range<int> rows)
    {
        if (! rows.isEmpty())
            component.repaint (0, rows.getStart(), component.getWidth(), rows.getLength());
    };

    if (rowsBefore.isEmpty() && rowsAfter.isEmpty())
        return;

    if (! rowsBefore.intersects (rowsAfter))
    {
        repaintRows (rowsBefore);
        repaintRows (rowsAfter);
        return;
    }

    // Overlapping bands differ only between their two starts and between their two ends.
    repaintRows ({ juce::jmin (rowsBefore.getStart(), rowsAfter.getStart()),
                   juce::jmax (rowsBefore.getStart(), rowsAfter.getStart()) });
    repaintRows ({ juce::jmin (rowsBefore.getEnd(), rowsAfter.getEnd()),
                   juce::jmax (rowsBefore.getEnd(), rowsAfter.getEnd()) });
}

bool coversOpaquely (const juce::Image& image, juce::Rectangle<int> area)
{
    if (! image.isValid() || ! image.getBounds().contains (area))
        return false;

    if (! image.hasAlphaChannel() || area.isEmpty())
        return true;

    const juce::Image::BitmapData pixels (image, area.getX(), area.getY(), area.getWidth(), area.getHeight());

    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            if (pixels.getPixelColour (x, y).getAlpha() != 0xff)
                return false;

    return true;
}
