// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdlib>

namespace morvane
{

// The multiplicative congruential generator behind the oscillators and the dither. Unsigned
// arithmetic keeps the wrap-around to the low 32 bits well defined. The state lives with its
// owner, so these run on whatever thread the owner does.
inline std::uint32_t advanceSeed(std::uint32_t seed) noexcept
{
    return seed * 16807u;
}

// The low 31 bits scaled into 0..1. The conversion rounds to single precision, so the very top
// states land on exactly 1.
inline float seedToUnit(std::uint32_t seed) noexcept
{
    constexpr float twoToMinus31 = 4.656612873077392578125e-10f;
    return static_cast<float>(seed & 0x7FFFFFFFu) * twoToMinus31;
}

// Initial seeds come from the C library generator so that a host session can be replayed with
// std::srand.
inline std::uint32_t drawSeed() noexcept
{
    return static_cast<std::uint32_t>(std::rand() & 0x7FFF);
}

} // namespace morvane
