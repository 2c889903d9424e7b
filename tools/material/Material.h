// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace morvane
{

/** The kinds of input a reverb's cost must not depend on. Ordinary sound is the yardstick; the
    others are what hosts really send and what leaves a feedback network's states decaying towards
    nothing (a mono sum that cancels, silence after sound, a constant the input filters remove),
    which costs many processors extra time per operation unless subnormal numbers are flushed. */
enum class Material
{
    stereoNoise,        // independent white noise on the two channels, about -10 dBFS RMS each
    mono,               // the same noise on both channels (L = R)
    antiPhase,          // the noise on the left and inverted on the right (R = -L)
    sideHeavy,          // a little mid (20 dB down) and much side
    silence,            // exact digital zeros
    noiseThenSilence,   // 2 s of loud stereo noise (peaks at full scale), then 60 s of zeros
    impulseThenSilence, // one full-scale sample on both channels, then 60 s of zeros
    dcOffset,           // 0.5 on both channels
    squareWave,         // a full-scale 100 Hz square wave on both channels
    quietNoise,         // stereo noise at -120 dBFS RMS
};

/** Every material, the yardstick first. */
inline constexpr std::array<Material, 10> allMaterials{
    Material::stereoNoise,        Material::mono,     Material::antiPhase,
    Material::sideHeavy,          Material::silence,  Material::noiseThenSilence,
    Material::impulseThenSilence, Material::dcOffset, Material::squareWave,
    Material::quietNoise};

/** Names and lengths of the materials.

    Thread rule: any thread. */
class Materials
{
public:
    /** How long a steady material plays before it is timed: the delay lines fill, an earlier tail
        dies away and the states settle into what the material makes of them. */
    static constexpr double settleSeconds = 10.0;

    /** For reports: "stereo noise", "anti-phase (R = -L)", ... */
    static const char* name(Material material) noexcept;

    /** One word for benchmark names and filters: "stereo-noise", "anti-phase", ... */
    static const char* key(Material material) noexcept;

    /** How long the material lasts at the rate, for the two that are a sound and the minute of
        silence after it; 0 for the steady ones, which last as long as they are played. */
    static std::int64_t lengthFrames(Material material, double sampleRate) noexcept;

    /** The frames of sound before that minute of silence; 0 for the steady ones. */
    static std::int64_t onsetFrames(Material material, double sampleRate) noexcept;

    static bool isSteady(Material material) noexcept { return lengthFrames(material, 1.0) == 0; }
};

} // namespace morvane
