#pragma once

#include "ImpulseAnalysis.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

namespace morvane
{

/** The impulse-response figures as files and text: a CSV of the figures, and a picture of
    the energy decay curves above a spectrogram of the response, drawn with the software
    renderer so that it needs no display.

    The CSV has one row per band and channel under the header `csvHeader`: band (`broadband`
    or the octave's centre in Hz), channel (`left`, `right`), EDT, T20 and T30 in seconds,
    the first arrival in samples and in seconds (on the broadband rows only), and IACC and
    IACC_E (the same on both rows of a band). A figure that could not be measured is an
    empty field.

    Message thread only (the thread that runs the tool's main), as it draws with JUCE. */
class ImpulseReport
{
public:
    static constexpr int imageWidth = 1200;
    static constexpr int imageHeight = 900;
    static constexpr const char* csvHeader =
        "band,channel,edt_s,t20_s,t30_s,first_arrival_samples,first_arrival_s,iacc,iacc_early";

    static juce::String toCsv(const ImpulseAnalysis::Figures& figures);

    /** Writes the CSV; the file appears whole or not at all. On failure returns the reason. */
    static std::optional<juce::String> writeCsv(const ImpulseAnalysis::Figures& figures,
                                                const juce::File& file);

    /** The decay curves (broadband and per band, both channels' energy together, from the
        first arrival) over a spectrogram of the response (both channels' power), imageWidth x
        imageHeight pixels, with `title` on top. */
    static juce::Image draw(const juce::AudioBuffer<float>& ir,
                            const ImpulseAnalysis::Figures& figures, const juce::String& title);

    /** The figures as a table for the terminal. */
    static juce::String summary(const ImpulseAnalysis::Figures& figures);
};

} // namespace morvane
