// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ImpulseAnalysis.h"

#include <juce_core/juce_core.h>

namespace morvane
{

/** The words the impulse-response reports share: band and channel names, figures as text,
    and why a figure is missing. Any thread. */
class ImpulseWording
{
public:
    /** "broadband" or the octave's centre in Hz, without a unit. */
    static juce::String bandLabel(const ImpulseAnalysis::Band& band);

    /** "broadband" or "125 Hz". */
    static juce::String bandName(const ImpulseAnalysis::Band& band);

    static juce::String channelName(size_t channel);

    /** The value with that many decimals, or `missing` when it is not finite. */
    static juce::String number(double value, int decimals, const juce::String& missing = {});

    static juce::String reason(Shortfall why);

    /** One line for each reason why figures are missing, naming them and their bands, e.g.
        "not measured, the decay meets the noise ...: T30 at 125 Hz (left)". Empty when all
        are there. */
    static juce::StringArray shortfalls(const ImpulseAnalysis::Figures& figures);
};

} // namespace morvane
