// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace morvane::test
{

/** Counts what the calling thread allocates and frees through operator new
    and delete (every form, aligned ones included), so that a test can show a
    stretch of code on one thread makes neither. A test program gets the
    counting by linking AllocationCounter.cpp, which replaces the global
    operators. Other threads' allocations never count.

    Any thread; each thread reads its own counts. */
struct AllocationCounts
{
    long allocations = 0;
    long frees = 0;

    static AllocationCounts onThisThread() noexcept;

    AllocationCounts since(const AllocationCounts& earlier) const noexcept
    {
        return {allocations - earlier.allocations, frees - earlier.frees};
    }

    bool none() const noexcept { return allocations == 0 && frees == 0; }
};

} // namespace morvane::test
