// SPDX-License-Identifier: GPL-3.0-or-later
#include "MaterialSignal.h"
#include "engine/EnginePath.h"
#include "engine/EngineSettings.h"
#include "engine/ParameterShaping.h"
#include "engine/ReverbEngine.h"
#include "engine/ReverbFrontEnd.h"

#include <benchmark/benchmark.h>
#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace
{

// Factory-like settings with a touch of pre-delay and high-pass, so that every block of the
// network does real work.
void applyTypicalSettings(morvane::EngineSettings& settings)
{
    morvane::mapParameter(morvane::Parameter::delay, settings, 0.2f);
    morvane::mapParameter(morvane::Parameter::size, settings, 0.85f);
    morvane::mapParameter(morvane::Parameter::lowPass, settings, 0.8f);
    morvane::mapParameter(morvane::Parameter::highPass, settings, 0.1f);
}

// Stereo noise, left and right after each other.
std::vector<float> makeNoise(std::size_t frames)
{
    std::vector<float> noise(2 * frames);
    morvane::MaterialSignal(morvane::Material::stereoNoise, 48000.0)
        .fill(noise.data(), noise.data() + frames, static_cast<int>(frames));
    return noise;
}

// The engine alone. items_per_second reads as stereo frames per second and time_per_frame as the
// cost of one processSample call. Like every block of the processor, it runs with subnormal
// numbers flushed.
void engineProcessSample(benchmark::State& state)
{
    const juce::ScopedNoDenormals noDenormals;
    const auto sampleRate = static_cast<float>(state.range(0));
    std::srand(1);
    morvane::EngineSettings settings;
    applyTypicalSettings(settings);
    morvane::ReverbEngine engine(&settings, sampleRate);

    constexpr std::size_t framesPerIteration = 4096;
    const std::vector<float> noise = makeNoise(framesPerIteration);

    // Run the tail up first so the lines hold signal rather than zeros.
    for (int pass = 0; pass < 12; ++pass)
    {
        for (std::size_t i = 0; i < framesPerIteration; ++i)
        {
            float left = noise[i];
            float right = noise[framesPerIteration + i];
            engine.processSample(left, right);
        }
    }

    for (auto _ : state)
    {
        for (std::size_t i = 0; i < framesPerIteration; ++i)
        {
            float left = noise[i];
            float right = noise[framesPerIteration + i];
            engine.processSample(left, right);
            benchmark::DoNotOptimize(left);
            benchmark::DoNotOptimize(right);
        }
    }

    const auto frames = static_cast<double>(state.iterations()) * framesPerIteration;
    state.SetItemsProcessed(static_cast<std::int64_t>(frames));
    state.counters["time_per_frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The engine alone in blocks, on each path of allEnginePaths, side by side with the scalar
// reference. A path the processor lacks is skipped. Subnormal
// numbers are flushed, as in the processor.
void engineProcessBlock(benchmark::State& state)
{
    const juce::ScopedNoDenormals noDenormals;
    const auto sampleRate = static_cast<float>(state.range(0));
    const auto blockSize = static_cast<std::size_t>(state.range(1));
    const auto path = morvane::allEnginePaths.at(static_cast<std::size_t>(state.range(2)));
    if (!morvane::EnginePaths::isSupported(path))
    {
        state.SkipWithError("path not supported on this processor");
        return;
    }

    std::srand(1);
    morvane::EngineSettings settings;
    applyTypicalSettings(settings);
    morvane::ReverbFrontEnd engine(&settings, path);
    engine.create(sampleRate);

    constexpr std::size_t framesPerIteration = 4096;
    const std::vector<float> noise = makeNoise(framesPerIteration);
    std::vector<float> left(framesPerIteration);
    std::vector<float> right(framesPerIteration);
    const auto run = [&]
    {
        const auto half = noise.begin() + static_cast<std::ptrdiff_t>(framesPerIteration);
        std::copy(noise.begin(), half, left.begin());
        std::copy(half, noise.end(), right.begin());
        for (std::size_t start = 0; start < framesPerIteration; start += blockSize)
            engine.processBlock(left.data() + start, right.data() + start,
                                static_cast<int>(blockSize));
    };

    for (int pass = 0; pass < 12; ++pass)
        run();

    for (auto _ : state)
    {
        run();
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
    }

    const auto frames = static_cast<double>(state.iterations()) * framesPerIteration;
    state.SetLabel(morvane::EnginePaths::name(path));
    state.SetItemsProcessed(static_cast<std::int64_t>(frames));
    state.counters["time_per_frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(engineProcessSample)->Arg(44100)->Arg(48000)->Arg(96000)->Unit(benchmark::kMicrosecond);
BENCHMARK(engineProcessBlock)
    ->ArgNames({"rate", "block", "path"})
    ->ArgsProduct({{44100, 48000, 96000},
                   {64, 512},
                   benchmark::CreateDenseRange(
                       0, static_cast<std::int64_t>(std::size(morvane::allEnginePaths)) - 1, 1)})
    ->Unit(benchmark::kMicrosecond);
