// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestHost.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>

namespace morvane::test
{

namespace
{

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

Module::Module() : host::Module(path())
{
    if (!isLoaded())
        ADD_FAILURE() << "dlopen failed: " << getLoaderMessage();
}

const char* Module::path()
{
    return MORVANE_VST2_MODULE;
}

bool Module::isInProcess()
{
    void* handle = dlopen(path(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle);
    return true;
}

Plugin::Plugin(const Module& module, unsigned seed)
    : host::Instance(module.getEntryPoint(), options(seed))
{
    if (!hasEffect())
    {
        ADD_FAILURE() << "the entry point gave no plug-in: " << getProblem();
        return;
    }
    open();
}

host::Instance::Options Plugin::options(unsigned seed)
{
    Options options;
    options.seed = seed;
    options.recordCalls = true;
    return options;
}

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
