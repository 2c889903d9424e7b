#pragma once

#include "plugin/Vst2Interface.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace morvane::test
{

/** One call the plug-in made into the host. */
struct HostCall
{
    vst2::AEffect* effect;
    std::int32_t opcode;
    std::int32_t index;
    std::intptr_t value;
    float opt;
    std::thread::id thread;
};

/** The host side of the tests: loads the built module with dlopen, as a host does, and records
    every call the plug-in makes back into the host. Nothing of the plug-in is linked in.

    Thread rule: any thread; the record is guarded by a lock. */
class TestHost
{
public:
    /** What the host answers to audioMasterVersion; 0 marks a host the plug-in cannot use. */
    static void setVersionAnswer(std::intptr_t answer);

    static std::vector<HostCall> callsFor(const vst2::AEffect* effect);
    static std::vector<HostCall> callsWithOpcode(const vst2::AEffect* effect, std::int32_t opcode);
    static void clearCalls();

    static std::intptr_t callback(vst2::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                  std::intptr_t value, void* ptr, float opt);
};

/** The module, loaded for the life of the object. */
class Module
{
public:
    Module();
    ~Module();

    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    static const char* path();
    static bool isLoaded();

    /** Calls the entry point under the given exported name. */
    vst2::AEffect* instantiate(const char* entryName = "VSTPluginMain") const;

    void* handle() const { return library; }

private:
    void* library = nullptr;
};

/** One plug-in instance and the requests a host makes of it. */
class Plugin
{
public:
    /** Seeds the C library generator first, so that two plug-ins made with the same seed
        produce the same output for the same input. */
    explicit Plugin(const Module& module, unsigned seed = 1);
    ~Plugin();

    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    vst2::AEffect* effect() const { return aeffect; }

    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f) const;
    std::string text(std::int32_t opcode, std::int32_t index = 0) const;

    void setParameter(int index, float value) const;
    float getParameter(int index) const;

    void resume(double sampleRate = 44100.0, int blockSize = 512) const;
    void suspend() const;
    void process(float** inputs, float** outputs, int frames) const;

    /** effClose; the destructor does it when the test has not. */
    void close();

private:
    vst2::AEffect* aeffect = nullptr;
};

/** A deterministic stereo test signal. */
std::vector<std::vector<float>> noise(int frames, std::uint32_t seed);

/** Number of threads in this process. */
int threadCount();

/** Number of open file descriptors in this process. */
int openFileCount();

} // namespace morvane::test
