// SPDX-License-Identifier: GPL-3.0-or-later
#include "CoreSource.h"

#include "processor/ParameterTable.h"
#include "state/OrnStateReader.h"

#include <cstring>
#include <limits>

namespace morvane
{

namespace
{
bool isParameter(int index) noexcept
{
    return index >= 0 && index < ParameterTable::numParameters;
}
} // namespace

CoreSource::CoreSource() = default;

juce::String CoreSource::getName() const
{
    return core.getName();
}

int CoreSource::getNumParameters() const
{
    return ParameterTable::numParameters;
}

juce::String CoreSource::getParameterName(int index) const
{
    return isParameter(index) ? juce::String(ParameterTable::get(index).name) : juce::String();
}

int CoreSource::findParameter(const juce::String& name) const
{
    return ParameterTable::findByName(name.trim().toRawUTF8());
}

float CoreSource::getParameter(int index) const
{
    return isParameter(index) ? core.getParameter(index) : 0.0f;
}

void CoreSource::setParameter(int index, float value)
{
    if (isParameter(index))
        core.setParameter(index, value);
}

juce::String CoreSource::getParameterText(int index) const
{
    return isParameter(index) ? core.getParameterText(index) : juce::String();
}

juce::MemoryBlock CoreSource::getState()
{
    juce::MemoryBlock chunk;
    core.getStateInformation(chunk);
    return chunk;
}

// The processor itself accepts any bytes and keeps its settings when it cannot read them, which
// would let a wrong file render silently with the factory sound; here such a state is refused.
std::optional<juce::String> CoreSource::setState(const juce::MemoryBlock& state)
{
    if (state.getSize() > static_cast<size_t>(std::numeric_limits<int>::max()))
        return juce::String("far too large for a Morvane state");

    const auto size = static_cast<int>(state.getSize());
    if (size <= 8 || std::memcmp(state.getData(), "VC2!", 4) != 0)
        return juce::String("not a Morvane state (it does not start with VC2!)");

    if (!OrnStateReader(state.getData(), size).hasStateDocument())
        return juce::String("starts like a Morvane state but holds no readable <orn> document");

    core.setStateInformation(state.getData(), size);
    return std::nullopt;
}

void CoreSource::prepare(double sampleRate, int maxBlockSize)
{
    if (prepared)
        release();
    core.setRateAndBufferSizeDetails(sampleRate, maxBlockSize);
    core.prepareToPlay(sampleRate, maxBlockSize);
    prepared = true;
}

void CoreSource::process(juce::AudioBuffer<float>& stereo)
{
    const juce::ScopedLock lock(core.getCallbackLock());
    core.processBlock(stereo, noMidi);
}

void CoreSource::release()
{
    if (prepared)
        core.releaseResources();
    prepared = false;
}

double CoreSource::getTailSeconds() const
{
    return core.getTailLengthSeconds();
}

} // namespace morvane
