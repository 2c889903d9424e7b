#pragma once

#include "engine/EnginePath.h"
#include "engine/ReverbEngine.h"
#include "engine/VectorReverbEngine.h"

#include <memory>

namespace morvane
{

class EngineSettings;

// The engine the processor runs: the vectorised engine on the best instruction set the processor
// offers (or the one EnginePaths selects), and the scalar ReverbEngine where no vector path
// applies. Only one of the two exists at a time. Every path gives the same output bit for bit.
// Thread rule: audio thread only; its owner constructs and destroys it while no block runs.
class FastReverbEngine
{
public:
    // The settings must outlive the engine. The path is resolved through EnginePaths::resolve.
    FastReverbEngine(const EngineSettings* settings, float sampleRate,
                     EnginePath path = EnginePath::automatic);

    // Replaces `frames` stereo input samples with the wet output; the settings are read once per
    // block (see ReverbEngine::processBlock).
    void processBlock(float* left, float* right, int frames) noexcept
    {
        if (vector != nullptr)
            vector->processBlock(left, right, frames);
        else
            scalar->processBlock(left, right, frames);
    }

    // One frame, reading the settings for it.
    void processSample(float& left, float& right) noexcept { processBlock(&left, &right, 1); }

    EnginePath getPath() const noexcept;
    int getPreDelayLength() const noexcept;
    int getLineLength(int channel, int line) const noexcept;
    int getAllPassLength(int channel, int section) const noexcept;

private:
    std::unique_ptr<ReverbEngine> scalar;
    std::unique_ptr<VectorReverbEngine> vector;
};

} // namespace morvane
