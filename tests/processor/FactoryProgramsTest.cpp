// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/FactoryPresets.h"
#include "processor/OrnCore.h"
#include "support/ProcessorProbe.h"

#include <gtest/gtest.h>

#include <memory>

using morvane::FactoryPresets;
using morvane::OrnCore;
using morvane::Parameter;
using morvane::test::ProcessorProbe;

namespace
{
// A processor made as the given format's client makes it.
std::unique_ptr<OrnCore> makeFor(juce::AudioProcessor::WrapperType wrapper)
{
    juce::AudioProcessor::setTypeOfNextNewPlugin(wrapper);
    auto core = std::make_unique<OrnCore>();
    juce::AudioProcessor::setTypeOfNextNewPlugin(juce::AudioProcessor::wrapperType_Undefined);
    return core;
}

void setMix(OrnCore& core)
{
    core.setParameter(morvane::indexOf(Parameter::onOff), 0.0f);
    core.setParameter(morvane::indexOf(Parameter::wet), 0.7f);
    core.setParameter(morvane::indexOf(Parameter::dry), 0.3f);
}

void expectPresetWithMix(OrnCore& core, const morvane::FactoryPreset& preset)
{
    EXPECT_EQ(core.getProgram().name, preset.name);
    EXPECT_EQ(core.getProgram().category, preset.category);
    for (const auto parameter : FactoryPresets::character)
    {
        const int index = morvane::indexOf(parameter);
        EXPECT_EQ(core.getParameter(index), preset.values[static_cast<std::size_t>(index)]);
    }
    EXPECT_EQ(core.getParameter(morvane::indexOf(Parameter::onOff)), 0.0f);
    EXPECT_EQ(core.getParameter(morvane::indexOf(Parameter::wet)), 0.7f);
    EXPECT_EQ(core.getParameter(morvane::indexOf(Parameter::dry)), 0.3f);
}
} // namespace

// JUCE's LV2 client describes one preset per program and restores a preset by its number.
TEST(FactoryPrograms, AnLv2InstanceOffersThePresetsAfterItsOneProgram)
{
    const auto core = makeFor(juce::AudioProcessor::wrapperType_LV2);
    const auto& presets = FactoryPresets::all();
    ASSERT_EQ(core->getNumPrograms(), 1 + static_cast<int>(presets.size()));
    EXPECT_EQ(core->getProgramName(0), "default");
    for (std::size_t i = 0; i < presets.size(); ++i)
        EXPECT_EQ(core->getProgramName(static_cast<int>(i) + 1), presets[i].name);
    EXPECT_EQ(core->getProgramName(core->getNumPrograms()), "default");

    ProcessorProbe probe;
    core->addListener(&probe);
    setMix(*core);
    for (std::size_t i = 0; i < presets.size(); ++i)
    {
        SCOPED_TRACE(presets[i].name);
        probe.clear();
        core->setCurrentProgram(static_cast<int>(i) + 1);
        expectPresetWithMix(*core, presets[i]);
        EXPECT_EQ(probe.automations.size(), 7u) << "the host hears of every value";
        EXPECT_EQ(core->getCurrentProgram(), 0);
    }

    // Program 0 and numbers past the presets re-apply what is there.
    core->setParameter(morvane::indexOf(Parameter::size), 0.125f);
    for (const int index : {0, core->getNumPrograms(), -1})
    {
        core->setCurrentProgram(index);
        EXPECT_EQ(core->getParameter(morvane::indexOf(Parameter::size)), 0.125f);
    }
    core->removeListener(&probe);
}

TEST(FactoryPrograms, OtherFormatsKeepExactlyOneProgram)
{
    for (const auto wrapper :
         {juce::AudioProcessor::wrapperType_VST, juce::AudioProcessor::wrapperType_VST3,
          juce::AudioProcessor::wrapperType_Standalone,
          juce::AudioProcessor::wrapperType_Undefined})
    {
        const auto core = makeFor(wrapper);
        EXPECT_EQ(core->getNumPrograms(), 1);
        EXPECT_EQ(core->getProgramName(1), "default");
        core->setParameter(morvane::indexOf(Parameter::size), 0.125f);
        core->setCurrentProgram(1);
        EXPECT_EQ(core->getParameter(morvane::indexOf(Parameter::size)), 0.125f);
        EXPECT_EQ(core->getProgram().name, "Startup");
    }
}

TEST(FactoryPrograms, LoadingAPresetByItsPlaceKeepsTheMixAndTellsTheEditor)
{
    OrnCore core;
    setMix(core);
    ProcessorProbe probe;
    core.dispatchPendingMessages();
    core.addChangeListener(&probe);

    const auto& presets = FactoryPresets::all();
    core.loadFactoryPreset(static_cast<int>(presets.size()) - 1);
    expectPresetWithMix(core, presets.back());
    core.dispatchPendingMessages();
    EXPECT_GE(probe.changeMessages, 1);

    const auto before = core.getParameter(morvane::indexOf(Parameter::size));
    for (const int outside : {-1, static_cast<int>(presets.size())})
    {
        core.loadFactoryPreset(outside);
        EXPECT_EQ(core.getParameter(morvane::indexOf(Parameter::size)), before);
        EXPECT_EQ(core.getProgram().name, presets.back().name);
    }
    core.removeChangeListener(&probe);
}
