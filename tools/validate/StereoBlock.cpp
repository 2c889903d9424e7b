// SPDX-License-Identifier: GPL-3.0-or-later
#include "StereoBlock.h"

#include <algorithm>
#include <limits>

namespace morvane::validate
{

StereoBlock::StereoBlock(int capacity)
    : size(capacity), storage(static_cast<std::size_t>(capacity) * 4, 0.0f)
{
    for (std::size_t channel = 0; channel < 2; ++channel)
    {
        inputPointers[channel] = storage.data() + channel * static_cast<std::size_t>(capacity);
        outputPointers[channel] =
            storage.data() + (channel + 2) * static_cast<std::size_t>(capacity);
    }
}

void StereoBlock::fillNoise(Randomness& random, int frames, float peak) noexcept
{
    for (float* channel : inputPointers)
        for (int i = 0; i < frames; ++i)
            channel[i] = static_cast<float>(random.unit() * 2.0 - 1.0) * peak;
}

void StereoBlock::fillSilence(int frames) noexcept
{
    for (float* channel : inputPointers)
        std::fill(channel, channel + frames, 0.0f);
}

void StereoBlock::poisonOutputs(int frames) noexcept
{
    for (float* channel : outputPointers)
        std::fill(channel, channel + frames, std::numeric_limits<float>::quiet_NaN());
}

} // namespace morvane::validate
