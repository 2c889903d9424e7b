#pragma once

#include "plugin/Vst2Interface.h"

#include <juce_core/juce_core.h>

#include <memory>
#include <optional>

namespace morvane
{

/** A VST 2.4 module file: its library, loaded with dlopen for the life of the object, and its
    entry point (VSTPluginMain, or the older name main).

    A foreign module runs its own code the moment it is loaded, and a broken one can crash or
    hang the process that loads it. probe() therefore tries it first in a child process, which
    alone pays for such a fault; only a module that passes is loaded here.

    Thread rule: one thread at a time. */
class Vst2Module
{
public:
    using EntryPoint = vst2::AEffect* (*)(vst2::HostCallback);

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

    /** Loads the library here and finds its entry point; on failure returns null and sets error
        to one line saying why. */
    static std::unique_ptr<Vst2Module> load(const juce::File& file, juce::String& error);

    ~Vst2Module();
    Vst2Module(const Vst2Module&) = delete;
    Vst2Module& operator=(const Vst2Module&) = delete;

    EntryPoint getEntryPoint() const noexcept { return entry; }
    const juce::File& getFile() const noexcept { return file; }

    /** Checks what the entry point returned: an effect with the right magic number, replacing
        or accumulating processing, and channel and parameter counts within reason. */
    static std::optional<juce::String> checkEffect(const vst2::AEffect* effect);

private:
    Vst2Module(void* library, EntryPoint entry, const juce::File& file);

    void* library;
    EntryPoint entry;
    juce::File file;
};

} // namespace morvane
