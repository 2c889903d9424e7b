// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioPathMonitor.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <new>

#include <dlfcn.h>
#include <pthread.h>

namespace morvane::validate
{

namespace
{

// Plain data, so that the thread-local lives in static TLS and reading it never allocates.
struct ThreadState
{
    bool counting;
    const void* allowedLock;
    AudioPathMonitor::Counts counts;
    unsigned int pauses;
    bool countingBeforePause;
};

thread_local ThreadState state{};

[[maybe_unused]] void noteAllocation() noexcept
{
    if (state.counting)
        ++state.counts.allocations;
}

[[maybe_unused]] void noteRelease(const void* pointer) noexcept
{
    if (pointer != nullptr && state.counting)
        ++state.counts.releases;
}

[[maybe_unused]] void noteLock(const void* mutex) noexcept
{
    if (!state.counting)
        return;
    if (state.allowedLock == nullptr)
        state.allowedLock = mutex;
    if (mutex == state.allowedLock)
        ++state.counts.callbackLocks;
    else
        ++state.counts.otherLocks;
}

} // namespace

AudioPathMonitor::Counts& AudioPathMonitor::Counts::operator+=(const Counts& other) noexcept
{
    allocations += other.allocations;
    releases += other.releases;
    otherLocks += other.otherLocks;
    callbackLocks += other.callbackLocks;
    return *this;
}

bool AudioPathMonitor::isAvailable() noexcept
{
#if MORVANE_VALIDATE_INTERPOSE
    return true;
#else
    return false;
#endif
}

AudioPathMonitor::Record& AudioPathMonitor::Record::operator+=(const Record& other) noexcept
{
    counts += other.counts;
    blocks += other.blocks;
    firstBlocks += other.firstBlocks;
    unannouncedCounts += other.unannouncedCounts;
    unannouncedBlocks += other.unannouncedBlocks;
    return *this;
}

void AudioPathMonitor::begin(const void* callbackLock) noexcept
{
    state.counts = {};
    state.allowedLock = callbackLock;
    state.counting = true;
}

AudioPathMonitor::Counts AudioPathMonitor::end() noexcept
{
    state.counting = false;
    return state.counts;
}

const void* AudioPathMonitor::callbackLock() noexcept
{
    return state.allowedLock;
}

void AudioPathMonitor::pause() noexcept
{
    if (state.pauses++ == 0)
    {
        state.countingBeforePause = state.counting;
        state.counting = false;
    }
}

void AudioPathMonitor::resume() noexcept
{
    if (state.pauses > 0 && --state.pauses == 0)
        state.counting = state.countingBeforePause;
}

} // namespace morvane::validate

#if MORVANE_VALIDATE_INTERPOSE

// The C library's own entry points behind its public allocator names.
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void __libc_free(void* pointer);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void* __libc_realloc(void* pointer, std::size_t size);
extern "C" void* __libc_memalign(std::size_t alignment, std::size_t size);
extern "C" void* __libc_valloc(std::size_t size);

namespace
{

using morvane::validate::noteAllocation;
using morvane::validate::noteLock;
using morvane::validate::noteRelease;

using MutexFunction = int (*)(pthread_mutex_t*);

// Looked up without a function-local static, whose guard could itself lock.
std::atomic<MutexFunction> nextLock{nullptr};
std::atomic<MutexFunction> nextTryLock{nullptr};

MutexFunction next(std::atomic<MutexFunction>& function, const char* name) noexcept
{
    MutexFunction resolved = function.load(std::memory_order_relaxed);
    if (resolved == nullptr)
    {
        resolved = reinterpret_cast<MutexFunction>(dlsym(RTLD_NEXT, name));
        function.store(resolved, std::memory_order_relaxed);
    }
    return resolved;
}

void* allocateForNew(std::size_t size)
{
    noteAllocation();
    for (;;)
    {
        if (void* pointer = __libc_malloc(size != 0 ? size : 1))
            return pointer;
        if (auto handler = std::get_new_handler())
            handler();
        else
            throw std::bad_alloc();
    }
}

void* allocateAlignedForNew(std::size_t size, std::align_val_t alignment)
{
    noteAllocation();
    for (;;)
    {
        if (void* pointer =
                __libc_memalign(static_cast<std::size_t>(alignment), size != 0 ? size : 1))
            return pointer;
        if (auto handler = std::get_new_handler())
            handler();
        else
            throw std::bad_alloc();
    }
}

void releaseForDelete(void* pointer) noexcept
{
    noteRelease(pointer);
    __libc_free(pointer);
}

} // namespace

#define MORVANE_EXPORT __attribute__((visibility("default")))

extern "C"
{
    MORVANE_EXPORT void* malloc(std::size_t size)
    {
        noteAllocation();
        return __libc_malloc(size);
    }

    MORVANE_EXPORT void free(void* pointer)
    {
        noteRelease(pointer);
        __libc_free(pointer);
    }

    MORVANE_EXPORT void* calloc(std::size_t count, std::size_t size)
    {
        noteAllocation();
        return __libc_calloc(count, size);
    }

    MORVANE_EXPORT void* realloc(void* pointer, std::size_t size)
    {
        noteAllocation();
        return __libc_realloc(pointer, size);
    }

    MORVANE_EXPORT void* memalign(std::size_t alignment, std::size_t size)
    {
        noteAllocation();
        return __libc_memalign(alignment, size);
    }

    MORVANE_EXPORT void* aligned_alloc(std::size_t alignment, std::size_t size)
    {
        noteAllocation();
        return __libc_memalign(alignment, size);
    }

    MORVANE_EXPORT void* valloc(std::size_t size)
    {
        noteAllocation();
        return __libc_valloc(size);
    }

    MORVANE_EXPORT int posix_memalign(void** result, std::size_t alignment, std::size_t size)
    {
        noteAllocation();
        if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0)
            return EINVAL;
        void* pointer = __libc_memalign(alignment, size);
        if (pointer == nullptr)
            return ENOMEM;
        *result = pointer;
        return 0;
    }

    MORVANE_EXPORT int pthread_mutex_lock(pthread_mutex_t* mutex)
    {
        noteLock(mutex);
        return next(nextLock, "pthread_mutex_lock")(mutex);
    }

    MORVANE_EXPORT int pthread_mutex_trylock(pthread_mutex_t* mutex)
    {
        noteLock(mutex);
        return next(nextTryLock, "pthread_mutex_trylock")(mutex);
    }
}

MORVANE_EXPORT void* operator new(std::size_t size)
{
    return allocateForNew(size);
}

MORVANE_EXPORT void* operator new[](std::size_t size)
{
    return allocateForNew(size);
}

MORVANE_EXPORT void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    noteAllocation();
    return __libc_malloc(size != 0 ? size : 1);
}

MORVANE_EXPORT void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    noteAllocation();
    return __libc_malloc(size != 0 ? size : 1);
}

MORVANE_EXPORT void* operator new(std::size_t size, std::align_val_t alignment)
{
    return allocateAlignedForNew(size, alignment);
}

MORVANE_EXPORT void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return allocateAlignedForNew(size, alignment);
}

MORVANE_EXPORT void* operator new(std::size_t size, std::align_val_t alignment,
                                  const std::nothrow_t&) noexcept
{
    noteAllocation();
    return __libc_memalign(static_cast<std::size_t>(alignment), size != 0 ? size : 1);
}

MORVANE_EXPORT void* operator new[](std::size_t size, std::align_val_t alignment,
                                    const std::nothrow_t&) noexcept
{
    noteAllocation();
    return __libc_memalign(static_cast<std::size_t>(alignment), size != 0 ? size : 1);
}

MORVANE_EXPORT void operator delete(void* pointer) noexcept
{
    releaseForDelete(pointer);
}

MORVANE_EXPORT void operator delete[](void* pointer) noexcept
{
    releaseForDelete(pointer);
}

MORVANE_EXPORT void operator delete(void* pointer, std::size_t) noexcept
{
    releaseForDelete(pointer);
}

MORVANE_EXPORT void operator delete[](void* pointer, std::size_t) noexcept
{
    releaseForDelete(pointer);
}

MORVANE_EXPORT void operator delete(void* pointer, const std::nothrow_t&) noexcept
{
    releaseForDelete(pointer);
}

MORVANE_EXPORT void operator delete[](void* pointer, const std::nothrow_t&) noexcept
{
    releaseForDelete(pointer);
}

MORVANE_EXPORT void operator delete(void* pointer, std::align_val_t) noexcept
{
    releaseForDelete(pointer);
}

MORVANE_EXPORT void operator delete[](void* pointer, std::align_val_t) noexcept
{
    releaseForDelete(pointer);
}

MORVANE_EXPORT void operator delete(void* pointer, std::size_t, std::align_val_t) noexcept
{
    releaseForDelete(pointer);
}

MORVANE_EXPORT void operator delete[](void* pointer, std::size_t, std::align_val_t) noexcept
{
    releaseForDelete(pointer);
}

MORVANE_EXPORT void operator delete(void* pointer, std::align_val_t, const std::nothrow_t&) noexcept
{
    releaseForDelete(pointer);
}

MORVANE_EXPORT void operator delete[](void* pointer, std::align_val_t,
                                      const std::nothrow_t&) noexcept
{
    releaseForDelete(pointer);
}

#endif
