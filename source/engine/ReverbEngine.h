// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/AllPassFilter.h"
#include "engine/DelayLine.h"
#include "engine/EngineBlockSettings.h"
#include "engine/NetworkGeometry.h"
#include "engine/RandomLfo.h"
#include "engine/TwoPoleLowPass.h"

#include <array>

namespace morvane
{

class EngineSettings;

// The stereo reverberator: mono sum, pre-delay, input low-pass and high-pass, eight modulated
// feedback lines (four per side, summed with alternating signs) and a five-section all-pass chain
// per side, laid out as NetworkGeometry describes. It returns the wet signal only. Delay, Size,
// Low Pass and High Pass are read from the settings on every processSample call and once per
// processBlock call, so parameter changes need no notification; the engine trusts them to lie in
// 0..1. A new sample rate needs a new engine. This is the reference the vector engine
// (VectorReverbEngine) reproduces bit for bit.
// Thread rule: audio thread only; its owner constructs and destroys it while no sample runs.
class ReverbEngine
{
public:
    static constexpr int linesPerChannel = NetworkGeometry::linesPerChannel;
    static constexpr int allPassSections = NetworkGeometry::allPassSections;

    // The settings must outlive the engine.
    ReverbEngine(const EngineSettings* settings, float sampleRate);

    // Replaces the stereo input sample with the wet output.
    void processSample(float& left, float& right) noexcept;

    // Replaces `frames` stereo input samples with the wet output. The settings are read once, at
    // the start of the block, so a change made during the block takes effect with the next one;
    // with settings that do not change during it, a block is exactly `frames` processSample calls.
    void processBlock(float* left, float* right, int frames) noexcept;

    int getPreDelayLength() const noexcept;
    int getLineLength(int channel, int line) const noexcept;
    int getAllPassLength(int channel, int section) const noexcept;

    // Calls `visit` with every value the network holds, for checks on its state.
    template <typename Visit>
    void visitState(Visit&& visit) const
    {
        preDelay.visitState(visit);
        for (const auto& line : linesLeft)
            line.visitState(visit);
        for (const auto& line : linesRight)
            line.visitState(visit);
        for (const auto& lfo : lfos)
            lfo.visitState(visit);
        for (const auto& section : allPassLeft)
            section.visitState(visit);
        for (const auto& section : allPassRight)
            section.visitState(visit);
        lowPass.visitState(visit);
        highPass.visitState(visit);
    }

private:
    using Lines = std::array<DelayLine, linesPerChannel>;
    using Oscillators = std::array<RandomLfo, 2 * linesPerChannel>;
    using AllPassChain = std::array<AllPassFilter, allPassSections>;

    static Lines makeLines(int channel, float sampleRate);
    static Oscillators makeOscillators(float sampleRate) noexcept;
    static AllPassChain makeAllPassChain(int channel, float sampleRate);

    void processFrame(float& left, float& right, const EngineBlockSettings& block) noexcept;

    const EngineSettings* settings;
    DelayLine preDelay;
    Lines linesLeft;
    Lines linesRight;
    // Interleaved as left 0, right 0, left 1, ...: the order in which they draw their seeds and
    // tick.
    Oscillators lfos;
    AllPassChain allPassLeft;
    AllPassChain allPassRight;
    TwoPoleLowPass lowPass;
    TwoPoleLowPass highPass;
};

} // namespace morvane
