// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace morvane
{

/** The text that a stored state chunk carries, ready for the XML reader.

    The chunk is "VC2!", a 32-bit little-endian length L, L bytes of UTF-8
    text and a zero byte. A chunk of 8 bytes or fewer, with another magic or
    with L = 0 carries no text. Otherwise the text is the first
    min(L, size - 8) bytes, up to the first zero byte (a zero cannot stand in
    a document), with every malformed UTF-8 sequence replaced by U+FFFD, so
    that a name with a stray byte in it still reads.

    Thread rule: any thread; an instance belongs to the thread that made it.
    The text may point into the chunk, which must outlive the instance. */
class StateChunkText
{
public:
    StateChunkText(const void* data, int sizeInBytes);
    StateChunkText(const StateChunkText&) = delete;
    StateChunkText& operator=(const StateChunkText&) = delete;

    /** False when the chunk's frame is not that of a stored state. */
    bool isFramed() const noexcept { return framed; }

    /** Well-formed UTF-8, empty when the chunk carries no text. One U+FFFD
        stands for each malformed sequence's longest well-formed start, as
        Unicode recommends. */
    std::string_view text() const noexcept { return view; }

private:
    bool framed = false;
    std::string repaired;
    std::string_view view;
};

} // namespace morvane
