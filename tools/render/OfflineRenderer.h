#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace morvane
{

/** Runs a processor over a whole recording the way a host does, in blocks,
    and lets the reverb ring out after the input ends. Call from one thread. */
class OfflineRenderer
{
public:
    /** A tail counts as finished once it stays below this level for a while. */
    static constexpr float silenceThreshold = 3.1622776e-5f; // -90 dBFS
    static constexpr double silenceWindowSeconds = 0.1;

    OfflineRenderer(juce::AudioProcessor& processor, int blockSize);

    /** Processes a stereo input at the given rate and returns it with the
        tail appended (at most maxTailSeconds of it). */
    juce::AudioBuffer<float> render(const juce::AudioBuffer<float>& input, double sampleRate,
                                    double maxTailSeconds);

    /** How much tail the last render appended, in samples. */
    juce::int64 getTailSamples() const noexcept { return tailSamples; }

private:
    juce::AudioProcessor& processor;
    int blockSize;
    juce::int64 tailSamples = 0;
};

} // namespace morvane
