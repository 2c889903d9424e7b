// SPDX-License-Identifier: GPL-3.0-or-later
#include "Randomness.h"

#include <limits>

namespace morvane::validate
{

Randomness::Randomness(std::uint64_t seed) noexcept : stateValue(seed * 2 + 1) {}

std::uint64_t Randomness::next() noexcept
{
    // splitmix64: good enough spread for tests, one add and three mixes per number.
    stateValue += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = stateValue;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Randomness::unit() noexcept
{
    return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0);
}

int Randomness::between(int low, int high) noexcept
{
    const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low + 1);
    return low + static_cast<int>(next() % span);
}

float Randomness::hostileParameter() noexcept
{
    using limits = std::numeric_limits<float>;
    static constexpr float odd[] = {limits::quiet_NaN(),
                                    -limits::quiet_NaN(),
                                    limits::infinity(),
                                    -limits::infinity(),
                                    limits::max(),
                                    -limits::max(),
                                    1.0e30f,
                                    -1.0e30f,
                                    -1.0f,
                                    2.0f,
                                    1.0000001f,
                                    -0.0f,
                                    0.0f,
                                    1.0f,
                                    limits::denorm_min(),
                                    1.0e-40f,
                                    limits::min()};

    if (next() % 2 == 0)
        return static_cast<float>(unit());
    return odd[next() % (sizeof(odd) / sizeof(odd[0]))];
}

} // namespace morvane::validate
