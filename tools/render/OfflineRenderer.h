#pragma once

#include "RenderSource.h"

#include <functional>

namespace morvane
{

/** Runs a render source over a whole recording the way a host does, in blocks,
    and lets the reverb ring out after the input ends. Call from one thread. */
class OfflineRenderer
{
public:
    /** A tail counts as finished once it stays below this level for silenceWindowSeconds
        (after it has been heard, where a silent start is waited for). */
    static constexpr float silenceThreshold = 3.1622776e-5f; // -90 dBFS
    static constexpr double silenceWindowSeconds = 0.1;

    /** What a tail that starts below the threshold means. After a recording it is the end of
        the reverb; after an impulse it may be a pre-delay, so it is waited for as long as the
        source says its tail lasts (at least minimumWaitSeconds), lest a silent pre-delay be
        taken for the end of the reverb. */
    enum class SilentStart
    {
        endsTheTail,
        isWaitedFor,
    };
    static constexpr double minimumWaitSeconds = 1.0;

    OfflineRenderer(RenderSource& source, int blockSize);

    /** Called after every block with the share done so far, 0 to 1: an estimate while the
        tail rings, as its end is known only when it comes. */
    std::function<void(double)> onProgress;

    /** Processes a stereo input at the given rate and returns it with the
        tail appended (at most maxTailSeconds of it). */
    juce::AudioBuffer<float> render(const juce::AudioBuffer<float>& input, double sampleRate,
                                    double maxTailSeconds,
                                    SilentStart silentStart = SilentStart::endsTheTail);

    /** How much tail the last render appended, in samples. */
    juce::int64 getTailSamples() const noexcept { return tailSamples; }

private:
    RenderSource& source;
    int blockSize;
    juce::int64 tailSamples = 0;
};

} // namespace morvane
