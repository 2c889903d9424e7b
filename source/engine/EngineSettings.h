// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/EngineBlockSettings.h"
#include "engine/Parameters.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace morvane
{

// The shaped parameter values, one per parameter, as mapParameter leaves them. The array keeps
// the engine's historical layout (eight entries, parameter i in entry i + 1, the first unused);
// only this class knows it. Parameter changes arrive on any thread while the audio thread reads,
// so each entry is an atomic read and written whole; relaxed ordering is enough because no entry
// guards any other data.
// Thread rule: any thread.
class EngineSettings
{
public:
    EngineSettings() noexcept;

    double get(Parameter parameter) const noexcept
    {
        return values[entryOf(parameter)].load(std::memory_order_relaxed);
    }

    void set(Parameter parameter, double value) noexcept
    {
        values[entryOf(parameter)].store(value, std::memory_order_relaxed);
    }

    // What the engine reads at the start of a block.
    EngineBlockSettings forBlock() const noexcept
    {
        return EngineBlockSettings{get(Parameter::delay), get(Parameter::size),
                                   get(Parameter::lowPass), get(Parameter::highPass)};
    }

private:
    static constexpr std::size_t numEntries = parameterCount + 1;

    static constexpr std::size_t entryOf(Parameter parameter) noexcept
    {
        return static_cast<std::size_t>(indexOf(parameter)) + 1;
    }

    static_assert(std::atomic<double>::is_always_lock_free,
                  "the audio thread must never wait on a settings entry");

    std::array<std::atomic<double>, numEntries> values;
};

} // namespace morvane
