// SPDX-License-Identifier: GPL-3.0-or-later
#include "OfflineRenderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace morvane
{

OfflineRenderer::OfflineRenderer(RenderSource& sourceToUse, int samplesPerBlock)
    : source(sourceToUse), blockSize(samplesPerBlock)
{
}

juce::AudioBuffer<float> OfflineRenderer::render(const juce::AudioBuffer<float>& input,
                                                 double sampleRate, double maxTailSeconds,
                                                 Input kind)
{
    source.prepare(sampleRate, blockSize);

    const int inputLength = input.getNumSamples();
    const auto maxTail = static_cast<juce::int64>(std::ceil(maxTailSeconds * sampleRate));
    const auto quietWindow = static_cast<juce::int64>(std::ceil(silenceWindowSeconds * sampleRate));
    // A source's own word on its tail is only trusted within the cap.
    const double tailSeconds = source.getTailSeconds();
    const auto announcedTail = static_cast<juce::int64>(
        std::ceil(std::isnan(tailSeconds)
                      ? 0.0
                      : std::clamp(tailSeconds * sampleRate, 0.0, static_cast<double>(maxTail))));

    std::vector<float> left, right;
    left.reserve(static_cast<size_t>(inputLength));
    right.reserve(static_cast<size_t>(inputLength));

    // The progress estimate expects the tail the source announces, within the cap.
    const auto expectedTail = std::min<juce::int64>(maxTail, announcedTail + quietWindow);
    const auto expectedLength =
        static_cast<double>(std::max<juce::int64>(1, inputLength + expectedTail));

    juce::AudioBuffer<float> block(2, blockSize);
    juce::int64 position = 0;
    juce::int64 quietRun = 0;
    const auto longestWait = std::min(
        maxTail, std::max(announcedTail,
                          static_cast<juce::int64>(std::ceil(minimumWaitSeconds * sampleRate))));
    juce::int64 quietNeeded =
        kind == Input::impulse ? std::max(quietWindow, longestWait) : quietWindow;
    const float depth = static_cast<float>(juce::Decibels::decibelsToGain(-impulseDepthDb));
    float threshold = kind == Input::impulse ? impulseFloor : silenceThreshold;
    float loudest = 0.0f;
    tailSamples = 0;

    while (position < inputLength || (tailSamples < maxTail && quietRun < quietNeeded))
    {
        const juce::int64 remainingInput = inputLength - position;
        int count = blockSize;
        if (remainingInput > 0)
            count = static_cast<int>(std::min<juce::int64>(blockSize, remainingInput));
        else
            count = static_cast<int>(std::min<juce::int64>(blockSize, maxTail - tailSamples));

        block.setSize(2, count, false, false, true);
        block.clear();
        for (int channel = 0; channel < 2; ++channel)
        {
            const int available = static_cast<int>(std::max<juce::int64>(0, remainingInput));
            const int toCopy = std::min(count, available);
            if (toCopy > 0)
                block.copyFrom(channel, 0, input, std::min(channel, input.getNumChannels() - 1),
                               static_cast<int>(position), toCopy);
        }

        source.process(block);

        // The tail ends on the exact sample that completes the quiet window,
        // so the result does not depend on the block size.
        for (int n = 0; n < count && quietRun < quietNeeded; ++n)
        {
            const float l = block.getSample(0, n);
            const float r = block.getSample(1, n);
            left.push_back(l);
            right.push_back(r);

            if (position + n >= inputLength)
            {
                ++tailSamples;
                const float level = std::max(std::abs(l), std::abs(r));
                if (kind == Input::impulse && level > loudest)
                {
                    loudest = level;
                    threshold = std::max(impulseFloor, loudest * depth);
                }
                const bool quiet = level < threshold;
                quietRun = quiet ? quietRun + 1 : 0;
                if (!quiet)
                    quietNeeded = quietWindow;
            }
        }
        position += count;
        if (onProgress)
            onProgress(std::min(0.99, static_cast<double>(position) / expectedLength));
    }
    cutAtCap = quietRun < quietNeeded;
    source.release();
    if (onProgress)
        onProgress(1.0);

    juce::AudioBuffer<float> output(2, static_cast<int>(left.size()));
    output.copyFrom(0, 0, left.data(), output.getNumSamples());
    output.copyFrom(1, 0, right.data(), output.getNumSamples());
    return output;
}

} // namespace morvane
