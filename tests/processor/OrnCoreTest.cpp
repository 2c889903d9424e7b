// SPDX-License-Identifier: GPL-3.0-or-later
#include "processor/OrnCore.h"
#include "engine/ParameterShaping.h"
#include "support/ProcessorProbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

using morvane::OrnCore;
using morvane::Parameter;
using morvane::test::identical;
using morvane::test::makeNoiseBlock;
using morvane::test::ProcessorProbe;

namespace
{
constexpr float factoryValues[] = {1.0f, 0.2f, 1.0f, 0.0f, 0.85f, 0.8f, 0.0f};

void prepare(OrnCore& core, double rate, int blockSize = 512)
{
    core.setRateAndBufferSizeDetails(rate, blockSize);
    core.prepareToPlay(rate, blockSize);
}

void process(OrnCore& core, juce::AudioBuffer<float>& buffer)
{
    juce::MidiBuffer midi;
    core.processBlock(buffer, midi);
}
} // namespace

TEST(OrnCore, ReportsIdentityAndFactoryProgram)
{
    OrnCore core;
    EXPECT_EQ(core.getName(), "Morvane");
    EXPECT_EQ(core.getNumParameters(), 7);
    EXPECT_FALSE(core.acceptsMidi());
    EXPECT_FALSE(core.producesMidi());
    EXPECT_GT(core.getTailLengthSeconds(), 0.0) << "a reverb rings on after its input stops";
    EXPECT_EQ(core.getInputChannelName(0), "1");
    EXPECT_EQ(core.getOutputChannelName(1), "2");

    const char* names[] = {"On / Off", "Wet", "Dry", "Delay", "Size", "Low Pass", "High Pass"};
    const char* texts[] = {"1.00", "0.20", "1.00", "0.00", "0.85", "0.80", "0.00"};
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_EQ(core.getParameterName(i), names[i]);
        EXPECT_EQ(core.getParameter(i), factoryValues[i]);
        EXPECT_EQ(core.getParameterText(i), texts[i]);
        EXPECT_EQ(core.getParameterDefaultValue(i), factoryValues[i]);
    }

    // The factory program is applied at construction: every shaped setting is in place.
    EXPECT_EQ(core.getEngineSettings().get(Parameter::size),
              morvane::invertedExponentialTaper(0.85f));
    const double lowPass = 0.8f;
    EXPECT_DOUBLE_EQ(core.getEngineSettings().get(Parameter::lowPass),
                     0.9 * lowPass * lowPass + 0.1);
}

TEST(OrnCore, OutOfRangeIndicesAreAnsweredWithDefaultsAndIgnored)
{
    OrnCore core;
    ProcessorProbe probe;
    core.dispatchPendingMessages();
    core.addChangeListener(&probe);

    for (int index : {7, -1, 1000})
    {
        EXPECT_EQ(core.getParameter(index), 0.0f);
        EXPECT_TRUE(core.getParameterName(index).isEmpty());
        EXPECT_TRUE(core.getParameterText(index).isEmpty());
        core.setParameter(index, 0.5f);
    }
    core.dispatchPendingMessages();
    EXPECT_EQ(probe.changeMessages, 0);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(core.getParameter(i), factoryValues[i]);

    core.removeChangeListener(&probe);
}

TEST(OrnCore, SetParameterStoresTheRawValueShapesItAndAnnouncesIt)
{
    OrnCore core;
    ProcessorProbe probe;
    core.addListener(&probe);
    core.dispatchPendingMessages();
    core.addChangeListener(&probe);

    core.setParameter(1, 0.123f);
    EXPECT_EQ(core.getParameter(1), 0.123f);
    EXPECT_EQ(core.getParameterDefaultValue(1), 0.123f);
    EXPECT_EQ(core.getEngineSettings().get(Parameter::wet), morvane::exponentialTaper(0.123f));

    core.dispatchPendingMessages();
    EXPECT_EQ(probe.changeMessages, 1);
    EXPECT_TRUE(probe.automations.empty()) << "a plain setParameter must not notify the host";

    // Values outside 0..1 are kept as received; only the shaped setting is bounded.
    core.setParameter(4, 7.5f);
    EXPECT_EQ(core.getParameter(4), 7.5f);
    EXPECT_EQ(core.getEngineSettings().get(Parameter::size), 1.0);
    core.setParameter(3, std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::isnan(core.getParameter(3)));
    EXPECT_EQ(core.getEngineSettings().get(Parameter::delay), 0.0);

    core.removeChangeListener(&probe);
    core.removeListener(&probe);
}

TEST(OrnCore, ParameterTextHasTwoDecimals)
{
    EXPECT_EQ(OrnCore::formatValue(0.0f), "0.00");
    EXPECT_EQ(OrnCore::formatValue(1.0f), "1.00");
    EXPECT_EQ(OrnCore::formatValue(0.005f), "0.00"); // 0.005f lies just below 0.005
    EXPECT_EQ(OrnCore::formatValue(0.0051f), "0.01");
    EXPECT_EQ(OrnCore::formatValue(0.994f), "0.99");
    EXPECT_EQ(OrnCore::formatValue(-0.25f), "-0.25");
    EXPECT_EQ(OrnCore::formatValue(123.456f), "123.46");
    EXPECT_EQ(OrnCore::formatValue(std::numeric_limits<float>::quiet_NaN()), "nan");
    EXPECT_EQ(OrnCore::formatValue(std::numeric_limits<float>::infinity()), "92233720368547758.07");
}

TEST(OrnCore, OnOffThresholdIsStrictAndBypassLeavesTheBlockUntouched)
{
    OrnCore core;
    prepare(core, 44100.0);

    for (float onOff : {0.5f, 0.0f, 0.3f})
    {
        core.setParameter(0, onOff);
        auto buffer = makeNoiseBlock(512, 7);
        const auto input = buffer;
        process(core, buffer);
        EXPECT_TRUE(identical(buffer, input)) << "On / Off " << onOff;
    }

    core.setParameter(0, 0.51f);
    auto buffer = makeNoiseBlock(512, 7);
    const auto input = buffer;
    process(core, buffer);
    EXPECT_FALSE(identical(buffer, input));
}

TEST(OrnCore, SwitchedOffEngineResumesWhereItStopped)
{
    std::srand(11);
    OrnCore interrupted;
    std::srand(11);
    OrnCore continuous;
    prepare(interrupted, 44100.0);
    prepare(continuous, 44100.0);

    for (int block = 0; block < 6; ++block)
    {
        if (block == 2)
            interrupted.setParameter(0, 0.0f);
        if (block == 4)
            interrupted.setParameter(0, 1.0f);

        auto a = makeNoiseBlock(256, static_cast<juce::uint32>(block + 1));
        process(interrupted, a);
        if (block == 2 || block == 3)
            continue;

        auto b = makeNoiseBlock(256, static_cast<juce::uint32>(block + 1));
        process(continuous, b);
        EXPECT_TRUE(identical(a, b)) << "block " << block;
    }
}

TEST(OrnCore, WetZeroPassesTheDryPathPlusDither)
{
    OrnCore core;
    prepare(core, 44100.0);
    core.setParameter(1, 0.0f);
    const auto dry = static_cast<float>(core.getEngineSettings().get(Parameter::dry));

    auto buffer = makeNoiseBlock(4096, 3);
    const auto input = buffer;
    for (int block = 0; block < 4; ++block)
        process(core, buffer = input);

    for (int channel = 0; channel < 2; ++channel)
        for (int n = 0; n < buffer.getNumSamples(); ++n)
            ASSERT_NEAR(buffer.getSample(channel, n), input.getSample(channel, n) * dry, 1.2e-7f);
}

TEST(OrnCore, NewRateRebuildsOnceAndTellsTheHostEveryValue)
{
    OrnCore core;
    ProcessorProbe probe;
    core.addListener(&probe);
    core.setParameter(4, 0.4f);
    prepare(core, 48000.0);

    auto buffer = makeNoiseBlock(64, 1);
    process(core, buffer);
    ASSERT_EQ(probe.automations.size(), 7u);
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_EQ(probe.automations[static_cast<size_t>(i)].index, i);
        EXPECT_EQ(probe.automations[static_cast<size_t>(i)].value, core.getParameter(i));
    }
    EXPECT_EQ(core.getParameter(4), 0.4f);

    process(core, buffer);
    EXPECT_EQ(probe.automations.size(), 7u) << "the second block at the same rate must not rebuild";

    // A rate the engine cannot be built for is taken once and does not repeat the notifications.
    prepare(core, 0.0);
    process(core, buffer);
    process(core, buffer);
    EXPECT_EQ(probe.automations.size(), 14u);
    for (int n = 0; n < buffer.getNumSamples(); ++n)
        ASSERT_TRUE(std::isfinite(buffer.getSample(0, n)));

    core.removeListener(&probe);
}

TEST(OrnCore, MidiIsIgnored)
{
    std::srand(5);
    OrnCore withMidi;
    std::srand(5);
    OrnCore withoutMidi;
    prepare(withMidi, 44100.0);
    prepare(withoutMidi, 44100.0);

    juce::MidiBuffer midi;
    for (int n = 0; n < 64; ++n)
        midi.addEvent(juce::MidiMessage::controllerEvent(1, n % 8, 127), n);
    const auto sentMidi = midi;

    auto a = makeNoiseBlock(64, 9);
    auto b = a;
    withMidi.processBlock(a, midi);
    process(withoutMidi, b);

    EXPECT_TRUE(identical(a, b));
    EXPECT_EQ(midi.getNumEvents(), sentMidi.getNumEvents());
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(withMidi.getParameter(i), factoryValues[i]);
}

TEST(OrnCore, NonFiniteInputDoesNotPoisonTheReverb)
{
    OrnCore core;
    prepare(core, 44100.0);
    core.setParameter(2, 0.0f);

    for (float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
    {
        auto buffer = makeNoiseBlock(512, 4);
        buffer.setSample(0, 10, bad);
        process(core, buffer);
        for (int block = 0; block < 20; ++block)
        {
            auto next = makeNoiseBlock(512, static_cast<juce::uint32>(block + 20));
            process(core, next);
            for (int channel = 0; channel < 2; ++channel)
            {
                for (int n = 0; n < next.getNumSamples(); ++n)
                    ASSERT_TRUE(std::isfinite(next.getSample(channel, n)));
            }
            if (block == 19)
            {
                EXPECT_GT(next.getMagnitude(0, next.getNumSamples()), 1e-4f);
            }
        }
    }
}

TEST(OrnCore, ExtremeParameterValuesKeepTheOutputFinite)
{
    OrnCore core;
    prepare(core, 96000.0);
    const float extremes[] = {std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              1e30f,
                              -3.0f,
                              2.0f};

    for (float value : extremes)
    {
        for (int index = 1; index < 7; ++index)
            core.setParameter(index, value);
        auto buffer = makeNoiseBlock(2048, 2);
        process(core, buffer);
        for (int channel = 0; channel < 2; ++channel)
        {
            for (int n = 0; n < buffer.getNumSamples(); ++n)
                ASSERT_TRUE(std::isfinite(buffer.getSample(channel, n))) << value;
        }
    }
}
