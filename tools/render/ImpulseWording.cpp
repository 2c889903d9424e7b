// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImpulseWording.h"

#include <cmath>
#include <map>

namespace morvane
{

juce::String ImpulseWording::bandLabel(const ImpulseAnalysis::Band& band)
{
    return band.centreHz > 0.0 ? juce::String(juce::roundToInt(band.centreHz)) : "broadband";
}

juce::String ImpulseWording::bandName(const ImpulseAnalysis::Band& band)
{
    return band.centreHz > 0.0 ? bandLabel(band) + " Hz" : juce::String("broadband");
}

juce::String ImpulseWording::channelName(size_t channel)
{
    return channel == 0 ? "left" : "right";
}

juce::String ImpulseWording::number(double value, int decimals, const juce::String& missing)
{
    return std::isfinite(value) ? juce::String(value, decimals) : missing;
}

juce::String ImpulseWording::reason(Shortfall why)
{
    switch (why)
    {
        case Shortfall::none:
            break;
        case Shortfall::silent:
            return "the channel is silent";
        case Shortfall::notFinite:
            return "the channel holds samples that are not finite numbers";
        case Shortfall::bandBeyondRate:
            return "the octave reaches too close to half the sample rate";
        case Shortfall::noDecay:
            return "nothing after the direct sound stands 10 dB above the noise or the "
                   "response's end";
        case Shortfall::rangeBelowNoise:
            return "the decay meets the noise floor before the end of the figure's range";
        case Shortfall::responseEnds:
            return "the response ends before its decay reaches the end of the figure's range";
    }
    return {};
}

juce::StringArray ImpulseWording::shortfalls(const ImpulseAnalysis::Figures& figures)
{
    // For each reason, each figure's bands in order, each with the channels it misses in.
    std::map<Shortfall, std::map<juce::String, juce::StringArray>> missing;
    const juce::StringArray figureOrder{"EDT", "T20", "T30", "D/R"};
    for (const auto& band : figures.bands)
    {
        for (const auto& figure : figureOrder)
        {
            std::array<Shortfall, 2> why{};
            for (size_t c = 0; c < 2; ++c)
            {
                const auto& decay = band.channels[c];
                why[c] = figure == "EDT"   ? decay.whyNoEdt
                         : figure == "T20" ? decay.whyNoT20
                                           : decay.whyNoT30;
                // The ratio needs only the reverberation, not the range the decay reaches.
                if (figure == "D/R" &&
                    (std::isfinite(band.directToReverberantDb[c]) ||
                     why[c] == Shortfall::rangeBelowNoise || why[c] == Shortfall::responseEnds))
                    why[c] = Shortfall::none;
            }
            for (size_t c = 0; c < 2; ++c)
            {
                if (why[c] == Shortfall::none || (c == 1 && why[0] == why[1]))
                    continue;
                const auto where =
                    bandName(band) +
                    (why[0] == why[1] ? juce::String() : " (" + channelName(c) + ")");
                missing[why[c]][figure].add(where);
            }
        }
    }

    juce::StringArray lines;
    const auto allBands = static_cast<int>(figures.bands.size());
    for (const auto& [why, byFigure] : missing)
    {
        // Figures missing in the same places share their list of places.
        juce::StringArray places, names;
        for (const auto& figure : figureOrder)
        {
            const auto found = byFigure.find(figure);
            if (found == byFigure.end())
                continue;
            const auto& bands = found->second;
            const bool everywhere =
                bands.size() == allBands && !bands.joinIntoString(",").contains("(");
            const auto where = everywhere ? juce::String("every band") : bands.joinIntoString(", ");
            const int index = places.indexOf(where);
            if (index >= 0)
                names.set(index, names[index] + ", " + figure);
            else
            {
                places.add(where);
                names.add(figure);
            }
        }
        juce::StringArray parts;
        for (int i = 0; i < places.size(); ++i)
            parts.add(names[i] + " at " + places[i]);
        lines.add("not measured, as " + reason(why) + ": " + parts.joinIntoString("; "));
    }
    return lines;
}

} // namespace morvane
