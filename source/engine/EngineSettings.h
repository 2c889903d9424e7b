#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace morvane
{

// The shaped parameter values: entry i + 1 holds parameter i after mapParameter, entry 0 is
// unused. Parameter changes arrive on any thread while the audio thread reads every sample, so
// each entry is an atomic read and written whole; relaxed ordering is enough because no entry
// guards any other data. Indices outside the array read as 0.0 and are ignored on writing.
// Thread rule: any thread.
class EngineSettings
{
public:
    static constexpr int numEntries = 8;

    EngineSettings() noexcept;

    double get(int entry) const noexcept
    {
        if (entry < 0 || entry >= numEntries)
            return 0.0;
        return values[static_cast<std::size_t>(entry)].load(std::memory_order_relaxed);
    }

    void set(int entry, double value) noexcept
    {
        if (entry < 0 || entry >= numEntries)
            return;
        values[static_cast<std::size_t>(entry)].store(value, std::memory_order_relaxed);
    }

private:
    static_assert(std::atomic<double>::is_always_lock_free,
                  "the audio thread must never wait on a settings entry");

    std::array<std::atomic<double>, numEntries> values;
};

} // namespace morvane
