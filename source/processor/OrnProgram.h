// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/Parameters.h"

#include <juce_core/juce_core.h>

#include <array>
#include <atomic>
#include <cstdint>

namespace morvane
{

/** The one program record: name, category, the seven normalised parameter
    values and the MIDI controller table that the stored state carries along.

    Thread rules: the values are read by the audio thread while the host or the
    editor writes them, so each is an atomic float, written and read whole.
    Name, category and the controller table belong to whichever thread the host
    uses for program and state requests; the audio thread never touches them. */
class OrnProgram
{
public:
    static constexpr int numValues = parameterCount;
    static constexpr int midiMapSize = 256;

    OrnProgram() noexcept;

    float getValue(Parameter parameter) const noexcept { return getValue(indexOf(parameter)); }

    void setValue(Parameter parameter, float value) noexcept
    {
        setValue(indexOf(parameter), value);
    }

    /** By host index 0..6, for code that walks the values in host order (the
        stored state). */
    float getValue(int index) const noexcept
    {
        return parameterValues[static_cast<size_t>(index)].load(std::memory_order_relaxed);
    }

    void setValue(int index, float value) noexcept
    {
        parameterValues[static_cast<size_t>(index)].store(value, std::memory_order_relaxed);
    }

    juce::String name{"Startup"};
    juce::String category{"category 1"};
    std::array<std::atomic<float>, numValues> parameterValues;
    std::array<std::int32_t, midiMapSize> midiMap{};
};

} // namespace morvane
