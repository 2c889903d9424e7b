// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lv2Host.h"
#include "FormatAudio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

// The LV2 bundle rendered by the lilv-based host must match morvane-render sample for sample.

using namespace morvane::test;

namespace
{

struct Render
{
    juce::AudioBuffer<float> input, lv2, reference;
};

// The phrase through the LV2 bundle and through morvane-render, both seeded with 1.
Render renderBoth(const juce::String& name, double rate,
                  const std::map<std::string, std::pair<const char*, float>>& settings)
{
    Render result;
    const auto dir = workDirectory(name);
    result.input = makePhrase(rate);
    const auto inputFile = dir.getChildFile("in.wav");
    writeFloatWav(inputFile, result.input, rate);

    juce::String arguments;
    for (const auto& [id, setting] : settings)
        arguments << " --set "
                  << (juce::String(setting.first) + "=" + juce::String(setting.second, 9)).quoted();
    result.reference = renderReference(inputFile, arguments);

    std::srand(1);
    Lv2Host host;
    EXPECT_TRUE(host.found()) << "no " << MORVANE_LV2_URI << " in " << MORVANE_LV2_PATH;
    if (!host.found() || !host.instantiate(rate))
        return result;
    for (const auto& [id, setting] : settings)
        host.setParameter(id.c_str(), setting.second);
    result.lv2 = host.render(result.input);
    EXPECT_EQ(host.latency(), 0.0f);
    return result;
}

} // namespace

TEST(Lv2Bundle, RendersBitIdenticalToTheOfflineRendererAtTheFactorySettings)
{
    for (const double rate : {44100.0, 48000.0})
    {
        SCOPED_TRACE(rate);
        const auto r = renderBoth("factory-" + juce::String(static_cast<int>(rate)), rate, {});
        ASSERT_EQ(r.lv2.getNumSamples(), r.input.getNumSamples());
        ASSERT_GE(r.reference.getNumSamples(), r.input.getNumSamples());
        EXPECT_EQ(firstDifference(r.lv2, r.reference, r.input.getNumSamples()), -1);
        EXPECT_NE(firstDifference(r.lv2, r.input, r.input.getNumSamples()), -1)
            << "the reverb did nothing";
    }
}

TEST(Lv2Bundle, ParametersSetByTheHostReachTheProcessor)
{
    const std::map<std::string, std::pair<const char*, float>> settings{
        {"effectreverbamount", {"Wet", 0.7f}},
        {"effectreverbsize", {"Size", 0.4f}},
        {"effectreverbdelay", {"Delay", 0.3f}},
        {"effectreverbhigh", {"High Pass", 0.25f}}};
    const auto r = renderBoth("settings", 44100.0, settings);
    ASSERT_EQ(r.lv2.getNumSamples(), r.input.getNumSamples());
    ASSERT_GE(r.reference.getNumSamples(), r.input.getNumSamples());
    EXPECT_EQ(firstDifference(r.lv2, r.reference, r.input.getNumSamples()), -1);
}

TEST(Lv2Bundle, BypassPassesTheInputThroughUntouched)
{
    const double rate = 44100.0;
    const auto input = makePhrase(rate);
    Lv2Host host;
    ASSERT_TRUE(host.found());
    ASSERT_TRUE(host.instantiate(rate));
    host.setEnabled(false);
    const auto output = host.render(input);
    EXPECT_EQ(firstDifference(output, input, input.getNumSamples()), -1);
}

TEST(Lv2Bundle, SessionsKeepTheStoredStateChunk)
{
    const double rate = 44100.0;
    const auto dir = workDirectory("state");
    const auto input = makePhrase(rate);

    // A host stores the plug-in's settings: the chunk inside is the one every format writes.
    std::string session;
    {
        Lv2Host host;
        ASSERT_TRUE(host.found());
        ASSERT_TRUE(host.instantiate(rate));
        host.setParameter("effectreverbsize", 0.3f);
        host.setParameter("effectreverbamount", 0.6f);
        host.render(input);
        session = host.saveState();
    }
    const auto chunk = Lv2Host::chunkOf(session);
    ASSERT_GT(chunk.getSize(), 9u) << session;
    EXPECT_EQ(juce::String::fromUTF8(static_cast<const char*>(chunk.getData()), 4), "VC2!");
    const auto stateFile = dir.getChildFile("session.state");
    ASSERT_TRUE(stateFile.replaceWithData(chunk.getData(), chunk.getSize()));

    // Reopened from the session, it sounds as morvane-render does from the same chunk.
    const auto inputFile = dir.getChildFile("in.wav");
    writeFloatWav(inputFile, input, rate);
    const auto reference =
        renderReference(inputFile, "--load-state " + stateFile.getFullPathName().quoted());

    std::srand(1);
    Lv2Host host;
    ASSERT_TRUE(host.instantiate(rate));
    ASSERT_TRUE(host.restoreState(session));
    const auto output = host.render(input);
    ASSERT_GE(reference.getNumSamples(), input.getNumSamples());
    EXPECT_EQ(firstDifference(output, reference, input.getNumSamples()), -1);

    const auto factory = renderBoth("state-factory", rate, {});
    EXPECT_NE(firstDifference(output, factory.lv2, input.getNumSamples()), -1)
        << "the session was not restored";
}
