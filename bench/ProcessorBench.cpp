#include "engine/EnginePath.h"
#include "processor/OrnCore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{
// The whole audio callback as a host drives it: dither, engine and mix, per
// stereo frame, for host-sized blocks, with the engine on each instruction-set path (0 scalar,
// 1 SSE2, 2 AVX2, 3 AVX-512). A path the processor lacks is skipped.
void processBlock(benchmark::State& state)
{
    const auto blockSize = static_cast<int>(state.range(0));
    const auto sampleRate = static_cast<double>(state.range(1));
    const auto path = static_cast<morvane::EnginePath>(state.range(2) + 1);
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

    juce::AudioBuffer<float> input(2, blockSize);
    juce::uint32 seed = 1;
    for (int channel = 0; channel < 2; ++channel)
        for (int n = 0; n < blockSize; ++n)
        {
            seed = seed * 1664525u + 1013904223u;
            input.setSample(channel, n, static_cast<float>(seed >> 9) / 8388608.0f - 0.5f);
        }

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
    ->ArgsProduct({{64, 512}, {44100, 48000, 96000}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMicrosecond);
