// SPDX-License-Identifier: GPL-3.0-or-later
#include "SignalScan.h"

#include <cmath>

namespace morvane::validate
{

void SignalScan::scan(const float* samples, int count) noexcept
{
    for (int i = 0; i < count; ++i)
    {
        const float x = samples[i];
        switch (std::fpclassify(x))
        {
            case FP_NAN:
            case FP_INFINITE:
                ++nonFiniteCount;
                continue;
            case FP_SUBNORMAL:
                ++subnormalCount;
                break;
            default:
                break;
        }
        const float magnitude = std::fabs(x);
        if (magnitude > peakValue)
            peakValue = magnitude;
        energy += static_cast<double>(x) * static_cast<double>(x);
        ++finiteCount;
    }
    total += static_cast<std::uint64_t>(count > 0 ? count : 0);
}

double SignalScan::rms() const noexcept
{
    return finiteCount > 0 ? std::sqrt(energy / static_cast<double>(finiteCount)) : 0.0;
}

SignalScan& SignalScan::operator+=(const SignalScan& other) noexcept
{
    total += other.total;
    nonFiniteCount += other.nonFiniteCount;
    subnormalCount += other.subnormalCount;
    finiteCount += other.finiteCount;
    energy += other.energy;
    if (other.peakValue > peakValue)
        peakValue = other.peakValue;
    return *this;
}

} // namespace morvane::validate
