#include "OVEXMeterScale.h"

#include "BarScale.h"

#include <cmath>

OVEXMeterScale::OVEXMeterScale()
{
    setRange (scaleRanges::truePeak);
}

void OVEXMeterScale::setRange (double minimumDb, double maximumDb)
{
    minimum = minimumDb;
    maximum = maximumDb;
    range = maximum - minimum;

    // e^k cancels out mathematically, but it is part of every term as the law is written; with
    // k = 65 it is about 1.7e28, far inside the range of a double.
    lowTerm = std::exp (range) * std::exp (minimum / range);
    highTerm = std::exp (range) * std::exp (maximum / range);
    span = highTerm - lowTerm;
}

void OVEXMeterScale::setRange (std::pair<float, float> minimumAndMaximum)
{
    setRange ((double) minimumAndMaximum.first, (double) minimumAndMaximum.second);
}

double OVEXMeterScale::fraction (double levelDb) const
{
    return (std::exp (range) * std::exp (levelDb / range) - lowTerm) / span;
}
