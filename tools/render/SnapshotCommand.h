// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RenderOptions.h"

namespace morvane
{

/** --snapshot: the editor as the given state and settings leave it, drawn to a PNG without a
    display.

    Thread rule: the tool's main thread (the message thread). */
class SnapshotCommand
{
public:
    /** Returns the exit status. */
    static int run(const RenderOptions& options);
};

} // namespace morvane
