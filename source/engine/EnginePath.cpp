// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/EnginePath.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace morvane
{

namespace
{

std::atomic<int> overridePath{static_cast<int>(EnginePath::automatic)};

EnginePath environmentPath() noexcept
{
    static const EnginePath fromEnvironment =
        EnginePaths::parse(std::getenv("MORVANE_ENGINE_PATH"));
    return fromEnvironment;
}

// The widest supported path no wider than `widest`; scalar when nothing else fits.
EnginePath bestUpTo(int widest) noexcept
{
    EnginePath chosen = EnginePath::scalar;
    for (const EnginePath path : allEnginePaths)
    {
        const int width = EnginePaths::width(path);
        if (width <= widest && width > EnginePaths::width(chosen) && EnginePaths::isSupported(path))
            chosen = path;
    }
    return chosen;
}

} // namespace

bool EnginePaths::isSupported(EnginePath path) noexcept
{
#if defined(__x86_64__) && defined(__GNUC__)
    // The processor's features are otherwise only known once the runtime's own constructors
    // have run, which an engine built during static initialisation could precede.
    __builtin_cpu_init();
    switch (path)
    {
        case EnginePath::scalar:
            return true;
        case EnginePath::sse2:
            return true;
        case EnginePath::avx2:
            return __builtin_cpu_supports("avx2");
        case EnginePath::avx512:
            // Every extension its kernel is compiled with, not only the ones it uses today.
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
                   __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq");
        case EnginePath::neon:
        case EnginePath::automatic:
            return false;
    }
    return false;
#elif defined(__aarch64__)
    // Advanced SIMD is part of every 64-bit ARM processor, so there is nothing to ask.
    return path == EnginePath::scalar || path == EnginePath::neon;
#else
    return path == EnginePath::scalar;
#endif
}

EnginePath EnginePaths::best() noexcept
{
    return bestUpTo(width(EnginePath::avx512));
}

EnginePath EnginePaths::resolve(EnginePath requested) noexcept
{
    EnginePath path = requested;
    if (path == EnginePath::automatic)
        path = static_cast<EnginePath>(overridePath.load(std::memory_order_relaxed));
    if (path == EnginePath::automatic)
        path = environmentPath();
    if (path == EnginePath::automatic)
        return best();
    return bestUpTo(width(path));
}

void EnginePaths::setOverride(EnginePath path) noexcept
{
    overridePath.store(static_cast<int>(path), std::memory_order_relaxed);
}

int EnginePaths::width(EnginePath path) noexcept
{
    switch (path)
    {
        case EnginePath::scalar:
            return 1;
        case EnginePath::sse2:
        case EnginePath::neon:
            return 4;
        case EnginePath::avx2:
            return 8;
        case EnginePath::avx512:
            return 16;
        case EnginePath::automatic:
            break;
    }
    return 0;
}

const char* EnginePaths::name(EnginePath path) noexcept
{
    switch (path)
    {
        case EnginePath::scalar:
            return "scalar";
        case EnginePath::sse2:
            return "sse2";
        case EnginePath::avx2:
            return "avx2";
        case EnginePath::avx512:
            return "avx512";
        case EnginePath::neon:
            return "neon";
        case EnginePath::automatic:
            break;
    }
    return "automatic";
}

EnginePath EnginePaths::parse(const char* text) noexcept
{
    if (text == nullptr)
        return EnginePath::automatic;
    for (const EnginePath path : allEnginePaths)
    {
        if (std::strcmp(text, name(path)) == 0)
            return path;
    }
    return EnginePath::automatic;
}

} // namespace morvane
