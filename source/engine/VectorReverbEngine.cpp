#include "engine/VectorReverbEngine.h"

#include "engine/EngineSettings.h"
#include "engine/Primes.h"
#include "engine/RandomLfo.h"
#include "engine/ReverbEngine.h"
#include "engine/TwoPoleLowPass.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace morvane
{

namespace
{

constexpr float lfoNoiseAmount = 0.000001f;
constexpr float allPassGain = 0.68f;
constexpr int lanes = VectorEngineState::lanes;
constexpr int sections = VectorEngineState::allPassSections;

// The same length rule as DelayLine and AllPassFilter, at least one slot.
int lengthFor(float timeMs, float sampleRate) noexcept
{
    return std::max(1, bufferLength(timeMs, sampleRate));
}

VectorKernel kernelFor(EnginePath path) noexcept
{
#if !defined(__x86_64__)
    static_cast<void>(path);
    return nullptr;
#else
    switch (path)
    {
        case EnginePath::avx512:
            return processVectorAvx512;
        case EnginePath::avx2:
            return processVectorAvx2;
        case EnginePath::sse2:
        case EnginePath::scalar:
        case EnginePath::automatic:
            break;
    }
    return processVectorSse2;
#endif
}

VectorEngineState::LowPass freshLowPass(float sampleRate) noexcept
{
    return VectorEngineState::LowPass{
        0.0f, 0.0f, 0.0f, 0.0f, 0.0f, -1.0f, TwoPoleLowPass(sampleRate).getRateFactor()};
}

inline std::size_t at(int i) noexcept
{
    return static_cast<std::size_t>(i);
}

} // namespace

// Mirrors ReverbEngine's construction: the same times and lengths, and the oscillators drawing
// their seeds in the same order (left 0, right 0, left 1, ...).
VectorReverbEngine::VectorReverbEngine(const EngineSettings* engineSettings, float sampleRate,
                                       EnginePath requestedPath)
    : settings(engineSettings), path(requestedPath), kernel(kernelFor(requestedPath))
{
    std::array<float, 8> times{};
    for (int k = 0; k < 8; ++k)
        times[at(k)] = ReverbEngine::baseTime(k);

    const int preDelayLength = lengthFor(1000.0f, sampleRate);
    int total = preDelayLength;
    for (int i = 0; i < ReverbEngine::linesPerChannel; ++i)
    {
        const float longer = times[at(i)] * 1.008f;
        const float shorter = times[at(i)];
        const bool leftLonger = i % 2 == 0;
        for (int channel = 0; channel < 2; ++channel)
        {
            const int lane = 2 * i + channel;
            const bool isLonger = (channel == 0) == leftLonger;
            const int length = lengthFor(isLonger ? longer : shorter, sampleRate);
            // One slot more in front of the line, holding a copy of its last slot.
            state.lineBase[lane] = total + 1;
            state.lineLength[lane] = length;
            state.writePosition[lane] = 0;
            state.span[lane] = static_cast<float>(length - 2);
            state.interpolation[lane] = 0.0f;
            total += length + 1;
        }
    }

    std::array<std::array<int, sections>, 2> allPassOffsets{};
    for (int channel = 0; channel < 2; ++channel)
    {
        const float scale = channel == 0 ? 0.105f : 0.1f;
        for (int j = 0; j < sections; ++j)
        {
            const int length = lengthFor(times[at(j + 3)] * scale, sampleRate);
            allPassOffsets[at(channel)][at(j)] = total;
            state.allPassLength[channel][j] = length;
            state.allPassPosition[channel][j] = 0;
            total += length;
        }
    }

    for (int lane = 0; lane < lanes; ++lane)
    {
        const RandomLfo lfo(sampleRate, lfoNoiseAmount);
        state.seed[lane] = lfo.getSeed();
        state.position[lane] = lfo.getPosition();
        state.step[lane] = lfo.getStep();
        state.smoothed[lane] = 0.0f;
        state.smoothing[lane] = lfo.getSmoothing();
        state.smoothingNorm[lane] = lfo.getSmoothingNorm();
        state.noiseAmount[lane] = lfo.getNoiseAmount();
    }

    storage.assign(at(total), 0.0f);
    state.preDelay = storage.data();
    state.preDelayLength = preDelayLength;
    state.preDelayWrite = 0;
    state.lines = storage.data();
    for (int channel = 0; channel < 2; ++channel)
        for (int j = 0; j < sections; ++j)
            state.allPass[channel][j] = storage.data() + allPassOffsets[at(channel)][at(j)];
    state.allPassGain = allPassGain;
    state.lowPass = freshLowPass(sampleRate);
    state.highPass = freshLowPass(sampleRate);
}

void VectorReverbEngine::processBlock(float* left, float* right, int frames) noexcept
{
    if (frames <= 0)
        return;
    kernel(state, ReverbEngine::readSettings(*settings), left, right, frames);
}

int VectorReverbEngine::getPreDelayLength() const noexcept
{
    return state.preDelayLength;
}

int VectorReverbEngine::getLineLength(int channel, int line) const noexcept
{
    if (line < 0 || line >= ReverbEngine::linesPerChannel)
        return 0;
    return state.lineLength[2 * line + (channel == 0 ? 0 : 1)];
}

int VectorReverbEngine::getAllPassLength(int channel, int section) const noexcept
{
    if (section < 0 || section >= sections)
        return 0;
    return state.allPassLength[channel == 0 ? 0 : 1][section];
}

} // namespace morvane
