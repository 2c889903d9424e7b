// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "processor/OrnProgram.h"

#include <juce_core/juce_core.h>

#include <array>
#include <bitset>
#include <cstdint>

namespace morvane
{

/** Reads a stored state chunk: what it holds for the program record and the
    MIDI controller table, and what the processor has to do about it.

    The chunk's text (StateChunkText) is read in one pass by XmlScanner,
    which keeps only what the state needs: the first "programs" child of the
    root and the program it selects, and the children of the first
    "midimap". Tag names are matched without regard to ASCII case, attribute
    names exactly, and when an attribute is given twice the first counts.
    Any bytes at all are accepted: a chunk whose text is not one well-formed
    document within the scanner's limits holds no document, which changes
    nothing but still asks the editor to refresh. The whole chunk is read
    before anything is applied, so a restore never stops half way.

    Thread rule: any thread; an instance belongs to the thread that made it.
    The apply functions write the record's name, category and controller
    table, which belong to the thread the host uses for state requests. */
class OrnStateReader
{
public:
    OrnStateReader(const void* data, int sizeInBytes);

    /** True when the chunk had a document whose root is "orn". */
    bool hasStateDocument() const noexcept { return foundStateDocument; }

    /** True when the document had a non-empty "programs" element: the
        program must then be applied again (setCurrentProgram(0)). */
    bool reappliesProgram() const noexcept { return reapply; }

    /** False only when the "programs" element is there but empty: such a
        restore has no effect at all, not even a change message. */
    bool sendsChangeMessage() const noexcept { return changeMessage; }

    /** Name, category and the seven values, when the document holds a program. */
    void applyProgram(OrnProgram& program) const;

    /** The controller entries the document names; the others keep their values. */
    void applyControllerMap(OrnProgram& program) const;

private:
    class DocumentHandler;

    bool foundStateDocument = false;
    bool reapply = false;
    bool changeMessage = true;

    bool hasProgram = false;
    juce::String name, category;
    std::array<float, OrnProgram::numValues> values{};

    std::array<std::int32_t, OrnProgram::midiMapSize> controllerCodes{};
    std::bitset<OrnProgram::midiMapSize> controllerNamed;
};

} // namespace morvane
