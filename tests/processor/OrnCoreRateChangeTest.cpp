// SPDX-License-Identifier: GPL-3.0-or-later
#include "processor/OrnCore.h"
#include "support/AllocationCounter.h"
#include "support/ProcessorProbe.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using morvane::OrnCore;
using morvane::test::AllocationCounts;
using morvane::test::makeNoiseBlock;
using morvane::test::ProcessorProbe;

namespace
{

// How a host brings the processor to a new rate: with an announcement on its own thread before
// the blocks (every plug-in format does this), or by just processing at it.
enum class Change
{
    announced,
    unannounced,
};

void moveTo(OrnCore& core, double rate, Change change)
{
    core.setRateAndBufferSizeDetails(rate, 512);
    if (change == Change::announced)
        core.prepareToPlay(rate, 512);
}

std::vector<std::uint32_t> bitsOf(const juce::AudioBuffer<float>& buffer)
{
    std::vector<std::uint32_t> bits(2 * static_cast<std::size_t>(buffer.getNumSamples()));
    for (int channel = 0; channel < 2; ++channel)
        std::memcpy(bits.data() + channel * buffer.getNumSamples(), buffer.getReadPointer(channel),
                    sizeof(float) * static_cast<std::size_t>(buffer.getNumSamples()));
    return bits;
}

struct Session
{
    std::vector<std::uint32_t> output;
    std::vector<ProcessorProbe::Automation> notifications;
};

// 44.1 -> 48 -> 96 -> 44.1 kHz, a few blocks at each, a parameter change on the way, and (when
// announced) a suspend and resume at the running rate, which must keep the tail.
Session render(Change change)
{
    std::srand(31);
    OrnCore core;
    ProcessorProbe probe;
    core.addListener(&probe);

    Session session;
    juce::uint32 seed = 1;
    const double rates[] = {44100.0, 48000.0, 96000.0, 44100.0};
    for (const double rate : rates)
    {
        moveTo(core, rate, change);
        for (int block = 0; block < 6; ++block)
        {
            if (block == 3 && change == Change::announced)
            {
                core.releaseResources();
                core.prepareToPlay(rate, 512);
            }
            if (block == 4)
                core.setParameter(4, static_cast<float>(seed % 7) / 7.0f);
            auto buffer = makeNoiseBlock(block == 2 ? 100 : 512, seed++);
            juce::MidiBuffer midi;
            core.processBlock(buffer, midi);
            const auto bits = bitsOf(buffer);
            session.output.insert(session.output.end(), bits.begin(), bits.end());
        }
    }
    core.removeListener(&probe);
    session.notifications = probe.automations;
    return session;
}

// Counts the host notifications without allocating, as a real host's glue would.
struct QuietHost : public juce::AudioProcessorListener
{
    std::array<int, 7> notified{};

    void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float) override
    {
        if (index >= 0 && index < 7)
            ++notified[static_cast<std::size_t>(index)];
    }
    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override {}
};

// What a plug-in client that tells its host itself hears of the re-applied program.
struct ClientListener : public OrnCore::ReapplyListener
{
    std::vector<ProcessorProbe::Automation> heard;

    void programValueReapplied(int index, float value) noexcept override
    {
        if (heard.size() < heard.capacity())
            heard.push_back({index, value});
    }
};

} // namespace

// The engine for an announced rate is built ahead, but from the same draws of the C library
// generator in the same order, so a session sounds the same bit for bit either way, and the host
// is told the seven values at each change, in order, as before.
TEST(OrnCoreRateChange, AnnouncedChangesSoundAndNotifyAsUnannouncedOnes)
{
    const Session announced = render(Change::announced);
    const Session unannounced = render(Change::unannounced);
    EXPECT_EQ(announced.output, unannounced.output);

    ASSERT_EQ(announced.notifications.size(), 21u);
    ASSERT_EQ(unannounced.notifications.size(), 21u);
    for (std::size_t i = 0; i < 21; ++i)
    {
        EXPECT_EQ(announced.notifications[i].index, static_cast<int>(i % 7));
        EXPECT_EQ(announced.notifications[i].index, unannounced.notifications[i].index);
        EXPECT_EQ(announced.notifications[i].value, unannounced.notifications[i].value);
    }
}

// The first block at an announced rate swaps the prepared engine in and re-applies the program
// without allocating or freeing anything; only a rate nobody announced is built in the block.
TEST(OrnCoreRateChange, TheFirstBlockAtAnAnnouncedRateNeitherAllocatesNorFrees)
{
    OrnCore core;
    QuietHost host;
    core.addListener(&host);
    ProcessorProbe editor;
    core.addChangeListener(&editor);
    auto buffer = makeNoiseBlock(512, 4);
    juce::MidiBuffer midi;

    for (const double rate : {48000.0, 96000.0, 44100.0, 192000.0})
    {
        moveTo(core, rate, Change::announced);
        const auto before = AllocationCounts::onThisThread();
        core.processBlock(buffer, midi);
        core.processBlock(buffer, midi);
        const auto during = AllocationCounts::onThisThread().since(before);
        EXPECT_TRUE(during.none())
            << during.allocations << " allocations, " << during.frees << " frees at " << rate;
    }
    for (const int count : host.notified)
        EXPECT_EQ(count, 4);

    moveTo(core, 88200.0, Change::unannounced);
    const auto before = AllocationCounts::onThisThread();
    core.processBlock(buffer, midi);
    EXPECT_GT(AllocationCounts::onThisThread().since(before).allocations, 0);

    core.removeChangeListener(&editor);
    core.removeListener(&host);
}

// A client with a listener of its own hears of the seven values in order instead of JUCE's
// listeners, whose lock the audio thread would otherwise take.
TEST(OrnCoreRateChange, AClientsOwnListenerHearsTheReappliedProgramInsteadOfJucesListeners)
{
    OrnCore core;
    ProcessorProbe host;
    core.addListener(&host);
    core.setParameter(4, 0.3f);
    ClientListener client;
    client.heard.reserve(64);
    core.setReapplyListener(&client);
    auto buffer = makeNoiseBlock(512, 4);
    juce::MidiBuffer midi;

    moveTo(core, 48000.0, Change::announced);
    core.processBlock(buffer, midi);
    ASSERT_EQ(client.heard.size(), 7u);
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_EQ(client.heard[static_cast<std::size_t>(i)].index, i);
        EXPECT_EQ(client.heard[static_cast<std::size_t>(i)].value, core.getParameter(i));
    }
    EXPECT_TRUE(host.automations.empty());

    core.setReapplyListener(nullptr);
    moveTo(core, 96000.0, Change::announced);
    core.processBlock(buffer, midi);
    EXPECT_EQ(client.heard.size(), 7u);
    EXPECT_EQ(host.automations.size(), 7u);
    core.removeListener(&host);
}
