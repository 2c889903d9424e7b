// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RenderOptions.h"

namespace morvane
{

/** --ir: a unit impulse on both inputs, rendered until its tail dies away, then measured; the
    figures go to stdout, a CSV file and a picture, the response itself to a WAV when asked.

    Thread rule: the tool's main thread. */
class ImpulseCommand
{
public:
    /** Returns the exit status. */
    static int run(const RenderOptions& options);
};

} // namespace morvane
