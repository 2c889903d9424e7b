// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

// What the format tests render and compare: a short phrase, float WAV files for
// morvane-render, and a sample-exact comparison.
namespace morvane::test
{

/** A fresh folder for one test's files, under the test build's work folder. */
juce::File workDirectory(const juce::String& name);

/** A short stereo phrase: a decaying noise burst, a chord of sines, then silence for the tail. */
juce::AudioBuffer<float> makePhrase(double rate);

void writeFloatWav(const juce::File& file, const juce::AudioBuffer<float>& audio, double rate);

/** The file's audio; empty when it is missing or unreadable. */
juce::AudioBuffer<float> readWav(const juce::File& file);

/** Index of the first of the first `length` frames that differs in either channel, or -1. */
int firstDifference(const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b,
                    int length);

/** Renders the file with morvane-render (seed 1, 32-bit float, no tail) and these arguments;
    the output, empty when the render failed. */
juce::AudioBuffer<float> renderReference(const juce::File& input, const juce::String& arguments);

} // namespace morvane::test
