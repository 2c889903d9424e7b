// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/VectorReverbEngine.h"

#include "engine/EngineSettings.h"
#include "engine/Primes.h"
#include "engine/RandomLfo.h"
#include "engine/TwoPoleLowPass.h"

#include <array>
#include <cstddef>

namespace morvane
{

namespace
{

constexpr int lanes = VectorEngineState::lanes;
constexpr int sections = VectorEngineState::allPassSections;

// Each architecture has the kernels of its own instruction sets only; EnginePaths never hands
// out a path of another one.
VectorKernel kernelFor(EnginePath path) noexcept
{
#if defined(__x86_64__)
    switch (path)
    {
        case EnginePath::avx512:
            return processVectorAvx512;
        case EnginePath::avx2:
            return processVectorAvx2;
        case EnginePath::sse2:
        case EnginePath::neon:
        case EnginePath::scalar:
        case EnginePath::automatic:
            break;
    }
    return processVectorSse2;
#elif defined(__aarch64__)
    static_cast<void>(path);
    return processVectorNeon;
#else
    static_cast<void>(path);
    return nullptr;
#endif
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
    const int preDelayLength = bufferSlots(NetworkGeometry::preDelayMs, sampleRate);
    int total = preDelayLength;
    for (int i = 0; i < NetworkGeometry::linesPerChannel; ++i)
    {
        for (int channel = 0; channel < 2; ++channel)
        {
            const int lane = 2 * i + channel;
            const int length = bufferSlots(NetworkGeometry::lineTimeMs(channel, i), sampleRate);
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
        for (int j = 0; j < sections; ++j)
        {
            const int length = bufferSlots(NetworkGeometry::allPassTimeMs(channel, j), sampleRate);
            allPassOffsets[at(channel)][at(j)] = total;
            state.allPassLength[channel][j] = length;
            state.allPassPosition[channel][j] = 0;
            total += length;
        }
    }

    for (int lane = 0; lane < lanes; ++lane)
    {
        const RandomLfo lfo(sampleRate, NetworkGeometry::lfoNoiseAmount);
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
    state.allPassGain = NetworkGeometry::allPassGain;
    state.lowPass = TwoPoleLowPass(sampleRate);
    state.highPass = TwoPoleLowPass(sampleRate);
}

void VectorReverbEngine::processBlock(float* left, float* right, int frames) noexcept
{
    if (frames <= 0)
        return;
    kernel(state, settings->forBlock(), left, right, frames);
}

int VectorReverbEngine::getPreDelayLength() const noexcept
{
    return state.preDelayLength;
}

int VectorReverbEngine::getLineLength(int channel, int line) const noexcept
{
    if (line < 0 || line >= NetworkGeometry::linesPerChannel)
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
