// SPDX-License-Identifier: GPL-3.0-or-later
// How far the analyser's figures lie from the known decay of made-up rooms, over the whole
// grid of reverberation times, direct-to-reverberant ratios, gaps and rates: one line per
// room with the worst error of each figure over the two channels, in percent for the decay
// times, in dB for the direct-to-reverberant ratio and in ms for the gap. A figure that was
// left unmeasured shows as "-".

#include "ImpulseAnalysis.h"
#include "SyntheticResponse.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

using morvane::ImpulseAnalysis;
using morvane::testing::SyntheticResponse;

namespace
{
// The larger difference of two channels' values from the truth, NaN when either is missing.
double worstDifference(double left, double right, double expected)
{
    if (!std::isfinite(left) || !std::isfinite(right))
        return std::nan("");
    return std::max(std::abs(left - expected), std::abs(right - expected));
}

// The same in percent of the truth.
double worstError(double left, double right, double expected)
{
    return 100.0 * worstDifference(left, right, expected) / expected;
}

void printCell(double value)
{
    if (std::isfinite(value))
        std::printf(" %7.1f", value);
    else
        std::printf(" %7s", "-");
}
} // namespace

int main()
{
    std::printf(
        "rate   RT60 s  D/R dB  gap ms     T20 %%   T30 %%   EDT %%  band T20 %%  band T30 %%"
        "  D/R dB  gap ms\n");
    for (const double rate : {44100.0, 96000.0})
        for (const double rt60 : {0.3, 1.0, 3.0, 8.0})
            for (const double ratio : {20.0, 10.0, 0.0, -10.0, -20.0})
                for (const double gap : {0.0, 0.05, 0.5})
                {
                    SyntheticResponse room;
                    room.rt60 = rt60;
                    room.directToReverberantDb = ratio;
                    room.gapSeconds = gap;
                    room.sampleRate = rate;
                    const auto figures = ImpulseAnalysis::analyse(room.render(), rate);
                    const double edt = morvane::DecayFit::measure(room.expectedCurveDb(), rate).edt;
                    const auto& broadband = figures.bands[0].channels;

                    // The octave bands' worst error; a band left unmeasured counts as the
                    // worst of all.
                    double bandT20 = 0.0, bandT30 = 0.0;
                    for (size_t b = 1; b < figures.bands.size(); ++b)
                    {
                        const auto& band = figures.bands[b].channels;
                        const double t20 = worstError(band[0].t20, band[1].t20, rt60);
                        const double t30 = worstError(band[0].t30, band[1].t30, rt60);
                        bandT20 = std::isnan(t20) ? t20 : std::max(bandT20, t20);
                        bandT30 = std::isnan(t30) ? t30 : std::max(bandT30, t30);
                        if (std::isnan(bandT20) && std::isnan(bandT30))
                            break;
                    }
                    std::printf("%5.1fk %6.1f %7.0f %7.0f", rate / 1000.0, rt60, ratio,
                                gap * 1000.0);
                    printCell(worstError(broadband[0].t20, broadband[1].t20, rt60));
                    printCell(worstError(broadband[0].t30, broadband[1].t30, rt60));
                    printCell(worstError(broadband[0].edt, broadband[1].edt, edt));
                    std::printf("   ");
                    printCell(bandT20);
                    std::printf("    ");
                    printCell(bandT30);
                    // The broadband ratio's and gap's worst differences from the truth.
                    const double gapSeconds =
                        (room.reverberationStart() - room.arrivalSample()) / rate;
                    const auto& ratios = figures.bands[0].directToReverberantDb;
                    printCell(worstDifference(ratios[0], ratios[1], ratio));
                    printCell(1000.0 * worstDifference(figures.gapSeconds(0), figures.gapSeconds(1),
                                                       gapSeconds));
                    std::printf("\n");
                }
    return 0;
}
