#pragma once

#include "engine/Congruential.h"
#include "engine/FastReverbEngine.h"

#include <cstdint>
#include <memory>

namespace morvane
{

class EngineSettings;

// Owns the current engine and the dither generator, and replaces both when the host's sample
// rate changes. The settings belong to the caller and survive every rebuild.
// Thread rule: create runs in the owner's constructor; rebuild, nextDither and getEngine run on
// the audio thread only, never while a sample is being processed.
class ReverbFrontEnd
{
public:
    // Below this rate the shortest all-pass section would have no samples at all.
    static constexpr float lowestSampleRate = 180.0f;
    static constexpr float fallbackSampleRate = 44100.0f;

    explicit ReverbFrontEnd(EngineSettings* settings) noexcept;

    // Builds the engine (its oscillators draw their seeds first), then draws the dither seed. A
    // rate the engine cannot run at builds for 44.1 kHz instead.
    void create(float sampleRate);

    // Starts afresh at a new rate, losing the tail and the dither sequence. A rate the engine
    // cannot run at leaves the current engine playing.
    void rebuild(float sampleRate);

    // A tiny positive offset in [0, 1e-9) for both input channels, which keeps the feedback
    // network away from denormal numbers without touching the floating-point mode.
    float nextDither() noexcept
    {
        ditherSeed = advanceSeed(ditherSeed);
        return seedToUnit(ditherSeed) * 0.000000001f;
    }

    // Only valid after create.
    FastReverbEngine& getEngine() noexcept { return *engine; }
    float getEngineSampleRate() const noexcept { return engineSampleRate; }

    std::uint32_t getDitherSeed() const noexcept { return ditherSeed; }
    void setDitherSeed(std::uint32_t seed) noexcept { ditherSeed = seed; }

    static bool isUsableSampleRate(float sampleRate) noexcept;

private:
    std::unique_ptr<FastReverbEngine> engine;
    std::uint32_t ditherSeed = 0;
    EngineSettings* settings;
    float engineSampleRate = 0.0f;
};

} // namespace morvane
