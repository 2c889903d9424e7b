// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Primes.h"

#include <algorithm>
#include <cmath>

namespace morvane
{

namespace
{

bool isPrime(int candidate) noexcept
{
    const float root = std::sqrt(static_cast<float>(candidate));
    for (int divisor = 2; static_cast<float>(divisor) <= root; ++divisor)
    {
        if (candidate % divisor == 0)
            return false;
    }
    return true;
}

} // namespace

int nextPrime(int n) noexcept
{
    if (n < 4)
        return n;

    int candidate = n;
    while (!isPrime(candidate))
        ++candidate;
    return candidate;
}

int bufferLength(float timeMs, float sampleRate) noexcept
{
    const float wholeRate = std::trunc(sampleRate);
    float samples = wholeRate * timeMs * 0.001f;

    // Keeps the conversion to int defined for absurd rates; no real host comes near either end.
    constexpr float largest = 1073741824.0f;
    if (!(samples >= 0.0f))
        samples = 0.0f;
    else if (samples > largest)
        samples = largest;

    return nextPrime(static_cast<int>(samples));
}

int bufferSlots(float timeMs, float sampleRate) noexcept
{
    return std::max(1, bufferLength(timeMs, sampleRate));
}

} // namespace morvane
