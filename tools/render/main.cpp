// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-render: reads the command line and runs the one command it asks for: a render of a
// file or of the demo phrase, an impulse response, a benchmark, a picture of the editor or the
// list of factory presets.
#include "BenchCommand.h"
#include "CommandSupport.h"
#include "ImpulseCommand.h"
#include "RenderCommand.h"
#include "RenderOptions.h"
#include "SnapshotCommand.h"

#include "presets/FactoryPresets.h"

#include <juce_events/juce_events.h>

#include <iostream>
#include <new>

namespace
{
int run(const juce::StringArray& args)
{
    morvane::RenderOptions options;
    if (auto error = morvane::RenderOptions::parse(args, options))
        return morvane::CommandSupport::fail(*error);
    if (options.showHelp)
    {
        std::cout << morvane::RenderOptions::usage();
        return 0;
    }
    if (options.listPresets)
    {
        for (const auto& preset : morvane::FactoryPresets::all())
            std::cout << preset.name << "\n";
        return 0;
    }
    if (options.snapshotPath.isNotEmpty())
        return morvane::SnapshotCommand::run(options);
    if (options.benchSeconds)
        return morvane::BenchCommand::run(options);
    if (options.impulse)
        return morvane::ImpulseCommand::run(options);
    return morvane::RenderCommand::run(options);
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
        return morvane::CommandSupport::fail("out of memory");
    }
}
