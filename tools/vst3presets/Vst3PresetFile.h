// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>

namespace morvane
{

/** A VST3 preset file (.vstpreset) for a stored state, laid out as VST3 hosts read one: the
    header ("VST3", format version 1, the component's class ID as 32 hexadecimal digits, the
    offset of the chunk list), the component's state, and the chunk list, whose one entry
    ('Comp') says where that state lies. All numbers are little-endian.

    The component's state is what JUCE's VST3 client hands a host for the processor in that
    state: the chunk, then JUCE's own record of the host's bypass (off), framed as the client
    frames it. A host that loads the file gives the client exactly those bytes, and the
    processor restores the chunk.

    Thread rule: any thread; nothing is shared. */
class Vst3PresetFile
{
public:
    /** The whole file for this stored state. */
    static juce::MemoryBlock write(const void* chunk, std::size_t chunkSize);

    /** What JUCE's VST3 client writes as the component's state for this stored state. */
    static juce::MemoryBlock componentState(const void* chunk, std::size_t chunkSize);

    /** The class ID of the plug-in's VST3 component, as the file spells it: JUCE's prefix for
        a component, then the vendor's and the plug-in's codes. */
    static juce::String componentClassId();

    static constexpr int headerSize = 48;
};

} // namespace morvane
