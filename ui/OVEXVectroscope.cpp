#include "OVEXVectroscope.h"

#include "EditorRefreshControl.h"
#include "VectorscopeSource.h"

#include <cmath>

namespace
{
// Upper-left, upper-right, lower-left and lower-right ends of the axes, as angles from the x axis.
constexpr std::array<float, 4> axisAngles { 2.3561945f, 0.78539819f, 3.9269910f, 5.4977875f };
enum AxisEnd
{
    upperLeft,
    upperRight,
    lowerLeft,
    lowerRight
};

float clampSample (float sample)
{
    return std::isfinite (sample) ? juce::jlimit (-1.0f, 1.0f, sample) : 0.0f;
}
} // namespace

juce::Point<float> vectorscopePoint (float right, float left, float radius, juce::Point<float> centre)
{
    static const auto rotation = juce::AffineTransform::rotation (axisAngles[upperRight]);

    float x = clampSample (right) * radius;
    float y = clampSample (left) * radius;
    rotation.transformPoint (x, y);
    return { centre.x + x, centre.y - y };
}

OVEXVectroscope::OVEXVectroscope (VectorscopeSource* sourceToRead, juce::Colour trace, juce::Colour frame,
                                  juce::Colour background, bool useOwnTimer)
    : backgroundColour (background), frameColour (frame), traceColour (trace), source (sourceToRead)
{
    float alpha = 1.0f;

    for (auto& colour : fadeColours)
    {
        colour = traceColour.withAlpha (alpha);
        alpha -= 1.0f / (float) maxFrames;
    }

    if (useOwnTimer)
        startTimer (timerIntervalMs);
}

void OVEXVectroscope::setLeftChannel (const juce::String& roleName)
{
    if (source != nullptr)
        source->setLeftChannel (roleName);

    leftLabel = roleName;
    renderBackground();
}

void OVEXVectroscope::setRightChannel (const juce::String& roleName)
{
    if (source != nullptr)
        source->setRightChannel (roleName);

    rightLabel = roleName;
    renderBackground();
}

void OVEXVectroscope::setActive (bool shouldBeActive)
{
    if (active.exchange (shouldBeActive) == shouldBeActive)
        return;

    // Frames left from before the switch, or built by a slice that was running during it, would
    // show an old picture once the scope is shown again.
    const juce::ScopedLock lock (framesLock);
    frames.clear();
}

int OVEXVectroscope::useTimeSlice()
{
    if (! active.load())
        return inactiveWaitMs;

    if (source == nullptr)
        return editorRefreshIntervalMs;

    Geometry now;
    {
        const juce::ScopedLock lock (framesLock);
        now = geometry;
    }

    for (int built = 0; built < maxFramesPerSlice && source->getNumReady() >= samplesPerFrame; ++built)
    {
        source->pullStereo (pullBuffer, samplesPerFrame);
        const float* right = pullBuffer.getReadPointer (0);
        const float* left = pullBuffer.getReadPointer (1);

        juce::Array<juce::Point<float>> frame;
        frame.ensureStorageAllocated (samplesPerFrame);

        for (int i = 0; i < samplesPerFrame; ++i)
            frame.add (vectorscopePoint (right[i], left[i], now.radius, now.centre));

        const juce::ScopedLock lock (framesLock);

        while ((int) frames.size() >= maxFrames)
            frames.pop_back();

        frames.push_front (std::move (frame));
    }

    return source->getNumReady() >= samplesPerFrame ? 0 : editorRefreshIntervalMs;
}

int OVEXVectroscope::getFrameCount() const
{
    const juce::ScopedLock lock (framesLock);
    return (int) frames.size();
}

juce::Array<juce::Point<float>> OVEXVectroscope::getFrame (int index) const
{
    const juce::ScopedLock lock (framesLock);
    return juce::isPositiveAndBelow (index, (int) frames.size()) ? frames[(size_t) index]
                                                                  : juce::Array<juce::Point<float>>();
}

void OVEXVectroscope::resized()
{
    updateGeometry();
    renderBackground();
}

void OVEXVectroscope::updateGeometry()
{
    width = getWidth();
    height = getHeight();

    Geometry updated;
    updated.radius = (float) juce::jmin (width, height) * 0.5f;
    updated.centre = { (float) width * 0.5f, (float) height * 0.5f };

    for (size_t a = 0; a < axisAngles.size(); ++a)
    {
        const double angle = axisAngles[a];
        axisEnds[a] = { (float) (updated.centre.x + updated.radius * std::cos (angle)),
                        (float) (updated.centre.y - updated.radius * std::sin (angle)) };
    }

    const juce::ScopedLock lock (framesLock);
    geometry = updated;
}

void OVEXVectroscope::renderBackground()
{
    if (width == 0 || height == 0)
    {
        backgroundImage = {};
        return;
    }

    backgroundImage = juce::Image (juce::Image::RGB, width, height, true);
    juce::Graphics g (backgroundImage);
    g.fillAll (backgroundColour);

    g.setColour (frameColour);
    g.drawRect (0, 0, width, height, 1);
    g.drawLine ({ axisEnds[upperLeft], axisEnds[lowerRight] });
    g.drawLine ({ axisEnds[upperRight], axisEnds[lowerLeft] });

    const float captionY = axisEnds[upperLeft].y - 20.0f;
    g.drawText (rightLabel, juce::Rectangle<float> (axisEnds[upperRight].x, captionY, 20.0f, 20.0f),
                juce::Justification::centred, true);
    g.drawText (leftLabel, juce::Rectangle<float> (axisEnds[upperLeft].x - 20.0f, captionY, 20.0f, 20.0f),
                juce::Justification::centred, true);

    repaint();
}

void OVEXVectroscope::paint (juce::Graphics& g)
{
    if (backgroundImage.isValid())
        g.drawImageAt (backgroundImage, 0, 0);

    // Older, fainter frames are drawn after, and so over, newer ones.
    const juce::ScopedLock lock (framesLock);
    size_t age = 0;

    for (const auto& frame : frames)
    {
        g.setColour (fadeColours[age++]);

        for (const auto& point : frame)
            g.fillRect ((int) point.x, (int) point.y, 1, 1);
    }
}
