// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CheckContext.h"

namespace morvane::validate
{

/** What the processing costs on each kind of material (Material): the group fails when any
    costs more than costLimit times stereo noise, which is what a plug-in whose states decay into
    subnormal numbers does on silence after sound, on a mono sum that cancels or on a constant.

    Each material plays on an instance of its own at 48 kHz in blocks of 512, once at the
    module's own settings and once at those that let a tail die away soonest (TailSettings),
    each against stereo noise at the same settings. It plays in rounds: every round times a
    stretch of each in turn, and a figure is the least its stretches took, the one the rest of a
    shared machine disturbed least. The two that end in silence play their sound again, untimed,
    before each round's stretch of silence. A verdict over the limit is measured once more before
    it stands.

    Thread rule: runs on the calling thread. */
class CostChecks
{
public:
    static constexpr double costLimit = 1.25;

    static GroupResult run(const CheckContext& context);
};

} // namespace morvane::validate
