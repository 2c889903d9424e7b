#include "Benchmark.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace morvane
{

juce::AudioBuffer<float> Benchmark::noise(int frames)
{
    juce::AudioBuffer<float> buffer(2, std::max(0, frames));
    juce::Random random(20261208);
    for (int channel = 0; channel < 2; ++channel)
    {
        float* data = buffer.getWritePointer(channel);
        for (int n = 0; n < buffer.getNumSamples(); ++n)
            data[n] = 0.55f * (2.0f * random.nextFloat() - 1.0f);
    }
    return buffer;
}

double Benchmark::median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

Benchmark::Result Benchmark::run(RenderSource& source, double sampleRate, int blockSize,
                                 double seconds, int runs)
{
    Result result;
    result.sampleRate = sampleRate;
    result.blockSize = std::max(1, blockSize);
    result.seconds = seconds;

    const int frames = std::max(1, static_cast<int>(std::lround(seconds * sampleRate)));
    const auto input = noise(frames);
    juce::AudioBuffer<float> block(2, result.blockSize);

    for (int run = 0; run < std::max(1, runs); ++run)
    {
        source.prepare(sampleRate, result.blockSize);
        const auto start = std::chrono::steady_clock::now();
        for (int position = 0; position < frames; position += result.blockSize)
        {
            const int count = std::min(result.blockSize, frames - position);
            block.setSize(2, count, false, false, true);
            block.copyFrom(0, 0, input, 0, position, count);
            block.copyFrom(1, 0, input, 1, position, count);
            source.process(block);
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        source.release();
        result.nsPerFrame.push_back(
            static_cast<double>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count()) /
            frames);
    }

    result.medianNsPerFrame = median(result.nsPerFrame);
    result.realTimeFactor =
        result.medianNsPerFrame > 0.0 ? 1.0e9 / (result.medianNsPerFrame * sampleRate) : 0.0;
    return result;
}

} // namespace morvane
