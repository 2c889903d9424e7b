// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/Congruential.h"
#include "engine/EnginePath.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace morvane
{

class EngineSettings;

// The engine the processor runs, and all it needs around it: it owns the current engine (the
// vector engine on the best instruction set the processor offers, or the one EnginePaths selects,
// and the scalar ReverbEngine where no vector path applies), the dither generator, and the change
// of engine when the host's sample rate changes. Every path gives the same output bit for bit. The
// settings belong to the caller and survive every change of engine.
//
// A new rate is best announced with prepare, on the host's thread, before its first block: the
// engine for it is built there (its oscillators and the dither draw their seeds from the C library
// generator then, in the order a build in the block would draw them), and the first block at the
// rate only swaps it in. The hand-over is lock-free: a prepared engine waits in one slot, and the
// engine it replaces waits in another until the host's thread frees it (at the next prepare, at
// releaseRetired or in the destructor). A block at a rate nobody announced builds its engine in the
// block, allocating, as a block at a new rate always did. An announcement at the rate the blocks
// already run at builds nothing, so the tail plays on. Each announcement at another rate builds an
// engine and draws seeds for it, even when a second announcement replaces the first before any
// block: the engine that runs is the last one announced, and the generator has then been drawn for
// both.
//
// Thread rule: create runs in the owner's constructor; prepare and releaseRetired on the host's
// thread (any one thread at a time, which may overlap with the audio thread); followRate,
// rebuild, processBlock, nextDither and the getters on the audio thread only, never while a block
// is being processed; decaySeconds and isUsableSampleRate on any thread.
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

    // Host thread: the blocks will come at `sampleRate`. Builds the engine for it now unless the
    // blocks already run at that rate or the engine cannot run at it; frees the engine the audio
    // thread last handed back and any engine prepared for another rate.
    void prepare(float sampleRate);

    // Host thread: frees the engine the audio thread last handed back, if any.
    void releaseRetired() noexcept;

    // Audio thread, at the start of every block, with the host's rate: when it differs from the
    // rate of the blocks before, changes the engine (a prepared one without allocating, else a
    // rebuild) and answers true, so that the owner re-applies its settings.
    bool followRate(float sampleRate);

    // Starts afresh at a new rate, losing the tail and the dither sequence. A rate the engine
    // cannot run at leaves the current engine playing.
    void rebuild(float sampleRate);

    // Replaces `frames` stereo input samples with the wet output; the engine reads its settings
    // once per block. Only valid after create.
    void processBlock(float* left, float* right, int frames) noexcept;

    // A tiny positive offset in [0, 1e-9) for both input channels. It kept the feedback network
    // away from denormal numbers before the processor flushed them; it stays because it is part
    // of the sound (and of every bit-identity check).
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

    // How many subnormal numbers the current engine holds in its buffers and states.
    std::size_t countSubnormals() const noexcept;

    static bool isUsableSampleRate(float sampleRate) noexcept;

    // How long the output keeps ringing after the input stops, until it has fallen by 60 dB, at
    // the current settings and the host's rate (44.1 kHz for a rate the engine cannot run at):
    // the pre-delay, then the slowest feedback line decaying by its loop gain once per trip round
    // its loop, then the longer all-pass chain ringing out. Worked out from the geometry, without
    // building an engine.
    static double decaySeconds(const EngineSettings& settings, float sampleRate) noexcept;

private:
    struct Build;

    std::unique_ptr<Build> makeBuild(float sampleRate) const;
    void swapIn(Build* next) noexcept;

    std::unique_ptr<Build> engine;
    std::uint32_t ditherSeed = 0;
    EngineSettings* settings;
    EnginePath requestedPath;

    // The rate of the blocks so far (as the host gave it, even when the engine could not follow):
    // written by the audio thread, read by prepare.
    std::atomic<float> blockRate{0.0f};

    // Host thread to audio thread and back. Release and acquire order the builds' contents with
    // their pointers.
    std::atomic<Build*> prepared{nullptr};
    std::atomic<Build*> retired{nullptr};
};

} // namespace morvane
