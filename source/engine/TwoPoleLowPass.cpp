// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TwoPoleLowPass.h"

namespace morvane
{

// The polynomial was tuned at 44.1 kHz. Above that the setting is scaled by 44100 / rate, which
// lowers the cut-off in hertz for a given knob position (to about half at 88.2 kHz); rates at or
// below 44.1 kHz, and rates that are not positive, use the setting as it is.
TwoPoleLowPass::TwoPoleLowPass(float sampleRate) noexcept
    : rateFactor(sampleRate > 44100.0f ? 44100.0f / sampleRate : 1.0f)
{
}

void TwoPoleLowPass::updateCoefficients(float setting) noexcept
{
    lastSetting = setting;
    const float v = rateFactor * setting;
    const float c = v * v;
    k = c * 3.6f - (c * 1.6f) * c - 1.0f;
    p = (k + 1.0f) * 0.5f;
}

} // namespace morvane
