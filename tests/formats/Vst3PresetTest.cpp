// SPDX-License-Identifier: GPL-3.0-or-later
#include "Vst3Component.h"

#include "presets/FactoryPresets.h"

#include <gtest/gtest.h>

#include <cstring>

// The VST3 preset files the build writes, read as a VST3 host reads one: the header names the
// component's class, the chunk list says where its state lies, and the component built from the
// VST3 bundle restores that state, which holds the preset file's chunk.

using morvane::FactoryPresets;
using morvane::test::Vst3Component;

namespace
{
struct PresetFile
{
    juce::String classId;
    juce::MemoryBlock component; // the 'Comp' chunk
    juce::String problem;
};

PresetFile readPresetFile(const juce::File& file)
{
    PresetFile result;
    juce::MemoryBlock bytes;
    if (!file.loadFileAsData(bytes) || bytes.getSize() < 48)
        return {{}, {}, "missing or shorter than a header"};
    const auto* data = static_cast<const char*>(bytes.getData());
    const auto size = static_cast<juce::int64>(bytes.getSize());
    if (std::memcmp(data, "VST3", 4) != 0 || juce::ByteOrder::littleEndianInt(data + 4) != 1)
        return {{}, {}, "not a VST3 preset file of format 1"};
    result.classId = juce::String(data + 8, 32);

    const auto list = static_cast<juce::int64>(juce::ByteOrder::littleEndianInt64(data + 40));
    if (list < 48 || list + 8 > size || std::memcmp(data + list, "List", 4) != 0)
        return {{}, {}, "no chunk list where the header says"};
    const auto entries =
        static_cast<juce::int64>(juce::ByteOrder::littleEndianInt(data + list + 4));
    if (list + 8 + entries * 20 != size)
        return {{}, {}, "the chunk list does not end the file"};
    for (juce::int64 i = 0; i < entries; ++i)
    {
        const auto* entry = data + list + 8 + i * 20;
        const auto offset = static_cast<juce::int64>(juce::ByteOrder::littleEndianInt64(entry + 4));
        const auto length =
            static_cast<juce::int64>(juce::ByteOrder::littleEndianInt64(entry + 12));
        if (offset < 48 || length < 0 || offset + length > list)
            return {{}, {}, "a chunk outside the data area"};
        if (std::memcmp(entry, "Comp", 4) == 0)
            result.component = juce::MemoryBlock(data + offset, static_cast<size_t>(length));
    }
    if (result.component.isEmpty())
        result.problem = "no component state";
    return result;
}
} // namespace

TEST(Vst3Presets, EveryPresetIsAFileTheComponentRestores)
{
    const juce::File folder(MORVANE_VST3_PRESET_DIR);
    const auto& presets = FactoryPresets::all();
    EXPECT_EQ(folder.getNumberOfChildFiles(juce::File::findFiles, "*.vstpreset"),
              static_cast<int>(presets.size()));

    for (const auto& preset : presets)
    {
        SCOPED_TRACE(preset.name);
        const auto file = readPresetFile(folder.getChildFile(preset.name + ".vstpreset"));
        ASSERT_TRUE(file.problem.isEmpty()) << file.problem;

        // JUCE's client puts the processor's chunk first and its own data after it.
        ASSERT_GT(file.component.getSize(), preset.chunkSize);
        EXPECT_EQ(std::memcmp(file.component.getData(), preset.chunk, preset.chunkSize), 0);

        Vst3Component component(juce::File(MORVANE_VST3_MODULE), file.classId);
        ASSERT_TRUE(component.problem().isEmpty()) << component.problem();
        const auto fresh = component.getState();
        ASSERT_TRUE(fresh.has_value());
        EXPECT_NE(*fresh, file.component);

        ASSERT_TRUE(component.setState(file.component));
        const auto restored = component.getState();
        ASSERT_TRUE(restored.has_value());
        EXPECT_EQ(*restored, file.component) << "the component holds another state than the file";
    }
}
