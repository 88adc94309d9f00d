#include "components/loudness_meter.h"

#include <cmath>

bool LoudnessMeasure::Measured() const {
    return std::isfinite(integrated);
}

double ToDecibels(double linear) {
    return linear > 0 ? 20.0 * std::log10(linear) : -HUGE_VAL;
}

double FromDecibels(double decibels) {
    return std::pow(10.0, decibels / 20.0);
}
