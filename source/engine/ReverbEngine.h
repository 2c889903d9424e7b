#pragma once

#include "engine/AllPassFilter.h"
#include "engine/DelayLine.h"
#include "engine/RandomLfo.h"
#include "engine/TwoPoleLowPass.h"
#include "engine/VectorEngineState.h"

#include <array>

namespace morvane
{

class EngineSettings;

// The stereo reverberator: mono sum, pre-delay, input low-pass and high-pass, eight modulated
// feedback lines (four per side, summed with alternating signs) and a five-section all-pass chain
// per side. It returns the wet signal only. Delay, Size, Low Pass and High Pass are read from the
// settings on every processSample call and once per processBlock call, so parameter changes need
// no notification; the engine trusts them to lie in 0..1. A new sample rate needs a new engine.
// This is the reference the vectorised engine (VectorReverbEngine) reproduces bit for bit.
// Thread rule: audio thread only; its owner constructs and destroys it while no sample runs.
class ReverbEngine
{
public:
    static constexpr int linesPerChannel = 4;
    static constexpr int allPassSections = 5;

    // The settings must outlive the engine.
    ReverbEngine(const EngineSettings* settings, float sampleRate);

    // Replaces the stereo input sample with the wet output.
    void processSample(float& left, float& right) noexcept;

    // Replaces `frames` stereo input samples with the wet output. The settings are read once, at
    // the start of the block, so a change made during the block takes effect with the next one;
    // with settings that do not change during it, a block is exactly `frames` processSample calls.
    void processBlock(float* left, float* right, int frames) noexcept;

    // The settings as a block reads them.
    static EngineBlockSettings readSettings(const EngineSettings& settings) noexcept;

    // T0..T7: one ninth of an octave apart, below 82 ms. T0..T3 set the feedback lines and
    // T3..T7 the all-pass sections.
    static float baseTime(int k) noexcept;

    int getPreDelayLength() const noexcept;
    int getLineLength(int channel, int line) const noexcept;
    int getAllPassLength(int channel, int section) const noexcept;

    // How long the output keeps ringing after the input stops, until it has fallen by 60 dB, at
    // the current settings: the pre-delay, then the slowest feedback line decaying by its loop
    // gain once per trip round its loop, then the longer all-pass chain ringing out. Worked out
    // from the geometry at the rate, without building an engine.
    static double decaySeconds(const EngineSettings& settings, float sampleRate) noexcept;

private:
    using Times = std::array<float, 8>;
    using Lines = std::array<DelayLine, linesPerChannel>;
    using Oscillators = std::array<RandomLfo, 2 * linesPerChannel>;
    using AllPassChain = std::array<AllPassFilter, allPassSections>;

    static Times computeBaseTimes() noexcept;
    static Lines makeLines(const Times& times, float sampleRate, bool longerOnEven);
    static Oscillators makeOscillators(float sampleRate) noexcept;
    static AllPassChain makeAllPassChain(const Times& times, float scale, float sampleRate);

    void processFrame(float& left, float& right, const EngineBlockSettings& block) noexcept;

    const EngineSettings* settings;
    Times baseTimes;
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
