// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string_view>

namespace morvane
{

/** Letter case as the stored state compares it: ASCII letters only, the same
    in every locale (a host may well have switched its locale).

    Thread rule: any thread (no state). */
struct AsciiCase
{
    static constexpr char lower(char c) noexcept
    {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }

    static constexpr bool equal(std::string_view a, std::string_view b) noexcept
    {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (lower(a[i]) != lower(b[i]))
                return false;
        return true;
    }
};

} // namespace morvane
