#pragma once

#include <utility>

/** One exponential loudness scale in double precision: a level L in dB sits at the fraction
    (e^k e^(L/k) - e^k e^(min/k)) / (e^k e^(max/k) - e^k e^(min/k)) of the scale, k = max - min.

    The bar law, the sound field's radius law and the history graph each compute this law in
    their own specified precision; this class is the exact reference their results are checked
    against, and is not meant to replace them. */
class OVEXMeterScale
{
public:
    /** Starts on the true-peak scale, -60 to +5 dB. */
    OVEXMeterScale();

    void setRange (double minimumDb, double maximumDb);
    void setRange (std::pair<float, float> minimumAndMaximum);

    /** Unclamped: levels outside the range give fractions outside 0..1. */
    double fraction (double levelDb) const;

    double getMinimum() const { return minimum; }
    double getMaximum() const { return maximum; }

private:
    double minimum = 0.0;
    double maximum = 0.0;
    double range = 0.0;
    double lowTerm = 0.0;
    double highTerm = 0.0;
    double span = 0.0;
};
