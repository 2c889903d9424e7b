// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RenderSource.h"

#include "processor/OrnCore.h"

namespace morvane
{

/** The built-in processor as a render source: Morvane in this process, without the module
    boundary. It owns its OrnCore, made when the source is, so a seed set just before takes
    effect. Thread rule: one thread at a time, as RenderSource. */
class CoreSource : public RenderSource
{
public:
    CoreSource();

    OrnCore& getCore() noexcept { return core; }

    juce::String getName() const override;
    int getNumParameters() const override;
    juce::String getParameterName(int index) const override;
    int findParameter(const juce::String& name) const override;
    float getParameter(int index) const override;
    void setParameter(int index, float value) override;
    juce::String getParameterText(int index) const override;
    juce::MemoryBlock getState() override;
    std::optional<juce::String> setState(const juce::MemoryBlock& state) override;
    void prepare(double sampleRate, int maxBlockSize) override;
    void process(juce::AudioBuffer<float>& stereo) override;
    void release() override;
    double getTailSeconds() const override;

private:
    // The processor's getters are not const; the source's are, as they change nothing.
    mutable OrnCore core;
    juce::MidiBuffer noMidi;
    bool prepared = false;
};

} // namespace morvane
