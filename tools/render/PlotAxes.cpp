// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlotAxes.h"

#include <cmath>

namespace morvane
{

double PlotAxes::niceStep(double range, int count)
{
    const double raw = range / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0})
        if (raw <= factor * power)
            return factor * power;
    return 10.0 * power;
}

void PlotAxes::drawTime(juce::Graphics& g, juce::Rectangle<int> plot, double seconds)
{
    const double step = niceStep(seconds, 10);
    g.setFont(13.0f);
    for (double t = 0.0; t <= seconds + 1e-9; t += step)
    {
        const int x = plot.getX() + juce::roundToInt(t / seconds * plot.getWidth());
        g.setColour(juce::Colour(0x30000000));
        g.drawVerticalLine(x, static_cast<float>(plot.getY()),
                           static_cast<float>(plot.getBottom()));
        g.setColour(juce::Colours::black);
        g.drawText(juce::String(t, step < 0.1   ? 2
                                   : step < 1.0 ? 1
                                                : 0),
                   juce::Rectangle<int>(x - 30, plot.getBottom() + 2, 60, 16),
                   juce::Justification::centred);
    }
}

} // namespace morvane
