// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImpulseTable.h"

#include "ImpulseWording.h"

namespace morvane
{

juce::String ImpulseTable::text(const ImpulseAnalysis::Figures& figures)
{
    using W = ImpulseWording;
    const auto arrival = [&](int channel)
    {
        const int sample = figures.direct[static_cast<size_t>(channel)].arrival;
        return sample >= 0
                   ? juce::String(sample) + " samples (" +
                         W::number(1000.0 * figures.firstArrivalSeconds(channel), 2) + " ms)"
                   : juce::String("none");
    };
    const auto gap = [&](int channel)
    { return W::number(1000.0 * figures.gapSeconds(channel), 2, "-") + " ms"; };

    juce::String text;
    text << "first arrival: left " << arrival(0) << ", right " << arrival(1) << "\n";
    text << "gap:           left " << gap(0) << ", right " << gap(1)
         << " (first arrival to reverberation)\n";
    text << "band        EDT L/R (s)     T20 L/R (s)     T30 L/R (s)     D/R L/R (dB)    IACC  "
            "IACC_E\n";
    for (const auto& band : figures.bands)
    {
        const auto pair = [](double left, double right, int decimals)
        {
            return (W::number(left, decimals, "-") + " / " + W::number(right, decimals, "-"))
                .paddedRight(' ', 16);
        };
        const auto& channels = band.channels;
        text << W::bandName(band).paddedRight(' ', 12) << pair(channels[0].edt, channels[1].edt, 2)
             << pair(channels[0].t20, channels[1].t20, 2)
             << pair(channels[0].t30, channels[1].t30, 2)
             << pair(band.directToReverberantDb[0], band.directToReverberantDb[1], 1)
             << W::number(band.iacc, 2, "-").paddedRight(' ', 6)
             << W::number(band.iaccEarly, 2, "-") << "\n";
    }
    for (const auto& line : W::shortfalls(figures))
        text << line << "\n";
    return text;
}

} // namespace morvane
