// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace morvane
{

/** A straight line through points (x, y) by least squares, y = intercept + slope * x, built up
    one point at a time. Any thread; one object per fit. */
class LineFit
{
public:
    struct Line
    {
        double intercept = 0.0;
        double slope = 0.0;
        bool valid = false; // false for fewer than two distinct x
    };

    void add(double x, double y) noexcept
    {
        ++count;
        sumX += x;
        sumY += y;
        sumXX += x * x;
        sumXY += x * y;
    }

    Line line() const noexcept
    {
        const double n = static_cast<double>(count);
        const double denominator = n * sumXX - sumX * sumX;
        if (count < 2 || !(denominator > 0.0))
            return {};
        const double slope = (n * sumXY - sumX * sumY) / denominator;
        return {(sumY - slope * sumX) / n, slope, true};
    }

private:
    long count = 0;
    double sumX = 0.0, sumY = 0.0, sumXX = 0.0, sumXY = 0.0;
};

} // namespace morvane
