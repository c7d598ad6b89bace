#pragma once

#include "DisplayBallistics.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** A vertical bar meter: a background image with, over it, the foreground image from the bottom up
    to the level, and optionally a 2-pixel line at a held peak that falls after a hold time. The
    level is already a bar fraction (0 at the bottom, 1 at the top). The foreground is either given
    or generated in two colours split at a fraction. Opaque when its background covers it with
    opaque pixels. Message thread only. */
class OVEXJuceVU : public juce::Component
{
public:
    OVEXJuceVU (juce::Image background, juce::Image foreground, bool peakHold, int holdMs, int intervalMs);

    /** The foreground is generated: lowColour below the split fraction, highColour above it. */
    OVEXJuceVU (juce::Image background, juce::Colour lowColour, juce::Colour highColour, bool peakHold, int holdMs,
                int intervalMs, float split);

    /** Called once per update interval. A non-finite level counts as the level already shown. */
    void setLevel (float newLevel);

    /** Ignored when no update interval was given. */
    void setHoldTime (int holdMs);

    /** The weight of the previous level in the smoothed level (0.0001 keeps 99.99 % of the follower). */
    void setAttackTime (float weight) { attackTime = attackWeight (weight, attackTime); }
    void setReleaseTime (float seconds) { release.setSeconds (seconds); }
    void setRefreshRate (double sampleRate) { release.setRate (sampleRate); }

    /** Regenerates the two-colour foreground from split; call it after changing split. */
    void renderBarImage();

    void setBoundsAndRepaint (juce::Rectangle<int> newBounds);

    float getLevel() const { return level; }
    float getPeakLevel() const { return peakLevel; }

    void paint (juce::Graphics& g) override;
    void resized() override;

    /** Where the generated foreground changes colour, as a fraction of its height from the bottom. */
    float split = 0.5f;

    /** Smoothing on or off; off at construction. */
    bool ballisticsEnabled = false;

private:
    OVEXJuceVU (juce::Image background, bool peakHold, int holdMs, int intervalMs);

    void updateLevel (float x);
    void updatePeakHold();
    juce::Range<int> levelRows() const;
    juce::Range<int> peakRows() const;
    void updateReleaseCoefficient();

    int interval = 0;
    bool holdArmed = false;
    int holdCount = 0;
    int holdCounter = 0;
    float fallStep = 0.005f;
    bool peakHoldEnabled = false;
    float level = 0.0f;
    float follower = 0.0f;
    float peakLevel = 0.0f;
    ReleaseTiming release;
    float attackTime = 0.0f;
    juce::Colour lowColour, highColour;
    juce::Image backgroundImage, foregroundImage;
    juce::Image generatedForeground; // only in the two-colour form

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OVEXJuceVU)
};
