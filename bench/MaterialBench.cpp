// SPDX-License-Identifier: GPL-3.0-or-later
#include "MaterialCase.h"
#include "MaterialSignal.h"
#include "engine/EnginePath.h"
#include "processor/OrnCore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

using morvane::EnginePath;
using morvane::EnginePaths;
using morvane::Material;
using morvane::Materials;
using morvane::MaterialSignal;
using morvane::bench::MaterialCase;

namespace
{

constexpr int blockSizes[] = {32, 64, 512};
// Steady material runs this long between timings, the two that end in silence once, whole.
constexpr double steadyMinimumSeconds = 0.1;

// The whole audio callback on one material, as a host drives it. The material is made a second at
// a time with the timing paused, and the blocks are copied into the host's buffer as a host would.
// A steady material first plays for Materials::settleSeconds untimed and is then timed for as
// many blocks as the library asks for; the two that end in silence are timed whole, from their
// first sample to the end of their minute, by a processor made for each repetition.
void processMaterial(benchmark::State& state, const MaterialCase& which)
{
    std::srand(1);
    EnginePaths::setOverride(which.path);
    auto core = std::make_unique<morvane::OrnCore>();
    core->setRateAndBufferSizeDetails(MaterialCase::sampleRate, which.blockSize);
    core->prepareToPlay(MaterialCase::sampleRate, which.blockSize);
    EnginePaths::setOverride(EnginePath::automatic);

    MaterialSignal signal(which.material, MaterialCase::sampleRate);
    const int chunkBlocks = static_cast<int>(MaterialCase::sampleRate) / which.blockSize;
    juce::AudioBuffer<float> chunk(2, chunkBlocks * which.blockSize);
    juce::AudioBuffer<float> block(2, which.blockSize);
    juce::MidiBuffer midi;
    int next = chunkBlocks;
    const auto refill = [&]
    {
        signal.fill(chunk.getWritePointer(0), chunk.getWritePointer(1), chunk.getNumSamples());
        next = 0;
    };
    const auto processNext = [&]
    {
        block.copyFrom(0, 0, chunk, 0, next * which.blockSize, which.blockSize);
        block.copyFrom(1, 0, chunk, 1, next * which.blockSize, which.blockSize);
        core->processBlock(block, midi);
        ++next;
    };

    if (Materials::isSteady(which.material))
        for (int settled = 0; settled < Materials::settleSeconds * MaterialCase::sampleRate;
             settled += which.blockSize)
        {
            if (next == chunkBlocks)
                refill();
            processNext();
        }

    for (auto _ : state)
    {
        if (next == chunkBlocks)
        {
            state.PauseTiming();
            refill();
            state.ResumeTiming();
        }
        processNext();
        benchmark::DoNotOptimize(block.getReadPointer(0));
    }

    state.SetLabel(std::string(Materials::name(which.material)) + ", " +
                   EnginePaths::name(which.path));
    const auto frames = static_cast<double>(state.iterations()) * which.blockSize;
    state.counters["ns_per_frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Every material on every path the processor runs, in every block size.
const bool registered = []
{
    for (const Material material : morvane::allMaterials)
        for (const EnginePath path : morvane::allEnginePaths)
        {
            if (!EnginePaths::isSupported(path))
                continue;
            for (const int blockSize : blockSizes)
            {
                const MaterialCase which{material, path, blockSize};
                auto* benchmark = benchmark::RegisterBenchmark(which.benchmarkName().c_str(),
                                                               [which](benchmark::State& state)
                                                               { processMaterial(state, which); });
                benchmark->Unit(benchmark::kMicrosecond);
                const auto length = Materials::lengthFrames(material, MaterialCase::sampleRate);
                if (length == 0)
                    benchmark->MinTime(steadyMinimumSeconds);
                else
                    benchmark->Iterations((length + blockSize - 1) / blockSize);
            }
        }
    return true;
}();

} // namespace
