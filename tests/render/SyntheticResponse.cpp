// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyntheticResponse.h"

#include <cmath>

namespace morvane::testing
{

namespace
{
constexpr double ln1000 = 6.907755278982137;

int lengthOf(const SyntheticResponse& response)
{
    return response.reverberationStart() +
           static_cast<int>(1.5 * response.rt60 * response.sampleRate);
}
} // namespace

int SyntheticResponse::arrivalSample() const
{
    return static_cast<int>(std::lround(arrivalSeconds * sampleRate));
}

int SyntheticResponse::reverberationStart() const
{
    // Even without a gap the reverberation starts after the direct sound, not on it.
    return arrivalSample() + std::max(1, static_cast<int>(std::lround(gapSeconds * sampleRate)));
}

juce::AudioBuffer<float> SyntheticResponse::render() const
{
    const int length = lengthOf(*this);
    const int start = reverberationStart();
    juce::AudioBuffer<float> ir(2, length);
    ir.clear();
    juce::Random random(seed);
    for (int c = 0; c < 2; ++c)
    {
        double energy = 0.0;
        for (int n = start; n < length; ++n)
        {
            const double value = (2.0 * random.nextDouble() - 1.0) *
                                 std::exp(-ln1000 * (n - start) / (rt60 * sampleRate));
            ir.setSample(c, n, static_cast<float>(value));
            energy += static_cast<double>(ir.getSample(c, n)) * ir.getSample(c, n);
        }
        const double direct = std::sqrt(energy * std::pow(10.0, directToReverberantDb / 10.0));
        ir.setSample(c, arrivalSample(), static_cast<float>(direct));
    }
    return ir;
}

std::vector<double> SyntheticResponse::expectedCurveDb() const
{
    // Reverberant energy 1 in all, falling by `perSample` each sample from its start.
    const double perSample = std::exp(-2.0 * ln1000 / (rt60 * sampleRate));
    const double direct = std::pow(10.0, directToReverberantDb / 10.0);
    const int gap = reverberationStart() - arrivalSample();
    const int length = lengthOf(*this) - arrivalSample();
    std::vector<double> curve(static_cast<size_t>(length));
    for (int n = 0; n < length; ++n)
    {
        const double reverberant = n <= gap ? 1.0 : std::pow(perSample, n - gap);
        const double remaining = (n == 0 ? direct : 0.0) + reverberant;
        curve[static_cast<size_t>(n)] = 10.0 * std::log10(remaining / (direct + 1.0));
    }
    return curve;
}

} // namespace morvane::testing
