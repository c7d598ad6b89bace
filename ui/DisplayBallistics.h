#pragma once

// Arithmetic the meters share. Each meter keeps its own smoothing formula; these are only the
// pieces that must agree between them. Pure functions, safe on any thread.

/** The per-update decay factor of a display follower: e^(-1 / (seconds × rate)), with the exponent
    narrowed to single precision and e taken as its single-precision value, so the meters decay by
    exactly the same factor everywhere. 0 (no smoothing) for a time or rate that is not positive.

    It is applied once per display update, not once per sample, yet it takes the audio sample rate:
    the meters therefore fall twice as slowly at 96 kHz as at 48 kHz. That is how these meters are
    meant to behave; do not "correct" the rate to the refresh interval. */
float releaseCoefficient (float seconds, double rate);

/** Whether candidate differs from current by more than one part in 10^8 of current, compared in
    double precision. A NaN on either side never differs. */
bool differsRelatively (float current, float candidate);

/** Clamps to 0..1; NaN gives 0, so no caller ever turns a NaN into a pixel. */
float clampFraction (float value);

/** The attack weight to keep when an owner asks for requested: clamped to 0..1, since a weight
    outside would extrapolate the level without bound; a non-finite request keeps current. */
float attackWeight (float requested, float current);

/** A meter's release time and the rate that turns it into its coefficient, kept in step. The rate
    starts at the main window's 44100 Hz until the owner knows the device's. */
struct ReleaseTiming
{
    float seconds = 0.0f;
    double rate = 44100.0;
    float coefficient = 0.0f;

    void setSeconds (float newSeconds);
    void setRate (double newRate);
};
