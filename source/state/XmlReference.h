// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace morvane
{

/** The references that stored-state text may hold: "&amp;", "&lt;", "&gt;",
    "&quot;" and "&apos;" (their names in any letter case, as they have
    always been read here), and character references "&#N;" and "&#xH;".

    No other entity can be declared (the reader refuses a DOCTYPE that tries),
    so every other name is an error. A character reference to something that
    is not a Unicode scalar value (0, a surrogate, beyond U+10FFFF) reads as
    U+FFFD, like a malformed byte. No reference expands to more bytes than it
    is written with, so expanded text is never longer than its source.

    Thread rule: any thread (no shared state). */
class XmlReference
{
public:
    struct Parsed
    {
        std::size_t length = 0; // bytes from the '&' to the ';'; 0 when malformed
        char32_t character = 0; // what it stands for
    };

    /** The reference that starts with the '&' at text[position]. */
    static Parsed parse(std::string_view text, std::size_t position) noexcept;

    /** The text with every reference replaced by its character, as UTF-8
        (an '&' that starts no reference stays as it is). */
    static std::string expand(std::string_view text);
};

} // namespace morvane
