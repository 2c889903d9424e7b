// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <vector>

namespace morvane::test
{

/** Records what a processor announces to its host and to its change
    listeners, the way the plug-in client and the editor would see it. */
class ProcessorProbe : public juce::AudioProcessorListener, public juce::ChangeListener
{
public:
    struct Automation
    {
        int index;
        float value;
    };

    std::vector<Automation> automations;
    std::vector<int> gestureBegins, gestureEnds;
    int changeMessages = 0;

    void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float value) override
    {
        automations.push_back({index, value});
    }

    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override {}

    void audioProcessorParameterChangeGestureBegin(juce::AudioProcessor*, int index) override
    {
        gestureBegins.push_back(index);
    }

    void audioProcessorParameterChangeGestureEnd(juce::AudioProcessor*, int index) override
    {
        gestureEnds.push_back(index);
    }

    void changeListenerCallback(juce::ChangeBroadcaster*) override { ++changeMessages; }

    void clear()
    {
        automations.clear();
        gestureBegins.clear();
        gestureEnds.clear();
        changeMessages = 0;
    }
};

/** A stereo buffer filled with a deterministic test signal. */
inline juce::AudioBuffer<float> makeNoiseBlock(int numSamples, juce::uint32 seed)
{
    juce::AudioBuffer<float> buffer(2, numSamples);
    for (int channel = 0; channel < 2; ++channel)
    {
        auto* data = buffer.getWritePointer(channel);
        for (int n = 0; n < numSamples; ++n)
        {
            seed = seed * 1664525u + 1013904223u;
            data[n] = static_cast<float>(static_cast<int>(seed >> 8) - (1 << 23)) / 16777216.0f;
        }
    }
    return buffer;
}

inline bool identical(const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
        return false;
    for (int channel = 0; channel < a.getNumChannels(); ++channel)
        if (std::memcmp(a.getReadPointer(channel), b.getReadPointer(channel),
                        sizeof(float) * static_cast<size_t>(a.getNumSamples())) != 0)
            return false;
    return true;
}

} // namespace morvane::test
