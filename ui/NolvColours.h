#pragma once

#include <juce_graphics/juce_graphics.h>

/** The interface palette: every colour a component, the look-and-feel or the image generator
    paints with, named by its role. */
namespace nolvColours
{
inline const juce::Colour background { 0xff000000 };
inline const juce::Colour text { 0xffffffff };

// Level states: within limits, over them, near them.
inline const juce::Colour green { 0xff81ca2f };
inline const juce::Colour red { 0xffd70014 };
inline const juce::Colour yellow { 0xffffff00 };
inline const juce::Colour blue { 0xff3a93dd };

// The correlation meter's red zone and the graph's limit line are a pure red.
inline const juce::Colour pureRed { 0xffff0000 };

// Widgets.
inline const juce::Colour fieldBackground { 0xffd8d8d8 };
inline const juce::Colour frame { 0xff979797 };
inline const juce::Colour control { 0xff3e454d };
inline const juce::Colour sliderBar { 0xff16a085 };
inline const juce::Colour comboArrow { 0xff1abc9c };
inline const juce::Colour inactiveCaption { 0xff555555 };

// Sound field and graph.
inline const juce::Colour whiteSmoke { 0xfff5f5f5 };
inline const juce::Colour soundFieldPolygon { 0xff008000 };
inline const juce::Colour lightGrey { 0xffd3d3d3 };
inline const juce::Colour shortTermCurve { 0xff5ad5fd };
inline const juce::Colour momentaryCurve { 0xff90ee90 };

// Drawn only into the generated images.
inline const juce::Colour controlHover { 0xff4f5862 };
inline const juce::Colour controlDisabled { 0xff2a2a2a };
inline const juce::Colour barBackground { 0xff1e1e1e };
inline const juce::Colour ledOff { 0xff4d0a10 };
} // namespace nolvColours
