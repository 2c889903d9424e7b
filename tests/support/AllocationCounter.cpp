// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AllocationCounter.h"

#include <cstddef>
#include <cstdlib>
#include <new>

// The replacements are kept out of line so that the compiler never pairs a new expression with
// the free inside and optimises the count away.
namespace
{
thread_local morvane::test::AllocationCounts counts;

void* allocate(std::size_t size, std::size_t alignment)
{
    ++counts.allocations;
    if (size == 0)
        size = 1;
    void* p = nullptr;
    if (alignment <= alignof(std::max_align_t))
        p = std::malloc(size);
    else
        p = std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void release(void* p) noexcept
{
    if (p == nullptr)
        return;
    ++counts.frees;
    std::free(p);
}
} // namespace

morvane::test::AllocationCounts morvane::test::AllocationCounts::onThisThread() noexcept
{
    return counts;
}

[[gnu::noinline]] void* operator new(std::size_t size)
{
    return allocate(size, 0);
}

[[gnu::noinline]] void* operator new[](std::size_t size)
{
    return allocate(size, 0);
}

[[gnu::noinline]] void* operator new(std::size_t size, std::align_val_t alignment)
{
    return allocate(size, static_cast<std::size_t>(alignment));
}

[[gnu::noinline]] void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return allocate(size, static_cast<std::size_t>(alignment));
}

[[gnu::noinline]] void operator delete(void* p) noexcept
{
    release(p);
}

[[gnu::noinline]] void operator delete[](void* p) noexcept
{
    release(p);
}

[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept
{
    release(p);
}

[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept
{
    release(p);
}

[[gnu::noinline]] void operator delete(void* p, std::align_val_t) noexcept
{
    release(p);
}

[[gnu::noinline]] void operator delete[](void* p, std::align_val_t) noexcept
{
    release(p);
}

[[gnu::noinline]] void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    release(p);
}

[[gnu::noinline]] void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    release(p);
}
