// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace morvane
{

/** The axes the impulse-response pictures share. Message thread only, as it draws with JUCE. */
class PlotAxes
{
public:
    /** The level at the bottom of both plots, in dB. */
    static constexpr double floorDb = -100.0;

    /** Vertical grid lines across `plot` with their times in seconds underneath, about ten
        of them at round values over `seconds`. */
    static void drawTime(juce::Graphics& g, juce::Rectangle<int> plot, double seconds);

    /** A step of 1, 2 or 5 times a power of ten that gives about `count` divisions of `range`. */
    static double niceStep(double range, int count);
};

} // namespace morvane
