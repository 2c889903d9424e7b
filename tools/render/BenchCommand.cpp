#include "BenchCommand.h"

#include "Benchmark.h"
#include "CommandSupport.h"

#include <iostream>

namespace morvane
{

int BenchCommand::run(const RenderOptions& options)
{
    juce::String error;
    auto source = CommandSupport::makeConfiguredSource(options, error);
    if (source == nullptr)
        return CommandSupport::fail(error);

    const double rate = options.sampleRate.value_or(RenderOptions::defaultSampleRate);
    const auto result =
        Benchmark::run(*source, rate, options.blockSize, *options.benchSeconds, options.benchRuns);
    if (options.quiet)
        return 0;
    std::cout << "processor: " << CommandSupport::describeSource(options, *source) << "\n";
    std::cout << "bench:     " << options.benchSeconds.value() << " s of stereo noise at " << rate
              << " Hz in blocks of " << result.blockSize << ", " << result.nsPerFrame.size()
              << " runs\n";
    std::cout << "runs:     ";
    for (const double ns : result.nsPerFrame)
        std::cout << " " << juce::String(ns, 1);
    std::cout << " ns per stereo frame\n";
    std::cout << "median:    " << juce::String(result.medianNsPerFrame, 1)
              << " ns per stereo frame, " << juce::String(result.realTimeFactor, 1)
              << " x real time\n";
    return 0;
}

} // namespace morvane
