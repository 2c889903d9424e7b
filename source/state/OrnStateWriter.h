// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "processor/OrnProgram.h"

#include <juce_core/juce_core.h>

#include <memory>

namespace morvane
{

/** Writes the stored state chunk: "VC2!", the 32-bit little-endian length
    L = chunk size - 9, the document as one line of UTF-8 without an XML
    declaration, and a zero byte.

    The document is
    <orn curprogram="0" version="1"><programs><program programname=".."
    category=".." effectreverbon=".." ... effectreverbhigh=".."/></programs>
    <midimap><map param=".." controllernumber=".."/>...</midimap></orn>
    with one "map" per non-zero controller entry, in ascending controller
    order. Values are written as %.20g of the float widened to double, which
    reads back to the same float.

    Thread rule: any thread; the caller keeps the record's name, category and
    controller table still while it is written (they belong to the thread the
    host uses for state requests). */
class OrnStateWriter
{
public:
    /** Replaces dest with the chunk for the program. */
    static void write(const OrnProgram& program, juce::MemoryBlock& dest);

    /** The document alone, before it is framed. */
    static std::unique_ptr<juce::XmlElement> createDocument(const OrnProgram& program);
};

} // namespace morvane
