// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The instruction-set primitives of the vector kernels on x86-64: over the lanes of VectorLanes.h,
// the operations the generic vector extension does not map well onto SSE2, AVX2 and AVX-512 by
// itself (comparisons, the generator's multiplication, truncation, the paired line reads and the
// transpose). A kernel file includes one primitives header, then VectorKernelStages.h.
// Everything has internal linkage: the same code built for different instruction sets must never
// be merged by the linker, or a machine without AVX2 could end up running an AVX2 copy.
// Thread rule: any thread; the functions only compute.

#include "engine/VectorLanes.h"

#include <immintrin.h>

#include <cstdint>

namespace morvane
{

namespace
{

// Lane-wise comparisons and the generator's multiplication. With AVX2 the compiler maps the
// vector operators straight onto the instruction set; on plain SSE2 it would split them lane by
// lane, so there each runs on the two 4-lane halves.
#if defined(__AVX2__)
inline Ints atLeast(Floats a, float b) noexcept
{
    return a >= b;
}
inline Ints atMost(Floats a, float b) noexcept
{
    return a <= b;
}
inline Ints below(Ints a, Ints b) noexcept
{
    return a < b;
}
inline Ints equal(Ints a, Ints b) noexcept
{
    return a == b;
}
inline Words advance(Words seed) noexcept
{
    return seed * 16807u;
}
inline Ints broadcast(int x) noexcept
{
    return reinterpret_cast<Ints>(_mm256_set1_epi32(x));
}
#else
struct Halves
{
    __m128i low;
    __m128i high;
};

template <typename Vector>
inline Halves split(Vector v) noexcept
{
    Halves h;
    __builtin_memcpy(&h, &v, sizeof h);
    return h;
}

template <typename Vector>
inline Vector join(__m128i low, __m128i high) noexcept
{
    const Halves h{low, high};
    Vector v;
    __builtin_memcpy(&v, &h, sizeof v);
    return v;
}

inline Ints atLeast(Floats a, float b) noexcept
{
    const Halves h = split(a);
    const __m128 limit = _mm_set1_ps(b);
    return join<Ints>(_mm_castps_si128(_mm_cmpge_ps(_mm_castsi128_ps(h.low), limit)),
                      _mm_castps_si128(_mm_cmpge_ps(_mm_castsi128_ps(h.high), limit)));
}
inline Ints atMost(Floats a, float b) noexcept
{
    const Halves h = split(a);
    const __m128 limit = _mm_set1_ps(b);
    return join<Ints>(_mm_castps_si128(_mm_cmple_ps(_mm_castsi128_ps(h.low), limit)),
                      _mm_castps_si128(_mm_cmple_ps(_mm_castsi128_ps(h.high), limit)));
}
inline Ints below(Ints a, Ints b) noexcept
{
    const Halves x = split(a);
    const Halves y = split(b);
    return join<Ints>(_mm_cmplt_epi32(x.low, y.low), _mm_cmplt_epi32(x.high, y.high));
}
inline Ints equal(Ints a, Ints b) noexcept
{
    const Halves x = split(a);
    const Halves y = split(b);
    return join<Ints>(_mm_cmpeq_epi32(x.low, y.low), _mm_cmpeq_epi32(x.high, y.high));
}
// SSE2 has no 32-bit lane multiply: the even and odd lanes go through the 64-bit one, of which
// the low 32 bits are kept.
inline __m128i times16807(__m128i x) noexcept
{
    const __m128i factor = _mm_set1_epi32(16807);
    const __m128i even = _mm_mul_epu32(x, factor);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(x, 32), factor);
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}
inline Ints broadcast(int x) noexcept
{
    const __m128i half = _mm_set1_epi32(x);
    return join<Ints>(half, half);
}
inline Words advance(Words seed) noexcept
{
    const Halves h = split(seed);
    return join<Words>(times16807(h.low), times16807(h.high));
}
#endif

// Truncation towards zero, as a C++ float to int conversion does on this architecture, including
// the same answer (the lowest int) for values out of range.
inline Ints truncate(Floats v) noexcept
{
#if defined(__AVX__)
    return reinterpret_cast<Ints>(_mm256_cvttps_epi32(reinterpret_cast<__m256>(v)));
#else
    __m128 halves[2];
    __builtin_memcpy(halves, &v, sizeof halves);
    const __m128i converted[2] = {_mm_cvttps_epi32(halves[0]), _mm_cvttps_epi32(halves[1])};
    Ints result;
    __builtin_memcpy(&result, converted, sizeof result);
    return result;
#endif
}

inline bool anyLane(Ints mask) noexcept
{
#if defined(__AVX__)
    return _mm256_movemask_ps(reinterpret_cast<__m256>(mask)) != 0;
#else
    __m128i halves[2];
    __builtin_memcpy(halves, &mask, sizeof halves);
    return _mm_movemask_epi8(_mm_or_si128(halves[0], halves[1])) != 0;
#endif
}

inline Floats joinHalves(__m128 low, __m128 high) noexcept
{
#if defined(__AVX__)
    return reinterpret_cast<Floats>(_mm256_set_m128(high, low));
#else
    const __m128 halves[2] = {low, high};
    Floats v;
    __builtin_memcpy(&v, halves, sizeof v);
    return v;
#endif
}

// Reads, for every lane, the slot before `at` and the slot at `at` with one 8-byte load per lane
// (each line keeps a copy of its last slot just before its first, so the pair never wraps), and
// splits them into the two vectors of the interpolated read.
inline void readPairs(const float* lines, const std::int32_t* at, Floats& current,
                      Floats& previous) noexcept
{
    __m128 pairs[4];
    for (int k = 0; k < 4; ++k)
    {
        const __m128i first =
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lines + at[2 * k] - 1));
        const __m128i second =
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lines + at[2 * k + 1] - 1));
        pairs[k] = _mm_castsi128_ps(_mm_unpacklo_epi64(first, second));
    }
    previous = joinHalves(_mm_shuffle_ps(pairs[0], pairs[1], _MM_SHUFFLE(2, 0, 2, 0)),
                          _mm_shuffle_ps(pairs[2], pairs[3], _MM_SHUFFLE(2, 0, 2, 0)));
    current = joinHalves(_mm_shuffle_ps(pairs[0], pairs[1], _MM_SHUFFLE(3, 1, 3, 1)),
                         _mm_shuffle_ps(pairs[2], pairs[3], _MM_SHUFFLE(3, 1, 3, 1)));
}

// Turns eight rows of eight lanes (one row per frame) into eight columns (one per lane, eight
// frames each).
inline void transpose(const float* rows, Floats* columns) noexcept
{
#if defined(__AVX__)
    __m256 r[8];
    for (int k = 0; k < 8; ++k)
        r[k] = _mm256_loadu_ps(rows + 8 * k);
    __m256 t[8];
    for (int k = 0; k < 4; ++k)
    {
        t[2 * k] = _mm256_unpacklo_ps(r[2 * k], r[2 * k + 1]);
        t[2 * k + 1] = _mm256_unpackhi_ps(r[2 * k], r[2 * k + 1]);
    }
    __m256 u[8];
    for (int k = 0; k < 2; ++k)
    {
        u[4 * k] = _mm256_shuffle_ps(t[4 * k], t[4 * k + 2], 0x44);
        u[4 * k + 1] = _mm256_shuffle_ps(t[4 * k], t[4 * k + 2], 0xEE);
        u[4 * k + 2] = _mm256_shuffle_ps(t[4 * k + 1], t[4 * k + 3], 0x44);
        u[4 * k + 3] = _mm256_shuffle_ps(t[4 * k + 1], t[4 * k + 3], 0xEE);
    }
    for (int k = 0; k < 4; ++k)
    {
        columns[k] = reinterpret_cast<Floats>(_mm256_permute2f128_ps(u[k], u[k + 4], 0x20));
        columns[k + 4] = reinterpret_cast<Floats>(_mm256_permute2f128_ps(u[k], u[k + 4], 0x31));
    }
#else
    // Four 4 x 4 transposes: frames 0..3 and 4..7 of lanes 0..3 and 4..7.
    __m128 quarter[2][2][4];
    for (int frames = 0; frames < 2; ++frames)
    {
        for (int lanes = 0; lanes < 2; ++lanes)
        {
            __m128 q0 = _mm_loadu_ps(rows + 8 * (4 * frames + 0) + 4 * lanes);
            __m128 q1 = _mm_loadu_ps(rows + 8 * (4 * frames + 1) + 4 * lanes);
            __m128 q2 = _mm_loadu_ps(rows + 8 * (4 * frames + 2) + 4 * lanes);
            __m128 q3 = _mm_loadu_ps(rows + 8 * (4 * frames + 3) + 4 * lanes);
            _MM_TRANSPOSE4_PS(q0, q1, q2, q3);
            quarter[frames][lanes][0] = q0;
            quarter[frames][lanes][1] = q1;
            quarter[frames][lanes][2] = q2;
            quarter[frames][lanes][3] = q3;
        }
    }
    for (int lane = 0; lane < 8; ++lane)
        columns[lane] = joinHalves(quarter[0][lane / 4][lane % 4], quarter[1][lane / 4][lane % 4]);
#endif
}

} // namespace

} // namespace morvane
