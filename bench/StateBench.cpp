// SPDX-License-Identifier: GPL-3.0-or-later
#include "processor/OrnProgram.h"
#include "state/OrnStateReader.h"
#include "state/OrnStateWriter.h"
#include "support/StateChunks.h"

#include <benchmark/benchmark.h>

#include <string>

namespace
{
using morvane::test::makeChunk;

std::string repeated(const std::string& piece, std::size_t bytes)
{
    std::string text;
    text.reserve(bytes + piece.size());
    while (text.size() < bytes)
        text += piece;
    return text;
}

constexpr std::size_t hostileSize = 1u << 20;

// What a host hands back most of the time: the factory program with a few controller entries.
juce::MemoryBlock typicalChunk()
{
    morvane::OrnProgram program;
    program.name = "Large Hall";
    program.midiMap[7] = 3;
    program.midiMap[64] = 1;
    juce::MemoryBlock chunk;
    morvane::OrnStateWriter::write(program, chunk);
    return chunk;
}

// A megabyte of each shape that costs a reader the most, none of which is a state.
juce::MemoryBlock hostileChunk(int kind)
{
    switch (kind)
    {
        case 0: // nesting far beyond any limit
            return makeChunk("<orn><programs>" + repeated("<a>", hostileSize) +
                             "</programs></orn>");
        case 1: // elements beyond the node limit
            return makeChunk("<orn><midimap>" +
                             repeated(R"(<map param="3" controllernumber="7"/>)", hostileSize) +
                             "</midimap></orn>");
        case 2: // references in one attribute value
            return makeChunk(R"(<orn><programs><program programname=")" +
                             repeated("&amp;", hostileSize) + R"("/></programs>)");
        case 3: // comments that are never closed, inside open elements
            return makeChunk("<orn><programs><a><b><c>" + repeated("<!--", hostileSize));
        default: // as many controller entries as the limits let through, with long numbers
            return makeChunk(
                "<orn><programs><program/></programs><midimap>" +
                repeated("<map param=\"" + std::string(370, '7') + R"(" controllernumber="7"/>)",
                         hostileSize) +
                "</midimap></orn>");
    }
}

void restore(benchmark::State& state, const juce::MemoryBlock& chunk)
{
    for (auto _ : state)
    {
        morvane::OrnProgram program;
        const morvane::OrnStateReader reader(chunk.getData(), static_cast<int>(chunk.getSize()));
        reader.applyProgram(program);
        reader.applyControllerMap(program);
        benchmark::DoNotOptimize(program.midiMap.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(chunk.getSize()));
}

void stateRestoreTypical(benchmark::State& state)
{
    restore(state, typicalChunk());
}

void stateRestoreHostile(benchmark::State& state)
{
    restore(state, hostileChunk(static_cast<int>(state.range(0))));
}
} // namespace

BENCHMARK(stateRestoreTypical)->Unit(benchmark::kMicrosecond);
// 0 nesting, 1 many elements, 2 references in an attribute, 3 unclosed comments, 4 a state
// at the limits
BENCHMARK(stateRestoreHostile)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
