// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ImpulseAnalysis.h"

#include <juce_core/juce_core.h>

namespace morvane
{

/** The impulse-response figures as a table for the terminal: the first arrivals and gaps, one
    row per band with both channels' EDT, T20, T30 and direct-to-reverberant ratio and the
    band's IACC, then one line for each reason why a figure is missing (shown as `-`).

    Any thread. */
class ImpulseTable
{
public:
    static juce::String text(const ImpulseAnalysis::Figures& figures);
};

} // namespace morvane
