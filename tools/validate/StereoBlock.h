// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Randomness.h"

#include <vector>

namespace morvane::validate
{

/** The host's audio buffers for one instance: two input and two output channels of a fixed
    capacity, kept apart so that the plug-in cannot get away with processing in place.

    Thread rule: the owning audio thread only. */
class StereoBlock
{
public:
    explicit StereoBlock(int capacity);

    int capacity() const noexcept { return size; }

    /** White noise of the given peak in the first frames of both inputs. */
    void fillNoise(Randomness& random, int frames, float peak = 0.5f) noexcept;
    void fillSilence(int frames) noexcept;
    /** Output samples the plug-in has not written show up as NaN. */
    void poisonOutputs(int frames) noexcept;

    float* const* inputs() noexcept { return inputPointers; }
    float* const* outputs() noexcept { return outputPointers; }
    const float* output(int channel) const noexcept { return outputPointers[channel]; }
    const float* input(int channel) const noexcept { return inputPointers[channel]; }

private:
    int size;
    std::vector<float> storage;
    float* inputPointers[2];
    float* outputPointers[2];
};

} // namespace morvane::validate
