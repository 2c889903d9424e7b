#include "AudioFiles.h"
#include "DemoPhrase.h"
#include "EditorSnapshot.h"
#include "OfflineRenderer.h"
#include "RenderOptions.h"
#include "StateFiles.h"

#include "processor/OrnCore.h"
#include "processor/ParameterTable.h"

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <new>
#include <optional>

namespace
{
using morvane::AudioFiles;

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

int fail(const juce::String& message)
{
    std::cerr << "morvane-render: " << message << std::endl;
    return 1;
}

juce::File inWorkingDirectory(const juce::String& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile(path);
}

// The loaded state first, then every --set on top of it.
std::optional<juce::String> configure(morvane::OrnCore& processor,
                                      const morvane::RenderOptions& options)
{
    if (options.loadStatePath.isNotEmpty())
        if (auto error =
                morvane::StateFiles::load(inWorkingDirectory(options.loadStatePath), processor))
            return error;
    for (const auto& [index, value] : options.settings)
        processor.setParameter(index, value);
    return std::nullopt;
}

// The editor as the given state and settings leave it, drawn to a PNG.
int writeSnapshot(const morvane::RenderOptions& options)
{
    morvane::OrnCore processor;
    if (auto error = configure(processor, options))
        return fail(*error);

    const auto file = inWorkingDirectory(options.snapshotPath);
    const auto image =
        morvane::EditorSnapshot::draw(processor, options.snapshotScale.value_or(1.0f));
    if (auto error = morvane::EditorSnapshot::writePng(image, file))
        return fail(*error);
    std::cout << "wrote:    " << file.getFullPathName() << " (" << image.getWidth() << " x "
              << image.getHeight() << " PNG)\n";
    return 0;
}

int run(const juce::StringArray& args)
{
    morvane::RenderOptions options;
    if (auto error = morvane::RenderOptions::parse(args, options))
        return fail(*error);
    if (options.showHelp)
    {
        std::cout << morvane::RenderOptions::usage();
        return 0;
    }
    if (options.snapshotPath.isNotEmpty())
        return writeSnapshot(options);

    AudioFiles::Recording input;
    juce::File outputFile;
    juce::File dryFile;
    juce::String inputName;

    if (options.inputPath.isEmpty())
    {
        input.audio = morvane::DemoPhrase::generate();
        input.sampleRate = morvane::DemoPhrase::sampleRate;
        inputName = "built-in demo phrase";
        outputFile = juce::File::getCurrentWorkingDirectory().getChildFile(
            options.outputPath.isNotEmpty() ? options.outputPath : "build/demo/morvane-demo.wav");
        dryFile = outputFile.getSiblingFile(outputFile.getFileNameWithoutExtension() + "-dry.wav");
    }
    else
    {
        const auto inputFile =
            juce::File::getCurrentWorkingDirectory().getChildFile(options.inputPath);
        if (auto error = AudioFiles::read(inputFile, input))
            return fail(*error);
        inputName = inputFile.getFullPathName() + " (" + input.formatName + ")";
        outputFile = options.outputPath.isNotEmpty()
                         ? juce::File::getCurrentWorkingDirectory().getChildFile(options.outputPath)
                         : inputFile.getSiblingFile(inputFile.getFileNameWithoutExtension() +
                                                    "-morvane.wav");
        if (outputFile == inputFile)
            return fail("the output would overwrite the input '" + inputFile.getFullPathName() +
                        "'");
    }

    if (options.seed)
        std::srand(*options.seed);

    morvane::OrnCore processor;
    if (auto error = configure(processor, options))
        return fail(*error);

    morvane::OfflineRenderer renderer(processor, options.blockSize);
    const auto output = renderer.render(input.audio, input.sampleRate, options.maxTailSeconds);

    if (dryFile != juce::File())
        if (auto error =
                AudioFiles::writeWav(dryFile, input.audio, input.sampleRate, options.bitsPerSample))
            return fail(*error);
    if (auto error =
            AudioFiles::writeWav(outputFile, output, input.sampleRate, options.bitsPerSample))
        return fail(*error);
    if (options.saveStatePath.isNotEmpty())
        if (auto error =
                morvane::StateFiles::save(processor, inWorkingDirectory(options.saveStatePath)))
            return fail(*error);

    std::cout << "input:    " << inputName << ", " << input.sampleRate << " Hz, "
              << juce::String(input.audio.getNumSamples() / input.sampleRate, 2) << " s\n";
    if (options.loadStatePath.isNotEmpty())
        std::cout << "state:    " << inWorkingDirectory(options.loadStatePath).getFullPathName()
                  << " (program \"" << processor.getProgram().name << "\")\n";
    std::cout << "settings:";
    for (int i = 0; i < morvane::ParameterTable::numParameters; ++i)
        std::cout << (i == 0 ? " " : ", ") << morvane::ParameterTable::get(i).name << " "
                  << processor.getParameterText(i);
    std::cout << "\n";
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
        std::cout << "wrote:    " << inWorkingDirectory(options.saveStatePath).getFullPathName()
                  << " (state)\n";
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    juce::StringArray args;
    for (int i = 1; i < argc; ++i)
        args.add(juce::String::fromUTF8(argv[i]));

    try
    {
        return run(args);
    }
    catch (const std::bad_alloc&)
    {
        return fail("out of memory");
    }
}
