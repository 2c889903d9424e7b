// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioPathMonitor.h"

#include "host/Instance.h"

#include <cstdint>
#include <vector>

namespace morvane::validate
{

/** One plug-in instance driven the way a host drives it: opened, configured, fed blocks through
    processReplacing, and closed. Every block runs under the AudioPathMonitor, and the instance
    adds up what it saw: apart, the first block at a rate the host never announced with a resume,
    where the plug-in may build what the rate needs; the monitor pauses while the plug-in calls
    back into the host, whose work is not the audio path's.

    Thread rule: configure and process belong to the instance's audio thread; parameter and state
    requests may come from any thread, as a host's do; construction and destruction on the
    thread that opens editors. */
class HostedInstance
{
public:
    static constexpr int numChannels = 2;

    explicit HostedInstance(const host::Module& module);
    ~HostedInstance();

    HostedInstance(const HostedInstance&) = delete;
    HostedInstance& operator=(const HostedInstance&) = delete;

    bool isOpen() const noexcept { return instance.hasEffect(); }
    vst2::AEffect* getEffect() const noexcept { return instance.getEffect(); }

    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f) const;

    /** Suspends, announces the rate and the block size, and resumes. */
    void configure(double sampleRate, int blockSize);
    void suspend() const;

    /** Suspends and sets a new rate without resuming, as a careless host does before it goes
        on processing: the plug-in first learns of the rate in the next block. */
    void changeRateUnannounced(double sampleRate);

    /** The rate the host answers with now. */
    double sampleRate() const noexcept { return instance.getSampleRate(); }

    /** One processReplacing call on separate input and output channels. */
    void process(float* const* inputs, float* const* outputs, int frames);

    int numParameters() const noexcept { return instance.getNumParameters(); }
    void setParameter(int index, float value) const;
    float getParameter(int index) const;
    std::vector<float> getParameters() const;

    /** effGetChunk: the bank (or only the current program); empty when the plug-in gives none. */
    std::vector<std::uint8_t> saveState(bool currentProgramOnly = false) const;
    void restoreState(const std::vector<std::uint8_t>& chunk,
                      bool currentProgramOnly = false) const;

    /** audioMasterAutomate calls this instance has made. */
    std::uint64_t automateCalls() const noexcept { return instance.getAutomateCalls(); }

    /** What the audio path did so far. */
    const AudioPathMonitor::Record& audioPath() const noexcept { return record; }
    AudioPathMonitor::Counts audioPathCounts() const noexcept { return record.counts; }
    /** Blocks held to the rules so far. */
    std::uint64_t countedBlocks() const noexcept { return record.blocks; }
    std::uint64_t processedFrames() const noexcept { return framesProcessed; }

private:
    host::Instance instance;

    // Audio thread only.
    double announcedRate = -1.0;
    double processedRate = -1.0;
    const void* callbackLock = nullptr;
    AudioPathMonitor::Record record;
    std::uint64_t framesProcessed = 0;
};

} // namespace morvane::validate
