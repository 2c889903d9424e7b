// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

namespace morvane
{

/** The inter-channel cross-correlation of ISO 3382-1 (IACC). Any thread; a pure function. */
class InterauralCorrelation
{
public:
    /** The largest |normalised cross-correlation| of a[begin..end) against b over lags of
        +-maxLag samples; NaN when either channel is silent there. */
    static double largest(const std::vector<double>& a, const std::vector<double>& b, int begin,
                          int end, int maxLag);
};

} // namespace morvane
