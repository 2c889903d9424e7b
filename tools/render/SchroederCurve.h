// SPDX-License-Identifier: GPL-3.0-or-later
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

    /** How many points of a `remaining` curve come before the energy added back for the
        truncation's tail makes up half of what remains: the part that is measured rather than
        extrapolated, on which a figure may be fitted. */
    static std::size_t measuredLength(const std::vector<double>& remaining, double tail);

    /** `remaining` in dB relative to `reference`; empty when the reference is not a positive
        finite energy. */
    static std::vector<double> inDecibels(const std::vector<double>& remaining, double reference);
};

} // namespace morvane
