#pragma once

#include "NolvImages.h"

#include <juce_graphics/juce_graphics.h>

#include <optional>

// What the editor shows, worked out apart from any component so it can be checked without a
// display: value and time texts, colour bands, the captions each unit choice brings, the overload
// hold and the mapping between the short-term slider and its parameter.

/** A read-out: "-" at or below -60 (or for no number at all), else one decimal, a blank and the
    suffix. */
juce::String formatValue (float value, const juce::String& suffix);

/** "hh:mm:ss:mmm" of a sample count at a sample rate; all zeros while the rate is unknown. */
juce::String timecodeText (double sampleCount, double sampleRate);

/** The limits of a standard's target band, from the top: above th0 is red, th0..th1 yellow,
    th1..th2 green, th2..th3 yellow, below th3 red. */
struct LoudnessThresholds
{
    float th0, th1, th2, th3;
};

constexpr LoudnessThresholds ebuThresholds { -20.6f, -22.0f, -24.0f, -28.4f };
constexpr LoudnessThresholds atscThresholds { -20.6f, -22.0f, -26.0f, -28.4f };

/** The target loudness that LU values are relative to: 23 for EBU, 24 for ATSC and ARIB. */
constexpr float targetLoudness (bool ebu) { return ebu ? 23.0f : 24.0f; }

/** The integrated read-out's colour for an absolute level. */
juce::Colour integratedColour (float integrated, const LoudnessThresholds& thresholds);

/** A level as the read-outs show it: absolute as it is; relative moved by the target, with
    "no value" (-70 and below) kept at -70. */
float shownLoudness (float level, bool relative, float target);

/** The short-term read-out's colour: green while the shown limit lies above the level. */
juce::Colour shortTermColour (float shortTerm, float limit);

/** The unit buttons as one number: bit 0 EBU off, bit 1 +9 on, bit 2 +18 on, bit 3 LUFS/LKFS on,
    bit 4 LU on. */
int unitCode (bool ebuOn, bool plus9On, bool plus18On, bool absoluteOn, bool relativeOn);

/** Where a small "k" sits beside its caption, relative to the caption's position; a width of 0
    keeps the caption's width. */
struct CaptionOffset
{
    int x, y, width, height;
};

/** What a unit code puts on screen. */
struct UnitCaptions
{
    NolvImageId scaleImage;
    const char* shortTerm;
    const char* integrated;
    const char* momentary;
    const char* sliderCaption;
    CaptionOffset shortTermK, integratedK, momentaryK;
};

/** The captions of a unit code; nothing for codes that name no valid choice. */
std::optional<UnitCaptions> unitCaptionsFor (int code);

/** The sound-field code: the unit code, plus 32 while the sound field shows true peak. */
constexpr int soundFieldCode (int unit, bool momentarySource) { return momentarySource ? unit : unit + 32; }

/** The scale mode the sound field takes for its code: the loudness scale of a valid unit code,
    else the true-peak mode 4. */
int soundFieldScaleFor (int code);

/** The alarm hold: how long an overload stays lit before the editor clears the processor's alarms,
    counted in 50 ms refresh ticks. */
class OverloadHold
{
public:
    /** 0 s (or no number) clears the alarms on every tick; anything else holds them. Running
        holds keep their count. */
    void setSeconds (double seconds);

    /** One refresh tick; whether the alarms are to be cleared now. */
    bool tick (bool globalAlarm);

    bool isEnabled() const { return enabled; }
    int getTicks() const { return ticks; }

private:
    bool enabled = false;
    int ticks = 0;
    bool running = false;
    int counter = 0;
};

/** The short-term maximum parameter for a slider position: the position rounded, and in LU made
    absolute by the target with the fraction dropped toward zero. */
float shortTermParameterFor (double sliderValue, bool relative, float target);

/** The slider position that shows a short-term maximum parameter. */
double shortTermSliderValueFor (float parameter, bool relative, float target);

/** The port the connection controls pass on: the text's leading decimal digits, limited to
    0..65536 so that anything beyond the last port stays beyond it; 0 when there are none. */
float portFromText (const juce::String& text);

/** A label of the given height in the upper row of a value box: centred on the line a quarter of
    the box's height down (whole pixels, rounded down), as wide as the box. */
juce::Rectangle<int> upperRowOf (juce::Rectangle<int> box, int height);

/** The same in the lower row, on the line three quarters down. */
juce::Rectangle<int> lowerRowOf (juce::Rectangle<int> box, int height);

/** A stored setting as the integer a control shows, rounded half to even as the processor reads
    it; nothing for a value that is no number. */
std::optional<int> roundedSetting (float value);
