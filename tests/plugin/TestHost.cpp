#include "TestHost.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace morvane::test
{

namespace
{

std::mutex recordLock;
std::vector<HostCall> record;
std::atomic<std::intptr_t> versionAnswer{2400};

int countEntries(const char* directory)
{
    int count = 0;
    if (DIR* dir = opendir(directory))
    {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                ++count;
        closedir(dir);
    }
    return count;
}

} // namespace

void TestHost::setVersionAnswer(std::intptr_t answer)
{
    versionAnswer.store(answer);
}

std::vector<HostCall> TestHost::callsFor(const vst2::AEffect* effect)
{
    const std::lock_guard<std::mutex> guard(recordLock);
    std::vector<HostCall> calls;
    for (const auto& call : record)
        if (call.effect == effect)
            calls.push_back(call);
    return calls;
}

std::vector<HostCall> TestHost::callsWithOpcode(const vst2::AEffect* effect, std::int32_t opcode)
{
    std::vector<HostCall> calls;
    for (const auto& call : callsFor(effect))
        if (call.opcode == opcode)
            calls.push_back(call);
    return calls;
}

void TestHost::clearCalls()
{
    const std::lock_guard<std::mutex> guard(recordLock);
    record.clear();
}

std::intptr_t TestHost::callback(vst2::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                 std::intptr_t value, void*, float opt)
{
    {
        const std::lock_guard<std::mutex> guard(recordLock);
        record.push_back({effect, opcode, index, value, opt, std::this_thread::get_id()});
    }

    switch (opcode)
    {
        case vst2::audioMasterVersion:
            return versionAnswer.load();
        case vst2::audioMasterGetSampleRate:
            return 44100;
        case vst2::audioMasterGetBlockSize:
            return 512;
        default:
            return 0;
    }
}

//==============================================================================
Module::Module()
{
    library = dlopen(path(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        ADD_FAILURE() << "dlopen failed: " << dlerror();
}

Module::~Module()
{
    if (library != nullptr)
        dlclose(library);
}

const char* Module::path()
{
    return MORVANE_VST2_MODULE;
}

bool Module::isLoaded()
{
    void* handle = dlopen(path(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle);
    return true;
}

vst2::AEffect* Module::instantiate(const char* entryName) const
{
    if (library == nullptr)
        return nullptr;
    auto entry =
        reinterpret_cast<vst2::AEffect* (*)(vst2::HostCallback)>(dlsym(library, entryName));
    return entry != nullptr ? entry(&TestHost::callback) : nullptr;
}

//==============================================================================
Plugin::Plugin(const Module& module, unsigned seed)
{
    std::srand(seed);
    aeffect = module.instantiate();
    if (aeffect == nullptr)
    {
        ADD_FAILURE() << "the entry point gave no plug-in";
        return;
    }
    dispatch(vst2::effOpen);
}

Plugin::~Plugin()
{
    close();
}

void Plugin::close()
{
    if (aeffect != nullptr)
        aeffect->dispatcher(aeffect, vst2::effClose, 0, 0, nullptr, 0.0f);
    aeffect = nullptr;
}

std::intptr_t Plugin::dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                               void* ptr, float opt) const
{
    return aeffect->dispatcher(aeffect, opcode, index, value, ptr, opt);
}

std::string Plugin::text(std::int32_t opcode, std::int32_t index) const
{
    char buffer[256];
    std::memset(buffer, 0, sizeof(buffer));
    dispatch(opcode, index, 0, buffer);
    return buffer;
}

void Plugin::setParameter(int index, float value) const
{
    aeffect->setParameter(aeffect, index, value);
}

float Plugin::getParameter(int index) const
{
    return aeffect->getParameter(aeffect, index);
}

void Plugin::resume(double sampleRate, int blockSize) const
{
    dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(vst2::effSetBlockSize, 0, blockSize);
    dispatch(vst2::effMainsChanged, 0, 1);
}

void Plugin::suspend() const
{
    dispatch(vst2::effMainsChanged, 0, 0);
}

void Plugin::process(float** inputs, float** outputs, int frames) const
{
    aeffect->processReplacing(aeffect, inputs, outputs, frames);
}

//==============================================================================
std::vector<std::vector<float>> noise(int frames, std::uint32_t seed)
{
    std::vector<std::vector<float>> channels(2, std::vector<float>(static_cast<size_t>(frames)));
    for (auto& channel : channels)
        for (auto& sample : channel)
        {
            seed = seed * 1664525u + 1013904223u;
            sample = static_cast<float>(static_cast<int>(seed >> 8) - (1 << 23)) / 16777216.0f;
        }
    return channels;
}

int threadCount()
{
    return countEntries("/proc/self/task");
}

int openFileCount()
{
    return countEntries("/proc/self/fd");
}

} // namespace morvane::test
