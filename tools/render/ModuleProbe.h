// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "host/Module.h"

#include <juce_core/juce_core.h>

#include <optional>

namespace morvane
{

/** Tries a VST 2.4 module before the renderer loads it. A foreign module runs its own code the
    moment it is loaded, and a broken one can crash or hang the process that loads it; the
    probe therefore loads it in a child process, which alone pays for such a fault.

    Thread rule: one thread at a time. */
class ModuleProbe
{
public:
    /** Loads the module in a child process, makes an effect, opens and closes it. Returns the
        reason when any of that fails, crashes or takes longer than timeoutSeconds (the child is
        then killed). The child runs probeProgram (a fresh process that has nothing of this
        one's state); when that does not exist, the forked child probes by itself. */
    static std::optional<juce::String> probe(const juce::File& file, double timeoutSeconds,
                                             const juce::File& probeProgram);

    /** The probe program (morvane-probe) beside the running executable, or where the install
        rules put it relative to the executable's folder. */
    static juce::File defaultProbeProgram();

    /** What the probe program does: loads the module at path, makes, opens and closes an
        effect, writes the verdict (empty when all went well) as one line to stdout and exits. */
    [[noreturn]] static void runProbe(const char* path);

    /** Why a module did not load, as one line. */
    static juce::String describeFailure(const host::Module& module);

    /** A verdict about the module, with its path unless the verdict already names it. */
    static juce::String withPath(const juce::String& verdict, const juce::File& file);
};

} // namespace morvane
