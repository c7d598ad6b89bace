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
