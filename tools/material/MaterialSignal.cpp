// SPDX-License-Identifier: GPL-3.0-or-later
#include "MaterialSignal.h"

namespace morvane
{

namespace
{
// Peaks of the uniform noise: about -10 dBFS RMS for ordinary sound, full scale for the loud
// onset, and -120 dBFS RMS (a peak of the square root of 3 times the RMS) for the quiet noise.
constexpr float noisePeak = 0.55f;
constexpr float loudPeak = 1.0f;
constexpr float quietPeak = 1.7320508e-6f;
constexpr float sidePeak = 0.55f;
constexpr float midPeak = 0.055f;
constexpr float dcLevel = 0.5f;
constexpr double squareHz = 100.0;
} // namespace

MaterialSignal::MaterialSignal(Material which, double rate) noexcept
    : material(which), sampleRate(rate), onsetFrames(Materials::onsetFrames(which, rate))
{
}

float MaterialSignal::nextNoise() noexcept
{
    noiseState ^= noiseState << 13;
    noiseState ^= noiseState >> 17;
    noiseState ^= noiseState << 5;
    return static_cast<float>(static_cast<std::int32_t>(noiseState)) * (1.0f / 2147483648.0f);
}

float MaterialSignal::squareAt(std::int64_t index) const noexcept
{
    const auto halfPeriods =
        static_cast<std::int64_t>(static_cast<double>(index) * 2.0 * squareHz / sampleRate);
    return halfPeriods % 2 == 0 ? 1.0f : -1.0f;
}

void MaterialSignal::fill(float* left, float* right, int frames) noexcept
{
    for (int n = 0; n < frames; ++n, ++frame)
    {
        float l = 0.0f;
        float r = 0.0f;
        switch (material)
        {
            case Material::stereoNoise:
                l = noisePeak * nextNoise();
                r = noisePeak * nextNoise();
                break;
            case Material::mono:
                l = r = noisePeak * nextNoise();
                break;
            case Material::antiPhase:
                l = noisePeak * nextNoise();
                r = -l;
                break;
            case Material::sideHeavy:
            {
                const float mid = midPeak * nextNoise();
                const float side = sidePeak * nextNoise();
                l = mid + side;
                r = mid - side;
                break;
            }
            case Material::silence:
                break;
            case Material::noiseThenSilence:
                if (frame < onsetFrames)
                {
                    l = loudPeak * nextNoise();
                    r = loudPeak * nextNoise();
                }
                break;
            case Material::impulseThenSilence:
                l = r = frame < onsetFrames ? 1.0f : 0.0f;
                break;
            case Material::dcOffset:
                l = r = dcLevel;
                break;
            case Material::squareWave:
                l = r = squareAt(frame);
                break;
            case Material::quietNoise:
                l = quietPeak * nextNoise();
                r = quietPeak * nextNoise();
                break;
        }
        left[n] = l;
        right[n] = r;
    }
}

} // namespace morvane
