#pragma once

#include "NoiseTruncation.h"

#include <vector>

namespace morvane
{

/** Schroeder's backward integral of a response's energy. Any thread; pure functions. */
class SchroederCurve
{
public:
    /** The squared samples from `start` on (none when start lies outside). */
    static std::vector<double> energyFrom(const std::vector<double>& samples, int start);

    /** The energy still to come at each sample before the truncation point, with the
        truncation's tail added back; its first value is the whole energy. */
    static std::vector<double> remaining(const std::vector<double>& energy,
                                         const NoiseTruncation& truncation);

    /** `remaining` in dB relative to `reference`; empty when the reference is not a positive
        finite energy. */
    static std::vector<double> inDecibels(const std::vector<double>& remaining, double reference);
};

} // namespace morvane
