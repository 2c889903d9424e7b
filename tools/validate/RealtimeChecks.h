#pragma once

#include "CheckContext.h"

namespace morvane::validate
{

/** The audio callback's manners: after its first block at a sample rate, processReplacing may
    neither allocate nor free memory nor take any lock but the processor's callback lock. A pass
    of its own switches rates and block sizes while another thread automates and saves and
    restores the state; the verdict covers every block counted in the whole run.

    Thread rule: runs on the calling thread with one host thread of its own. */
class RealtimeChecks
{
public:
    static GroupResult run(const CheckContext& context);
};

} // namespace morvane::validate
