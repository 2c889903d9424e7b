// SPDX-License-Identifier: GPL-3.0-or-later
#include "DirectSound.h"

#include <algorithm>
#include <cmath>

namespace morvane
{

namespace
{
const float onsetFactor = static_cast<float>(std::pow(10.0, DirectSound::onsetDecibels / 20.0));

int samplesIn(double seconds, double sampleRate)
{
    return std::max(1, static_cast<int>(std::lround(seconds * sampleRate)));
}

float peakOf(const float* samples, int begin, int end)
{
    float peak = 0.0f;
    for (int n = begin; n < end; ++n)
        peak = std::max(peak, std::abs(samples[n]));
    return peak;
}
} // namespace

int DirectSound::firstArrival(const float* samples, int count)
{
    for (int n = 0; n < count; ++n)
        if (!std::isfinite(samples[n]))
            return -1;
    const float peak = peakOf(samples, 0, count);
    if (!(peak > 0.0f))
        return -1;
    const float threshold = peak * onsetFactor;
    for (int n = 0; n < count; ++n)
        if (std::abs(samples[n]) >= threshold)
            return n;
    return -1;
}

DirectSound DirectSound::find(const float* samples, int count, double sampleRate)
{
    DirectSound direct;
    direct.arrival = firstArrival(samples, count);
    if (direct.arrival < 0 || !(sampleRate > 0.0))
        return direct;

    const int searchEnd =
        std::min(count, direct.arrival + samplesIn(peakSearchSeconds, sampleRate));
    int peakIndex = direct.arrival;
    for (int n = direct.arrival; n < searchEnd; ++n)
        if (std::abs(samples[n]) > std::abs(samples[peakIndex]))
            peakIndex = n;
    const float threshold = std::abs(samples[peakIndex]) * onsetFactor;

    // A run of `hold` quiet samples ends the direct sound; failing that within the longest
    // direct sound, its first quiet sample does.
    const int hold = std::max(2, samplesIn(holdSeconds, sampleRate));
    const int latest = std::min(count, direct.arrival + samplesIn(longestSeconds, sampleRate));
    int firstQuiet = -1;
    int quietRun = 0;
    direct.end = -1;
    for (int n = peakIndex + 1; n < count && direct.end < 0; ++n)
    {
        if (std::abs(samples[n]) < threshold)
        {
            if (firstQuiet < 0)
                firstQuiet = n;
            if (++quietRun == hold)
                direct.end = n + 1 - hold;
        }
        else
        {
            quietRun = 0;
        }
        if (n + 1 >= latest && direct.end < 0 && firstQuiet >= 0)
            direct.end = firstQuiet;
    }
    if (direct.end < 0)
        direct.end = firstQuiet >= 0 ? firstQuiet : count;

    const float rest = peakOf(samples, direct.end, count);
    if (rest > 0.0f)
    {
        const float onsetThreshold = rest * onsetFactor;
        for (int n = direct.end; n < count; ++n)
            if (std::abs(samples[n]) >= onsetThreshold)
            {
                direct.reverberationOnset = n;
                break;
            }
    }
    return direct;
}

} // namespace morvane
