// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ModuleProbe.h"
#include "RenderSource.h"

#include "host/Instance.h"
#include "host/Module.h"

#include <memory>
#include <optional>
#include <vector>

namespace morvane
{

/** One effect of a VST 2.4 module, hosted the way a host does it, as a render source.

    It loads the module (after a probe in a child process, so a module that crashes or hangs
    while loading costs an error message, not this process), makes and opens the effect,
    and drives it with effSetSampleRate, effSetBlockSize, resume, processReplacing in blocks
    and suspend; effClose and dlclose follow when the object goes. It answers the module's
    calls as a host: version 2400, the sample rate and block size, a transport at 120 beats per
    minute in 4/4 playing from the start of the render, an offline process level, and it accepts
    automation notices (it counts them and otherwise ignores them, as nothing here edits).
    Parameters are found by the names the module gives; the state is the module's bank chunk.

    Thread rule: one thread at a time, the renderer's. The module may call back from its own
    threads; the host's answers to those calls read atomics and constants only. */
class ModuleSource : public RenderSource
{
public:
    struct Options
    {
        /** Seeds the C library generator just before the effect is made. */
        std::optional<unsigned int> seed;
        /** How long the probe waits for the module to load, open and close. */
        double loadTimeoutSeconds = 10.0;
        /** Tries the module in a child process first; only tests of well-known modules skip it. */
        bool probeFirst = true;
        /** The program the child runs for it. */
        juce::File probeProgram = ModuleProbe::defaultProbeProgram();
    };

    /** Loads the module and opens its effect; on failure returns null and sets error to one
        line saying why. */
    static std::unique_ptr<ModuleSource> load(const juce::File& file, const Options& options,
                                              juce::String& error);

    ~ModuleSource() override;
    ModuleSource(const ModuleSource&) = delete;
    ModuleSource& operator=(const ModuleSource&) = delete;

    vst2::AEffect* getEffect() const noexcept { return instance->getEffect(); }
    int getNumInputs() const noexcept { return getEffect()->numInputs; }
    int getNumOutputs() const noexcept { return getEffect()->numOutputs; }

    /** Automation notices (automate, begin and end edit) the module has sent. */
    std::uint64_t getAutomationNotices() const noexcept;

    juce::String getName() const override;
    int getNumParameters() const override;
    juce::String getParameterName(int index) const override;
    int findParameter(const juce::String& name) const override;
    float getParameter(int index) const override;
    void setParameter(int index, float value) override;
    juce::String getParameterText(int index) const override;
    juce::MemoryBlock getState() override;
    std::optional<juce::String> setState(const juce::MemoryBlock& state) override;
    void prepare(double sampleRate, int maxBlockSize) override;
    void process(juce::AudioBuffer<float>& stereo) override;
    void release() override;
    double getTailSeconds() const override;

    /** What the renderer tells a module about itself. */
    static host::HostAnswers answers();

private:
    ModuleSource(std::unique_ptr<host::Module> module, std::unique_ptr<host::Instance> instance);

    juce::String text(std::int32_t opcode, std::int32_t index = 0) const;
    bool hasParameter(int index) const noexcept;
    void processChunk(juce::AudioBuffer<float>& stereo, int start, int count);
    void advanceTransport();

    std::unique_ptr<host::Module> module;
    std::unique_ptr<host::Instance> instance;
    bool active = false;
    double samplePosition = 0.0;
    std::vector<std::vector<float>> inputs, outputs;
    std::vector<float*> inputPointers, outputPointers;
};

} // namespace morvane
