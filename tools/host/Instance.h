// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "host/HostAnswers.h"
#include "host/HostObserver.h"
#include "host/Module.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace morvane::host
{

/** One effect of a VST 2.4 module, made through its entry point and driven the way a host
    drives it: requests through the dispatcher, parameters, blocks through processReplacing or
    the old accumulating call, and state chunks, each copied before the module sees it.

    It is also the host the module calls back: the answers come from HostAnswers, the sample
    rate and block size from what this instance last announced, and a transport (getTimeInfo())
    when the answers offer one. Automation notices are counted; with Options::recordCalls every
    call is kept with its thread; an observer sees each call around its answer. Calls the
    effect makes while its entry point runs, before the host knows it, reach the instance
    being made on that thread.

    Thread rule: as in a host, process on the audio thread and the other requests from any
    thread; the answers to the module read atomics and constants only; the record is guarded by
    a lock; make and close on one thread. The transport belongs to the audio thread. */
class Instance
{
public:
    struct Options
    {
        HostAnswers answers;
        /** Seeds the C library generator just before the entry point runs. */
        std::optional<unsigned int> seed;
        /** Keeps every call the module makes into the host (getCalls()). */
        bool recordCalls = false;
        /** Sees every call around its answer; must outlive the instance. */
        HostObserver* observer = nullptr;
    };

    static constexpr double defaultSampleRate = 44100.0;
    static constexpr int defaultBlockSize = 512;

    /** Calls the entry point and checks the effect it returns; sends it nothing else. Without
        a usable effect, hasEffect() is false and getProblem() says why. */
    Instance(Module::EntryPoint entry, Options options);

    /** Closes the effect unless close() already has. */
    ~Instance();

    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool hasEffect() const noexcept { return effect != nullptr; }
    const std::string& getProblem() const noexcept { return problem; }
    vst2::AEffect* getEffect() const noexcept { return effect; }

    /** effOpen. */
    void open() const;

    /** effClose, after which the effect is gone: the module frees it itself. An effect that
        failed the check is never closed, as nothing it points to can be trusted. */
    void close();

    /** Every request below is ignored (answered 0) without an effect. */
    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f) const;

    /** A text request into a buffer generous enough for modules that write past the limits;
        its last byte is forced to zero whatever they do. */
    std::string text(std::int32_t opcode, std::int32_t index = 0) const;

    int getNumParameters() const noexcept;

    /** The index and value go to the module as they are: checking them is the module's job. */
    void setParameter(int index, float value) const;
    float getParameter(int index) const;

    /** effSetSampleRate and effSetBlockSize; the host answers with these values from now on. */
    void setSampleRate(double sampleRate);
    void setBlockSize(int blockSize);

    /** Announces the rate and block size, then resumes (effMainsChanged 1). */
    void resume(double sampleRate = defaultSampleRate, int blockSize = defaultBlockSize);
    void suspend() const;

    /** Whether the module processes with processReplacing (it says so and has one). */
    bool canReplace() const noexcept;
    void processReplacing(float* const* inputs, float* const* outputs, int frames) const;
    /** The old call adds to the outputs: clear them first. */
    void processAccumulating(float* const* inputs, float* const* outputs, int frames) const;

    /** effGetChunk of the bank, or of the current program only; empty when the module gives
        none. */
    std::vector<std::uint8_t> getChunk(bool currentProgramOnly = false) const;

    /** effSetChunk with a copy of exactly these bytes, so that a module reading past their end
        is caught by the sanitizer builds; returns the module's answer. */
    std::intptr_t setChunk(const std::vector<std::uint8_t>& chunk,
                           bool currentProgramOnly = false) const;

    double getSampleRate() const noexcept { return sampleRate.load(std::memory_order_relaxed); }
    int getBlockSize() const noexcept { return blockSize.load(std::memory_order_relaxed); }

    /** audioMasterAutomate calls, and audioMasterBeginEdit and EndEdit calls, so far. */
    std::uint64_t getAutomateCalls() const noexcept;
    std::uint64_t getEditGestureCalls() const noexcept;

    /** The recorded calls, all or those with one opcode, in the order they came. */
    std::vector<HostCall> getCalls() const;
    std::vector<HostCall> getCalls(std::int32_t opcode) const;
    void clearCalls();

    /** The transport audioMasterGetTime answers with; the audio thread keeps it current. */
    vst2::VstTimeInfo& getTimeInfo() noexcept { return timeInfo; }

    /** The host callback every instance hands its entry point. */
    static std::intptr_t callback(vst2::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                  std::intptr_t value, void* ptr, float opt);

private:
    std::intptr_t answer(const HostCall& call, void* ptr);
    std::intptr_t copyText(void* destination, const std::string& text) const;
    bool canDo(const char* what) const;

    const Options options;
    vst2::AEffect* effect = nullptr;
    std::string problem;

    std::atomic<double> sampleRate{defaultSampleRate};
    std::atomic<int> blockSize{defaultBlockSize};
    std::atomic<std::uint64_t> automateCalls{0};
    std::atomic<std::uint64_t> gestureCalls{0};

    mutable std::mutex recordLock;
    std::vector<HostCall> record;

    vst2::VstTimeInfo timeInfo{};
};

} // namespace morvane::host
