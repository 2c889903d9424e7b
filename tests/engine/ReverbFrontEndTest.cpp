// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ReverbFrontEnd.h"
#include "engine/EngineSettings.h"
#include "engine/ParameterShaping.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <vector>

namespace morvane
{
namespace
{

TEST(ReverbFrontEnd, DitherIsSeededAfterTheOscillatorsAndStaysBelowOneNano)
{
    std::srand(99);
    for (int i = 0; i < 8; ++i)
        std::rand();
    const auto ninthDraw = static_cast<std::uint32_t>(std::rand() & 0x7FFF);

    EngineSettings settings;
    ReverbFrontEnd frontEnd(&settings);
    std::srand(99);
    frontEnd.create(44100.0f);
    EXPECT_EQ(frontEnd.getDitherSeed(), ninthDraw);
    for (int i = 0; i < 200000; ++i)
    {
        const float d = frontEnd.nextDither();
        ASSERT_TRUE(d >= 0.0f && static_cast<double>(d) < 1e-9) << d;
    }

    frontEnd.setDitherSeed(0);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(frontEnd.nextDither(), 0.0f);
}

// A rate the engine cannot run at builds for 44.1 kHz at first and later changes nothing: the
// engine plays on as if the request had never come.
TEST(ReverbFrontEnd, UnusableRatesKeepTheEngineOrFallBackTo44100)
{
    EngineSettings settings;
    ReverbFrontEnd frontEnd(&settings);
    frontEnd.create(0.0f);
    EXPECT_EQ(frontEnd.getEngineSampleRate(), 44100.0f);
    EXPECT_EQ(frontEnd.getPreDelayLength(), 44101);

    mapParameter(Parameter::size, settings, 0.9f);
    std::srand(4);
    frontEnd.rebuild(48000.0f);
    std::srand(4);
    ReverbFrontEnd untouched(&settings);
    untouched.create(48000.0f);

    std::vector<float> left(512);
    std::vector<float> right(512);
    std::vector<float> expectedLeft(512);
    std::vector<float> expectedRight(512);
    const auto processBoth = [&](int block)
    {
        for (std::size_t n = 0; n < left.size(); ++n)
        {
            left[n] = expectedLeft[n] =
                static_cast<float>((block * 37 + static_cast<int>(n)) % 11) - 5.0f;
            right[n] = expectedRight[n] = 0.25f;
        }
        frontEnd.processBlock(left.data(), right.data(), 512);
        untouched.processBlock(expectedLeft.data(), expectedRight.data(), 512);
        return left == expectedLeft && right == expectedRight;
    };

    EXPECT_TRUE(processBoth(0));
    const std::uint32_t seed = frontEnd.getDitherSeed();
    int block = 1;
    for (const float rate :
         {0.0f, -44100.0f, 100.0f, 179.9f, std::numeric_limits<float>::quiet_NaN(),
          std::numeric_limits<float>::infinity()})
    {
        frontEnd.rebuild(rate);
        EXPECT_EQ(frontEnd.getEngineSampleRate(), 48000.0f) << rate;
        EXPECT_EQ(frontEnd.getDitherSeed(), seed) << rate;
        EXPECT_TRUE(processBoth(block++)) << "the tail goes on after a request for " << rate;
    }
}

TEST(ReverbFrontEnd, RebuildUsesTheNewRateAndKeepsTheSettings)
{
    EngineSettings settings;
    settings.set(Parameter::size, 0.75);
    ReverbFrontEnd frontEnd(&settings);
    frontEnd.create(44100.0f);
    frontEnd.rebuild(96000.0f);
    EXPECT_EQ(frontEnd.getEngineSampleRate(), 96000.0f);
    EXPECT_EQ(frontEnd.getPreDelayLength(), 96001);
    EXPECT_EQ(frontEnd.getLineLength(0, 0), 4289);
    EXPECT_EQ(frontEnd.getAllPassLength(1, 4), 733);
    EXPECT_EQ(settings.get(Parameter::size), 0.75);
}

} // namespace
} // namespace morvane
