// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include <optional>

namespace morvane
{

/** What a render runs through: the built-in processor (CoreSource) or a VST 2.4 module loaded
    from a file (Vst2Host). Everything that renders (files, impulses, benchmarks) goes through
    this, so each works the same for Morvane in-process and for any module.

    The calling order is the one a host keeps: configure (parameters, state), prepare(), any
    number of process() calls of at most maxBlockSize frames, release(); prepare() again may
    follow, at another rate or block size. Audio is always stereo at this boundary; a source
    whose processor has other channel counts maps them (mono in gets the two channels mixed,
    mono out goes to both).

    Thread rule: one thread at a time, the renderer's; nothing here is for concurrent use. */
class RenderSource
{
public:
    virtual ~RenderSource() = default;

    /** The processor's own name, for reports ("Morvane", a module's effect name, ...). */
    virtual juce::String getName() const = 0;

    virtual int getNumParameters() const = 0;
    virtual juce::String getParameterName(int index) const = 0;

    /** The parameter with that name, in any letter case and ignoring surrounding spaces;
        -1 when there is none. */
    virtual int findParameter(const juce::String& name) const = 0;

    /** Parameter values run from 0 to 1; an index out of range is ignored (reads as 0). */
    virtual float getParameter(int index) const = 0;
    virtual void setParameter(int index, float value) = 0;

    /** The value as the processor shows it, with its unit when it has one. */
    virtual juce::String getParameterText(int index) const = 0;

    /** The whole state as a host stores it in its project (the bank chunk). */
    virtual juce::MemoryBlock getState() = 0;

    /** Restores a state written by getState(); on failure returns the reason. */
    virtual std::optional<juce::String> setState(const juce::MemoryBlock& state) = 0;

    /** Makes the source ready to process at this rate, in blocks of at most maxBlockSize. */
    virtual void prepare(double sampleRate, int maxBlockSize) = 0;

    /** Processes a two-channel buffer in place; its length must not exceed the prepared
        block size. */
    virtual void process(juce::AudioBuffer<float>& stereo) = 0;

    /** Ends processing (a host's suspend); prepare() must come before the next process(). */
    virtual void release() = 0;

    /** How long the processor says its tail lasts, in seconds; 0 when it does not say. */
    virtual double getTailSeconds() const = 0;
};

} // namespace morvane
