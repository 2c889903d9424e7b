// SPDX-License-Identifier: GPL-3.0-or-later
#include "OctaveBandFilter.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace morvane
{

namespace
{
constexpr double pi = 3.14159265358979323846;

// One second-order section, transposed direct form II.
struct Section
{
    double b0, b1, b2, a1, a2;

    void run(std::vector<double>& x) const
    {
        double z1 = 0.0, z2 = 0.0;
        for (auto& sample : x)
        {
            const double in = sample;
            const double out = b0 * in + z1;
            z1 = b1 * in - a1 * out + z2;
            z2 = b2 * in - a2 * out;
            sample = out;
        }
    }
};

Section butterworthSection(double cutoff, double q, double sampleRate, bool highPass)
{
    const double w0 = 2.0 * pi * cutoff / sampleRate;
    const double cosW = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    const double edge = highPass ? (1.0 + cosW) / 2.0 : (1.0 - cosW) / 2.0;
    const double middle = highPass ? -(1.0 + cosW) : 1.0 - cosW;
    return {edge / a0, middle / a0, edge / a0, -2.0 * cosW / a0, (1.0 - alpha) / a0};
}
} // namespace

bool OctaveBandFilter::fits(double centreHz, double sampleRate)
{
    return centreHz > 0.0 && centreHz * std::sqrt(2.0) < 0.45 * sampleRate;
}

std::vector<double> OctaveBandFilter::apply(const std::vector<double>& samples, double sampleRate,
                                            double centreHz)
{
    if (samples.empty() || !fits(centreHz, sampleRate))
        return {};

    // The two sections of a fourth-order Butterworth filter.
    constexpr double q1 = 0.54119610014619698;
    constexpr double q2 = 1.3065629648763766;
    const double lower = centreHz / std::sqrt(2.0);
    const double upper = centreHz * std::sqrt(2.0);
    const std::array<Section, 4> sections{butterworthSection(lower, q1, sampleRate, true),
                                          butterworthSection(lower, q2, sampleRate, true),
                                          butterworthSection(upper, q1, sampleRate, false),
                                          butterworthSection(upper, q2, sampleRate, false)};

    std::vector<double> band(samples);
    for (const auto& section : sections)
        section.run(band);
    std::reverse(band.begin(), band.end());
    for (const auto& section : sections)
        section.run(band);
    std::reverse(band.begin(), band.end());
    return band;
}

} // namespace morvane
