// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CheckContext.h"

namespace morvane::validate
{

/** Long running: processing with automation on every block and a state save and restore every
    second of audio, first in one instance, then in many instances on threads of their own.
    Memory must stay flat: the resident size after a warm-up and at the end are reported, and
    growth beyond a small allowance fails.

    Thread rule: runs on the calling thread and one thread per instance. */
class SoakRun
{
public:
    static GroupResult run(const CheckContext& context);

    /** The process's resident size in bytes, from /proc/self/statm; 0 where unreadable. */
    static std::uint64_t residentBytes();
};

} // namespace morvane::validate
