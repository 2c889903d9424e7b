// SPDX-License-Identifier: GPL-3.0-or-later
#include "SignalScan.h"
#include "Randomness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace morvane::validate;

TEST(SignalScan, SortsSamplesIntoFiniteNonFiniteAndSubnormal)
{
    using limits = std::numeric_limits<float>;
    const std::vector<float> samples = {0.5f,
                                        -2.0f,
                                        0.0f,
                                        -0.0f,
                                        limits::quiet_NaN(),
                                        limits::infinity(),
                                        -limits::infinity(),
                                        limits::denorm_min(),
                                        -1.0e-40f,
                                        limits::min()};
    SignalScan scan;
    scan.scan(samples.data(), static_cast<int>(samples.size()));

    EXPECT_EQ(scan.samples(), samples.size());
    EXPECT_EQ(scan.nonFinite(), 3u);
    EXPECT_EQ(scan.subnormal(), 2u) << "the smallest normal number is not subnormal";
    EXPECT_EQ(scan.peak(), 2.0f) << "non-finite samples must not become the peak";
    EXPECT_NEAR(scan.rms(), std::sqrt((0.25 + 4.0) / 7.0), 1e-9);
}

TEST(SignalScan, MergesStretches)
{
    const float a[] = {1.0f, 1.0f};
    const float b[] = {std::numeric_limits<float>::quiet_NaN(), 3.0f};
    SignalScan first, second;
    first.scan(a, 2);
    second.scan(b, 2);
    first += second;

    EXPECT_EQ(first.samples(), 4u);
    EXPECT_EQ(first.nonFinite(), 1u);
    EXPECT_EQ(first.peak(), 3.0f);
    EXPECT_NEAR(first.rms(), std::sqrt(11.0 / 3.0), 1e-9);
}

TEST(Randomness, HostileValuesCoverEveryKindAHostMaySend)
{
    Randomness random(9);
    int inRange = 0, nan = 0, infinite = 0, outside = 0, subnormal = 0;
    for (int i = 0; i < 4000; ++i)
    {
        const float v = random.hostileParameter();
        if (std::isnan(v))
            ++nan;
        else if (std::isinf(v))
            ++infinite;
        else if (v < 0.0f || v > 1.0f)
            ++outside;
        else
            ++inRange;
        if (std::fpclassify(v) == FP_SUBNORMAL)
            ++subnormal;
    }
    EXPECT_GT(inRange, 1800);
    EXPECT_GT(nan, 50);
    EXPECT_GT(infinite, 50);
    EXPECT_GT(outside, 200);
    EXPECT_GT(subnormal, 50);
}

TEST(Randomness, RepeatsForASeedAndStaysInBounds)
{
    Randomness a(4), b(4), c(5);
    EXPECT_EQ(a.next(), b.next());
    EXPECT_NE(a.next(), c.next());
    for (int i = 0; i < 10000; ++i)
    {
        const int n = a.between(1, 3);
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 3);
        const double u = a.unit();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
    }
}
