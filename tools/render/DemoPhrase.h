// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace morvane
{

/** The built-in dry phrase that the renderer uses when it is given no file:
    a few drum hits and a short plucked figure, dry and mostly short, so the
    reverb is easy to hear. Generated the same way every time. Any thread. */
class DemoPhrase
{
public:
    static constexpr double sampleRate = 48000.0;

    static juce::AudioBuffer<float> generate();
};

} // namespace morvane
