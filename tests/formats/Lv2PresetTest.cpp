// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormatAudio.h"
#include "Lv2Host.h"

#include "presets/FactoryPresets.h"
#include "state/OrnStateReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

// The factory presets as an LV2 host's preset menu offers them: lilv finds them in the bundle,
// and loading one sounds exactly as morvane-render does from the preset's file, while the mix
// the user set stays.

using morvane::FactoryPresets;
using morvane::OrnProgram;
using morvane::Parameter;
using namespace morvane::test;

namespace
{
juce::File presetFile(const morvane::FactoryPreset& preset)
{
    return juce::File(MORVANE_PRESET_DIR).getChildFile(preset.fileName);
}
} // namespace

TEST(Lv2Presets, TheBundleListsEveryFactoryPresetBesideDefault)
{
    Lv2Host host;
    ASSERT_TRUE(host.found());
    auto labels = host.presetLabels();
    std::vector<std::string> expected{"default"};
    for (const auto& preset : FactoryPresets::all())
        expected.push_back(preset.name.toStdString());
    std::sort(labels.begin(), labels.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(labels, expected);
}

TEST(Lv2Presets, EachPresetSoundsAsTheRendererDoesFromItsFile)
{
    const double rate = 48000.0;
    const auto dir = workDirectory("presets");
    const auto input = makePhrase(rate);
    const auto inputFile = dir.getChildFile("in.wav");
    writeFloatWav(inputFile, input, rate);

    juce::AudioBuffer<float> previous;
    for (const auto& preset : FactoryPresets::all())
    {
        SCOPED_TRACE(preset.name);
        const auto reference = renderReference(
            inputFile, "--load-state " + presetFile(preset).getFullPathName().quoted());
        ASSERT_GE(reference.getNumSamples(), input.getNumSamples());

        std::srand(1);
        Lv2Host host;
        ASSERT_TRUE(host.instantiate(rate));
        ASSERT_TRUE(host.loadPreset(preset.name.toStdString()));
        const auto output = host.render(input);
        EXPECT_EQ(firstDifference(output, reference, input.getNumSamples()), -1);
        if (previous.getNumSamples() > 0)
        {
            EXPECT_NE(firstDifference(output, previous, input.getNumSamples()), -1)
                << "sounds like the preset before it";
        }
        previous = output;
    }
}

TEST(Lv2Presets, APresetSetsTheCharacterAndKeepsTheMixTheUserSet)
{
    Lv2Host host;
    ASSERT_TRUE(host.found());
    ASSERT_TRUE(host.instantiate(44100.0));
    host.setParameter("effectreverbamount", 0.7f);
    host.setParameter("effectreverbsignalamount", 0.4f);
    host.setParameter("effectreverbsize", 0.1f);
    host.render(makePhrase(44100.0));

    const auto& preset = FactoryPresets::all().back();
    ASSERT_TRUE(host.loadPreset(preset.name.toStdString()));
    const auto chunk = Lv2Host::chunkOf(host.saveState());
    const morvane::OrnStateReader state(chunk.getData(), static_cast<int>(chunk.getSize()));
    OrnProgram program;
    state.applyProgram(program);

    EXPECT_EQ(program.name, preset.name);
    EXPECT_EQ(program.getValue(Parameter::onOff), 1.0f);
    EXPECT_EQ(program.getValue(Parameter::wet), 0.7f);
    EXPECT_EQ(program.getValue(Parameter::dry), 0.4f);
    for (const auto parameter : FactoryPresets::character)
        EXPECT_EQ(program.getValue(parameter),
                  preset.values[static_cast<std::size_t>(morvane::indexOf(parameter))]);
}
