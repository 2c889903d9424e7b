// SPDX-License-Identifier: GPL-3.0-or-later
#include "DecayFit.h"

#include "LineFit.h"

#include <algorithm>
#include <limits>

namespace morvane
{

namespace
{
// The seconds for 60 dB of a line fitted from the curve's first point at or below `topDb` to
// its first point at or below `bottomDb`; `whyCurveEnds` when the curve ends before that.
double fit(const std::vector<double>& curveDb, double topDb, double bottomDb, double sampleRate,
           Shortfall whyCurveEnds, Shortfall& why)
{
    const auto below = [&](double level)
    {
        return static_cast<size_t>(
            std::find_if(curveDb.begin(), curveDb.end(), [&](double v) { return v <= level; }) -
            curveDb.begin());
    };
    size_t first = below(topDb);
    const size_t last = below(bottomDb);
    if (last >= curveDb.size())
    {
        why = curveDb.empty() ? Shortfall::noDecay : whyCurveEnds;
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (first == last && first > 0)
        --first;

    // Indices from the first point, which keeps the sums well conditioned far into a response.
    LineFit line;
    for (size_t n = first; n <= last; ++n)
        line.add(static_cast<double>(n - first), curveDb[n]);
    const auto result = line.line();
    if (!result.valid || result.slope >= 0.0)
    {
        why = Shortfall::noDecay;
        return std::numeric_limits<double>::quiet_NaN();
    }
    why = Shortfall::none;
    return -60.0 / (result.slope * sampleRate);
}
} // namespace

DecayTimes DecayTimes::unmeasured(Shortfall why)
{
    DecayTimes times;
    times.whyNoEdt = times.whyNoT20 = times.whyNoT30 = why;
    return times;
}

DecayTimes DecayFit::measure(const std::vector<double>& whole,
                             const std::vector<double>& reverberant, double sampleRate,
                             Shortfall whyCurvesEnd)
{
    DecayTimes times;
    times.edt = fit(whole, 0.0, -edtRangeDb, sampleRate, whyCurvesEnd, times.whyNoEdt);
    const double start = rangeStartDb(reverberant.empty() ? 0.0 : reverberant.front());
    times.t20 = fit(reverberant, start, start - 20.0, sampleRate, whyCurvesEnd, times.whyNoT20);
    times.t30 = fit(reverberant, start, start - 30.0, sampleRate, whyCurvesEnd, times.whyNoT30);
    return times;
}

} // namespace morvane
