#pragma once

#include "BarScale.h"
#include "ChannelRole.h"
#include "DisplayBallistics.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <utility>
#include <vector>

/** The sound field's radius law: the bar law's terms, scaled so that the top of the scale reaches
    lawRadius before dividing, and truncated to whole pixels. The sound field's pixels are pinned to
    that order of float steps, so only the terms are shared with BarScale::fraction. */
struct SoundFieldLaw
{
    BarScale terms;
    int lawRadius = 0;

    static SoundFieldLaw make (std::pair<float, float> minimumAndMaximum, int lawRadius);

    /** The level is clamped to the scale first; NaN counts as the bottom. */
    int radiusOf (float levelDb) const;
};

/** One scale of the sound field, by the mode code the editor passes. */
struct SoundFieldScale
{
    int mode;
    std::pair<float, float> range;
    std::array<int, 5> rings;
    bool overloadDisplay;
};

/** The scale of a mode code, or nullptr for a code that has none. */
const SoundFieldScale* findSoundFieldScale (int mode);

/** Where a channel role at the given radius sits; LFE sits at the centre. */
juce::Point<float> soundFieldPoint (int role, float radius, float centre);

/** The corners of the level polygon for radii in role order. Stereo: L, R and the centre. 5.1: L,
    C only when it reaches above the mean height of L and R, then R, RS, LS. */
std::vector<juce::Point<float>> soundFieldPolygon (const std::array<float, numChannelRoles>& radii, bool stereo,
                                                   float centre);

/** The sound field: the five directional channels as points on their own directions, joined into a
    polygon with spokes to the centre, LFE as a disc, over rings labelled in dB; on the true-peak
    scale a faint band marks the region beyond the true-peak maximum. Inputs are bar fractions.
    The geometry follows the size given at construction. Message thread only. */
class OVEXDrawVectorscope : public juce::Component
{
public:
    OVEXDrawVectorscope (int size, juce::Colour background, juce::Colour text, juce::Colour spoke,
                         juce::Colour overload, juce::Colour lfe, juce::Font font);

    /** The weight of the input in the smoothed level (0.0001 keeps 99.99 % of the follower). */
    void setAttackTime (float weight) { attackTime = attackWeight (weight, attackTime); }
    void setReleaseTime (float seconds) { release.setSeconds (seconds); }
    void setRefreshRate (double sampleRate) { release.setRate (sampleRate); }

    /** Bar fractions, clamped to 0..1; a non-finite one keeps the channel's level. None repaints:
        set all six and stereo, then call repaintIfChanged. */
    void setLeftLevel (float fraction) { setLevel (roleL, fraction); }
    void setRightLevel (float fraction) { setLevel (roleR, fraction); }
    void setCentreLevel (float fraction) { setLevel (roleC, fraction); }
    void setLfeLevel (float fraction) { setLevel (roleLFE, fraction); }
    void setLeftSurroundLevel (float fraction) { setLevel (roleLS, fraction); }
    void setRightSurroundLevel (float fraction) { setLevel (roleRS, fraction); }

    /** True when the picture last asked for would change: stereo differs, the centre joins or
        leaves the polygon, or a corner, spoke end, overload mark or the LFE disc's edge moves by
        at least 1/256 px, the finest step the renderer's edge tables take. */
    bool needsRepaint() const;

    /** Asks for the picture of the levels and stereo as they stand when needsRepaint says so;
        the component draws the picture last asked for. */
    void repaintIfChanged();

    /** 4 is the true-peak scale; 10 to 13 and 18 to 21 the loudness scales. Other codes are ignored. */
    void setScale (int mode);

    /** The true-peak maximum in dBTP, where the overload band starts; non-finite levels are ignored. */
    void setOverloadLevel (float levelDb);

    const std::array<float, numChannelRoles>& getLevels() const { return levels; }
    float getOverloadRadius() const { return overloadRadius; }

    void paint (juce::Graphics& g) override;

    /** Draw only L and R; the owner sets it before repaintIfChanged. */
    bool stereo = true;

private:
    void setLevel (int role, float fraction);
    void setScaleRange (std::pair<float, float> minimumAndMaximum);
    void updateGeometry();
    void buildRingPath();
    void renderBackground();
    void createLabels();
    void updateRingLabels();
    std::array<float, numChannelRoles> radii() const;
    float reach() const;
    juce::Rectangle<float> outlineCircle() const;

    const int size;
    float centre = 0.0f;
    float radius = 0.0f;
    int lawRadius = 0;

    // Construction already draws rings and labels, so the scale starts as the true-peak one while
    // no mode is chosen yet: the owner's first setScale always applies.
    SoundFieldLaw law;
    SoundFieldLaw truePeakLaw;
    int scaleMode = -3;
    std::array<int, 5> ringValues { -40, -30, -20, -10, 0 };
    bool overloadDisplay = true;

    float overloadLevel = -20.0f;
    float overloadRadius = 95.0f;

    std::array<float, numChannelRoles> levels {};
    std::array<float, numChannelRoles> followers {};

    float attackTime = 0.0f;
    ReleaseTiming release;

    // The picture the last repaint asked for, which paint draws and the next repaint also covers:
    // at rest, in stereo.
    bool stereoShown = true;
    std::array<float, numChannelRoles> radiiShown {};
    size_t cornersShown = 3;
    float reachShown = 0.0f;

    juce::Colour backgroundColour, textColour, spokeColour, overloadColour, lfeColour;
    juce::Path outlinePath, ringPath;
    juce::Image backgroundImage;
    juce::Font font;
    std::array<juce::Label, 5> ringLabels;
    std::array<juce::Label, 5> channelLabels;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OVEXDrawVectorscope)
};
