// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HostedInstance.h"

namespace morvane::validate
{

/** The plug-in's seven parameters (On / Off, Wet, Dry, Delay, Size, Low Pass, High Pass) set so
    that its tail rings longest and loudest, or its settings with the tail dying away soonest:
    the two ends at which a tail shows what it does as it falls towards nothing. A module with
    fewer parameters gets as many as it has.

    Thread rule: any thread, as a host's parameter requests. */
class TailSettings
{
public:
    static void applyLongest(const HostedInstance& instance);
    static void applyShortest(const HostedInstance& instance);
};

} // namespace morvane::validate
