// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioPathMonitor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>

using morvane::validate::AudioPathMonitor;

namespace
{

// Kept where the optimiser cannot see that an allocation goes unused.
void* volatile sink = nullptr;

class AudioPathMonitorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!AudioPathMonitor::isAvailable())
            GTEST_SKIP() << "nothing is counted in sanitizer builds";
    }
};

TEST_F(AudioPathMonitorTest, CountsEveryKindOfAllocationInsideASpanOnly)
{
    sink = std::malloc(8);
    std::free(sink);

    AudioPathMonitor::begin(nullptr);
    sink = std::malloc(16);
    std::free(sink);
    sink = std::calloc(4, 4);
    sink = std::realloc(sink, 64);
    std::free(sink);
    void* aligned = nullptr;
    if (posix_memalign(&aligned, 64, 128) == 0)
        sink = aligned;
    std::free(sink);
    sink = new int(3);
    delete static_cast<int*>(sink);
    sink = new double[9];
    delete[] static_cast<double*>(sink);
    sink = ::operator new(32, std::align_val_t(128));
    ::operator delete(sink, std::align_val_t(128));
    const auto counts = AudioPathMonitor::end();

    EXPECT_EQ(counts.allocations, 7u);
    EXPECT_EQ(counts.releases, 6u);

    sink = std::malloc(8);
    std::free(sink);
    AudioPathMonitor::begin(nullptr);
    EXPECT_EQ(AudioPathMonitor::end().allocations, 0u) << "counts must restart with each span";
}

TEST_F(AudioPathMonitorTest, IgnoresOtherThreadsAndPausedHostWork)
{
    std::atomic<int> step{0};
    std::thread other(
        [&]
        {
            while (step.load() != 1)
                std::this_thread::yield();
            for (int i = 0; i < 100; ++i)
                delete new int(i);
            step.store(2);
        });

    AudioPathMonitor::begin(nullptr);
    step.store(1);
    while (step.load() != 2)
        std::this_thread::yield();
    // Paused twice over, as when the host's answer pauses inside a paused callback.
    AudioPathMonitor::pause();
    sink = std::malloc(16);
    AudioPathMonitor::pause();
    std::free(sink);
    AudioPathMonitor::resume();
    sink = std::malloc(16);
    std::free(sink);
    AudioPathMonitor::resume();
    sink = std::malloc(16);
    const auto counts = AudioPathMonitor::end();
    std::free(sink);
    other.join();

    EXPECT_EQ(counts.allocations, 1u) << "only this thread's unpaused allocation counts";
    EXPECT_EQ(counts.releases, 0u);
}

TEST_F(AudioPathMonitorTest, TellsTheCallbackLockFromOtherLocks)
{
    std::recursive_mutex callbackLock;
    std::mutex otherLock;

    // Not told which lock is the callback's, the span takes the first it locks for it.
    AudioPathMonitor::begin(nullptr);
    sink = std::malloc(16);
    std::free(sink);
    callbackLock.lock();
    otherLock.lock();
    otherLock.unlock();
    callbackLock.unlock();
    const auto learning = AudioPathMonitor::end();
    const void* learnt = AudioPathMonitor::callbackLock();
    EXPECT_EQ(learnt, static_cast<const void*>(callbackLock.native_handle()));
    EXPECT_EQ(learning.allocations, 1u) << "learning the lock still counts the rest";
    EXPECT_EQ(learning.callbackLocks, 1u);
    EXPECT_EQ(learning.otherLocks, 1u);

    AudioPathMonitor::begin(learnt);
    callbackLock.lock();
    callbackLock.lock();
    callbackLock.unlock();
    callbackLock.unlock();
    if (otherLock.try_lock())
        otherLock.unlock();
    otherLock.lock();
    otherLock.unlock();
    const auto counts = AudioPathMonitor::end();

    EXPECT_EQ(AudioPathMonitor::callbackLock(), learnt);
    EXPECT_EQ(counts.callbackLocks, 2u);
    EXPECT_EQ(counts.otherLocks, 2u) << "try_lock counts as a lock too";
    EXPECT_EQ(counts.faults(), 2u);
}

} // namespace
