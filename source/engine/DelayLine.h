// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

namespace morvane
{

// Circular delay with a whole-sample read (the pre-delay) and an all-pass interpolated fractional
// read (the modulated feedback lines). Each sample the owner reads once, then writes once.
// Thread rule: audio thread only.
class DelayLine
{
public:
    DelayLine(float timeMs, float sampleRate);

    // The sample written `delay` calls ago, for 1 <= delay <= length - 1.
    float readFixed(int delay) noexcept
    {
        readPosition = wrap(writePosition - delay);
        return buffer[index(readPosition)];
    }

    // Fractional read for 1 <= delay < length - 1, through a first-order all-pass whose
    // coefficient is 1 - fraction rather than the exact (1 - f) / (1 + f). With taps that move as
    // slowly as these, the difference only shifts the loop length by part of a sample, and the
    // cheaper form needs no division. Any delay from 0 to length still keeps both positions inside
    // the buffer.
    float readInterpolated(float delay) noexcept
    {
        const int whole = static_cast<int>(delay);
        const float fraction = delay - static_cast<float>(whole);
        const float eta = 1.0f - fraction;

        readPosition = wrap(writePosition - whole);
        previousReadPosition = wrap(readPosition - 1);

        const float t = (eta * buffer[index(readPosition)] + buffer[index(previousReadPosition)]) -
                        eta * interpolationState;
        interpolationState = t;
        return t;
    }

    void write(float x) noexcept
    {
        buffer[index(writePosition)] = x;
        if (++writePosition == length)
            writePosition = 0;
    }

    int getLength() const noexcept { return length; }

    // Calls `visit` with every value it holds, for checks on its state.
    template <typename Visit>
    void visitState(Visit&& visit) const
    {
        for (const float x : buffer)
            visit(x);
        visit(interpolationState);
    }

private:
    int wrap(int position) const noexcept { return position < 0 ? position + length : position; }
    static std::size_t index(int position) noexcept { return static_cast<std::size_t>(position); }

    int length;
    std::vector<float> buffer;
    int readPosition = 0;
    int previousReadPosition = 0;
    int writePosition = 0;
    float interpolationState = 0.0f;
};

} // namespace morvane
