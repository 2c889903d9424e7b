// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandSupport.h"

#include "CoreSource.h"
#include "ModuleSource.h"
#include "ProgressBar.h"
#include "StateFiles.h"

#include "presets/FactoryPresets.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace morvane
{

namespace
{
std::unique_ptr<RenderSource> makeSource(const RenderOptions& options, juce::String& error)
{
    if (options.pluginPath.isEmpty())
    {
        if (options.seed)
            std::srand(*options.seed);
        return std::make_unique<CoreSource>();
    }
    ModuleSource::Options moduleOptions;
    moduleOptions.seed = options.seed;
    moduleOptions.loadTimeoutSeconds = options.loadTimeoutSeconds;
    return ModuleSource::load(CommandSupport::inWorkingDirectory(options.pluginPath), moduleOptions,
                              error);
}

juce::String knownParameters(const RenderSource& source)
{
    constexpr int listed = 12;
    juce::StringArray names;
    for (int i = 0; i < std::min(listed, source.getNumParameters()); ++i)
        names.add(source.getParameterName(i));
    if (source.getNumParameters() > listed)
        names.add("...");
    return names.isEmpty() ? "it has none" : "known: " + names.joinIntoString(", ");
}
} // namespace

int CommandSupport::fail(const juce::String& message)
{
    std::cerr << "morvane-render: " << message << std::endl;
    return 1;
}

juce::File CommandSupport::inWorkingDirectory(const juce::String& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile(path);
}

std::optional<juce::String> CommandSupport::configure(RenderSource& source,
                                                      const RenderOptions& options)
{
    if (options.loadStatePath.isNotEmpty())
        if (auto error = StateFiles::load(inWorkingDirectory(options.loadStatePath), source))
            return error;
    if (options.preset)
    {
        // The preset file's bytes, as --load-state of that file would hand them over.
        const auto& preset = FactoryPresets::all()[*options.preset];
        if (auto refusal = source.setState(juce::MemoryBlock(preset.chunk, preset.chunkSize)))
            return "the preset '" + preset.name + "': " + *refusal;
    }
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
            index = RenderOptions::parameterIndex(name, source.getNumParameters());
        if (index < 0)
            return "unknown parameter '" + name + "' of " + source.getName() + " (" +
                   knownParameters(source) + ")";
        source.setParameter(index, value);
    }
    return std::nullopt;
}

std::unique_ptr<RenderSource> CommandSupport::makeConfiguredSource(const RenderOptions& options,
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

juce::String CommandSupport::describeSource(const RenderOptions& options,
                                            const RenderSource& source)
{
    if (options.pluginPath.isEmpty())
        return source.getName() + " (built in)";
    return source.getName() + " (" + inWorkingDirectory(options.pluginPath).getFullPathName() + ")";
}

juce::String CommandSupport::describeSettings(const RenderSource& source)
{
    juce::String text;
    for (int i = 0; i < source.getNumParameters(); ++i)
        text << (i == 0 ? " " : ", ") << source.getParameterName(i) << " "
             << source.getParameterText(i);
    return text;
}

juce::AudioBuffer<float> CommandSupport::render(OfflineRenderer& renderer,
                                                const juce::AudioBuffer<float>& input,
                                                double sampleRate, double maxTailSeconds,
                                                bool quiet, OfflineRenderer::Input kind)
{
    auto progress = ProgressBar::forStandardError("rendering", quiet);
    renderer.onProgress = [&progress](double fraction) { progress.update(fraction); };
    auto output = renderer.render(input, sampleRate, maxTailSeconds, kind);
    progress.finish();
    renderer.onProgress = nullptr;
    return output;
}

} // namespace morvane
