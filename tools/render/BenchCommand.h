#pragma once

#include "RenderOptions.h"

namespace morvane
{

/** --bench: how fast the processor runs on stereo noise, in ns per stereo frame and as a
    real-time factor, from the median of several runs.

    Thread rule: the tool's main thread. */
class BenchCommand
{
public:
    /** Returns the exit status. */
    static int run(const RenderOptions& options);
};

} // namespace morvane
