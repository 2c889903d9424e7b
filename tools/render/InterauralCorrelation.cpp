// SPDX-License-Identifier: GPL-3.0-or-later
#include "InterauralCorrelation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace morvane
{

double InterauralCorrelation::largest(const std::vector<double>& a, const std::vector<double>& b,
                                      int begin, int end, int maxLag)
{
    const auto size = static_cast<int>(std::min(a.size(), b.size()));
    begin = std::max(0, begin);
    end = std::min(end, size);
    if (begin >= end)
        return std::numeric_limits<double>::quiet_NaN();

    double energyA = 0.0, energyB = 0.0;
    for (int n = begin; n < end; ++n)
    {
        energyA += a[static_cast<size_t>(n)] * a[static_cast<size_t>(n)];
        energyB += b[static_cast<size_t>(n)] * b[static_cast<size_t>(n)];
    }
    const double norm = std::sqrt(energyA * energyB);
    if (!(norm > 0.0) || !std::isfinite(norm))
        return std::numeric_limits<double>::quiet_NaN();

    // The sums run block by block with every lag inside a block, so that a long response is
    // read from memory once rather than once per lag; four running sums per lag let the
    // compiler keep them in vector registers.
    constexpr int blockLength = 4096;
    const auto lags = static_cast<size_t>(2 * maxLag + 1);
    std::vector<std::array<double, 4>> sums(lags, std::array<double, 4>{});
    for (int blockStart = begin; blockStart < end; blockStart += blockLength)
    {
        const int blockEnd = std::min(end, blockStart + blockLength);
        for (int lag = -maxLag; lag <= maxLag; ++lag)
        {
            const int from = std::max(blockStart, -lag);
            const int to = std::min(blockEnd, size - lag);
            const double* x = a.data() + from;
            const double* y = b.data() + from + lag;
            const int length = std::max(0, to - from);
            // Local copies, which the compiler knows are not aliased by x and y.
            auto partial = sums[static_cast<size_t>(lag + maxLag)];
            int n = 0;
            for (; n + 4 <= length; n += 4)
                for (int k = 0; k < 4; ++k)
                    partial[static_cast<size_t>(k)] += x[n + k] * y[n + k];
            for (; n < length; ++n)
                partial[0] += x[n] * y[n];
            sums[static_cast<size_t>(lag + maxLag)] = partial;
        }
    }

    double best = 0.0;
    for (const auto& partial : sums)
        best = std::max(best, std::abs((partial[0] + partial[1]) + (partial[2] + partial[3])));
    return std::min(1.0, best / norm);
}

} // namespace morvane
