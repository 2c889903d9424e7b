// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include <optional>

namespace morvane
{

/** Reading and writing the renderer's audio files. Any thread. */
class AudioFiles
{
public:
    struct Recording
    {
        juce::AudioBuffer<float> audio; // always two channels
        double sampleRate = 0.0;
        juce::String formatName;
    };

    /** Reads WAV, AIFF or FLAC; mono files play on both channels, files with
        more channels give their first two. On failure, returns the reason. */
    static std::optional<juce::String> read(const juce::File& file, Recording& out);

    /** Writes a stereo WAV (24-bit integer or 32-bit float). The file appears
        only when it is complete: a failed write leaves no partial file. */
    static std::optional<juce::String> writeWav(const juce::File& file,
                                                const juce::AudioBuffer<float>& audio,
                                                double sampleRate, int bitsPerSample);
};

} // namespace morvane
