// SPDX-License-Identifier: GPL-3.0-or-later
#include "processor/OrnCore.h"
#include "support/ProcessorProbe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

using morvane::OrnCore;
using morvane::test::makeNoiseBlock;

namespace
{
juce::MemoryBlock stateWith(std::initializer_list<float> values, const char* name)
{
    OrnCore source;
    int index = 0;
    for (float value : values)
        source.setParameter(index++, value);
    source.getProgram().name = name;
    source.getProgram().midiMap[7] = index;

    juce::MemoryBlock chunk;
    source.getStateInformation(chunk);
    return chunk;
}
} // namespace

// A host may restore a project on its user-interface thread while the audio
// callback runs; built with ThreadSanitizer this must report nothing.
TEST(OrnStateConcurrency, RestoringWhileTheAudioRunsIsRaceFreeAndStaysFinite)
{
    constexpr int blockSize = 128;
    OrnCore core;
    core.setRateAndBufferSizeDetails(44100.0, blockSize);
    core.prepareToPlay(44100.0, blockSize);

    const juce::MemoryBlock states[] = {
        stateWith({1.0f, 0.9f, 0.3f, 1.0f, 1.0f, 0.0f, 1.0f}, "wide"),
        stateWith({1.0f, std::numeric_limits<float>::quiet_NaN(), 5.0f, -3.0f,
                   std::numeric_limits<float>::infinity(), 2.0f, -1.0f},
                  "wild"),
        stateWith({0.0f, 0.2f, 1.0f, 0.0f, 0.85f, 0.8f, 0.0f}, "off"),
    };

    std::atomic<int> blocks{0};
    std::atomic<bool> restoring{true};
    std::atomic<int> nonFiniteSamples{0};

    std::thread audio(
        [&]
        {
            juce::MidiBuffer midi;
            juce::uint32 seed = 1;
            while (restoring.load() || blocks.load() < 2)
            {
                auto buffer = makeNoiseBlock(blockSize, seed++);
                core.processBlock(buffer, midi);
                for (int channel = 0; channel < 2; ++channel)
                    for (int n = 0; n < blockSize; ++n)
                        if (!std::isfinite(buffer.getSample(channel, n)))
                            nonFiniteSamples.fetch_add(1);
                blocks.fetch_add(1);
            }
        });

    while (blocks.load() == 0)
        std::this_thread::yield();

    int savedDifferently = 0;
    for (int i = 0; i < 600; ++i)
    {
        const auto& chunk = states[i % 3];
        core.setStateInformation(chunk.getData(), static_cast<int>(chunk.getSize()));

        juce::MemoryBlock saved;
        core.getStateInformation(saved);
        if (saved != chunk)
            ++savedDifferently;
    }
    restoring.store(false);
    audio.join();

    EXPECT_EQ(savedDifferently, 0);
    EXPECT_EQ(nonFiniteSamples.load(), 0);
    EXPECT_EQ(core.getProgram().name, "off");
}
