// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CheckContext.h"

namespace morvane::validate
{

/** Host automation at its worst: every parameter set to a random value, NaN, an infinity or far
    outside 0..1, from another thread, once per 32-sample block while the blocks are being
    processed. The output must stay finite throughout and sound as a fresh instance does once
    the values are sane again.

    Thread rule: runs on the calling thread and one automation thread of its own. */
class AutomationChecks
{
public:
    static GroupResult run(const CheckContext& context);
};

} // namespace morvane::validate
