#include "engine/ReverbFrontEnd.h"

#include "engine/EngineSettings.h"
#include "engine/NetworkGeometry.h"
#include "engine/Primes.h"
#include "engine/ReverbEngine.h"
#include "engine/VectorReverbEngine.h"

#include <algorithm>
#include <cmath>
#include <variant>

namespace morvane
{

// The engine built for one rate, on one path.
struct ReverbFrontEnd::Build
{
    using Engine = std::variant<ReverbEngine, VectorReverbEngine>;

    Build(const EngineSettings* settings, float rate, EnginePath path)
        : engine(path == EnginePath::scalar
                     ? Engine(std::in_place_type<ReverbEngine>, settings, rate)
                     : Engine(std::in_place_type<VectorReverbEngine>, settings, rate, path)),
          sampleRate(rate)
    {
    }

    // Calls `visitor` with whichever engine was built.
    template <typename Self, typename Visitor>
    static auto visit(Self& self, Visitor&& visitor) noexcept
    {
        if (auto* vector = std::get_if<VectorReverbEngine>(&self.engine))
            return visitor(*vector);
        return visitor(*std::get_if<ReverbEngine>(&self.engine));
    }

    Engine engine;
    float sampleRate;
};

ReverbFrontEnd::ReverbFrontEnd(EngineSettings* engineSettings, EnginePath path) noexcept
    : settings(engineSettings), requestedPath(path)
{
}

ReverbFrontEnd::~ReverbFrontEnd() = default;

bool ReverbFrontEnd::isUsableSampleRate(float sampleRate) noexcept
{
    return std::isfinite(sampleRate) && sampleRate >= lowestSampleRate;
}

void ReverbFrontEnd::create(float sampleRate)
{
    const float rate = isUsableSampleRate(sampleRate) ? sampleRate : fallbackSampleRate;
    engine = std::make_unique<Build>(settings, rate, EnginePaths::resolve(requestedPath));
    ditherSeed = drawSeed();
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

void ReverbFrontEnd::processBlock(float* left, float* right, int frames) noexcept
{
    Build::visit(*engine, [=](auto& e) { e.processBlock(left, right, frames); });
}

float ReverbFrontEnd::getEngineSampleRate() const noexcept
{
    return engine->sampleRate;
}

EnginePath ReverbFrontEnd::getPath() const noexcept
{
    if (const auto* vector = std::get_if<VectorReverbEngine>(&engine->engine))
        return vector->getPath();
    return EnginePath::scalar;
}

int ReverbFrontEnd::getPreDelayLength() const noexcept
{
    return Build::visit(*engine, [](const auto& e) { return e.getPreDelayLength(); });
}

int ReverbFrontEnd::getLineLength(int channel, int line) const noexcept
{
    return Build::visit(*engine, [=](const auto& e) { return e.getLineLength(channel, line); });
}

int ReverbFrontEnd::getAllPassLength(int channel, int section) const noexcept
{
    return Build::visit(*engine,
                        [=](const auto& e) { return e.getAllPassLength(channel, section); });
}

double ReverbFrontEnd::decaySeconds(const EngineSettings& engineSettings, float hostRate) noexcept
{
    const float sampleRate = isUsableSampleRate(hostRate) ? hostRate : fallbackSampleRate;
    const double sixtyDecibels = std::log(0.001);

    const int preDelaySamples = NetworkGeometry::preDelaySamples(
        engineSettings.get(Parameter::delay), bufferSlots(NetworkGeometry::preDelayMs, sampleRate));
    const float feedback = NetworkGeometry::feedbackGain(engineSettings.get(Parameter::size));

    int longest = 0;
    for (int channel = 0; channel < 2; ++channel)
        for (int line = 0; line < NetworkGeometry::linesPerChannel; ++line)
            longest = std::max(longest,
                               bufferSlots(NetworkGeometry::lineTimeMs(channel, line), sampleRate));
    double lineSamples = static_cast<double>(longest - 2) *
                             (static_cast<double>(feedback) + NetworkGeometry::modulationDepth) +
                         1.0;
    if (feedback > 0.0f)
        lineSamples *= sixtyDecibels / std::log(static_cast<double>(feedback)) + 1.0;

    const double sectionTrips =
        sixtyDecibels / std::log(static_cast<double>(NetworkGeometry::allPassGain)) + 1.0;
    double allPassSamples = 0.0;
    for (int channel = 0; channel < 2; ++channel)
    {
        double chain = 0.0;
        for (int section = 0; section < NetworkGeometry::allPassSections; ++section)
            chain += static_cast<double>(bufferSlots(
                         NetworkGeometry::allPassTimeMs(channel, section), sampleRate)) *
                     sectionTrips;
        allPassSamples = std::max(allPassSamples, chain);
    }

    return (static_cast<double>(preDelaySamples) + lineSamples + allPassSamples) /
           static_cast<double>(sampleRate);
}

} // namespace morvane
