// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

using namespace morvane;
using namespace morvane::test;
using namespace morvane::vst2;

namespace
{

using Stereo = std::vector<std::vector<float>>;

constexpr int blockSize = 256;
constexpr int totalFrames = 4 * blockSize;

// The reference: separate input and output buffers, one announced block at a time.
Stereo processSeparately(const Plugin& plugin, const Stereo& input, int block = blockSize)
{
    Stereo output(2, std::vector<float>(input[0].size()));
    const int frames = static_cast<int>(input[0].size());
    for (int offset = 0; offset < frames; offset += block)
    {
        const int n = std::min(block, frames - offset);
        Stereo in = {{input[0].begin() + offset, input[0].begin() + offset + n},
                     {input[1].begin() + offset, input[1].begin() + offset + n}};
        float* ins[] = {in[0].data(), in[1].data()};
        float* outs[] = {output[0].data() + offset, output[1].data() + offset};
        plugin.processReplacing(ins, outs, n);
    }
    return output;
}

class Processing : public ::testing::Test
{
protected:
    Module module;
    Stereo input = noise(totalFrames, 7);
};

} // namespace

TEST_F(Processing, EveryBufferArrangementGivesTheSameOutput)
{
    Plugin reference(module, 3);
    reference.resume(44100.0, blockSize);
    const Stereo expected = processSeparately(reference, input);

    {
        Plugin plugin(module, 3);
        plugin.resume(44100.0, blockSize);
        Stereo buffer = input;
        for (int offset = 0; offset < totalFrames; offset += blockSize)
        {
            float* channels[] = {buffer[0].data() + offset, buffer[1].data() + offset};
            plugin.processReplacing(channels, channels, blockSize);
        }
        EXPECT_EQ(buffer, expected) << "in place";
    }
    {
        Plugin plugin(module, 3);
        plugin.resume(44100.0, blockSize);
        Stereo buffer = input;
        for (int offset = 0; offset < totalFrames; offset += blockSize)
        {
            float* ins[] = {buffer[0].data() + offset, buffer[1].data() + offset};
            float* outs[] = {buffer[1].data() + offset, buffer[0].data() + offset};
            plugin.processReplacing(ins, outs, blockSize);
        }
        EXPECT_EQ(buffer[1], expected[0]) << "crossed: output 0 is input 1";
        EXPECT_EQ(buffer[0], expected[1]);
    }
    {
        // Larger than announced, and larger than anything the client keeps ready.
        Plugin plugin(module, 3);
        plugin.resume(44100.0, 64);
        const Stereo longInput = noise(20000, 11);
        Plugin longReference(module, 5);
        longReference.resume(44100.0, 64);
        const Stereo longExpected = processSeparately(longReference, longInput, 64);

        Plugin oneBlock(module, 5);
        oneBlock.resume(44100.0, 64);
        Stereo buffer = longInput;
        float* channels[] = {buffer[0].data(), buffer[1].data()};
        oneBlock.processReplacing(channels, channels, 20000);
        EXPECT_EQ(buffer, longExpected) << "one block of 20000 frames after announcing 64";
    }
}

TEST_F(Processing, HostsThatSkipTheResumeGetOneFirst)
{
    Plugin reference(module, 4);
    reference.resume(44100.0, blockSize);
    const Stereo expected = processSeparately(reference, input);

    Plugin neverResumed(module, 4);
    neverResumed.suspend();
    EXPECT_EQ(processSeparately(neverResumed, input), expected);

    Plugin suspendedAgain(module, 4);
    suspendedAgain.resume(44100.0, blockSize);
    suspendedAgain.suspend();
    EXPECT_EQ(processSeparately(suspendedAgain, input), expected);

    // Degenerate calls do nothing and break nothing.
    float* none[] = {nullptr, nullptr};
    reference.processReplacing(none, none, blockSize);
    reference.processReplacing(nullptr, nullptr, blockSize);
    Stereo buffer = input;
    float* channels[] = {buffer[0].data(), buffer[1].data()};
    reference.processReplacing(channels, channels, 0);
    reference.processReplacing(channels, channels, -5);
    EXPECT_EQ(buffer, input);
}

TEST_F(Processing, BypassPassesTheInputAndFreezesTheReverb)
{
    const Stereo first = noise(blockSize, 21);
    const Stereo second = noise(blockSize, 22);
    const Stereo third = noise(blockSize, 23);

    Plugin plugin(module, 8);
    plugin.resume(44100.0, blockSize);
    processSeparately(plugin, first);

    EXPECT_EQ(plugin.dispatch(effSetBypass, 0, 1), 1);
    plugin.setParameter(1, 1.0f);
    plugin.setParameter(2, 0.0f);
    EXPECT_EQ(processSeparately(plugin, second), second) << "bypassed: output equals input";
    plugin.setParameter(1, 0.2f);
    plugin.setParameter(2, 1.0f);

    EXPECT_EQ(plugin.dispatch(effSetBypass, 0, 0), 1);
    const Stereo resumedOutput = processSeparately(plugin, third);

    Plugin neverBypassed(module, 8);
    neverBypassed.resume(44100.0, blockSize);
    processSeparately(neverBypassed, first);
    EXPECT_EQ(resumedOutput, processSeparately(neverBypassed, third))
        << "the reverb carries on from where the bypass left it";
}

TEST_F(Processing, NewSampleRateTellsTheHostTheProgramAgain)
{
    Plugin plugin(module, 9);
    plugin.resume(48000.0, blockSize);
    plugin.clearCalls();

    const auto audioThread = std::this_thread::get_id();
    const Stereo output = processSeparately(plugin, input);
    const auto automations = plugin.getCalls(audioMasterAutomate);
    ASSERT_EQ(automations.size(), 7u);
    for (size_t i = 0; i < automations.size(); ++i)
    {
        EXPECT_EQ(automations[i].index, static_cast<int>(i));
        EXPECT_EQ(automations[i].thread, audioThread);
    }
    for (const auto& channel : output)
        for (float sample : channel)
            ASSERT_TRUE(std::isfinite(sample));
}

TEST_F(Processing, AutomationFromAnotherThreadWhileProcessing)
{
    Plugin plugin(module, 10);
    plugin.resume(44100.0, blockSize);
    plugin.clearCalls();

    std::atomic<bool> done{false};
    std::thread automation(
        [&]
        {
            for (int round = 0; !done.load() || round < 2000; ++round)
            {
                const float value = static_cast<float>(round % 101) / 100.0f;
                for (int i = 1; i < 7; ++i)
                    plugin.setParameter(i, value);
                plugin.setParameter(4, round % 2 == 0 ? 2.0f : -1.0f);
                plugin.getParameter(round % 7);
            }
            plugin.setParameter(4, 0.42f);
        });

    bool allFinite = true;
    for (int pass = 0; pass < 50; ++pass)
    {
        Stereo buffer = input;
        float* channels[] = {buffer[0].data(), buffer[1].data()};
        plugin.processReplacing(channels, channels, totalFrames);
        for (const auto& channel : buffer)
            for (float sample : channel)
                allFinite = allFinite && std::isfinite(sample);
    }
    done.store(true);
    automation.join();

    EXPECT_TRUE(allFinite) << "values outside 0..1 must not reach the engine's buffers";
    EXPECT_EQ(plugin.getParameter(4), 0.42f);
    EXPECT_TRUE(plugin.getCalls(audioMasterAutomate).empty());
}
