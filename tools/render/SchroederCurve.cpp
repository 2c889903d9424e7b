// SPDX-License-Identifier: GPL-3.0-or-later
#include "SchroederCurve.h"

#include <algorithm>
#include <cmath>

namespace morvane
{

std::vector<double> SchroederCurve::energyFrom(const std::vector<double>& samples, int start)
{
    if (start < 0 || static_cast<size_t>(start) >= samples.size())
        return {};
    std::vector<double> energy(samples.begin() + start, samples.end());
    for (auto& value : energy)
        value *= value;
    return energy;
}

std::vector<double> SchroederCurve::remaining(const std::vector<double>& energy,
                                              const NoiseTruncation& truncation)
{
    std::vector<double> curve(std::min(truncation.end, energy.size()));
    double sum = truncation.tail;
    for (size_t n = curve.size(); n-- > 0;)
    {
        sum += energy[n];
        curve[n] = sum;
    }
    return curve;
}

std::size_t SchroederCurve::measuredLength(const std::vector<double>& remaining, double tail)
{
    return static_cast<std::size_t>(std::find_if(remaining.begin(), remaining.end(),
                                                 [tail](double left)
                                                 { return left < 2.0 * tail; }) -
                                    remaining.begin());
}

std::vector<double> SchroederCurve::inDecibels(const std::vector<double>& remaining,
                                               double reference)
{
    if (!(reference > 0.0) || !std::isfinite(reference))
        return {};
    std::vector<double> curve(remaining.size());
    for (size_t n = 0; n < curve.size(); ++n)
        curve[n] = 10.0 * std::log10(std::max(remaining[n] / reference, 1e-300));
    return curve;
}

} // namespace morvane
