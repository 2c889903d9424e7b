// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImpulseCsv.h"

#include "ImpulseWording.h"
#include "WholeFileWriter.h"

namespace morvane
{

namespace
{
const char* const method[] = {
    "Impulse-response figures after ISO 3382-1, from Schroeder curves that start at each "
    "channel's first arrival; an empty field was not measured.",
    "EDT fits 0 to -10 dB of the whole curve. T20 and T30 fit 20 and 30 dB of the decay of the "
    "reverberation (the response without its direct sound) from -5 dB, or from 5 dB below "
    "the knee where the direct sound has taken the curve more than 5 dB down before the "
    "reverberant decay begins.",
    "direct_to_reverberant_db: the direct sound's energy over the reverberation's, per band; "
    "gap_s: from the first arrival to the onset of the reverberation.",
};
} // namespace

juce::String ImpulseCsv::toText(const ImpulseAnalysis::Figures& figures)
{
    using W = ImpulseWording;
    juce::String csv;
    for (const auto* line : method)
        csv << "# " << line << "\n";
    for (const auto& line : W::shortfalls(figures))
        csv << "# " << line << "\n";
    csv << columns << "\n";

    for (const auto& band : figures.bands)
    {
        const bool broadband = band.centreHz <= 0.0;
        for (size_t c = 0; c < 2; ++c)
        {
            const auto& decay = band.channels[c];
            const int channel = static_cast<int>(c);
            const int arrival = figures.direct[c].arrival;
            csv << W::bandLabel(band) << "," << W::channelName(c) << "," << W::number(decay.edt, 4)
                << "," << W::number(decay.t20, 4) << "," << W::number(decay.t30, 4) << ","
                << (broadband && arrival >= 0 ? juce::String(arrival) : juce::String()) << ","
                << (broadband ? W::number(figures.firstArrivalSeconds(channel), 6) : juce::String())
                << "," << W::number(band.iacc, 4) << "," << W::number(band.iaccEarly, 4) << ","
                << W::number(band.directToReverberantDb[c], 2) << ","
                << (broadband ? W::number(figures.gapSeconds(channel), 6) : juce::String()) << "\n";
        }
    }
    return csv;
}

std::optional<juce::String> ImpulseCsv::write(const ImpulseAnalysis::Figures& figures,
                                              const juce::File& file)
{
    return WholeFileWriter::write(
        file, "the figures",
        [&figures](juce::OutputStream& stream) -> std::optional<juce::String>
        {
            stream.writeText(toText(figures), false, false, "\n");
            return std::nullopt;
        });
}

} // namespace morvane
