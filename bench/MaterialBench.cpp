// SPDX-License-Identifier: GPL-3.0-or-later
#include "MaterialBench.h"
#include "MaterialCase.h"
#include "MaterialSignal.h"
#include "engine/EnginePath.h"
#include "processor/OrnCore.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <utility>

using morvane::EnginePath;
using morvane::EnginePaths;
using morvane::Material;
using morvane::Materials;
using morvane::MaterialSignal;
using morvane::bench::MaterialCase;

namespace
{

constexpr int blockSizes[] = {32, 64, 512};
// Each turn of a material processes this many frames, whatever the block size, so that reading
// the clock around it costs next to nothing.
constexpr int framesPerTurn = 512;
// The material is made ahead a quarter of a second at a time.
constexpr int turnsPerChunk = 23;

/** A material playing through a processor of its own, as a host drives it: the material is made
    ahead, outside the timing, and copied into the host's buffer block by block. A material that
    ends in silence starts again after its minute, on the same processor. */
class Playing
{
public:
    explicit Playing(const MaterialCase& which)
        : material(which.material), blockSize(which.blockSize),
          signal(which.material, MaterialCase::sampleRate), chunk(2, turnsPerChunk * framesPerTurn),
          block(2, blockSize)
    {
        std::srand(1);
        EnginePaths::setOverride(which.path);
        core = std::make_unique<morvane::OrnCore>();
        core->setRateAndBufferSizeDetails(MaterialCase::sampleRate, blockSize);
        core->prepareToPlay(MaterialCase::sampleRate, blockSize);
        EnginePaths::setOverride(EnginePath::automatic);
        if (Materials::isSteady(material))
            for (int settled = 0; settled < Materials::settleSeconds * MaterialCase::sampleRate;
                 settled += framesPerTurn)
                playTurn();
    }

    /** One turn, framesPerTurn frames; the time it took. */
    std::chrono::steady_clock::duration playTurn()
    {
        if (next == chunk.getNumSamples())
            makeMaterial();
        const auto start = std::chrono::steady_clock::now();
        for (int end = next + framesPerTurn; next < end; next += blockSize)
        {
            block.copyFrom(0, 0, chunk, 0, next, blockSize);
            block.copyFrom(1, 0, chunk, 1, next, blockSize);
            core->processBlock(block, midi);
            benchmark::DoNotOptimize(block.getReadPointer(0));
        }
        return std::chrono::steady_clock::now() - start;
    }

private:
    void makeMaterial()
    {
        const auto length = Materials::lengthFrames(material, MaterialCase::sampleRate);
        if (length > 0 && signal.position() >= length)
            signal = MaterialSignal(material, MaterialCase::sampleRate);
        signal.fill(chunk.getWritePointer(0), chunk.getWritePointer(1), chunk.getNumSamples());
        next = 0;
    }

    Material material;
    int blockSize;
    MaterialSignal signal;
    juce::AudioBuffer<float> chunk;
    juce::AudioBuffer<float> block;
    juce::MidiBuffer midi;
    std::unique_ptr<morvane::OrnCore> core;
    int next = turnsPerChunk * framesPerTurn;
};

using Players = std::array<std::unique_ptr<Playing>, morvane::allMaterials.size()>;

// The players of a path and block size live from one run of their benchmark to the next, so the
// steady ones settle once however often the library runs it.
std::map<std::pair<EnginePath, int>, Players>& allPlayers()
{
    static std::map<std::pair<EnginePath, int>, Players> players;
    return players;
}

Players& playersFor(EnginePath path, int blockSize)
{
    auto& players = allPlayers()[{path, blockSize}];
    for (std::size_t i = 0; i < players.size(); ++i)
        if (players[i] == nullptr)
            players[i] =
                std::make_unique<Playing>(MaterialCase{morvane::allMaterials[i], path, blockSize});
    return players;
}

// The whole audio callback on every material at once, on one path in blocks of one size: each
// material plays through a processor of its own, and in every iteration each takes a turn, timed
// apart, so that whatever disturbs the machine falls on all of them alike. A steady material has
// settled for Materials::settleSeconds first; the two that end in silence play from their first
// sample through their minute and start again. Each material's counter is its ns per stereo frame;
// the benchmark's own time is the sum of the turns.
void processMaterials(benchmark::State& state, EnginePath path, int blockSize)
{
    Players& players = playersFor(path, blockSize);
    std::array<std::chrono::steady_clock::duration, morvane::allMaterials.size()> spent{};
    std::size_t first = 0;
    for (auto _ : state)
    {
        std::chrono::steady_clock::duration iteration{};
        for (std::size_t k = 0; k < players.size(); ++k)
        {
            const auto i = (first + k) % players.size();
            const auto took = players[i]->playTurn();
            spent[i] += took;
            iteration += took;
        }
        first = (first + 1) % players.size();
        state.SetIterationTime(std::chrono::duration<double>(iteration).count());
    }

    const auto frames = static_cast<double>(state.iterations()) * framesPerTurn;
    for (std::size_t i = 0; i < players.size(); ++i)
        state.counters[Materials::key(morvane::allMaterials[i])] = benchmark::Counter(
            static_cast<double>(std::chrono::nanoseconds(spent[i]).count()) / frames);
    state.SetLabel(EnginePaths::name(path));
}

// Every path the processor runs, in every block size.
const bool registered = []
{
    for (const EnginePath path : morvane::allEnginePaths)
    {
        if (!EnginePaths::isSupported(path))
            continue;
        for (const int blockSize : blockSizes)
            benchmark::RegisterBenchmark(MaterialCase::benchmarkName(path, blockSize).c_str(),
                                         [path, blockSize](benchmark::State& state)
                                         { processMaterials(state, path, blockSize); })
                ->UseManualTime()
                ->Unit(benchmark::kMicrosecond);
    }
    return true;
}();

} // namespace

void morvane::bench::releaseMaterialPlayers()
{
    allPlayers().clear();
}
