#include "engine/ReverbFrontEnd.h"

#include <cmath>

namespace morvane
{

ReverbFrontEnd::ReverbFrontEnd(EngineSettings* engineSettings) noexcept : settings(engineSettings)
{
}

bool ReverbFrontEnd::isUsableSampleRate(float sampleRate) noexcept
{
    return std::isfinite(sampleRate) && sampleRate >= lowestSampleRate;
}

void ReverbFrontEnd::create(float sampleRate)
{
    const float rate = isUsableSampleRate(sampleRate) ? sampleRate : fallbackSampleRate;
    engine = std::make_unique<FastReverbEngine>(settings, rate);
    ditherSeed = drawSeed();
    engineSampleRate = rate;
}

void ReverbFrontEnd::rebuild(float sampleRate)
{
    if (engine != nullptr && !isUsableSampleRate(sampleRate))
        return;

    // The old engine goes first so that the two never occupy memory together.
    engine.reset();
    ditherSeed = 0;
    create(sampleRate);
}

} // namespace morvane
