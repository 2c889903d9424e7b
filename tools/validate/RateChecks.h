// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CheckContext.h"

namespace morvane::validate
{

/** Processing at every sample rate a host may pick, with fixed, odd and random block sizes, then
    a long stretch of silence after noise with On / Off switched at every offset of a block: the
    output must be finite everywhere and hold no subnormal number.

    Thread rule: runs on the calling thread. */
class RateChecks
{
public:
    static GroupResult run(const CheckContext& context);
};

} // namespace morvane::validate
