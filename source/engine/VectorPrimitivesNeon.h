// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The instruction-set primitives of the vector kernel on 64-bit ARM: over the lanes of
// VectorLanes.h, taken as two 4-lane halves of Advanced SIMD (which every AArch64 processor has),
// the operations whose instructions are chosen here rather than by the compiler (comparisons, the
// generator's multiplication, truncation, whose answers out of range are the instruction's, the
// paired line reads and the transpose). A kernel file includes one primitives header, then
// VectorKernelStages.h. Everything has internal linkage, as in the other primitives headers, so
// that no helper is ever shared with code built for another instruction set.
// Thread rule: any thread; the functions only compute.

#include "engine/VectorLanes.h"

#include <arm_neon.h>

#include <cstdint>

namespace morvane
{

namespace
{

// The lower (first) and upper four lanes of an eight-lane vector, and the way back.
template <typename Half, typename Vector>
inline void split(Vector v, Half& low, Half& high) noexcept
{
    Half halves[2];
    __builtin_memcpy(halves, &v, sizeof halves);
    low = halves[0];
    high = halves[1];
}

template <typename Vector, typename Half>
inline Vector join(Half low, Half high) noexcept
{
    const Half halves[2] = {low, high};
    Vector v;
    __builtin_memcpy(&v, halves, sizeof v);
    return v;
}

// A 4-lane operation applied to the lower and the upper half of one vector or of two.
template <typename Result, typename Half, typename Vector, typename Operation>
inline Result onHalves(Vector v, Operation operation) noexcept
{
    Half low;
    Half high;
    split(v, low, high);
    return join<Result>(operation(low), operation(high));
}

template <typename Result, typename Half, typename Vector, typename Operation>
inline Result onHalves(Vector a, Vector b, Operation operation) noexcept
{
    Half aLow;
    Half aHigh;
    Half bLow;
    Half bHigh;
    split(a, aLow, aHigh);
    split(b, bLow, bHigh);
    return join<Result>(operation(aLow, bLow), operation(aHigh, bHigh));
}

inline Ints atLeast(Floats a, float b) noexcept
{
    const float32x4_t limit = vdupq_n_f32(b);
    return onHalves<Ints, float32x4_t>(a, [limit](float32x4_t x)
                                       { return vreinterpretq_s32_u32(vcgeq_f32(x, limit)); });
}

inline Ints atMost(Floats a, float b) noexcept
{
    const float32x4_t limit = vdupq_n_f32(b);
    return onHalves<Ints, float32x4_t>(a, [limit](float32x4_t x)
                                       { return vreinterpretq_s32_u32(vcleq_f32(x, limit)); });
}

inline Ints below(Ints a, Ints b) noexcept
{
    return onHalves<Ints, int32x4_t>(
        a, b, [](int32x4_t x, int32x4_t y) { return vreinterpretq_s32_u32(vcltq_s32(x, y)); });
}

inline Ints equal(Ints a, Ints b) noexcept
{
    return onHalves<Ints, int32x4_t>(
        a, b, [](int32x4_t x, int32x4_t y) { return vreinterpretq_s32_u32(vceqq_s32(x, y)); });
}

// The low 32 bits of each product, as the scalar generator's unsigned multiplication keeps.
inline Words advance(Words seed) noexcept
{
    return onHalves<Words, uint32x4_t>(seed, [](uint32x4_t x) { return vmulq_n_u32(x, 16807u); });
}

inline Ints broadcast(int x) noexcept
{
    const int32x4_t half = vdupq_n_s32(x);
    return join<Ints>(half, half);
}

// Truncation towards zero, as a C++ float to int conversion does on this architecture (the same
// instruction, one lane at a time there): values out of range saturate to the highest or lowest
// int and NaN gives zero.
inline Ints truncate(Floats v) noexcept
{
    return onHalves<Ints, float32x4_t>(v, [](float32x4_t x) { return vcvtq_s32_f32(x); });
}

inline bool anyLane(Ints mask) noexcept
{
    uint32x4_t low;
    uint32x4_t high;
    split(mask, low, high);
    return vmaxvq_u32(vorrq_u32(low, high)) != 0;
}

// Reads, for every lane, the slot before `at` and the slot at `at` with one 8-byte load per lane
// (each line keeps a copy of its last slot just before its first, so the pair never wraps), and
// splits them into the two vectors of the interpolated read.
inline void readPairs(const float* lines, const std::int32_t* at, Floats& current,
                      Floats& previous) noexcept
{
    float32x4_t pairs[4];
    for (int k = 0; k < 4; ++k)
        pairs[k] =
            vcombine_f32(vld1_f32(lines + at[2 * k] - 1), vld1_f32(lines + at[2 * k + 1] - 1));
    previous = join<Floats>(vuzp1q_f32(pairs[0], pairs[1]), vuzp1q_f32(pairs[2], pairs[3]));
    current = join<Floats>(vuzp2q_f32(pairs[0], pairs[1]), vuzp2q_f32(pairs[2], pairs[3]));
}

// Turns eight rows of eight lanes (one row per frame) into eight columns (one per lane, eight
// frames each), as four 4 x 4 transposes: frames 0..3 and 4..7 of lanes 0..3 and 4..7.
inline void transpose(const float* rows, Floats* columns) noexcept
{
    float32x4_t quarter[2][2][4];
    for (int frames = 0; frames < 2; ++frames)
    {
        for (int lanes = 0; lanes < 2; ++lanes)
        {
            const float* const corner = rows + 8 * 4 * frames + 4 * lanes;
            const float32x4_t r0 = vld1q_f32(corner);
            const float32x4_t r1 = vld1q_f32(corner + 8);
            const float32x4_t r2 = vld1q_f32(corner + 16);
            const float32x4_t r3 = vld1q_f32(corner + 24);
            // Pairs of rows interleaved, then pairs of pairs.
            const float64x2_t even01 = vreinterpretq_f64_f32(vtrn1q_f32(r0, r1));
            const float64x2_t odd01 = vreinterpretq_f64_f32(vtrn2q_f32(r0, r1));
            const float64x2_t even23 = vreinterpretq_f64_f32(vtrn1q_f32(r2, r3));
            const float64x2_t odd23 = vreinterpretq_f64_f32(vtrn2q_f32(r2, r3));
            float32x4_t* const q = quarter[frames][lanes];
            q[0] = vreinterpretq_f32_f64(vtrn1q_f64(even01, even23));
            q[1] = vreinterpretq_f32_f64(vtrn1q_f64(odd01, odd23));
            q[2] = vreinterpretq_f32_f64(vtrn2q_f64(even01, even23));
            q[3] = vreinterpretq_f32_f64(vtrn2q_f64(odd01, odd23));
        }
    }
    for (int lane = 0; lane < 8; ++lane)
        columns[lane] =
            join<Floats>(quarter[0][lane / 4][lane % 4], quarter[1][lane / 4][lane % 4]);
}

} // namespace

} // namespace morvane
