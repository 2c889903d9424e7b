// SPDX-License-Identifier: GPL-3.0-or-later
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

namespace
{
inline bool sameRate(float a, float b) noexcept
{
    return a == b || (std::isnan(a) && std::isnan(b));
}
} // namespace

// The engine built for one rate, on one path, and the dither seed drawn right after its
// oscillators' seeds.
struct ReverbFrontEnd::Build
{
    using Engine = std::variant<ReverbEngine, VectorReverbEngine>;

    Build(const EngineSettings* settings, float rate, EnginePath path)
        : engine(path == EnginePath::scalar
                     ? Engine(std::in_place_type<ReverbEngine>, settings, rate)
                     : Engine(std::in_place_type<VectorReverbEngine>, settings, rate, path)),
          sampleRate(rate), ditherSeed(drawSeed())
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
    std::uint32_t ditherSeed;
};

ReverbFrontEnd::ReverbFrontEnd(EngineSettings* engineSettings, EnginePath path) noexcept
    : settings(engineSettings), requestedPath(path)
{
}

// Whatever still waits in the slots was built or handed back but never collected.
ReverbFrontEnd::~ReverbFrontEnd()
{
    delete prepared.exchange(nullptr, std::memory_order_acquire);
    delete retired.exchange(nullptr, std::memory_order_acquire);
}

bool ReverbFrontEnd::isUsableSampleRate(float sampleRate) noexcept
{
    return std::isfinite(sampleRate) && sampleRate >= lowestSampleRate;
}

std::unique_ptr<ReverbFrontEnd::Build> ReverbFrontEnd::makeBuild(float sampleRate) const
{
    const float rate = isUsableSampleRate(sampleRate) ? sampleRate : fallbackSampleRate;
    return std::make_unique<Build>(settings, rate, EnginePaths::resolve(requestedPath));
}

void ReverbFrontEnd::create(float sampleRate)
{
    engine = makeBuild(sampleRate);
    ditherSeed = engine->ditherSeed;
    blockRate.store(sampleRate, std::memory_order_relaxed);
}

void ReverbFrontEnd::prepare(float sampleRate)
{
    releaseRetired();

    // Anything prepared before was for blocks that are not coming now.
    std::unique_ptr<Build> waiting(prepared.exchange(nullptr, std::memory_order_acq_rel));
    if (!isUsableSampleRate(sampleRate) ||
        sameRate(sampleRate, blockRate.load(std::memory_order_relaxed)))
        return;

    if (waiting == nullptr || waiting->sampleRate != sampleRate)
    {
        waiting.reset();
        waiting = makeBuild(sampleRate);
    }
    delete prepared.exchange(waiting.release(), std::memory_order_acq_rel);
}

void ReverbFrontEnd::releaseRetired() noexcept
{
    delete retired.exchange(nullptr, std::memory_order_acq_rel);
}

bool ReverbFrontEnd::followRate(float sampleRate)
{
    if (sameRate(sampleRate, blockRate.load(std::memory_order_relaxed)))
        return false;
    blockRate.store(sampleRate, std::memory_order_relaxed);

    Build* next = prepared.exchange(nullptr, std::memory_order_acq_rel);
    if (next != nullptr && next->sampleRate == sampleRate)
    {
        swapIn(next);
        return true;
    }

    // Built for a rate the blocks have not reached: it stays for them, unless the host's thread
    // has prepared another one meanwhile.
    Build* empty = nullptr;
    if (next != nullptr &&
        !prepared.compare_exchange_strong(empty, next, std::memory_order_acq_rel))
        delete next;

    rebuild(sampleRate);
    return true;
}

// The replaced engine goes to the host's thread to be freed. Only when the host prepares while
// blocks run can an earlier one still be waiting there; that one is freed here.
void ReverbFrontEnd::swapIn(Build* next) noexcept
{
    Build* const old = engine.release();
    engine.reset(next);
    ditherSeed = next->ditherSeed;
    delete retired.exchange(old, std::memory_order_acq_rel);
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

std::size_t ReverbFrontEnd::countSubnormals() const noexcept
{
    std::size_t count = 0;
    Build::visit(*engine,
                 [&count](const auto& e)
                 {
                     e.visitState(
                         [&count](float x)
                         {
                             if (std::fpclassify(x) == FP_SUBNORMAL)
                                 ++count;
                         });
                 });
    return count;
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
