// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/EnginePath.h"
#include "processor/OrnCore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

using morvane::EnginePath;
using morvane::EnginePaths;
using morvane::OrnCore;

namespace
{

// Renders a fixed session through a processor whose engine runs on `path`: blocks of uneven
// sizes (some longer than the engine's chunks), parameter changes and the switch between blocks,
// a rate change, and a non-finite sample. Returns the bits of every output sample.
std::vector<std::uint32_t> renderSession(EnginePath path)
{
    // Held for the whole session: the processor builds a new engine at every rate change.
    EnginePaths::setOverride(path);
    std::srand(77);
    OrnCore core;

    std::vector<std::uint32_t> bits;
    std::uint32_t state = 1234u;
    const auto next = [&state]
    {
        state = state * 1664525u + 1013904223u;
        return state;
    };
    const int sizes[] = {512, 1, 333, 1000, 64, 257, 4096, 7};
    for (int round = 0; round < 48; ++round)
    {
        const double rate = round < 24 ? 48000.0 : 96000.0;
        const int size = sizes[round % 8];
        core.setRateAndBufferSizeDetails(rate, size);
        if (round % 3 == 0)
            core.setParameter(static_cast<int>(next() % 7u),
                              static_cast<float>(next() >> 8) / 16777216.0f);
        if (round % 8 == 5)
            core.setParameter(0, 1.0f);

        juce::AudioBuffer<float> buffer(2, size);
        for (int channel = 0; channel < 2; ++channel)
            for (int n = 0; n < size; ++n)
                buffer.setSample(channel, n, static_cast<float>(next() >> 8) / 8388608.0f - 1.0f);
        if (round == 10)
            buffer.setSample(0, size / 2, std::numeric_limits<float>::quiet_NaN());

        juce::MidiBuffer midi;
        core.processBlock(buffer, midi);
        for (int channel = 0; channel < 2; ++channel)
            for (int n = 0; n < size; ++n)
            {
                const float x = buffer.getSample(channel, n);
                std::uint32_t b;
                std::memcpy(&b, &x, sizeof b);
                bits.push_back(b);
            }
    }
    EnginePaths::setOverride(EnginePath::automatic);
    return bits;
}

} // namespace

TEST(OrnCoreEnginePath, EveryEnginePathGivesTheSameOutputBitForBit)
{
    const auto reference = renderSession(EnginePath::scalar);
    for (const EnginePath path : morvane::allEnginePaths)
    {
        if (path == EnginePath::scalar || !EnginePaths::isSupported(path))
            continue;
        EXPECT_EQ(renderSession(path), reference) << EnginePaths::name(path);
    }
}
