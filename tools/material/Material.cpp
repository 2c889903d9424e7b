// SPDX-License-Identifier: GPL-3.0-or-later
#include "Material.h"

#include <cmath>

namespace morvane
{

namespace
{
struct Description
{
    const char* name;
    const char* key;
    // Seconds of sound before the minute of silence, for the materials that end in one; a
    // negative value marks a steady material.
    double onsetSeconds;
};

constexpr double silenceAfterSeconds = 60.0;

constexpr Description describe(Material material) noexcept
{
    switch (material)
    {
        case Material::stereoNoise:
            return {"stereo noise", "stereo-noise", -1.0};
        case Material::mono:
            return {"mono (L = R)", "mono", -1.0};
        case Material::antiPhase:
            return {"anti-phase (R = -L)", "anti-phase", -1.0};
        case Material::sideHeavy:
            return {"side-heavy stereo", "side-heavy", -1.0};
        case Material::silence:
            return {"digital silence", "silence", -1.0};
        case Material::noiseThenSilence:
            return {"2 s loud noise, 60 s silence", "noise-then-silence", 2.0};
        case Material::impulseThenSilence:
            return {"impulse, 60 s silence", "impulse-then-silence", 0.0};
        case Material::dcOffset:
            return {"DC offset", "dc-offset", -1.0};
        case Material::squareWave:
            return {"full-scale square wave", "square-wave", -1.0};
        case Material::quietNoise:
            return {"noise at -120 dBFS", "quiet-noise", -1.0};
    }
    return {"", "", -1.0};
}
} // namespace

const char* Materials::name(Material material) noexcept
{
    return describe(material).name;
}

const char* Materials::key(Material material) noexcept
{
    return describe(material).key;
}

std::int64_t Materials::lengthFrames(Material material, double sampleRate) noexcept
{
    if (describe(material).onsetSeconds < 0.0)
        return 0;
    return onsetFrames(material, sampleRate) + std::llround(silenceAfterSeconds * sampleRate);
}

// The impulse is one frame long at any rate.
std::int64_t Materials::onsetFrames(Material material, double sampleRate) noexcept
{
    const double onset = describe(material).onsetSeconds;
    if (onset < 0.0)
        return 0;
    return material == Material::impulseThenSilence ? 1 : std::llround(onset * sampleRate);
}

} // namespace morvane
