// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The eight-lane vector types of the vector kernels, and the operations on them that read the
// same on every instruction set because the generic vector extension maps them well everywhere.
// Each primitives header includes this and adds what its own instruction set does better by hand.
// Everything has internal linkage, for the reason the primitives headers give.
// Thread rule: any thread; the functions only compute.

#include <cstdint>

namespace morvane
{

namespace
{

typedef float Floats __attribute__((vector_size(32)));
typedef std::int32_t Ints __attribute__((vector_size(32)));
typedef std::uint32_t Words __attribute__((vector_size(32)));

template <typename Vector, typename Element>
inline Vector loadLanes(const Element* source) noexcept
{
    Vector v;
    __builtin_memcpy(&v, source, sizeof v);
    return v;
}

template <typename Vector, typename Element>
inline void storeLanes(Element* target, Vector v) noexcept
{
    __builtin_memcpy(target, &v, sizeof v);
}

template <typename Vector>
inline Vector select(Ints mask, Vector a, Vector b) noexcept
{
    const Ints x = reinterpret_cast<Ints>(a);
    const Ints y = reinterpret_cast<Ints>(b);
    return reinterpret_cast<Vector>((mask & x) | (~mask & y));
}

inline Floats toFloats(Ints v) noexcept
{
    return __builtin_convertvector(v, Floats);
}

} // namespace

} // namespace morvane
