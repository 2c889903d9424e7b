// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/FactoryPresets.h"

#include "presets/FactoryPresetData.h"
#include "state/OrnStateReader.h"

namespace morvane
{

namespace
{
juce::String comparable(const juce::String& name)
{
    return name.toLowerCase().replaceCharacters("-_", "  ").trim();
}

std::vector<FactoryPreset> readEmbeddedFiles()
{
    std::vector<FactoryPreset> presets;
    for (std::size_t i = 0; i < embeddedPresetFileCount; ++i)
    {
        const auto& file = embeddedPresetFiles[i];
        const OrnStateReader state(file.bytes, static_cast<int>(file.size));
        // The build only takes framed files; the tests check that each holds a program.
        if (!state.reappliesProgram())
            continue;

        OrnProgram program;
        state.applyProgram(program);
        FactoryPreset preset{program.name, program.category, file.fileName,
                             file.bytes,   file.size,        {}};
        for (int p = 0; p < OrnProgram::numValues; ++p)
            preset.values[static_cast<std::size_t>(p)] = program.getValue(p);
        presets.push_back(std::move(preset));
    }
    return presets;
}
} // namespace

const std::vector<FactoryPreset>& FactoryPresets::all()
{
    static const std::vector<FactoryPreset> presets = readEmbeddedFiles();
    return presets;
}

int FactoryPresets::find(const juce::String& name)
{
    const auto wanted = comparable(name);
    const auto& presets = all();
    for (std::size_t i = 0; i < presets.size(); ++i)
        if (comparable(presets[i].name) == wanted)
            return static_cast<int>(i);
    return -1;
}

juce::String FactoryPresets::listNames()
{
    juce::StringArray names;
    for (const auto& preset : all())
        names.add(preset.name);
    return names.joinIntoString(", ");
}

void FactoryPresets::applyCharacter(const FactoryPreset& preset, OrnProgram& program)
{
    program.name = preset.name;
    program.category = preset.category;
    for (const Parameter parameter : character)
        program.setValue(parameter, preset.values[static_cast<std::size_t>(indexOf(parameter))]);
}

} // namespace morvane
