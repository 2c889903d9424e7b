// SPDX-License-Identifier: GPL-3.0-or-later
#include "MaterialSignal.h"
#include "engine/EnginePath.h"
#include "processor/OrnCore.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>

namespace
{
juce::AudioBuffer<float> makeNoise(int frames)
{
    juce::AudioBuffer<float> noise(2, frames);
    morvane::MaterialSignal(morvane::Material::stereoNoise, 48000.0)
        .fill(noise.getWritePointer(0), noise.getWritePointer(1), frames);
    return noise;
}

// The whole audio callback as a host drives it: dither, engine and mix, per
// stereo frame, for host-sized blocks, with the engine on each path of allEnginePaths. A path the
// processor lacks is skipped.
void processBlock(benchmark::State& state)
{
    const auto blockSize = static_cast<int>(state.range(0));
    const auto sampleRate = static_cast<double>(state.range(1));
    const auto path = morvane::allEnginePaths.at(static_cast<std::size_t>(state.range(2)));
    if (!morvane::EnginePaths::isSupported(path))
    {
        state.SkipWithError("path not supported on this processor");
        return;
    }

    std::srand(1);
    morvane::EnginePaths::setOverride(path);
    morvane::OrnCore core;
    core.setRateAndBufferSizeDetails(sampleRate, blockSize);
    core.prepareToPlay(sampleRate, blockSize);

    const juce::AudioBuffer<float> input = makeNoise(blockSize);

    juce::AudioBuffer<float> buffer(2, blockSize);
    juce::MidiBuffer midi;
    buffer.makeCopyOf(input, true);
    core.processBlock(buffer, midi); // the first block at a new rate rebuilds the engine

    for (auto _ : state)
    {
        buffer.makeCopyOf(input, true);
        core.processBlock(buffer, midi);
        benchmark::DoNotOptimize(buffer.getReadPointer(0));
    }

    morvane::EnginePaths::setOverride(morvane::EnginePath::automatic);
    state.SetLabel(morvane::EnginePaths::name(path));
    state.SetItemsProcessed(state.iterations() * blockSize);
    state.counters["ns_per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations() * blockSize),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
} // namespace

BENCHMARK(processBlock)
    ->ArgNames({"block", "rate", "path"})
    ->ArgsProduct({{64, 512},
                   {44100, 48000, 96000},
                   benchmark::CreateDenseRange(
                       0, static_cast<std::int64_t>(std::size(morvane::allEnginePaths)) - 1, 1)})
    ->Unit(benchmark::kMicrosecond);
