// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ImpulseAnalysis.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace morvane
{

/** A picture of an impulse response, drawn with the software renderer so that it needs no
    display: the decay curves (broadband and per band, both channels' energy together, from
    the first arrival, with each band's T30 in the legend) above a Spectrogram.

    Message thread only (the thread that runs the tool's main), as it draws with JUCE. */
class ImpulsePicture
{
public:
    static constexpr int width = 1200;
    static constexpr int height = 900;

    /** width x height pixels, with `title` on top. */
    static juce::Image draw(const juce::AudioBuffer<float>& ir,
                            const ImpulseAnalysis::Figures& figures, const juce::String& title);
};

} // namespace morvane
