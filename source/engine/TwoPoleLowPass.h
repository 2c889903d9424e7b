#pragma once

namespace morvane
{

// Two cascaded one-pole low-pass stages, each p (1 + z^-1) / (1 + k z^-1) with unity gain at DC,
// tuned by the widely used ladder polynomial k = 3.6c - 1.6c^2 - 1, where c is the square of the
// rate-scaled setting. The coefficients are recomputed only when the setting changes, so an
// unchanged knob costs nothing. At setting 0 both stages freeze on their last output.
// Thread rule: audio thread only.
class TwoPoleLowPass
{
public:
    explicit TwoPoleLowPass(float sampleRate) noexcept;

    float process(float x, double setting) noexcept
    {
        const float target = static_cast<float>(setting);
        if (target != lastSetting)
            updateCoefficients(target);

        const float stage1 = (x + previousInput) * p - k * y1;
        const float stage2 = (stage1 + y1) * p - k * y2;
        previousInput = x;
        y1 = stage1;
        y2 = stage2;
        return stage2;
    }

    float getRateFactor() const noexcept { return rateFactor; }

private:
    void updateCoefficients(float setting) noexcept;

    float k = 0.0f;
    float p = 0.0f;
    float y1 = 0.0f;
    float y2 = 0.0f;
    float previousInput = 0.0f;
    float lastSetting = -1.0f;
    float rateFactor;
};

} // namespace morvane
