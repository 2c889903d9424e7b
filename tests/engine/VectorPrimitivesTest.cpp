// SPDX-License-Identifier: GPL-3.0-or-later
// The primitives of this architecture's baseline vector kernel (SSE2 on x86-64, NEON on 64-bit
// ARM), where the renders compared with the scalar engine rarely or never reach.
#if defined(__x86_64__)
#include "engine/VectorPrimitivesX86.h"
#elif defined(__aarch64__)
#include "engine/VectorPrimitivesNeon.h"
#endif

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#if defined(__x86_64__) || defined(__aarch64__)

namespace morvane
{
namespace
{

// The delay's whole part goes through the vector truncation in the kernel and through a C++
// conversion in the scalar engine; both must agree even where the language leaves the answer to
// the processor (out of range, infinite, NaN), which a damaged setting could reach.
TEST(VectorPrimitives, TruncationMatchesTheScalarConversionOutOfRangeToo)
{
    constexpr float inf = std::numeric_limits<float>::infinity();
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    const float values[16] = {0.0f,  -0.0f,         0.999f,        -0.999f,        22188.9f,
                              -1.5f, 2147483520.0f, 2147483648.0f, -2147483648.0f, -2147483904.0f,
                              1e20f, -1e20f,        inf,           -inf,           nan,
                              -nan};
    for (int half = 0; half < 2; ++half)
    {
        alignas(32) std::int32_t lanes[8];
        storeLanes(lanes, truncate(loadLanes<Floats>(values + 8 * half)));
        for (int k = 0; k < 8; ++k)
        {
            // Read through a volatile so that the conversion runs on the processor, not in the
            // compiler.
            const volatile float x = values[8 * half + k];
            EXPECT_EQ(lanes[k], static_cast<std::int32_t>(x)) << "value " << values[8 * half + k];
        }
    }
}

// A lane that turns in either half must be seen, whichever it is.
TEST(VectorPrimitives, AnyLaneSeesEveryLane)
{
    EXPECT_FALSE(anyLane(Ints{}));
    for (int k = 0; k < 8; ++k)
    {
        Ints mask{};
        mask[k] = -1;
        EXPECT_TRUE(anyLane(mask)) << "lane " << k;
    }
}

} // namespace
} // namespace morvane

#endif
