// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderCommand.h"

#include "AudioFiles.h"
#include "CommandSupport.h"
#include "CoreSource.h"
#include "DemoPhrase.h"
#include "StateFiles.h"

#include "presets/FactoryPresets.h"

#include <algorithm>
#include <cmath>
#include <iostream>

namespace morvane
{

namespace
{
struct Level
{
    float peak = 0.0f;
    double rms = 0.0;
};

Level measure(const juce::AudioBuffer<float>& audio)
{
    Level level;
    double sumOfSquares = 0.0;
    for (int channel = 0; channel < audio.getNumChannels(); ++channel)
    {
        const float* data = audio.getReadPointer(channel);
        for (int n = 0; n < audio.getNumSamples(); ++n)
        {
            level.peak = std::max(level.peak, std::abs(data[n]));
            sumOfSquares += static_cast<double>(data[n]) * data[n];
        }
    }
    const double count = static_cast<double>(audio.getNumSamples()) * audio.getNumChannels();
    level.rms = count > 0.0 ? std::sqrt(sumOfSquares / count) : 0.0;
    return level;
}

juce::String decibels(double gain)
{
    return gain > 0.0 ? juce::String(20.0 * std::log10(gain), 1) + " dBFS" : "-inf dBFS";
}

juce::String describe(const Level& level)
{
    return "peak " + decibels(level.peak) + ", RMS " + decibels(level.rms);
}
} // namespace

int RenderCommand::run(const RenderOptions& options)
{
    AudioFiles::Recording input;
    juce::File outputFile;
    juce::File dryFile;
    juce::String inputName;

    if (options.inputPath.isEmpty())
    {
        input.audio = DemoPhrase::generate();
        input.sampleRate = DemoPhrase::sampleRate;
        inputName = "built-in demo phrase";
        outputFile = CommandSupport::inWorkingDirectory(
            options.outputPath.isNotEmpty() ? options.outputPath : "build/demo/morvane-demo.wav");
        dryFile = outputFile.getSiblingFile(outputFile.getFileNameWithoutExtension() + "-dry.wav");
    }
    else
    {
        const auto inputFile = CommandSupport::inWorkingDirectory(options.inputPath);
        if (auto error = AudioFiles::read(inputFile, input))
            return CommandSupport::fail(*error);
        inputName = inputFile.getFullPathName() + " (" + input.formatName + ")";
        outputFile = options.outputPath.isNotEmpty()
                         ? CommandSupport::inWorkingDirectory(options.outputPath)
                         : inputFile.getSiblingFile(inputFile.getFileNameWithoutExtension() +
                                                    "-morvane.wav");
        if (outputFile == inputFile)
            return CommandSupport::fail("the output would overwrite the input '" +
                                        inputFile.getFullPathName() + "'");
    }

    juce::String loadError;
    auto source = CommandSupport::makeConfiguredSource(options, loadError);
    if (source == nullptr)
        return CommandSupport::fail(loadError);
    auto& processor = *source;

    OfflineRenderer renderer(processor, options.blockSize);
    const auto output = CommandSupport::render(renderer, input.audio, input.sampleRate,
                                               options.maxTailSeconds, options.quiet);

    const auto stateFile = CommandSupport::inWorkingDirectory(options.saveStatePath);
    if (dryFile != juce::File())
        if (auto error =
                AudioFiles::writeWav(dryFile, input.audio, input.sampleRate, options.bitsPerSample))
            return CommandSupport::fail(*error);
    if (auto error =
            AudioFiles::writeWav(outputFile, output, input.sampleRate, options.bitsPerSample))
        return CommandSupport::fail(*error);
    if (options.saveStatePath.isNotEmpty())
        if (auto error = StateFiles::save(processor, stateFile))
            return CommandSupport::fail(*error);

    if (options.quiet)
        return 0;
    std::cout << "processor: " << CommandSupport::describeSource(options, processor) << "\n";
    std::cout << "input:    " << inputName << ", " << input.sampleRate << " Hz, "
              << juce::String(input.audio.getNumSamples() / input.sampleRate, 2) << " s\n";
    if (options.loadStatePath.isNotEmpty())
    {
        std::cout << "state:    "
                  << CommandSupport::inWorkingDirectory(options.loadStatePath).getFullPathName();
        if (auto* core = dynamic_cast<CoreSource*>(&processor))
            std::cout << " (program \"" << core->getCore().getProgram().name << "\")";
        std::cout << "\n";
    }
    if (options.preset)
        std::cout << "preset:   " << FactoryPresets::all()[*options.preset].name << "\n";
    std::cout << "settings:" << CommandSupport::describeSettings(processor) << "\n";
    std::cout << "block:    " << options.blockSize << " samples; tail "
              << juce::String(static_cast<double>(renderer.getTailSamples()) / input.sampleRate, 2)
              << " s (at most " << options.maxTailSeconds << " s, until below -90 dBFS)\n";
    std::cout << "output:   " << juce::String(output.getNumSamples() / input.sampleRate, 2)
              << " s, " << options.bitsPerSample
              << (options.bitsPerSample == 32 ? "-bit float" : "-bit") << " WAV\n";
    std::cout << "dry:      " << describe(measure(input.audio)) << "\n";
    std::cout << "wet:      " << describe(measure(output)) << "\n";
    if (dryFile != juce::File())
        std::cout << "wrote:    " << dryFile.getFullPathName() << " (dry)\n";
    std::cout << "wrote:    " << outputFile.getFullPathName() << "\n";
    if (options.saveStatePath.isNotEmpty())
        std::cout << "wrote:    " << stateFile.getFullPathName() << " (state)\n";
    return 0;
}

} // namespace morvane
