// SPDX-License-Identifier: GPL-3.0-or-later
#include "MaterialBench.h"
#include "MaterialCase.h"
#include "MaterialSignal.h"
#include "engine/EnginePath.h"
#include "processor/OrnCore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

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

/** A material playing through a processor of its own, as a host drives it: the material is made
    a second at a time and copied into the host's buffer block by block. */
class Playing
{
public:
    explicit Playing(const MaterialCase& which)
        : blockSize(which.blockSize),
          chunkBlocks(static_cast<int>(MaterialCase::sampleRate) / which.blockSize),
          signal(which.material, MaterialCase::sampleRate), chunk(2, chunkBlocks * blockSize),
          block(2, blockSize), next(chunkBlocks)
    {
        std::srand(1);
        EnginePaths::setOverride(which.path);
        core = std::make_unique<morvane::OrnCore>();
        core->setRateAndBufferSizeDetails(MaterialCase::sampleRate, blockSize);
        core->prepareToPlay(MaterialCase::sampleRate, blockSize);
        EnginePaths::setOverride(EnginePath::automatic);
    }

    bool needsMaterial() const noexcept { return next == chunkBlocks; }

    void makeMaterial()
    {
        signal.fill(chunk.getWritePointer(0), chunk.getWritePointer(1), chunk.getNumSamples());
        next = 0;
    }

    void processNext()
    {
        block.copyFrom(0, 0, chunk, 0, next * blockSize, blockSize);
        block.copyFrom(1, 0, chunk, 1, next * blockSize, blockSize);
        core->processBlock(block, midi);
        benchmark::DoNotOptimize(block.getReadPointer(0));
        ++next;
    }

    void play(double seconds)
    {
        for (int done = 0; done < seconds * MaterialCase::sampleRate; done += blockSize)
        {
            if (needsMaterial())
                makeMaterial();
            processNext();
        }
    }

private:
    int blockSize;
    int chunkBlocks;
    MaterialSignal signal;
    juce::AudioBuffer<float> chunk;
    juce::AudioBuffer<float> block;
    juce::MidiBuffer midi;
    std::unique_ptr<morvane::OrnCore> core;
    int next;
};

// A steady material keeps its processor from one run of its benchmark to the next, so it settles
// once however often the library runs it.
std::map<MaterialCase, std::unique_ptr<Playing>>& steadyPlayers()
{
    static std::map<MaterialCase, std::unique_ptr<Playing>> players;
    return players;
}

Playing& steadyPlayer(const MaterialCase& which)
{
    auto& player = steadyPlayers()[which];
    if (player == nullptr)
    {
        player = std::make_unique<Playing>(which);
        player->play(Materials::settleSeconds);
    }
    return *player;
}

// The whole audio callback on one material. A steady material plays for Materials::settleSeconds
// untimed on its first run and is then timed for as many blocks as the library asks for; the two
// that end in silence are timed whole, from their first sample to the end of their minute, by a
// processor made for each repetition. Making the material is not timed.
void processMaterial(benchmark::State& state, const MaterialCase& which)
{
    std::unique_ptr<Playing> fresh;
    if (!Materials::isSteady(which.material))
        fresh = std::make_unique<Playing>(which);
    Playing& playing = fresh != nullptr ? *fresh : steadyPlayer(which);

    for (auto _ : state)
    {
        if (playing.needsMaterial())
        {
            state.PauseTiming();
            playing.makeMaterial();
            state.ResumeTiming();
        }
        playing.processNext();
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

void morvane::bench::releaseMaterialPlayers()
{
    steadyPlayers().clear();
}
