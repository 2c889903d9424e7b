#include "engine/EnginePath.h"
#include "processor/OrnCore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace
{
// Stereo noise from -0.5 to 0.5, the same on every run.
juce::AudioBuffer<float> makeNoise(int frames)
{
    juce::AudioBuffer<float> noise(2, frames);
    juce::uint32 seed = 1;
    for (int channel = 0; channel < 2; ++channel)
        for (int n = 0; n < frames; ++n)
        {
            seed = seed * 1664525u + 1013904223u;
            noise.setSample(channel, n, static_cast<float>(seed >> 9) / 8388608.0f - 0.5f);
        }
    return noise;
}

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
// The audio callback on two kinds of material, side by side: 0 stereo noise, 1 the same noise
// with the right channel the left one inverted, whose mono sum cancels the dither and leaves the
// network running on near silence. Ten seconds of noise go through before timing starts and the
// blocks then keep moving through it, so the states are in their steady condition.
void processBlockMaterial(benchmark::State& state)
{
    const bool antiPhase = state.range(0) != 0;
    const auto path = static_cast<morvane::EnginePath>(state.range(1) + 1);
    if (!morvane::EnginePaths::isSupported(path))
    {
        state.SkipWithError("path not supported on this processor");
        return;
    }

    constexpr int blockSize = 512;
    constexpr double sampleRate = 48000.0;
    std::srand(1);
    morvane::EnginePaths::setOverride(path);
    morvane::OrnCore core;
    core.setRateAndBufferSizeDetails(sampleRate, blockSize);
    core.prepareToPlay(sampleRate, blockSize);

    constexpr int noiseBlocks = 375; // four seconds
    juce::AudioBuffer<float> noise = makeNoise(noiseBlocks * blockSize);
    if (antiPhase)
        for (int n = 0; n < noise.getNumSamples(); ++n)
            noise.setSample(1, n, -noise.getSample(0, n));

    juce::AudioBuffer<float> buffer(2, blockSize);
    juce::MidiBuffer midi;
    int next = 0;
    const auto processNext = [&]
    {
        buffer.copyFrom(0, 0, noise, 0, next * blockSize, blockSize);
        buffer.copyFrom(1, 0, noise, 1, next * blockSize, blockSize);
        core.processBlock(buffer, midi);
        next = (next + 1) % noiseBlocks;
    };
    for (int block = 0; block < 10 * 48000 / blockSize; ++block)
        processNext();

    for (auto _ : state)
    {
        processNext();
        benchmark::DoNotOptimize(buffer.getReadPointer(0));
    }

    morvane::EnginePaths::setOverride(morvane::EnginePath::automatic);
    state.SetLabel(std::string(antiPhase ? "anti-phase " : "stereo ") +
                   morvane::EnginePaths::name(path));
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
BENCHMARK(processBlockMaterial)
    ->ArgNames({"antiphase", "path"})
    ->ArgsProduct({{0, 1}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMicrosecond);
