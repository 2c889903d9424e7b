#include "AudioFiles.h"
#include "Benchmark.h"
#include "CoreSource.h"
#include "DemoPhrase.h"
#include "EditorSnapshot.h"
#include "ImpulseAnalysis.h"
#include "ImpulseCsv.h"
#include "ImpulsePicture.h"
#include "ImpulseTable.h"
#include "OfflineRenderer.h"
#include "ProgressBar.h"
#include "RenderOptions.h"
#include "StateFiles.h"
#include "Vst2Host.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>
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

// The processor that renders: the built-in one, or the module given with --plugin. The seed
// is set just before either is made, so that both start their modulation from it.
std::unique_ptr<morvane::RenderSource> makeSource(const morvane::RenderOptions& options,
                                                  juce::String& error)
{
    if (options.pluginPath.isEmpty())
    {
        if (options.seed)
            std::srand(*options.seed);
        return std::make_unique<morvane::CoreSource>();
    }
    morvane::Vst2Host::Options hostOptions;
    hostOptions.seed = options.seed;
    hostOptions.loadTimeoutSeconds = options.loadTimeoutSeconds;
    return morvane::Vst2Host::load(inWorkingDirectory(options.pluginPath), hostOptions, error);
}

juce::String knownParameters(const morvane::RenderSource& source)
{
    constexpr int listed = 12;
    juce::StringArray names;
    for (int i = 0; i < std::min(listed, source.getNumParameters()); ++i)
        names.add(source.getParameterName(i));
    if (source.getNumParameters() > listed)
        names.add("...");
    return names.isEmpty() ? "it has none" : "known: " + names.joinIntoString(", ");
}

// The loaded state first, then every --set on top of it.
std::optional<juce::String> configure(morvane::RenderSource& source,
                                      const morvane::RenderOptions& options)
{
    if (options.loadStatePath.isNotEmpty())
        if (auto error =
                morvane::StateFiles::load(inWorkingDirectory(options.loadStatePath), source))
            return error;
    if (options.pluginPath.isEmpty())
    {
        for (const auto& [index, value] : options.settings)
            source.setParameter(index, value);
        return std::nullopt;
    }
    for (const auto& [name, value] : options.namedSettings)
    {
        int index = source.findParameter(name);
        if (index < 0)
            index = morvane::RenderOptions::parameterIndex(name, source.getNumParameters());
        if (index < 0)
            return "unknown parameter '" + name + "' of " + source.getName() + " (" +
                   knownParameters(source) + ")";
        source.setParameter(index, value);
    }
    return std::nullopt;
}

// The processor made and set up as the options say, or nothing with the reason in `error`.
std::unique_ptr<morvane::RenderSource> makeConfiguredSource(const morvane::RenderOptions& options,
                                                            juce::String& error)
{
    auto source = makeSource(options, error);
    if (source == nullptr)
        return nullptr;
    if (auto problem = configure(*source, options))
    {
        error = *problem;
        return nullptr;
    }
    return source;
}

juce::String describeSource(const morvane::RenderOptions& options,
                            const morvane::RenderSource& source)
{
    if (options.pluginPath.isEmpty())
        return source.getName() + " (built in)";
    return source.getName() + " (" + inWorkingDirectory(options.pluginPath).getFullPathName() + ")";
}

juce::String describeSettings(const morvane::RenderSource& source)
{
    juce::String text;
    for (int i = 0; i < source.getNumParameters(); ++i)
        text << (i == 0 ? " " : ", ") << source.getParameterName(i) << " "
             << source.getParameterText(i);
    return text;
}

int runBenchmark(const morvane::RenderOptions& options)
{
    juce::String error;
    auto source = makeConfiguredSource(options, error);
    if (source == nullptr)
        return fail(error);

    const double rate = options.sampleRate.value_or(morvane::RenderOptions::defaultSampleRate);
    const auto result = morvane::Benchmark::run(*source, rate, options.blockSize,
                                                *options.benchSeconds, options.benchRuns);
    if (options.quiet)
        return 0;
    std::cout << "processor: " << describeSource(options, *source) << "\n";
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

// A unit impulse on both inputs, rendered until its tail dies away, then measured.
int runImpulse(const morvane::RenderOptions& options)
{
    juce::String error;
    auto source = makeConfiguredSource(options, error);
    if (source == nullptr)
        return fail(error);

    const double rate = options.sampleRate.value_or(morvane::RenderOptions::defaultSampleRate);
    juce::AudioBuffer<float> impulse(2, 1);
    impulse.setSample(0, 0, 1.0f);
    impulse.setSample(1, 0, 1.0f);
    morvane::OfflineRenderer renderer(*source, options.blockSize);
    auto progress = morvane::ProgressBar::forStandardError("rendering", options.quiet);
    renderer.onProgress = [&progress](double fraction) { progress.update(fraction); };
    const auto ir = renderer.render(impulse, rate, options.maxTailSeconds,
                                    morvane::OfflineRenderer::SilentStart::isWaitedFor);
    progress.finish();

    const auto figures = morvane::ImpulseAnalysis::analyse(ir, rate);
    const juce::String defaultName = morvane::RenderOptions::defaultImpulseName;
    const auto csvFile =
        inWorkingDirectory(options.csvPath.isNotEmpty() ? options.csvPath : defaultName + ".csv");
    const auto pngFile =
        inWorkingDirectory(options.pngPath.isNotEmpty() ? options.pngPath : defaultName + ".png");
    const auto length = juce::String(ir.getNumSamples() / rate, 2) + " s";
    const auto title =
        source->getName() + ": impulse response at " + juce::String(rate, 0) + " Hz, " + length;

    // A destination that cannot be written is found before any file is, so that a failed
    // run leaves none of them behind.
    juce::Array<juce::File> destinations{csvFile, pngFile};
    if (options.outputPath.isNotEmpty())
        destinations.add(inWorkingDirectory(options.outputPath));
    for (const auto& file : destinations)
        if (file.isDirectory())
            return fail("cannot write '" + file.getFullPathName() + "': it is a folder");

    if (auto problem = morvane::ImpulseCsv::write(figures, csvFile))
        return fail(*problem);
    if (auto problem = morvane::EditorSnapshot::writePng(
            morvane::ImpulsePicture::draw(ir, figures, title), pngFile))
        return fail(*problem);
    if (options.outputPath.isNotEmpty())
        if (auto problem = AudioFiles::writeWav(inWorkingDirectory(options.outputPath), ir, rate,
                                                options.bitsPerSample))
            return fail(*problem);
    if (options.saveStatePath.isNotEmpty())
        if (auto problem =
                morvane::StateFiles::save(*source, inWorkingDirectory(options.saveStatePath)))
            return fail(*problem);

    if (options.quiet)
        return 0;
    std::cout << "processor: " << describeSource(options, *source) << "\n";
    std::cout << "settings:" << describeSettings(*source) << "\n";
    std::cout << "impulse:   " << rate << " Hz, " << length << " (at most "
              << options.maxTailSeconds << " s, until below -90 dBFS), block " << options.blockSize
              << "\n";
    std::cout << morvane::ImpulseTable::text(figures);
    if (const int dry = source->findParameter("Dry"); dry >= 0 && source->getParameter(dry) > 0.0f)
        std::cout << "note:      the dry path is on, so EDT includes the direct sound; "
                     "--set Dry=0 measures the reverb alone\n";
    std::cout << "wrote:     " << csvFile.getFullPathName() << "\n";
    std::cout << "wrote:     " << pngFile.getFullPathName() << " ("
              << morvane::ImpulsePicture::width << " x " << morvane::ImpulsePicture::height
              << " PNG)\n";
    if (options.outputPath.isNotEmpty())
        std::cout << "wrote:     " << inWorkingDirectory(options.outputPath).getFullPathName()
                  << " (the impulse response)\n";
    if (options.saveStatePath.isNotEmpty())
        std::cout << "wrote:     " << inWorkingDirectory(options.saveStatePath).getFullPathName()
                  << " (state)\n";
    return 0;
}

// The editor as the given state and settings leave it, drawn to a PNG.
int writeSnapshot(const morvane::RenderOptions& options)
{
    morvane::CoreSource source;
    if (auto error = configure(source, options))
        return fail(*error);

    const auto file = inWorkingDirectory(options.snapshotPath);
    const auto image =
        morvane::EditorSnapshot::draw(source.getCore(), options.snapshotScale.value_or(1.0f));
    if (auto error = morvane::EditorSnapshot::writePng(image, file))
        return fail(*error);
    if (!options.quiet)
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
    if (options.benchSeconds)
        return runBenchmark(options);
    if (options.impulse)
        return runImpulse(options);

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

    juce::String loadError;
    auto source = makeConfiguredSource(options, loadError);
    if (source == nullptr)
        return fail(loadError);
    auto& processor = *source;

    morvane::OfflineRenderer renderer(processor, options.blockSize);
    auto progress = morvane::ProgressBar::forStandardError("rendering", options.quiet);
    renderer.onProgress = [&progress](double fraction) { progress.update(fraction); };
    const auto output = renderer.render(input.audio, input.sampleRate, options.maxTailSeconds);
    progress.finish();

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

    if (options.quiet)
        return 0;
    std::cout << "processor: " << describeSource(options, processor) << "\n";
    std::cout << "input:    " << inputName << ", " << input.sampleRate << " Hz, "
              << juce::String(input.audio.getNumSamples() / input.sampleRate, 2) << " s\n";
    if (options.loadStatePath.isNotEmpty())
    {
        std::cout << "state:    " << inWorkingDirectory(options.loadStatePath).getFullPathName();
        if (auto* core = dynamic_cast<morvane::CoreSource*>(&processor))
            std::cout << " (program \"" << core->getCore().getProgram().name << "\")";
        std::cout << "\n";
    }
    std::cout << "settings:" << describeSettings(processor) << "\n";
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
