#include "OVEXDrawVectorscope.h"

#include "DisplayBallistics.h"
#include "NolvColours.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr float diagonal = 0.70710678f;

// Unit directions per role, y growing downwards.
constexpr std::array<std::pair<float, float>, numChannelRoles> directions { {
    { -diagonal, -diagonal }, // L
    { diagonal, -diagonal },  // R
    { 0.0f, -1.0f },          // C
    { 0.0f, 0.0f },           // LFE
    { -diagonal, diagonal },  // LS
    { diagonal, diagonal },   // RS
} };

const std::vector<int> stereoRoles { roleL, roleR };
const std::vector<int> surroundSpokes { roleL, roleR, roleC, roleRS, roleLS };
const std::vector<int> surroundOverloads { roleL, roleR, roleC, roleLS, roleRS };

const std::array<SoundFieldScale, 9> soundFieldScales { {
    { 4, scaleRanges::truePeak, { -40, -30, -20, -10, 0 }, true },
    { 10, scaleRanges::ebu9, { -35, -28, -23, -20, -16 }, false },
    { 11, scaleRanges::atsc9, { -31, -27, -24, -21, -17 }, false },
    { 12, scaleRanges::ebu18, { -41, -29, -23, -17, -11 }, false },
    { 13, scaleRanges::atsc18, { -42, -30, -24, -18, -12 }, false },
    { 18, scaleRanges::relative9, { -7, -3, 0, 3, 7 }, false },
    { 19, scaleRanges::relative9, { -7, -3, 0, 3, 7 }, false },
    { 20, scaleRanges::relative18, { -18, -6, 0, 6, 12 }, false },
    { 21, scaleRanges::relative18, { -18, -6, 0, 6, 12 }, false },
} };
} // namespace

SoundFieldLaw SoundFieldLaw::make (std::pair<float, float> minimumAndMaximum, int lawRadius)
{
    return { BarScale::make (minimumAndMaximum), lawRadius };
}

int SoundFieldLaw::radiusOf (float levelDb) const
{
    const float v = std::isnan (levelDb) ? terms.lowLevel
                                         : juce::jlimit (terms.lowLevel, terms.highLevel, levelDb);
    const float k = terms.range;
    return (int) ((std::exp (k) * std::exp (v / k) - terms.lowExp) * (float) lawRadius
                  / (terms.highExp - terms.lowExp));
}

const SoundFieldScale* findSoundFieldScale (int mode)
{
    for (const auto& scale : soundFieldScales)
        if (scale.mode == mode)
            return &scale;

    return nullptr;
}

juce::Point<float> soundFieldPoint (int role, float radius, float centre)
{
    const auto direction = directions[(size_t) role];
    return { centre + direction.first * radius, centre + direction.second * radius };
}

std::vector<juce::Point<float>> soundFieldPolygon (const std::array<float, numChannelRoles>& radii, bool stereo,
                                                   float centre)
{
    const auto point = [&] (int role) { return soundFieldPoint (role, radii[(size_t) role], centre); };

    if (stereo)
        return { point (roleL), point (roleR), { centre, centre } };

    std::vector<juce::Point<float>> corners { point (roleL) };

    // C joins the outline only when it reaches above the mean height of L and R.
    const int heightL = std::abs ((int) (diagonal * radii[roleL]));
    const int heightR = std::abs ((int) (diagonal * radii[roleR]));
    const int meanHeight = (heightL + heightR) / 2;

    if (radii[roleC] > (float) meanHeight)
        corners.push_back (point (roleC));

    corners.insert (corners.end(), { point (roleR), point (roleRS), point (roleLS) });
    return corners;
}

OVEXDrawVectorscope::OVEXDrawVectorscope (int sizeInPixels, juce::Colour background, juce::Colour text,
                                          juce::Colour spoke, juce::Colour overload, juce::Colour lfe,
                                          juce::Font labelFont)
    : size (juce::jmax (1, sizeInPixels)), backgroundColour (background), textColour (text), spokeColour (spoke),
      overloadColour (overload), lfeColour (lfe), font (labelFont)
{
    setSize (size, size);
    updateGeometry();
    backgroundImage = juce::Image (juce::Image::RGB, size, size, true);
    renderBackground();
    createLabels();
}

void OVEXDrawVectorscope::updateGeometry()
{
    centre = (float) (size / 2);
    radius = (float) (size / 2 - 12);
    lawRadius = (int) radius;
    truePeakLaw = SoundFieldLaw::make (scaleRanges::truePeak, lawRadius);
    setScaleRange (scaleRanges::truePeak);

    // The outer circle sits one pixel lower than the rings and the polygon.
    outlinePath.clear();
    outlinePath.addEllipse (outlineCircle());
    buildRingPath();
}

juce::Rectangle<float> OVEXDrawVectorscope::outlineCircle() const
{
    return { 12.0f, (float) size - 12.0f - 2.0f * radius, 2.0f * radius, 2.0f * radius };
}

void OVEXDrawVectorscope::setScaleRange (std::pair<float, float> minimumAndMaximum)
{
    law = SoundFieldLaw::make (minimumAndMaximum, lawRadius);
}

void OVEXDrawVectorscope::buildRingPath()
{
    ringPath.clear();

    for (const int value : ringValues)
    {
        const float r = (float) law.radiusOf ((float) value);
        ringPath.addEllipse (centre - r, centre - r, 2.0f * r, 2.0f * r);
    }
}

void OVEXDrawVectorscope::setLevel (int role, float fraction)
{
    auto& level = levels[(size_t) role];
    auto& follower = followers[(size_t) role];

    if (! std::isfinite (fraction))
        return;

    // The weight sits on the input: a rise is approached by the coefficient per call, a fall shows at once.
    const float x = clampFraction (fraction);
    const float candidate = (1.0f - release.coefficient) * x + release.coefficient * follower;
    follower = candidate < level ? x : candidate;
    level = attackTime * x + (1.0f - attackTime) * follower;
}

bool OVEXDrawVectorscope::needsRepaint() const
{
    if (stereo != stereoShown)
        return true;

    // Every point drawn from a level lies on a unit direction at its radius (the LFE disc's edge
    // at the radius itself), so it moves as far as the radius does. The true-peak levels differ in
    // their last bits every tick, which moves nothing a pixel can show.
    constexpr float edgeTableStep = 1.0f / 256.0f;
    const auto r = radii();

    for (size_t i = 0; i < r.size(); ++i)
        if (std::abs (r[i] - radiiShown[i]) >= edgeTableStep)
            return true;

    // The centre joins the polygon by whole-pixel heights, which a smaller move can still cross.
    return soundFieldPolygon (r, stereo, centre).size() != cornersShown;
}

void OVEXDrawVectorscope::repaintIfChanged()
{
    if (! needsRepaint())
        return;

    // Everything that moves lies within the farthest point plus the 2-px strokes.
    const float newReach = reach();
    const float extent = juce::jmax (newReach, reachShown) + 3.0f;
    repaint (juce::Rectangle<float> (centre - extent, centre - extent, 2.0f * extent, 2.0f * extent)
                 .getSmallestIntegerContainer());

    radiiShown = radii();
    cornersShown = soundFieldPolygon (radiiShown, stereo, centre).size();
    reachShown = newReach;
    stereoShown = stereo;
}

std::array<float, numChannelRoles> OVEXDrawVectorscope::radii() const
{
    std::array<float, numChannelRoles> result;

    for (size_t i = 0; i < result.size(); ++i)
        result[i] = clampFraction (levels[i]) * (float) lawRadius;

    return result;
}

float OVEXDrawVectorscope::reach() const
{
    const auto r = radii();
    return *std::max_element (r.begin(), r.end());
}

void OVEXDrawVectorscope::setScale (int mode)
{
    const auto* scale = findSoundFieldScale (mode);

    if (scale == nullptr || mode == scaleMode)
        return;

    scaleMode = mode;
    ringValues = scale->rings;
    overloadDisplay = scale->overloadDisplay;
    setScaleRange (scale->range);
    buildRingPath();
    updateRingLabels();
    renderBackground();
    repaint();
}

void OVEXDrawVectorscope::setOverloadLevel (float levelDb)
{
    if (! std::isfinite (levelDb) || levelDb == overloadLevel)
        return;

    overloadLevel = levelDb;
    const float newRadius = (float) truePeakLaw.radiusOf (levelDb);

    if (newRadius == overloadRadius)
        return;

    overloadRadius = newRadius;
    renderBackground();

    if (overloadDisplay)
        repaint();
}

void OVEXDrawVectorscope::renderBackground()
{
    backgroundImage.clear (backgroundImage.getBounds(), juce::Colour());
    juce::Graphics g (backgroundImage);
    g.fillAll (backgroundColour);

    g.setColour (textColour);
    g.strokePath (outlinePath, juce::PathStrokeType (2.0f, juce::PathStrokeType::curved));

    if (overloadDisplay)
    {
        g.setColour (overloadColour);
        g.setOpacity (0.18f);
        g.fillEllipse (outlineCircle());
        g.setColour (backgroundColour);
        const float diameter = 2.0f * overloadRadius;
        g.fillEllipse (centre - overloadRadius, centre - overloadRadius, diameter, diameter);
    }

    g.setColour (nolvColours::lightGrey);
    g.strokePath (ringPath, juce::PathStrokeType (0.4f, juce::PathStrokeType::curved));
}

void OVEXDrawVectorscope::createLabels()
{
    font = font.withHeight (9.0f).withStyle (juce::Font::plain);
    font.setHorizontalScale (1.0f);
    font.setExtraKerningFactor (0.0f);

    const float h = font.getHeight();
    const int m = size / 40;
    const int q = size / 60;
    const float offset = diagonal * radius;
    const int upperY = (int) (centre - offset - (float) m);
    const int lowerY = (int) (centre + offset);
    const int rightX = (int) (centre + offset);

    const std::array<std::pair<int, juce::Rectangle<int>>, 5> places { {
        { roleL, { (int) (centre - offset - (float) m - (float) q), upperY, (int) (2.0f * h), (int) h } },
        { roleC, { 0, (int) (12.0f - h), size, (int) h } },
        { roleR, { rightX, upperY, size / 2, (int) h } },
        { roleLS, { (int) (centre - offset - 1.5f * (float) m - (float) q), lowerY, (int) (2.0f * h), (int) h } },
        { roleRS, { rightX, lowerY, (int) (2.0f * h), (int) h } },
    } };

    for (size_t i = 0; i < places.size(); ++i)
    {
        auto& label = channelLabels[i];
        label.setText (channelRoleNames[places[i].first], juce::dontSendNotification);
        label.setFont (font);
        label.setColour (juce::Label::textColourId, textColour);
        label.setJustificationType (places[i].first == roleC ? juce::Justification::centred
                                                            : juce::Justification::centredLeft);
        label.setBounds (places[i].second);
        addAndMakeVisible (label);
    }

    for (auto& label : ringLabels)
        addChildComponent (label);

    updateRingLabels();
}

void OVEXDrawVectorscope::updateRingLabels()
{
    for (size_t i = 0; i < ringLabels.size(); ++i)
    {
        auto& label = ringLabels[i];
        const int value = ringValues[i];
        const float r = (float) law.radiusOf ((float) value);
        label.setFont (font);
        label.setColour (juce::Label::textColourId, textColour);
        label.setJustificationType (juce::Justification::centred);
        label.setBounds (0, (int) (centre + r - 10.0f), size, (int) font.getHeight());
        label.setText (juce::String (value), juce::dontSendNotification);
        label.setVisible (true);
    }
}

void OVEXDrawVectorscope::paint (juce::Graphics& g)
{
    g.drawImageAt (backgroundImage, 0, 0);

    // The picture last asked for, not the levels as they stand: the renderer's rounding can turn a
    // move too small to repaint for into a changed pixel, and a paint asked for by anything else
    // would then show it.
    const auto& r = radiiShown;
    const auto point = [&] (int role, float atRadius) { return soundFieldPoint (role, atRadius, centre); };
    const juce::Point<float> middle { centre, centre };

    juce::Path polygon;
    const auto corners = soundFieldPolygon (r, stereoShown, centre);
    polygon.startNewSubPath (corners.front());

    for (size_t i = 1; i < corners.size(); ++i)
        polygon.lineTo (corners[i]);

    polygon.closeSubPath();
    g.setColour (nolvColours::soundFieldPolygon.withAlpha (0.5f));
    g.fillPath (polygon);

    const auto& spokes = stereoShown ? stereoRoles : surroundSpokes;
    g.setColour (spokeColour);

    for (const int role : spokes)
        g.drawLine ({ point (role, r[(size_t) role]), middle }, 2.0f);

    if (! overloadDisplay)
        return;

    if (! stereoShown)
    {
        const float lfe = r[roleLFE];
        g.setColour (lfeColour.withAlpha (0.5f));
        g.fillEllipse (centre - lfe, centre - lfe, 2.0f * lfe, 2.0f * lfe);
    }

    g.setColour (overloadColour);

    for (const int role : stereoShown ? stereoRoles : surroundOverloads)
        if (r[(size_t) role] > overloadRadius)
            g.drawLine ({ point (role, r[(size_t) role]), point (role, overloadRadius) }, 2.0f);
}
