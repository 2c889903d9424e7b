// SPDX-License-Identifier: GPL-3.0-or-later
#include "processor/OrnCore.h"
#include "processor/ParameterTable.h"

// The VST3 and LV2 clients see the processor's parameters through JUCE's wrapper for
// index-based parameters; the tests look through the same wrapper.
#include <juce_audio_processors/format_types/juce_LegacyAudioParameter.cpp>

#include <gtest/gtest.h>

#include <set>

using morvane::OrnCore;

TEST(ParameterExposure, SevenParametersWithStableDistinctIdentifiersAndTableNames)
{
    OrnCore core;
    const juce::LegacyAudioParametersWrapper parameters(core, false);
    ASSERT_EQ(parameters.getNumParameters(), 7);

    const char* ids[] = {"effectreverbon",    "effectreverbamount", "effectreverbsignalamount",
                         "effectreverbdelay", "effectreverbsize",   "effectreverblow",
                         "effectreverbhigh"};
    const char* names[] = {"On / Off", "Wet", "Dry", "Delay", "Size", "Low Pass", "High Pass"};
    std::set<juce::String> seen;
    for (int i = 0; i < 7; ++i)
    {
        auto* parameter = parameters.getParamForIndex(i);
        const auto id = juce::LegacyAudioParameter::getParamID(parameter, false);
        EXPECT_EQ(id, ids[i]);
        // An LV2 property name must start with a letter and hold no characters a URI escapes.
        EXPECT_TRUE(juce::CharacterFunctions::isLetter(id[0]));
        EXPECT_EQ(juce::URL::addEscapeChars(id, true), id);
        EXPECT_TRUE(seen.insert(id).second) << "duplicate identifier " << id;
        EXPECT_EQ(parameter->getName(128), names[i]);
    }
}

TEST(ParameterExposure, HostsSeeTwoDecimalTextsAndValuesTheyWrite)
{
    OrnCore core;
    const juce::LegacyAudioParametersWrapper parameters(core, false);

    auto* size = parameters.getParamForIndex(4);
    EXPECT_EQ(size->getCurrentValueAsText(), "0.85");
    EXPECT_EQ(size->getDefaultValue(), 0.85f);

    size->setValue(0.333f);
    EXPECT_EQ(size->getCurrentValueAsText(), "0.33");
    EXPECT_EQ(core.getProgram().getValue(4), 0.333f);
    EXPECT_EQ(parameters.getParamForIndex(0)->getCurrentValueAsText(), "1.00");
}

TEST(ParameterExposure, TheHostsBypassIsNotOneOfTheParameters)
{
    // The VST3 client adds a bypass of its own and the LV2 client a lv2:enabled port, both
    // outside the seven; On / Off stays the processor's own switch.
    OrnCore core;
    EXPECT_EQ(core.getBypassParameter(), nullptr);
    EXPECT_EQ(juce::LegacyAudioParametersWrapper(core, false).getNumParameters(), 7);
}
