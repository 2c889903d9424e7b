#pragma once

#include <cstdint>

namespace morvane::validate
{

/** Watches what one thread does while it is inside the plug-in's audio callback: every heap
    allocation and release (malloc, free and their relatives, operator new and delete in all
    forms) and every pthread mutex it locks. The validator replaces those functions for the
    whole process, the loaded module included, and forwards each to the C library; only a
    thread that has begun a span counts, so other threads and the rest of the program run
    untouched.

    The one lock the audio callback may take is the processor's callback lock. It is told apart
    by address: the first mutex the callback locks at a new sample rate is learnt, and in later
    spans locks on it are tallied apart from the others.

    Sanitizer builds keep their own allocator; there nothing is replaced and isAvailable() is
    false.

    Thread rule: any thread; each thread's span and counts are its own. */
class AudioPathMonitor
{
public:
    struct Counts
    {
        std::uint64_t allocations = 0;
        std::uint64_t releases = 0;
        std::uint64_t otherLocks = 0;
        std::uint64_t callbackLocks = 0;

        std::uint64_t faults() const noexcept { return allocations + releases + otherLocks; }
        Counts& operator+=(const Counts& other) noexcept;
    };

    static bool isAvailable() noexcept;

    /** Counts on this thread until end(); locks of allowedLock (may be null) are not faults. */
    static void begin(const void* allowedLock) noexcept;
    static Counts end() noexcept;

    /** Remembers the first mutex this thread locks until endLearning(), which returns it (or
        null). Nothing is counted meanwhile. */
    static void beginLearning() noexcept;
    static const void* endLearning() noexcept;

    /** Stops counting on this thread until the matching resume(), for work the host does
        itself while the plug-in calls back into it. Pauses nest. */
    static void pause() noexcept;
    static void resume() noexcept;
};

} // namespace morvane::validate
