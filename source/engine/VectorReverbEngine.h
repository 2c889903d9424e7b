// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/EnginePath.h"
#include "engine/VectorEngineState.h"

#include <initializer_list>
#include <vector>

namespace morvane
{

class EngineSettings;

// The reverberator of ReverbEngine with its eight feedback lines and oscillators processed as
// vectors, by a kernel built for one instruction set. Built from the same rate and the same seed
// draws, it produces the scalar engine's output bit for bit, block for block (a block reads the
// settings once, at its start, exactly as ReverbEngine::processBlock does). All buffers live in
// one allocation made at construction.
// Thread rule: audio thread only; its owner constructs and destroys it while no block runs.
class VectorReverbEngine
{
public:
    // `path` must be one of the vector paths and supported by this processor; the settings must
    // outlive the engine.
    VectorReverbEngine(const EngineSettings* settings, float sampleRate, EnginePath path);

    VectorReverbEngine(const VectorReverbEngine&) = delete;
    VectorReverbEngine& operator=(const VectorReverbEngine&) = delete;

    void processBlock(float* left, float* right, int frames) noexcept;

    EnginePath getPath() const noexcept { return path; }
    int getPreDelayLength() const noexcept;
    int getLineLength(int channel, int line) const noexcept;
    int getAllPassLength(int channel, int section) const noexcept;

    // Calls `visit` with every value the network holds, for checks on its state.
    template <typename Visit>
    void visitState(Visit&& visit) const
    {
        for (const float x : storage)
            visit(x);
        for (int lane = 0; lane < VectorEngineState::lanes; ++lane)
            for (const float x : {state.position[lane], state.step[lane], state.smoothed[lane],
                                  state.interpolation[lane]})
                visit(x);
        state.lowPass.visitState(visit);
        state.highPass.visitState(visit);
    }

private:
    const EngineSettings* settings;
    EnginePath path;
    VectorKernel kernel;
    std::vector<float> storage;
    VectorEngineState state{};
};

} // namespace morvane
