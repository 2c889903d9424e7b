// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace morvane::testing
{

/** A made-up room: a one-sample direct sound on both channels, then, after a gap, noise under
    an exponential envelope that falls 60 dB in rt60 seconds and runs down 90 dB, independent
    in the two channels. The direct sound's energy stands directToReverberantDb above each
    channel's reverberant energy, exactly, whatever the noise happened to be. */
struct SyntheticResponse
{
    double rt60 = 1.0;
    double directToReverberantDb = 0.0;
    double gapSeconds = 0.0;
    double sampleRate = 48000.0;
    double arrivalSeconds = 0.005;
    int seed = 1;

    int arrivalSample() const;
    int reverberationStart() const;
    juce::AudioBuffer<float> render() const;

    /** The Schroeder curve the response has on average, in dB from 0 at the direct sound, one
        value per sample: what EDT is to be measured on. */
    std::vector<double> expectedCurveDb() const;
};

} // namespace morvane::testing
