// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CheckContext.h"

namespace morvane::validate
{

/** The stored state as hosts treat it: random settings saved and restored into another
    instance must come back exactly; random bytes, damaged and truncated chunks must neither
    crash the plug-in nor leave it half changed; and restores from a background thread while the
    editor is open and audio runs must end in the last state restored.

    Thread rule: runs on the calling thread (which drives the editor), with an audio thread and
    a restoring thread of its own. */
class StateChecks
{
public:
    static GroupResult run(const CheckContext& context);
};

} // namespace morvane::validate
