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

// The best supported path that is not above `path`.
EnginePath fallBackFrom(EnginePath path) noexcept
{
    switch (path)
    {
        case EnginePath::avx512:
            if (EnginePaths::isSupported(EnginePath::avx512))
                return EnginePath::avx512;
            [[fallthrough]];
        case EnginePath::avx2:
            if (EnginePaths::isSupported(EnginePath::avx2))
                return EnginePath::avx2;
            [[fallthrough]];
        case EnginePath::sse2:
            if (EnginePaths::isSupported(EnginePath::sse2))
                return EnginePath::sse2;
            [[fallthrough]];
        case EnginePath::scalar:
        case EnginePath::automatic:
            break;
    }
    return EnginePath::scalar;
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
        case EnginePath::automatic:
            return false;
    }
    return false;
#else
    return path == EnginePath::scalar;
#endif
}

EnginePath EnginePaths::best() noexcept
{
    return fallBackFrom(EnginePath::avx512);
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
    return fallBackFrom(path);
}

void EnginePaths::setOverride(EnginePath path) noexcept
{
    overridePath.store(static_cast<int>(path), std::memory_order_relaxed);
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
