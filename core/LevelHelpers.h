#pragma once

// Small level and time helpers shared by the measuring engine, the displays and the reports.
// All are pure functions, safe on any thread.

/** The level that stands for "no value yet": what meters, results and report maxima hold before
    anything was measured, and the floor of the combined loudness. */
constexpr float noLoudnessValue = -70.0f;

/** Rounds to 0.1 with halves going up, in single precision (-0.05 gives 0.0, -23.05 gives -23.0). */
float roundToTenth (float x);

/** Rounds to 0.01 with halves going up, in single precision. */
float roundToHundredth (float x);

/** The largest of the first count values, 0.0 for an empty array; a later value wins only when strictly greater. */
float findMaximum (const float* values, int count);

/** Splits a sample count into hours, minutes, seconds and a sub-second part: the frame number when
    framesPerSecond is non-zero, otherwise the milliseconds within the current second.
    Every output is 0 when the arguments would divide by zero. */
void samplesToTimecode (double sampleCount, double framesPerSecond, double sampleRate,
                        int& subSecond, int& seconds, int& minutes, int& hours);
