// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/StateChunkText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace morvane
{

namespace
{
constexpr std::uint32_t magic = 0x21324356; // "VC2!" read as a little-endian number

std::uint32_t littleEndianAt(const unsigned char* p) noexcept
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The length of the well-formed UTF-8 sequence at p, or 0 when it is
// malformed; then badLength is the length of its longest well-formed start,
// which one replacement character stands for (Unicode's "maximal subpart").
std::size_t wellFormedLength(const unsigned char* p, std::size_t available,
                             std::size_t& badLength) noexcept
{
    const unsigned lead = p[0];
    if (lead < 0x80)
        return 1;

    std::size_t trailing = 0;
    unsigned low = 0x80, high = 0xbf;

    if (lead >= 0xc2 && lead <= 0xdf)
        trailing = 1;
    else if (lead == 0xe0)
        trailing = 2, low = 0xa0;
    else if (lead == 0xed)
        trailing = 2, high = 0x9f;
    else if (lead >= 0xe1 && lead <= 0xef)
        trailing = 2;
    else if (lead == 0xf0)
        trailing = 3, low = 0x90;
    else if (lead == 0xf4)
        trailing = 3, high = 0x8f;
    else if (lead >= 0xf1 && lead <= 0xf3)
        trailing = 3;
    else
    {
        badLength = 1;
        return 0;
    }

    for (std::size_t i = 1; i <= trailing; ++i)
    {
        const unsigned byte = i < available ? p[i] : 0u;
        if (byte < (i == 1 ? low : 0x80u) || byte > (i == 1 ? high : 0xbfu))
        {
            badLength = i;
            return 0;
        }
    }
    return trailing + 1;
}
} // namespace

StateChunkText::StateChunkText(const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 8)
        return;

    const auto* bytes = static_cast<const unsigned char*>(data);
    if (littleEndianAt(bytes) != magic)
        return;

    // The length is unsigned: one with the top bit set is simply larger than
    // the data, and like any such length it gives way to the bytes present.
    const std::uint32_t length = littleEndianAt(bytes + 4);
    if (length == 0)
        return;

    framed = true;
    const auto* text = bytes + 8;
    auto size = std::min<std::size_t>(length, static_cast<std::size_t>(sizeInBytes) - 8);
    if (const auto* zero = std::memchr(text, 0, size))
        size = static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - text);

    std::size_t copiedUpTo = 0;
    for (std::size_t i = 0; i < size;)
    {
        std::size_t badLength = 0;
        if (const auto sequence = wellFormedLength(text + i, size - i, badLength))
        {
            i += sequence;
            continue;
        }

        repaired.append(reinterpret_cast<const char*>(text) + copiedUpTo, i - copiedUpTo);
        repaired.append("\xef\xbf\xbd");
        i += badLength;
        copiedUpTo = i;
    }

    if (copiedUpTo == 0)
    {
        view = std::string_view(reinterpret_cast<const char*>(text), size);
        return;
    }

    repaired.append(reinterpret_cast<const char*>(text) + copiedUpTo, size - copiedUpTo);
    view = repaired;
}

} // namespace morvane
