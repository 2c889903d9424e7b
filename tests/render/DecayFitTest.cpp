// SPDX-License-Identifier: GPL-3.0-or-later
#include "DecayFit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using morvane::DecayFit;
using morvane::Shortfall;

namespace
{
constexpr double rate = 1000.0;

// A curve that falls by each slope in dB per second down to each level in turn.
std::vector<double> piecewise(const std::vector<std::pair<double, double>>& slopesDownTo,
                              double from = 0.0)
{
    std::vector<double> curve;
    double level = from;
    for (const auto& [slope, downTo] : slopesDownTo)
        for (; level > downTo; level -= slope / rate)
            curve.push_back(level);
    return curve;
}
} // namespace

TEST(DecayFit, EachFigureFitsItsOwnPartOfTheCurve)
{
    // 120, then 60, then 20 dB per second, bending at -5 and -25 dB.
    auto curve = piecewise({{120.0, -5.0}, {60.0, -25.0}, {20.0, -80.0}});
    const auto decay = DecayFit::measure(curve, rate);
    EXPECT_NEAR(decay.t20, 1.0, 1e-3) << "-5 to -25 dB lies on the middle slope alone";
    EXPECT_GT(decay.t30, 1.2) << "-25 to -35 dB is slower";
    EXPECT_LT(decay.edt, 0.9) << "0 to -5 dB is faster";
    EXPECT_GT(decay.edt, 0.5);
    EXPECT_EQ(decay.whyNoT30, Shortfall::none);

    // A curve that stops (at the noise) above -35 dB has no T30, whatever went before.
    curve.resize(static_cast<size_t>(
        std::find_if(curve.begin(), curve.end(), [](double v) { return v < -30.0; }) -
        curve.begin()));
    const auto shortDecay = DecayFit::measure(curve, rate);
    EXPECT_TRUE(std::isnan(shortDecay.t30));
    EXPECT_EQ(shortDecay.whyNoT30, Shortfall::rangeBelowNoise);
    EXPECT_NEAR(shortDecay.t20, 1.0, 1e-3);
    // A curve that stops where the response itself ends says so instead.
    EXPECT_EQ(DecayFit::measure(curve, rate, Shortfall::responseEnds).whyNoT30,
              Shortfall::responseEnds);

    const auto nothing = DecayFit::measure({}, rate);
    EXPECT_TRUE(std::isnan(nothing.edt));
    EXPECT_EQ(nothing.whyNoEdt, Shortfall::noDecay);
    EXPECT_TRUE(std::isnan(DecayFit::measure(std::vector<double>(50, -1.0), rate).t20));
}

TEST(DecayFit, T20AndT30StartFiveDecibelsBelowAKneeDeeperThanFive)
{
    EXPECT_EQ(DecayFit::rangeStartDb(0.0), -5.0);
    EXPECT_EQ(DecayFit::rangeStartDb(-4.9), -5.0);
    EXPECT_EQ(DecayFit::rangeStartDb(-12.0), -17.0);

    // The whole response drops 12 dB at once (the direct sound), stays there through a gap,
    // then the reverberation falls 30 dB per second. Its first 5 dB fall at 300 dB per
    // second (the reverberation's build-up): a range from -5 dB or from the knee itself
    // would see them, one from -17 dB does not.
    auto reverberant = piecewise({{300.0, -17.0}, {30.0, -70.0}}, -12.0);
    std::vector<double> gap(200, -12.0);
    reverberant.insert(reverberant.begin(), gap.begin(), gap.end());
    auto whole = reverberant;
    whole.insert(whole.begin(), 0.0);
    reverberant.insert(reverberant.begin(), -12.0);

    const auto decay = DecayFit::measure(whole, reverberant, rate);
    EXPECT_NEAR(decay.t20, 2.0, 2e-3);
    EXPECT_NEAR(decay.t30, 2.0, 2e-3);
    EXPECT_LT(decay.edt, 0.01) << "EDT is the direct sound's drop: that is what it means";

    // Reverberation that stands above the direct sound keeps the usual -5 dB start, here on
    // the reverberant slope itself once the whole curve is past its 1 dB drop.
    auto shallow = piecewise({{30.0, -70.0}}, -1.0);
    auto shallowWhole = shallow;
    shallowWhole.insert(shallowWhole.begin(), 0.0);
    shallow.insert(shallow.begin(), -1.0);
    EXPECT_NEAR(DecayFit::measure(shallowWhole, shallow, rate).t20, 2.0, 2e-3);
}
