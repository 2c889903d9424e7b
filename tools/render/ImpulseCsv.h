// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ImpulseAnalysis.h"

#include <juce_core/juce_core.h>

#include <optional>

namespace morvane
{

/** The impulse-response figures as a CSV file.

    Comment lines starting with `#` come first: how the figures were measured, and one line
    for each reason why a figure is missing. Then the header `columns` and one row per band
    and channel: band (`broadband` or the octave's centre in Hz), channel (`left`, `right`),
    EDT, T20 and T30 in seconds, the first arrival in samples and in seconds (on the broadband
    rows only), IACC and IACC_E (the same on both rows of a band), the direct-to-reverberant
    ratio in dB, and the gap from the first arrival to the reverberation in seconds (on the
    broadband rows only). A figure that could not be measured is an empty field. New columns
    are added at the end, so that a reader that finds columns by position keeps working.

    Any thread. */
class ImpulseCsv
{
public:
    static constexpr const char* columns =
        "band,channel,edt_s,t20_s,t30_s,first_arrival_samples,first_arrival_s,iacc,iacc_early,"
        "direct_to_reverberant_db,gap_s";

    static juce::String toText(const ImpulseAnalysis::Figures& figures);

    /** Writes the CSV; the file appears whole or not at all. On failure returns the reason. */
    static std::optional<juce::String> write(const ImpulseAnalysis::Figures& figures,
                                             const juce::File& file);
};

} // namespace morvane
