#pragma once

#include "engine/Congruential.h"
#include "engine/EnginePath.h"

#include <cstdint>
#include <memory>

namespace morvane
{

class EngineSettings;

// The engine the processor runs, and all it needs around it: it owns the current engine (the
// vector engine on the best instruction set the processor offers, or the one EnginePaths selects,
// and the scalar ReverbEngine where no vector path applies), the dither generator, and the
// rebuild when the host's sample rate changes. Every path gives the same output bit for bit. The
// settings belong to the caller and survive every rebuild.
// Thread rule: create runs in the owner's constructor; rebuild, processBlock, nextDither and the
// getters run on the audio thread only, never while a block is being processed; decaySeconds and
// isUsableSampleRate on any thread.
class ReverbFrontEnd
{
public:
    // Below this rate the shortest all-pass section would have no samples at all.
    static constexpr float lowestSampleRate = 180.0f;
    static constexpr float fallbackSampleRate = 44100.0f;

    // Every engine built here asks EnginePaths::resolve for `path`.
    explicit ReverbFrontEnd(EngineSettings* settings,
                            EnginePath path = EnginePath::automatic) noexcept;
    ~ReverbFrontEnd();

    ReverbFrontEnd(const ReverbFrontEnd&) = delete;
    ReverbFrontEnd& operator=(const ReverbFrontEnd&) = delete;

    // Builds the engine (its oscillators draw their seeds first), then draws the dither seed. A
    // rate the engine cannot run at builds for 44.1 kHz instead.
    void create(float sampleRate);

    // Starts afresh at a new rate, losing the tail and the dither sequence. A rate the engine
    // cannot run at leaves the current engine playing.
    void rebuild(float sampleRate);

    // Replaces `frames` stereo input samples with the wet output; the engine reads its settings
    // once per block. Only valid after create.
    void processBlock(float* left, float* right, int frames) noexcept;

    // A tiny positive offset in [0, 1e-9) for both input channels, which keeps the feedback
    // network away from denormal numbers without touching the floating-point mode.
    float nextDither() noexcept
    {
        ditherSeed = advanceSeed(ditherSeed);
        return seedToUnit(ditherSeed) * 0.000000001f;
    }

    std::uint32_t getDitherSeed() const noexcept { return ditherSeed; }
    void setDitherSeed(std::uint32_t seed) noexcept { ditherSeed = seed; }

    // What the current engine was built for and runs on. Only valid after create.
    float getEngineSampleRate() const noexcept;
    EnginePath getPath() const noexcept;
    int getPreDelayLength() const noexcept;
    int getLineLength(int channel, int line) const noexcept;
    int getAllPassLength(int channel, int section) const noexcept;

    static bool isUsableSampleRate(float sampleRate) noexcept;

    // How long the output keeps ringing after the input stops, until it has fallen by 60 dB, at
    // the current settings and the host's rate (44.1 kHz for a rate the engine cannot run at):
    // the pre-delay, then the slowest feedback line decaying by its loop gain once per trip round
    // its loop, then the longer all-pass chain ringing out. Worked out from the geometry, without
    // building an engine.
    static double decaySeconds(const EngineSettings& settings, float sampleRate) noexcept;

private:
    struct Build;

    std::unique_ptr<Build> engine;
    std::uint32_t ditherSeed = 0;
    EngineSettings* settings;
    EnginePath requestedPath;
};

} // namespace morvane
