// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <initializer_list>

namespace morvane
{

// Two cascaded one-pole low-pass stages, each p (1 + z^-1) / (1 + k z^-1) with unity gain at DC,
// tuned by the widely used ladder polynomial k = 3.6c - 1.6c^2 - 1, where c is the square of the
// rate-scaled setting. The coefficients are recomputed only when the setting changes, so an
// unchanged knob costs nothing. At setting 0 both stages freeze on their last output.
//
// Plain data, so that the vector engine keeps its two filters in its own state and its kernels run
// them through the same follow and step as the scalar engine. Those are always inlined: a kernel
// is compiled for its own instruction set, and an out-of-line copy made there could be the one the
// linker keeps for every other caller.
// Thread rule: audio thread only.
class TwoPoleLowPass
{
public:
    // As at any rate up to 44.1 kHz.
    TwoPoleLowPass() noexcept = default;
    explicit TwoPoleLowPass(float sampleRate) noexcept;

    [[gnu::always_inline]] float process(float x, double setting) noexcept
    {
        follow(setting);
        return step(x);
    }

    // Takes the setting for the samples that follow.
    [[gnu::always_inline]] void follow(double setting) noexcept
    {
        const float target = static_cast<float>(setting);
        if (target != lastSetting)
            updateCoefficients(target);
    }

    // One sample through both stages at the current coefficients.
    [[gnu::always_inline]] float step(float x) noexcept
    {
        const float stage1 = (x + previousInput) * p - k * y1;
        const float stage2 = (stage1 + y1) * p - k * y2;
        previousInput = x;
        y1 = stage1;
        y2 = stage2;
        return stage2;
    }

    // Calls `visit` with every value it holds, for checks on its state (never from a kernel).
    template <typename Visit>
    void visitState(Visit&& visit) const
    {
        for (const float x : {k, p, y1, y2, previousInput})
            visit(x);
    }

private:
    void updateCoefficients(float setting) noexcept;

    float k = 0.0f;
    float p = 0.0f;
    float y1 = 0.0f;
    float y2 = 0.0f;
    float previousInput = 0.0f;
    float lastSetting = -1.0f;
    float rateFactor = 1.0f;
};

} // namespace morvane
