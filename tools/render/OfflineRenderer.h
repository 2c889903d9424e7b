// SPDX-License-Identifier: GPL-3.0-or-later
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
    /** What is rendered, which decides when its tail is over.

        - recording: audio to be heard. The tail is over once it stays below silenceThreshold
          (-90 dBFS) for silenceWindowSeconds; a tail that starts below it is the end of the
          reverb.
        - impulse: a response to be measured, whose end must not depend on its level (a lower
          Wet puts the whole reverb lower, and a decay cut off earlier measures short). The
          tail is over once it stays impulseDepthDb below its own loudest sample for
          silenceWindowSeconds. The impulse itself, and with it a dry path without latency,
          is not part of the tail, so the depth is the reverb's. Below impulseFloor everything
          counts as quiet, so that a silent or flushed tail, or one holding only a processor's
          dither, still ends. A tail that starts quiet may be a pre-delay: it is waited for as
          long as the source says its tail lasts (at least minimumWaitSeconds). */
    enum class Input
    {
        recording,
        impulse,
    };
    static constexpr float silenceThreshold = 3.1622776e-5f; // -90 dBFS
    static constexpr double silenceWindowSeconds = 0.1;
    static constexpr double impulseDepthDb = 90.0;
    static constexpr float impulseFloor = 1.0e-8f; // -160 dBFS
    static constexpr double minimumWaitSeconds = 1.0;

    OfflineRenderer(RenderSource& source, int blockSize);

    /** Called after every block with the share done so far, 0 to 1: an estimate while the
        tail rings, as its end is known only when it comes. */
    std::function<void(double)> onProgress;

    /** Processes a stereo input at the given rate and returns it with the
        tail appended (at most maxTailSeconds of it). */
    juce::AudioBuffer<float> render(const juce::AudioBuffer<float>& input, double sampleRate,
                                    double maxTailSeconds, Input kind = Input::recording);

    /** How much tail the last render appended, in samples. */
    juce::int64 getTailSamples() const noexcept { return tailSamples; }

    /** Whether the last render's tail was cut off at maxTailSeconds before it was over. */
    bool reachedTheCap() const noexcept { return cutAtCap; }

private:
    RenderSource& source;
    int blockSize;
    juce::int64 tailSamples = 0;
    bool cutAtCap = false;
};

} // namespace morvane
