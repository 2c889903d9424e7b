#pragma once

#include "processor/OrnProgram.h"

#include <juce_core/juce_core.h>

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>

namespace morvane
{

/** Reads a stored state chunk: what it holds for the program record and the
    MIDI controller table, and what the processor has to do about it.

    The chunk is "VC2!", a 32-bit little-endian length L, L bytes of UTF-8
    XML and a zero byte. Any bytes at all are accepted: a chunk that cannot be
    read holds no document, which changes nothing but still asks the editor
    to refresh. The whole chunk is read before anything is applied, so a
    restore never stops half way.

    Thread rule: any thread; an instance belongs to the thread that made it.
    The apply functions write the record's name, category and controller
    table, which belong to the thread the host uses for state requests. */
class OrnStateReader
{
public:
    /** Reads the chunk; the parsed document is released before this returns. */
    OrnStateReader(const void* data, int sizeInBytes);

    /** The chunk's document, when the chunk has one: more than 8 bytes, the
        magic, L above 0, and well-formed XML in the first min(L, size - 8)
        bytes of text that XmlScreen lets through to the parser. */
    static std::unique_ptr<juce::XmlElement> parseChunk(const void* data, int sizeInBytes);

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
    void read(const juce::XmlElement& root);
    void readProgram(const juce::XmlElement& element);
    void readControllerMap(const juce::XmlElement& midimap);

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
