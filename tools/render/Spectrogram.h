// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_gui_basics/juce_gui_basics.h>

namespace morvane
{

/** A spectrogram of a stereo response (both channels' power together): frames of about 20 ms
    with a Hann window, one per pixel column, log frequency from 50 Hz to the Nyquist frequency
    upwards, and dB below the loudest point as colour, dark blue through red to pale yellow.

    Message thread only, as it draws with JUCE. */
class Spectrogram
{
public:
    /** Draws the first `seconds` of the response into `plot`, with its time and frequency axes. */
    static void draw(juce::Graphics& g, juce::Rectangle<int> plot,
                     const juce::AudioBuffer<float>& ir, double sampleRate, double seconds);
};

} // namespace morvane
