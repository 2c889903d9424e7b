// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CheckContext.h"

namespace morvane::validate
{

/** The audio callback's manners: processReplacing may neither allocate nor free memory nor take
    any lock but the processor's callback lock, not even in the first block at a newly announced
    rate. Only the first block at a rate the host never announced (it processes on after a
    suspend without resuming) may build what the rate needs; what those blocks did is reported.
    A pass of its own switches rates and block sizes while another thread automates and saves
    and restores the state, and ends at two rates it never announces; the verdict covers every
    block counted in the whole run.

    Thread rule: runs on the calling thread with one host thread of its own. */
class RealtimeChecks
{
public:
    static GroupResult run(const CheckContext& context);
};

} // namespace morvane::validate
