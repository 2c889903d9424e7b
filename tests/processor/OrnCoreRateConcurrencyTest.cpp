// SPDX-License-Identifier: GPL-3.0-or-later
#include "processor/OrnCore.h"
#include "support/ProcessorProbe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

using morvane::OrnCore;
using morvane::test::makeNoiseBlock;

// A misbehaving host announces rates and releases resources on its own thread while its audio
// thread keeps processing: each new rate is announced while blocks at the old one still run, and
// the audio thread moves to it a little later; some announcements are withdrawn by the next one
// before any block. The engines pass between the threads without a lock; built with
// ThreadSanitizer this must report nothing, and the audio stays finite. The test's own signals
// between the threads are relaxed, so that only the processor's hand-over orders the engines.
TEST(OrnCoreRateConcurrency, PreparingWhileAnotherThreadProcessesIsRaceFree)
{
    OrnCore core;
    const double rates[] = {44100.0, 48000.0, 96000.0, 22050.0};

    std::atomic<int> target{0};
    std::atomic<bool> hosting{true};
    std::atomic<int> blocks{0};
    std::atomic<int> nonFiniteSamples{0};

    std::thread audio(
        [&]
        {
            juce::MidiBuffer midi;
            juce::uint32 seed = 1;
            while (hosting.load(std::memory_order_relaxed))
            {
                core.setRateAndBufferSizeDetails(rates[target.load(std::memory_order_relaxed)],
                                                 256);
                auto buffer = makeNoiseBlock(256, seed++);
                core.processBlock(buffer, midi);
                for (int channel = 0; channel < 2; ++channel)
                    for (int i = 0; i < 256; ++i)
                        if (!std::isfinite(buffer.getSample(channel, i)))
                            nonFiniteSamples.fetch_add(1, std::memory_order_relaxed);
                blocks.fetch_add(1, std::memory_order_relaxed);
            }
        });

    const auto waitForBlocks = [&blocks](int count)
    {
        const int until = blocks.load(std::memory_order_relaxed) + count;
        while (blocks.load(std::memory_order_relaxed) < until)
            std::this_thread::yield();
    };

    for (int i = 1; i <= 120; ++i)
    {
        const int next = (i * 3) % 4;
        if (i % 4 == 0)
            core.prepareToPlay(rates[(next + 2) % 4], 256);
        core.prepareToPlay(rates[next], 256);
        waitForBlocks(2);
        target.store(next, std::memory_order_relaxed);
        waitForBlocks(3);
        if (i % 5 == 0)
            core.releaseResources();
    }
    hosting.store(false, std::memory_order_relaxed);
    audio.join();

    EXPECT_EQ(nonFiniteSamples.load(), 0);
}
