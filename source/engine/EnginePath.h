// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

namespace morvane
{

// Which implementation of the feedback network runs: the scalar reference, or one of the vector
// kernels, each built for one instruction set. Every path produces the same output bit for bit;
// they differ only in speed.
enum class EnginePath
{
    automatic,
    scalar,
    sse2,
    avx2,
    avx512,
    neon,
};

// Every path, the scalar reference first. Whatever goes through the paths takes them from here, so
// that a path added to the engine is checked on every processor that runs it.
inline constexpr std::array<EnginePath, 5> allEnginePaths{
    EnginePath::scalar, EnginePath::sse2, EnginePath::avx2, EnginePath::avx512, EnginePath::neon};

// Chooses a path once per engine, from the processor's capabilities, the MORVANE_ENGINE_PATH
// environment variable (scalar, sse2, avx2, avx512 or neon) and a process-wide override for tests.
// A request the processor cannot honour falls back to the best path it runs that is no wider:
// SSE2 and NEON, both two 4-lane halves, stand for each other on the other architecture, and
// AVX2 and AVX-512 asked for on ARM give NEON.
// Thread rule: any thread; the environment is read once per process.
class EnginePaths
{
public:
    static bool isSupported(EnginePath path) noexcept;

    // The best path this processor runs.
    static EnginePath best() noexcept;

    // What an engine built now should use: the explicit request if any, else the override, else
    // the environment, else the best path; always a supported one.
    static EnginePath resolve(EnginePath requested = EnginePath::automatic) noexcept;

    // Makes every engine built afterwards ask for `path` (automatic clears the override).
    static void setOverride(EnginePath path) noexcept;

    // How many 32-bit lanes the registers of a path's instruction set hold: 1 for scalar, 4 for
    // SSE2 and NEON, 8 for AVX2, 16 for AVX-512, 0 for automatic; what the fallback compares.
    static int width(EnginePath path) noexcept;

    // "scalar", "sse2", ...; parse returns automatic for anything else (including nullptr).
    static const char* name(EnginePath path) noexcept;
    static EnginePath parse(const char* text) noexcept;
};

} // namespace morvane
