// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RenderOptions.h"

namespace morvane
{

/** --bench: how fast the processor runs on each kind of material, in ns per stereo frame and
    against stereo noise, from the median of several runs, and the real-time factor on stereo
    noise.

    Thread rule: the tool's main thread. */
class BenchCommand
{
public:
    /** Returns the exit status. */
    static int run(const RenderOptions& options);
};

} // namespace morvane
