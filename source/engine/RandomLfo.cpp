// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RandomLfo.h"

namespace morvane
{

RandomLfo::RandomLfo(float sampleRate, float noise) noexcept
    : RandomLfo(sampleRate, noise, drawSeed())
{
}

// The smoothing constant is 5000 samples at 44.1 kHz and scales with the rate.
RandomLfo::RandomLfo(float sampleRate, float noise, std::uint32_t initialSeed) noexcept
    : seed(initialSeed), smoothing(sampleRate * 5000.0f * 0.000022675737f),
      smoothingNorm(1.0f / (smoothing + 1.0f)), noiseAmount(noise)
{
}

} // namespace morvane
