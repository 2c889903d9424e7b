// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <string>

namespace morvane::test
{

/** Frames a document the way the stored state does: "VC2!", the 32-bit
    little-endian length, the text and a zero byte. */
inline juce::MemoryBlock makeChunk(const std::string& document)
{
    juce::MemoryOutputStream out;
    out.write("VC2!", 4);
    out.writeInt(static_cast<int>(document.size()));
    out.write(document.data(), document.size());
    out.writeByte(0);
    return out.getMemoryBlock();
}

/** The same with a length field of the caller's choosing. */
inline juce::MemoryBlock makeChunk(const std::string& document, std::uint32_t length)
{
    auto chunk = makeChunk(document);
    const auto littleEndian = juce::ByteOrder::swapIfBigEndian(length);
    chunk.copyFrom(&littleEndian, 4, sizeof(littleEndian));
    return chunk;
}

/** The document between the length field and the zero byte. */
inline std::string documentOf(const juce::MemoryBlock& chunk)
{
    if (chunk.getSize() < 9)
        return {};
    return std::string(static_cast<const char*>(chunk.getData()) + 8, chunk.getSize() - 9);
}

} // namespace morvane::test
