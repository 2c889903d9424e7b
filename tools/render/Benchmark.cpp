// SPDX-License-Identifier: GPL-3.0-or-later
#include "Benchmark.h"

#include "MaterialSignal.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>

namespace morvane
{

namespace
{

/** One material on its own source, with the material made a second at a time. */
class Player
{
public:
    Player(Material which, std::unique_ptr<RenderSource> playing, double rate, int size)
        : material(which), source(std::move(playing)), signal(which, rate), sampleRate(rate),
          blockSize(size), chunk(2, std::max(size, static_cast<int>(rate))), block(2, size)
    {
        source->prepare(sampleRate, blockSize);
        if (Materials::isSteady(material))
            play(std::llround(Materials::settleSeconds * sampleRate));
    }

    ~Player() { source->release(); }

    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    /** One run: the next `seconds` of a steady material, or the whole of one that ends in
        silence; ns per stereo frame. */
    double timeRun(double seconds)
    {
        std::int64_t frames = std::max<std::int64_t>(1, std::llround(seconds * sampleRate));
        if (!Materials::isSteady(material))
        {
            signal = MaterialSignal(material, sampleRate);
            frames = Materials::lengthFrames(material, sampleRate);
        }
        const auto took = play(frames);
        return static_cast<double>(took.count()) / static_cast<double>(frames);
    }

private:
    std::chrono::nanoseconds play(std::int64_t frames)
    {
        std::chrono::nanoseconds took{0};
        for (std::int64_t done = 0; done < frames;)
        {
            const auto count =
                static_cast<int>(std::min<std::int64_t>(chunk.getNumSamples(), frames - done));
            signal.fill(chunk.getWritePointer(0), chunk.getWritePointer(1), count);
            const auto start = std::chrono::steady_clock::now();
            for (int position = 0; position < count; position += blockSize)
            {
                const int n = std::min(blockSize, count - position);
                block.setSize(2, n, false, false, true);
                block.copyFrom(0, 0, chunk, 0, position, n);
                block.copyFrom(1, 0, chunk, 1, position, n);
                source->process(block);
            }
            took += std::chrono::steady_clock::now() - start;
            done += count;
        }
        return took;
    }

    Material material;
    std::unique_ptr<RenderSource> source;
    MaterialSignal signal;
    double sampleRate;
    int blockSize;
    juce::AudioBuffer<float> chunk;
    juce::AudioBuffer<float> block;
};

} // namespace

double Benchmark::median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

std::optional<Benchmark::Result> Benchmark::run(const SourceMaker& makeSource, double sampleRate,
                                                int blockSize, double seconds, int runs)
{
    Result result;
    result.sampleRate = sampleRate;
    result.blockSize = std::max(1, blockSize);
    result.seconds = seconds;
    result.runs = std::max(1, runs);

    std::vector<std::unique_ptr<Player>> players;
    for (const Material material : allMaterials)
    {
        auto source = makeSource();
        if (source == nullptr)
            return std::nullopt;
        players.push_back(
            std::make_unique<Player>(material, std::move(source), sampleRate, result.blockSize));
        result.materials.push_back({material, {}, 0.0, 0.0});
    }

    const auto count = players.size();
    for (int run = 0; run < result.runs; ++run)
        for (std::size_t i = 0; i < count; ++i)
        {
            const auto which = (i + static_cast<std::size_t>(run)) % count;
            result.materials[which].nsPerFrame.push_back(players[which]->timeRun(seconds));
        }

    // A material and stereo noise of the same run are timed seconds apart, in the same state of
    // the machine, so the ratio is taken run by run.
    const auto& noise = result.materials.front().nsPerFrame;
    for (auto& material : result.materials)
    {
        material.medianNsPerFrame = median(material.nsPerFrame);
        std::vector<double> ratios;
        for (std::size_t run = 0; run < noise.size(); ++run)
            if (noise[run] > 0.0)
                ratios.push_back(material.nsPerFrame[run] / noise[run]);
        material.ratioToNoise = median(ratios);
    }
    result.medianNsPerFrame = result.materials.front().medianNsPerFrame;
    result.realTimeFactor =
        result.medianNsPerFrame > 0.0 ? 1.0e9 / (result.medianNsPerFrame * sampleRate) : 0.0;
    return result;
}

} // namespace morvane
