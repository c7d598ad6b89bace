#pragma once

// The display components as the editor sets them up, with synthetic images, for the display tests.

#include "NolvColours.h"
#include "OVEXCorrelationMeter.h"
#include "OVEXDrawVectorscope.h"
#include "OVEXJuceVU.h"
#include "OVEXVectroscope.h"
#include "TestImages.h"

namespace displaytest
{
inline const juce::Colour barBackground { 0xff202020 };

// A true-peak bar: green below the half, red above, a peak held for 1000 ms.
inline OVEXJuceVU makeTruePeakBar (int intervalMs = 50)
{
    return OVEXJuceVU (testsupport::solidImage (20, 480, barBackground), nolvColours::green, nolvColours::red, true,
                       1000, intervalMs, 0.5f);
}

inline OVEXCorrelationMeter makeCorrelationMeter (int width)
{
    return OVEXCorrelationMeter (width, 37, nolvColours::background, nolvColours::pureRed, nolvColours::green,
                                 nolvColours::yellow, nolvColours::frame, juce::Font (9.0f), "L", "R");
}

inline OVEXDrawVectorscope makeSoundField()
{
    return OVEXDrawVectorscope (283, nolvColours::background, nolvColours::whiteSmoke, nolvColours::green,
                                nolvColours::red, nolvColours::blue, juce::Font (9.0f));
}

inline void setSoundFieldLevels (OVEXDrawVectorscope& field, float all, float lfe)
{
    for (auto set : { &OVEXDrawVectorscope::setLeftLevel, &OVEXDrawVectorscope::setRightLevel,
                      &OVEXDrawVectorscope::setCentreLevel, &OVEXDrawVectorscope::setLeftSurroundLevel,
                      &OVEXDrawVectorscope::setRightSurroundLevel })
        (field.*set) (all);

    field.setLfeLevel (lfe);
}

inline OVEXVectroscope makeScope (VectorscopeSource& source)
{
    return OVEXVectroscope (&source, nolvColours::green, nolvColours::text, nolvColours::background, false);
}
} // namespace displaytest
