// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/FactoryPresets.h"
#include "processor/OrnCore.h"
#include "processor/ParameterTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

using morvane::FactoryPreset;
using morvane::FactoryPresets;
using morvane::OrnCore;
using morvane::OrnProgram;
using morvane::Parameter;
using morvane::ParameterTable;

namespace
{
float valueOf(const FactoryPreset& preset, Parameter parameter)
{
    return preset.values[static_cast<std::size_t>(morvane::indexOf(parameter))];
}
} // namespace

TEST(FactoryPresets, EveryFileInThePresetsFolderIsBuiltInByteForByte)
{
    const auto files =
        juce::File(MORVANE_PRESET_DIR).findChildFiles(juce::File::findFiles, false, "*.morvane");
    const auto& presets = FactoryPresets::all();
    ASSERT_EQ(presets.size(), static_cast<std::size_t>(files.size()))
        << "a preset file that holds no program was left out";
    EXPECT_EQ(presets.size(), 9u);

    for (const auto& preset : presets)
    {
        SCOPED_TRACE(preset.fileName);
        juce::MemoryBlock bytes;
        ASSERT_TRUE(
            juce::File(MORVANE_PRESET_DIR).getChildFile(preset.fileName).loadFileAsData(bytes));
        ASSERT_EQ(bytes.getSize(), preset.chunkSize);
        EXPECT_EQ(std::memcmp(bytes.getData(), preset.chunk, preset.chunkSize), 0);
    }
    for (std::size_t i = 1; i < presets.size(); ++i)
        EXPECT_LT(presets[i - 1].fileName, presets[i].fileName) << "not in file name order";
}

// Names go into menus, file names (NAME.vstpreset) and the LV2 description as they stand.
TEST(FactoryPresets, NamesAreDistinctPlainWordsAndEveryPresetHasACategory)
{
    std::set<juce::String> seen;
    for (const auto& preset : FactoryPresets::all())
    {
        SCOPED_TRACE(preset.fileName);
        EXPECT_TRUE(preset.name.isNotEmpty());
        EXPECT_TRUE(preset.name.containsOnly(
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 "));
        EXPECT_EQ(preset.name, preset.name.trim());
        EXPECT_TRUE(preset.category.isNotEmpty());
        EXPECT_TRUE(seen.insert(preset.name.toLowerCase()).second) << "named twice";
        EXPECT_NE(preset.name.toLowerCase(), "default") << "LV2 hosts list that one already";
    }
}

// Formats that load whole states (VST3 preset files, --load-state) set the mix too; with the
// factory mix in every file, a fresh instance sounds the same whichever way the preset came.
TEST(FactoryPresets, EachStoresTheFactoryMixAndACharacterWithinRange)
{
    for (const auto& preset : FactoryPresets::all())
    {
        SCOPED_TRACE(preset.name);
        for (const auto parameter : {Parameter::onOff, Parameter::wet, Parameter::dry})
            EXPECT_EQ(valueOf(preset, parameter), ParameterTable::get(parameter).factoryValue);
        for (const auto parameter : FactoryPresets::character)
        {
            EXPECT_GE(valueOf(preset, parameter), 0.0f);
            EXPECT_LE(valueOf(preset, parameter), 1.0f);
        }
    }
}

// A file is exactly what the plug-in writes for its program, so a host that saves the preset
// back writes the same bytes, and the files never hold anything the reader passes over.
TEST(FactoryPresets, FilesAreTheChunksTheProcessorWritesForThem)
{
    for (const auto& preset : FactoryPresets::all())
    {
        SCOPED_TRACE(preset.name);
        OrnCore core;
        core.setStateInformation(preset.chunk, static_cast<int>(preset.chunkSize));
        EXPECT_EQ(core.getProgram().name, preset.name);
        EXPECT_EQ(core.getProgram().category, preset.category);
        juce::MemoryBlock written;
        core.getStateInformation(written);
        EXPECT_EQ(written, juce::MemoryBlock(preset.chunk, preset.chunkSize));
    }
}

TEST(FactoryPresets, FoundByNameInAnyLetterCaseWithHyphensOrUnderscoresForSpaces)
{
    const auto& presets = FactoryPresets::all();
    for (std::size_t i = 0; i < presets.size(); ++i)
    {
        const auto name = presets[i].name;
        for (const auto& spelling : {name, name.toUpperCase(), name.toLowerCase().replace(" ", "-"),
                                     name.replace(" ", "_"), " " + name + " "})
            EXPECT_EQ(FactoryPresets::find(spelling), static_cast<int>(i)) << spelling;
    }
    for (const char* unknown : {"", "Room", "Small  Room", "SmallRoom", "default"})
        EXPECT_EQ(FactoryPresets::find(unknown), -1) << unknown;
    EXPECT_TRUE(FactoryPresets::listNames().startsWith(presets.front().name + ", "));
}

TEST(FactoryPresets, TheCharacterIsDelaySizeAndTheFiltersWithTheNameAndCategory)
{
    const auto& preset = FactoryPresets::all().front();
    OrnProgram program;
    program.setValue(Parameter::onOff, 0.0f);
    program.setValue(Parameter::wet, 0.7f);
    program.setValue(Parameter::dry, 0.3f);
    program.midiMap[7] = 3;

    FactoryPresets::applyCharacter(preset, program);
    EXPECT_EQ(program.name, preset.name);
    EXPECT_EQ(program.category, preset.category);
    for (const auto parameter : FactoryPresets::character)
        EXPECT_EQ(program.getValue(parameter), valueOf(preset, parameter));
    EXPECT_EQ(program.getValue(Parameter::onOff), 0.0f);
    EXPECT_EQ(program.getValue(Parameter::wet), 0.7f);
    EXPECT_EQ(program.getValue(Parameter::dry), 0.3f);
    EXPECT_EQ(program.midiMap[7], 3);
}
