// SPDX-License-Identifier: GPL-3.0-or-later
#include "processor/OrnCore.h"
#include "support/ProcessorProbe.h"
#include "support/StateChunks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using morvane::OrnCore;
using morvane::test::makeChunk;
using morvane::test::makeNoiseBlock;
using morvane::test::ProcessorProbe;

namespace
{
juce::MemoryBlock save(OrnCore& core)
{
    juce::MemoryBlock chunk;
    core.getStateInformation(chunk);
    return chunk;
}

/** A processor with its host and editor listening. */
struct Fixture
{
    OrnCore core;
    ProcessorProbe probe;

    Fixture()
    {
        core.dispatchPendingMessages();
        core.addListener(&probe);
        core.addChangeListener(&probe);
    }

    ~Fixture()
    {
        core.removeChangeListener(&probe);
        core.removeListener(&probe);
    }

    void restore(const std::string& document)
    {
        probe.clear();
        const auto chunk = makeChunk(document);
        core.setStateInformation(chunk.getData(), static_cast<int>(chunk.getSize()));
        core.dispatchPendingMessages();
    }
};
} // namespace

TEST(OrnCoreState, RestoreAppliesTheProgramTellsTheHostAndRefreshesOnce)
{
    Fixture f;
    f.restore(
        R"(<orn><programs><program programname="Hall" category="Rooms" effectreverbon="1" )"
        R"(effectreverbamount="0.5" effectreverbsignalamount="0.25" effectreverbdelay="0.125" )"
        R"(effectreverbsize="0.75" effectreverblow="0.375" effectreverbhigh="0.0625"/>)"
        R"(</programs><midimap><map param="3" controllernumber="7"/></midimap></orn>)");

    const float expected[] = {1.0f, 0.5f, 0.25f, 0.125f, 0.75f, 0.375f, 0.0625f};
    ASSERT_EQ(f.probe.automations.size(), 7u);
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_EQ(f.core.getParameter(i), expected[i]);
        EXPECT_EQ(f.probe.automations[static_cast<size_t>(i)].index, i);
        EXPECT_EQ(f.probe.automations[static_cast<size_t>(i)].value, expected[i]);
    }
    EXPECT_EQ(f.core.getProgram().name, "Hall");
    EXPECT_EQ(f.core.getProgram().category, "Rooms");
    EXPECT_EQ(f.core.getProgram().midiMap[7], 3);
    EXPECT_EQ(f.core.getEngineSettings().get(morvane::Parameter::delay), 0.125 * 0.125);
    EXPECT_GT(f.probe.changeMessages, 0);

    // The single-program requests are the same thing, both ways.
    OrnCore other;
    const auto chunk = save(f.core);
    other.setCurrentProgramStateInformation(chunk.getData(), static_cast<int>(chunk.getSize()));
    EXPECT_EQ(save(other), chunk);
    juce::MemoryBlock programChunk{"stale", 5};
    other.getCurrentProgramStateInformation(programChunk);
    EXPECT_EQ(programChunk, chunk);
}

TEST(OrnCoreState, OnlyARestoredProgramReachesTheHostAndOnlyAnEmptyBankStaysSilent)
{
    Fixture f;
    f.restore("not a document");
    EXPECT_TRUE(f.probe.automations.empty());
    EXPECT_GT(f.probe.changeMessages, 0);

    // No "programs": the controller entries are read, nothing is applied again.
    f.restore(R"(<orn><midimap><map param="5" controllernumber="7"/></midimap></orn>)");
    EXPECT_EQ(f.core.getProgram().midiMap[7], 5);
    EXPECT_TRUE(f.probe.automations.empty());
    EXPECT_GT(f.probe.changeMessages, 0);

    f.restore(R"(<orn><programs/><midimap><map param="6" controllernumber="7"/></midimap></orn>)");
    EXPECT_EQ(f.core.getProgram().midiMap[7], 5);
    EXPECT_TRUE(f.probe.automations.empty());
    EXPECT_EQ(f.probe.changeMessages, 0);
}

TEST(OrnCoreState, OddStoredValuesKeepTheSoundFinite)
{
    for (const char* text : {"nan", "inf", "-1e300", "1e99999999999", "-0.5", "3.4028235e38"})
    {
        std::string attributes;
        for (const char* name :
             {"effectreverbamount", "effectreverbsignalamount", "effectreverbdelay",
              "effectreverbsize", "effectreverblow", "effectreverbhigh"})
            attributes += std::string(name) + "=\"" + text + "\" ";

        Fixture f;
        f.core.setRateAndBufferSizeDetails(44100.0, 256);
        f.restore(R"(<orn><programs><program effectreverbon="1" )" + attributes +
                  "/></programs></orn>");
        ASSERT_EQ(f.probe.automations.size(), 7u) << text;

        juce::MidiBuffer midi;
        for (int block = 0; block < 20; ++block)
        {
            auto buffer = makeNoiseBlock(256, static_cast<juce::uint32>(block + 1));
            f.core.processBlock(buffer, midi);
            for (int channel = 0; channel < 2; ++channel)
                for (int n = 0; n < 256; ++n)
                    ASSERT_TRUE(std::isfinite(buffer.getSample(channel, n))) << text;
        }
    }
}
