// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/Congruential.h"

#include <cstdint>

namespace morvane
{

// Slow random modulation source: a triangle between 0 and 1 whose every ramp lasts a freshly drawn
// 22188..44956 samples, smoothed by a one-pole low-pass of about 113 ms, plus a tiny noise term.
// The ramps are counted in samples while the smoothing follows the rate, which keeps the wobble
// of the line lengths gentle at every host rate.
// Thread rule: audio thread only.
class RandomLfo
{
public:
    // Draws its seed from the C library generator.
    RandomLfo(float sampleRate, float noiseAmount) noexcept;
    RandomLfo(float sampleRate, float noiseAmount, std::uint32_t initialSeed) noexcept;

    float tick() noexcept
    {
        // A fresh oscillator sits at 0, which counts as the bottom, so its first ramp rises.
        if (position >= 1.0f)
        {
            seed = advanceSeed(seed);
            step = -1.0f / rampLength(seed);
        }
        if (position <= 0.0f)
        {
            seed = advanceSeed(seed);
            step = 1.0f / rampLength(seed);
        }
        seed = advanceSeed(seed);
        position = position + step;
        smoothed = (smoothing * smoothed + position) * smoothingNorm;
        return smoothed + seedToUnit(seed) * noiseAmount;
    }

    std::uint32_t getSeed() const noexcept { return seed; }
    float getPosition() const noexcept { return position; }
    float getStep() const noexcept { return step; }
    float getSmoothing() const noexcept { return smoothing; }
    float getSmoothingNorm() const noexcept { return smoothingNorm; }
    float getNoiseAmount() const noexcept { return noiseAmount; }

    // Calls `visit` with every value it holds, for checks on its state.
    template <typename Visit>
    void visitState(Visit&& visit) const
    {
        visit(position);
        visit(step);
        visit(smoothed);
    }

private:
    static float rampLength(std::uint32_t value) noexcept
    {
        return static_cast<float>(22188 + static_cast<int>(22768.0f * seedToUnit(value)));
    }

    std::uint32_t seed;
    float position = 0.0f;
    float step = 0.0f;
    float smoothed = 0.0f;
    float smoothing;
    float smoothingNorm;
    float noiseAmount;
};

} // namespace morvane
