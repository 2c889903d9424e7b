// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

namespace morvane
{

// Schroeder all-pass section, (z^-L - g) / (1 - g z^-L) with L the buffer length: diffuses the
// line outputs without colouring their spectrum.
// Thread rule: audio thread only.
class AllPassFilter
{
public:
    AllPassFilter(float timeMs, float sampleRate, float gain);

    float process(float x) noexcept
    {
        float& slot = buffer[static_cast<std::size_t>(position)];
        const float v = slot;
        const float w = x + gain * v;
        slot = w;
        const float y = v - gain * w;
        if (++position == length)
            position = 0;
        return y;
    }

    int getLength() const noexcept { return length; }
    float getTimeMs() const noexcept { return timeMs; }

    // Calls `visit` with every value it holds, for checks on its state.
    template <typename Visit>
    void visitState(Visit&& visit) const
    {
        for (const float x : buffer)
            visit(x);
    }

private:
    float timeMs;
    float gain;
    int length;
    std::vector<float> buffer;
    int position = 0;
};

} // namespace morvane
