#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <atomic>
#include <deque>

class VectorscopeSource;

/** Where one pair of samples lands on a scope of the given radius about the centre: the right
    input along the upper-right diagonal, the left input along the upper-left one, in phase
    vertically and in anti-phase horizontally. Samples are clamped to -1..1; a non-finite one
    counts as 0. */
juce::Point<float> vectorscopePoint (float right, float left, float radius, juce::Point<float> centre);

/** The stereo vectorscope: the 16 newest runs of 64 sample pairs of two selected channels, drawn as
    single pixels that fade with age over a cached frame, two diagonal axes and the channel names.

    A time-slice thread of the owner's pulls the runs from the processor's source through
    useTimeSlice(); the message thread paints. The owner stops that thread and removes this client
    before destroying the component, and keeps the source alive while the thread runs. */
class OVEXVectroscope : public juce::Component, public juce::TimeSliceClient, private juce::Timer
{
public:
    static constexpr int samplesPerFrame = 64;
    static constexpr int maxFrames = 16;

    /** The rest a slice asks for while the scope is not chosen; JUCE's time-slice thread waits no
        longer than this at a time. */
    static constexpr int inactiveWaitMs = 500;

    /** With useOwnTimer the component repaints itself every 50 ms; otherwise the owner calls refresh(). */
    OVEXVectroscope (VectorscopeSource* source, juce::Colour trace, juce::Colour frame, juce::Colour background,
                     bool useOwnTimer);

    /** Message thread: a role name of the source ("L", "R", "C", "LFE", "LS", "RS"), also shown as
        the axis caption. */
    void setLeftChannel (const juce::String& roleName);
    void setRightChannel (const juce::String& roleName);

    void refresh() { repaint(); }

    /** Message thread: whether the owner shows the vectorscope; off at construction. While it is
        off the time slices do no work and rest long; a change drops the frames built, so that
        showing it again never shows an old picture. The owner that turns it on moves it to the
        front of its thread's queue, so that its frames come at once. */
    void setActive (bool shouldBeActive);
    bool isActive() const noexcept { return active.load(); }

    /** Vector thread: while active, turns every ready run into a frame, at most 64 per call. Asks
        to be called again at once while whole runs remain queued, else after a refresh interval;
        while inactive, after inactiveWaitMs. */
    int useTimeSlice() override;

    int getFrameCount() const;

    /** A copy of a frame's points, 0 being the newest; empty for an index out of range. */
    juce::Array<juce::Point<float>> getFrame (int index) const;

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    struct Geometry
    {
        float radius = 0.0f;
        juce::Point<float> centre;
    };

    void timerCallback() override { repaint(); }
    void updateGeometry();
    void renderBackground();

    static constexpr int timerIntervalMs = 50;

    // A refresh interval gathers about 38 runs at 48 kHz and 150 at 192 kHz; a call that leaves
    // whole runs queued is followed by the next at once.
    static constexpr int maxFramesPerSlice = 64;

    std::deque<juce::Array<juce::Point<float>>> frames; // newest first, guarded by framesLock
    std::array<juce::Colour, maxFrames> fadeColours;
    int width = 0;
    int height = 0;
    Geometry geometry; // written on the message thread, read on the vector thread: guarded by framesLock
    std::array<juce::Point<float>, 4> axisEnds;
    juce::Colour backgroundColour, frameColour, traceColour;
    juce::Image backgroundImage;
    juce::String rightLabel, leftLabel;
    VectorscopeSource* const source;
    std::atomic<bool> active { false }; // written on the message thread
    juce::AudioSampleBuffer pullBuffer; // vector thread only
    juce::CriticalSection framesLock;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OVEXVectroscope)
};
