// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace morvane::validate
{

/** A small, seedable generator for test signals, block sizes and parameter values, so that a
    failing run can be repeated exactly.

    Thread rule: one thread at a time; give each thread its own. */
class Randomness
{
public:
    explicit Randomness(std::uint64_t seed) noexcept;

    std::uint64_t next() noexcept;
    /** Uniform in [0, 1). */
    double unit() noexcept;
    /** Uniform whole number in [low, high]. */
    int between(int low, int high) noexcept;

    /** A parameter value as a careless or hostile host sends it: half of the time a normal
        value in 0..1, otherwise NaN, an infinity, a value far outside the range, a subnormal,
        negative zero or the edges of the range. */
    float hostileParameter() noexcept;

private:
    std::uint64_t stateValue;
};

} // namespace morvane::validate
