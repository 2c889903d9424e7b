// SPDX-License-Identifier: GPL-3.0-or-later
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
    by address: a span that is not told which mutex it is takes the first one it locks for it,
    and locks on it are tallied apart from the others.

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

    /** What an instance's audio callback did. Every block is held to the rules except the first
        at a rate the host never announced, which may build what the new rate needs; those are
        kept apart, to be reported. */
    struct Record
    {
        Counts counts;
        std::uint64_t blocks = 0;
        /** Of those blocks, the first at an announced rate. */
        std::uint64_t firstBlocks = 0;
        Counts unannouncedCounts;
        std::uint64_t unannouncedBlocks = 0;

        Record& operator+=(const Record& other) noexcept;
    };

    static bool isAvailable() noexcept;

    /** Counts on this thread until end(); locks of callbackLock are not faults. With null, the
        first mutex the span locks is taken for the callback lock. */
    static void begin(const void* callbackLock) noexcept;
    static Counts end() noexcept;

    /** The callback lock of this thread's last span, given or learnt; null if it locked none. */
    static const void* callbackLock() noexcept;

    /** Stops counting on this thread until the matching resume(), for work the host does
        itself while the plug-in calls back into it. Pauses nest. */
    static void pause() noexcept;
    static void resume() noexcept;
};

} // namespace morvane::validate
