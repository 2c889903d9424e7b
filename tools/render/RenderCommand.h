// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RenderOptions.h"

namespace morvane
{

/** The renderer's first job: an audio file, or the built-in demo phrase, through the processor
    with its tail, written as a WAV (the demo also as its dry phrase), and a report of levels.

    Thread rule: the tool's main thread. */
class RenderCommand
{
public:
    /** Returns the exit status. */
    static int run(const RenderOptions& options);
};

} // namespace morvane
