// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/EngineBlockSettings.h"
#include "engine/NetworkGeometry.h"
#include "engine/TwoPoleLowPass.h"

#include <cstdint>

namespace morvane
{

// The whole state of the vectorised engine as plain data, so that kernels built for different
// instruction sets share it without sharing any compiled code (the filters' steps are always
// inlined). The eight feedback lines and their
// oscillators are laid out as lanes, lane 2 i + c holding line i of channel c (0 left, 1 right),
// which is also the order in which the oscillators draw their seeds. The buffers are owned by
// VectorReverbEngine.
// Thread rule: audio thread only.
struct VectorEngineState
{
    static constexpr int lanes = 2 * NetworkGeometry::linesPerChannel;
    static constexpr int allPassSections = NetworkGeometry::allPassSections;

    alignas(32) std::uint32_t seed[lanes];
    alignas(32) float position[lanes];
    alignas(32) float step[lanes];
    alignas(32) float smoothed[lanes];
    alignas(32) float smoothing[lanes];
    alignas(32) float smoothingNorm[lanes];
    alignas(32) float noiseAmount[lanes];

    // Where each line starts in `lines`, its length, its write position and (length - 2) as the
    // scale of its read delay.
    alignas(32) std::int32_t lineBase[lanes];
    alignas(32) std::int32_t lineLength[lanes];
    alignas(32) std::int32_t writePosition[lanes];
    alignas(32) float span[lanes];
    alignas(32) float interpolation[lanes];

    float* lines;
    float* preDelay;
    std::int32_t preDelayLength;
    std::int32_t preDelayWrite;

    float* allPass[2][allPassSections];
    std::int32_t allPassLength[2][allPassSections];
    std::int32_t allPassPosition[2][allPassSections];
    float allPassGain;

    TwoPoleLowPass lowPass;
    TwoPoleLowPass highPass;
};

// One kernel per instruction set; each advances the state by `frames` frames, replacing the
// stereo input in place with the wet output.
using VectorKernel = void (*)(VectorEngineState& state, const EngineBlockSettings& settings,
                              float* left, float* right, int frames) noexcept;

void processVectorSse2(VectorEngineState& state, const EngineBlockSettings& settings, float* left,
                       float* right, int frames) noexcept;
void processVectorAvx2(VectorEngineState& state, const EngineBlockSettings& settings, float* left,
                       float* right, int frames) noexcept;
void processVectorAvx512(VectorEngineState& state, const EngineBlockSettings& settings, float* left,
                         float* right, int frames) noexcept;
void processVectorNeon(VectorEngineState& state, const EngineBlockSettings& settings, float* left,
                       float* right, int frames) noexcept;

} // namespace morvane
