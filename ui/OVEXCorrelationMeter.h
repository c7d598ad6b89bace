#pragma once

#include "DisplayBallistics.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <map>
#include <vector>

/** Where each correlation value lands on a bar of the given column count: the keys are values
    rounded to 0.1 (scale mode 1) or 0.01 (mode 2), the positions are pixels, column i at i + 5.
    Where neighbouring columns round to the same key, the later column wins. */
std::map<float, int> correlationPositionTable (int columns, int scaleMode);

/** The bar's colour zones, in columns from the left: anti-phase, uncertain, in phase. */
struct CorrelationZones
{
    int red = 0;
    int yellow = 0;
    int green = 0;
};

CorrelationZones correlationZones (int columns);

/** The zone column whose colour a marker at the position takes, or -1 when the marker is not
    drawn. The newest marker is drawn 3 pixels left of its column, so its column is clamped into
    the bar: full anti-phase must show in red. Position 0, an unknown value, is never drawn. */
int markerColourColumn (float position, bool newest, int columns);

/** One inter-channel phase correlation (-1 to +1) as a marker on a three-zone bar, with a fading
    trail of its last 30 positions. The geometry is fixed at construction. Message thread only. */
class OVEXCorrelationMeter : public juce::Component
{
public:
    static constexpr int trailLength = 30;

    OVEXCorrelationMeter (int width, int height, juce::Colour background, juce::Colour red, juce::Colour green,
                          juce::Colour yellow, juce::Colour frame, juce::Font font, juce::String nameA,
                          juce::String nameB);

    /** Called once per update interval. A non-finite value counts as the value already shown. */
    void setValue (float correlation);

    /** 1 quantises the marker to steps of 0.1, 2 to steps of 0.01; other modes are ignored. */
    void setScaleMode (int mode);

    /** The weight of the previous level in the smoothed level (0.0001 keeps 99.99 % of the follower). */
    void setAttackTime (float weight) { attackTime = attackWeight (weight, attackTime); }
    void setReleaseTime (float seconds) { release.setSeconds (seconds); }
    void setRefreshRate (double sampleRate) { release.setRate (sampleRate); }

    /** Marker positions in pixels, newest first. */
    const std::array<float, trailLength>& getPositions() const { return positions; }
    float getLevel() const { return level; }

    void paint (juce::Graphics& g) override;

private:
    void updateHistory (float value);
    int positionOf (float value) const;
    juce::Rectangle<int> markerArea() const;
    void renderBackground();
    void createLabels();

    const int width, height, barWidth, barHeight, columns;
    juce::Colour frameColour, redColour, greenColour, yellowColour, backgroundColour;
    std::vector<juce::Colour> zoneColours;
    float currentPosition = 0.0f;
    static constexpr float olderMarkerWidth = 1.0f;
    static constexpr float newestMarkerWidth = 4.0f;
    juce::Image backgroundImage;
    std::array<float, trailLength> trailAlphas {};
    std::array<float, trailLength> positions {};
    std::array<float, trailLength> previousPositions {};
    std::map<float, int> valueToPosition;
    int scaleMode = 2;
    juce::Font labelFont;
    juce::String nameA, nameB;
    juce::Label minusOneLabel, zeroLabel, plusOneLabel, captionLabel;
    float attackTime = 0.0f;
    ReleaseTiming release;
    float level = 1.0f;
    float follower = 1.0f;
    bool changed = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OVEXCorrelationMeter)
};
