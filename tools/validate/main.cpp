// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-validate: drives a VST 2.4 module the way the strictest hosts and validators do and
// prints one line per check group; exits 0 only when every group that ran passed.

#include "CheckGroups.h"
#include "DefaultModule.h"
#include "RealtimeChecks.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>

using namespace morvane::validate;

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    ValidateOptions options;
    std::string error;
    const auto defaultModule = DefaultModule::forThisProgram();
    if (!ValidateOptions::parse(arguments, defaultModule, options, error))
    {
        std::cerr << "morvane-validate: " << error << "\n" << ValidateOptions::usage(defaultModule);
        return 2;
    }
    if (options.help)
    {
        std::cout << ValidateOptions::usage(defaultModule);
        return 0;
    }

    // Lines go out as soon as each group ends, also into a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    const morvane::host::Module module(options.modulePath);
    if (!module.isLoaded())
    {
        std::cerr << "morvane-validate: cannot load " << options.modulePath << ": "
                  << (module.getFailure() == morvane::host::Module::Failure::noEntryPoint
                          ? options.modulePath + " exports neither VSTPluginMain nor main"
                          : module.getLoaderMessage())
                  << "\n";
        return 1;
    }

    std::unique_ptr<morvane::host::HostWindow> window;
    if (options.runs(Group::editor) || options.runs(Group::state))
        window = std::make_unique<morvane::host::HostWindow>();

    AudioPathTally tally;
    const CheckContext context{module, options, tally, window.get()};

    if (!options.quiet)
        std::cout << "morvane-validate: " << options.modulePath << "\n";

    int passed = 0, failed = 0, skipped = 0;
    for (const Group group : options.groups)
    {
        const auto start = std::chrono::steady_clock::now();
        const auto result = CheckGroups::run(group, context);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;

        if (result.skipped())
            ++skipped;
        else if (result.failed())
            ++failed;
        else
            ++passed;

        if (!options.quiet || result.failed())
        {
            std::printf("%s (%.1f s)\n", result.report().c_str(), took.count());
            std::fflush(stdout);
        }
    }

    std::printf("morvane-validate: %d passed, %d failed, %d skipped\n", passed, failed, skipped);
    return failed == 0 ? 0 : 1;
}
