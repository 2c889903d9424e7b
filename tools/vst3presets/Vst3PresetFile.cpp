// SPDX-License-Identifier: GPL-3.0-or-later
#include "Vst3PresetFile.h"

#include "plugin/PluginIdentity.h"

#include <juce_data_structures/juce_data_structures.h>

namespace morvane
{

namespace
{
// JUCE's VST3 client marks the end of a component state with this, after its own data.
constexpr const char* privateDataMark = "JUCEPrivateData";

// The first two words of the component's class ID, which JUCE's VST3 client puts before the
// vendor's and the plug-in's codes.
constexpr juce::uint32 componentIdPrefix[] = {0xABCDEF01, 0x9182FAEB};

juce::String hexWord(juce::uint32 word)
{
    return juce::String::toHexString(static_cast<juce::int64>(word))
        .paddedLeft('0', 8)
        .toUpperCase();
}
} // namespace

juce::String Vst3PresetFile::componentClassId()
{
    return hexWord(componentIdPrefix[0]) + hexWord(componentIdPrefix[1]) +
           hexWord(static_cast<juce::uint32>(identity::vendorCode)) +
           hexWord(static_cast<juce::uint32>(identity::uniqueId));
}

juce::MemoryBlock Vst3PresetFile::componentState(const void* chunk, std::size_t chunkSize)
{
    // The processor has no bypass parameter of its own, so the client keeps the host's bypass
    // in a tree of its own after the chunk: a zero, the tree, the tree's size and the mark.
    juce::MemoryOutputStream state;
    state.write(chunk, chunkSize);
    state.writeInt64(0);
    juce::MemoryOutputStream tree;
    juce::ValueTree privateData(privateDataMark);
    privateData.setProperty("Bypass", juce::var(false), nullptr);
    privateData.writeToStream(tree);
    state << tree.getMemoryBlock();
    state.writeInt64(static_cast<juce::int64>(tree.getDataSize()));
    state << privateDataMark;
    return state.getMemoryBlock();
}

juce::MemoryBlock Vst3PresetFile::write(const void* chunk, std::size_t chunkSize)
{
    const auto component = componentState(chunk, chunkSize);
    const auto listOffset = static_cast<juce::int64>(headerSize + component.getSize());

    juce::MemoryOutputStream file;
    file.write("VST3", 4);
    file.writeInt(1);
    file << componentClassId();
    file.writeInt64(listOffset);
    file << component;
    file.write("List", 4);
    file.writeInt(1);
    file.write("Comp", 4);
    file.writeInt64(headerSize);
    file.writeInt64(static_cast<juce::int64>(component.getSize()));
    return file.getMemoryBlock();
}

} // namespace morvane
