// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Material.h"

#include <cstdint>

namespace morvane
{

/** One material as a stream of stereo frames at a sample rate, the same samples on every run.
    A material that ends in silence stays silent after its minute; a steady one goes on for ever.
    Making the samples costs time of its own, so whoever times a processor fills a buffer first
    and times the processing alone.

    Thread rule: one thread at a time. */
class MaterialSignal
{
public:
    MaterialSignal(Material material, double sampleRate) noexcept;

    Material getMaterial() const noexcept { return material; }

    /** Frames written so far. */
    std::int64_t position() const noexcept { return frame; }

    /** Writes the next frames of the material. */
    void fill(float* left, float* right, int frames) noexcept;

private:
    // Uniform in [-1, 1).
    float nextNoise() noexcept;
    float squareAt(std::int64_t index) const noexcept;

    Material material;
    double sampleRate;
    std::int64_t onsetFrames;
    std::int64_t frame = 0;
    std::uint32_t noiseState = 2463534242u;
};

} // namespace morvane
