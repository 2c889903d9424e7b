// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "host/Instance.h"
#include "host/Module.h"

#include <cstdint>
#include <vector>

namespace morvane::test
{

/** The built module, loaded with dlopen for the life of the object, as a host loads it. Nothing
    of the plug-in is linked in. */
class Module : public host::Module
{
public:
    Module();

    static const char* path();

    /** Whether the module is still mapped into this process. */
    static bool isInProcess();
};

/** One plug-in instance, made and opened as a host does, that records every call it makes into
    the host, with its thread.

    Thread rule: as host::Instance. */
class Plugin : public host::Instance
{
public:
    /** Seeds the C library generator first, so that two plug-ins made with the same seed
        produce the same output for the same input. */
    explicit Plugin(const Module& module, unsigned seed = 1);

    /** The host a Plugin meets: its calls recorded, the generator seeded. */
    static Options options(unsigned seed);
};

/** A deterministic stereo test signal. */
std::vector<std::vector<float>> noise(int frames, std::uint32_t seed);

/** Number of threads in this process. */
int threadCount();

/** Number of open file descriptors in this process. */
int openFileCount();

} // namespace morvane::test
