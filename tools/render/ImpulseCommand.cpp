// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImpulseCommand.h"

#include "AudioFiles.h"
#include "CommandSupport.h"
#include "EditorSnapshot.h"
#include "ImpulseAnalysis.h"
#include "ImpulseCsv.h"
#include "ImpulsePicture.h"
#include "ImpulseTable.h"
#include "StateFiles.h"

#include <iostream>

namespace morvane
{

int ImpulseCommand::run(const RenderOptions& options)
{
    juce::String error;
    auto source = CommandSupport::makeConfiguredSource(options, error);
    if (source == nullptr)
        return CommandSupport::fail(error);

    const double rate = options.sampleRate.value_or(RenderOptions::defaultSampleRate);
    juce::AudioBuffer<float> impulse(2, 1);
    impulse.setSample(0, 0, 1.0f);
    impulse.setSample(1, 0, 1.0f);
    OfflineRenderer renderer(*source, options.blockSize);
    const auto ir = CommandSupport::render(renderer, impulse, rate, options.maxTailSeconds,
                                           options.quiet, OfflineRenderer::Input::impulse);

    const auto figures = ImpulseAnalysis::analyse(ir, rate);
    const juce::String defaultName = RenderOptions::defaultImpulseName;
    const auto csvFile = CommandSupport::inWorkingDirectory(
        options.csvPath.isNotEmpty() ? options.csvPath : defaultName + ".csv");
    const auto pngFile = CommandSupport::inWorkingDirectory(
        options.pngPath.isNotEmpty() ? options.pngPath : defaultName + ".png");
    const auto outputFile = CommandSupport::inWorkingDirectory(options.outputPath);
    const auto stateFile = CommandSupport::inWorkingDirectory(options.saveStatePath);
    const auto length = juce::String(ir.getNumSamples() / rate, 2) + " s";
    const auto title =
        source->getName() + ": impulse response at " + juce::String(rate, 0) + " Hz, " + length;

    // A destination that cannot be written is found before any file is, so that a failed
    // run leaves none of them behind.
    juce::Array<juce::File> destinations{csvFile, pngFile};
    if (options.outputPath.isNotEmpty())
        destinations.add(outputFile);
    for (const auto& file : destinations)
        if (file.isDirectory())
            return CommandSupport::fail("cannot write '" + file.getFullPathName() +
                                        "': it is a folder");

    if (auto problem = ImpulseCsv::write(figures, csvFile))
        return CommandSupport::fail(*problem);
    if (auto problem = EditorSnapshot::writePng(ImpulsePicture::draw(ir, figures, title), pngFile))
        return CommandSupport::fail(*problem);
    if (options.outputPath.isNotEmpty())
        if (auto problem = AudioFiles::writeWav(outputFile, ir, rate, options.bitsPerSample))
            return CommandSupport::fail(*problem);
    if (options.saveStatePath.isNotEmpty())
        if (auto problem = StateFiles::save(*source, stateFile))
            return CommandSupport::fail(*problem);

    if (options.quiet)
        return 0;
    std::cout << "processor: " << CommandSupport::describeSource(options, *source) << "\n";
    std::cout << "settings:" << CommandSupport::describeSettings(*source) << "\n";
    std::cout << "impulse:   " << rate << " Hz, " << length << " (at most "
              << options.maxTailSeconds << " s, until " << OfflineRenderer::impulseDepthDb
              << " dB below its peak), block " << options.blockSize << "\n";
    std::cout << ImpulseTable::text(figures);
    if (renderer.reachedTheCap())
        std::cout << "note:      the render stopped at --tail " << options.maxTailSeconds
                  << " s before the response fell " << OfflineRenderer::impulseDepthDb
                  << " dB below its peak; a longer --tail lets it ring out\n";
    if (const int dry = source->findParameter("Dry"); dry >= 0 && source->getParameter(dry) > 0.0f)
        std::cout << "note:      the dry path is on, so EDT includes the direct sound; "
                     "--set Dry=0 measures the reverb alone\n";
    std::cout << "wrote:     " << csvFile.getFullPathName() << "\n";
    std::cout << "wrote:     " << pngFile.getFullPathName() << " (" << ImpulsePicture::width
              << " x " << ImpulsePicture::height << " PNG)\n";
    if (options.outputPath.isNotEmpty())
        std::cout << "wrote:     " << outputFile.getFullPathName() << " (the impulse response)\n";
    if (options.saveStatePath.isNotEmpty())
        std::cout << "wrote:     " << stateFile.getFullPathName() << " (state)\n";
    return 0;
}

} // namespace morvane
