#include "engine/FastReverbEngine.h"

namespace morvane
{

FastReverbEngine::FastReverbEngine(const EngineSettings* settings, float sampleRate,
                                   EnginePath requested)
{
    const EnginePath path = EnginePaths::resolve(requested);
    if (path == EnginePath::scalar)
        scalar = std::make_unique<ReverbEngine>(settings, sampleRate);
    else
        vector = std::make_unique<VectorReverbEngine>(settings, sampleRate, path);
}

EnginePath FastReverbEngine::getPath() const noexcept
{
    return vector != nullptr ? vector->getPath() : EnginePath::scalar;
}

int FastReverbEngine::getPreDelayLength() const noexcept
{
    return vector != nullptr ? vector->getPreDelayLength() : scalar->getPreDelayLength();
}

int FastReverbEngine::getLineLength(int channel, int line) const noexcept
{
    return vector != nullptr ? vector->getLineLength(channel, line)
                             : scalar->getLineLength(channel, line);
}

int FastReverbEngine::getAllPassLength(int channel, int section) const noexcept
{
    return vector != nullptr ? vector->getAllPassLength(channel, section)
                             : scalar->getAllPassLength(channel, section);
}

} // namespace morvane
