// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchCommand.h"

#include "Benchmark.h"
#include "CommandSupport.h"

#include <iomanip>
#include <iostream>

namespace morvane
{

int BenchCommand::run(const RenderOptions& options)
{
    juce::String error;
    auto first = CommandSupport::makeConfiguredSource(options, error);
    if (first == nullptr)
        return CommandSupport::fail(error);
    const auto description = CommandSupport::describeSource(options, *first);

    // Every material gets a source of its own, set up alike; the first is the one made above.
    const Benchmark::SourceMaker makeSource = [&]() -> std::unique_ptr<RenderSource>
    {
        if (first != nullptr)
            return std::move(first);
        return CommandSupport::makeConfiguredSource(options, error);
    };

    const double rate = options.sampleRate.value_or(RenderOptions::defaultSampleRate);
    const auto result = Benchmark::run(makeSource, rate, options.blockSize, *options.benchSeconds,
                                       options.benchRuns);
    if (!result)
        return CommandSupport::fail(error);
    if (options.quiet)
        return 0;

    std::cout << "processor: " << description << "\n";
    std::cout << "bench:     " << rate << " Hz in blocks of " << result->blockSize << ", "
              << result->runs << " runs taking the materials in turn, each on an instance of its "
              << "own: " << result->seconds << " s of each steady material per run after "
              << Materials::settleSeconds << " s to settle, the two that end in silence whole\n";
    std::cout << std::left << std::setw(32) << "material" << std::right << std::setw(8) << "median"
              << std::setw(10) << "x noise"
              << "   runs (ns per stereo frame)\n";
    for (const auto& material : result->materials)
    {
        std::cout << std::left << std::setw(32) << Materials::name(material.material) << std::right
                  << std::setw(8) << juce::String(material.medianNsPerFrame, 1) << std::setw(10)
                  << juce::String(material.ratioToNoise, 2) << "  ";
        for (const double ns : material.nsPerFrame)
            std::cout << " " << juce::String(ns, 1);
        std::cout << "\n";
    }
    std::cout << "median:    " << juce::String(result->medianNsPerFrame, 1)
              << " ns per stereo frame, " << juce::String(result->realTimeFactor, 1)
              << " x real time\n";
    return 0;
}

} // namespace morvane
