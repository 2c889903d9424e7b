// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/AllPassFilter.h"
#include "engine/DelayLine.h"
#include "engine/RandomLfo.h"
#include "engine/TwoPoleLowPass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace morvane
{
namespace
{

float signal(int n)
{
    return 0.37f * static_cast<float>(n % 13) - 1.1f;
}

// 10 ms at 1 kHz is ten samples, rounded up to the prime 11.
TEST(DelayLine, WholeSampleReadsReturnTheInputFromThatManyCallsEarlier)
{
    for (const int delay : {1, 4, 10})
    {
        DelayLine fixed(10.0f, 1000.0f);
        DelayLine interpolated(10.0f, 1000.0f);
        ASSERT_EQ(fixed.getLength(), 11);
        for (int n = 0; n < 40; ++n)
        {
            const float expected = n < delay ? 0.0f : signal(n - delay);
            EXPECT_EQ(fixed.readFixed(delay), expected) << delay << " " << n;
            EXPECT_NEAR(interpolated.readInterpolated(static_cast<float>(delay)), expected, 1e-5f);
            fixed.write(signal(n));
            interpolated.write(signal(n));
        }
    }
}

// With coefficient 1 - f, a fraction f lags low frequencies by f / (2 - f) of a sample on top of
// the whole part; a ramp shows that lag directly.
TEST(DelayLine, FractionalReadLagsARampBetweenNeighbouringSamples)
{
    for (const float fraction : {0.25f, 0.5f, 0.75f})
    {
        DelayLine line(10.0f, 1000.0f);
        float out = 0.0f;
        for (int n = 0; n < 200; ++n)
        {
            out = line.readInterpolated(3.0f + fraction);
            line.write(static_cast<float>(n));
        }
        EXPECT_NEAR(199.0f - out, 3.0f + fraction / (2.0f - fraction), 1e-3f) << fraction;
    }
}

TEST(AllPassFilter, ImpulseGivesMinusGainThenDecayingEchoesOneLengthApart)
{
    AllPassFilter filter(5.579239f, 44100.0f, 0.68f);
    const int length = filter.getLength();
    const double g = static_cast<double>(0.68f);
    for (int n = 0; n <= 5 * length; ++n)
    {
        double expected = n == 0 ? -g : 0.0;
        if (n > 0 && n % length == 0)
            expected = (1.0 - g * g) * std::pow(g, n / length - 1);
        EXPECT_NEAR(filter.process(n == 0 ? 1.0f : 0.0f), expected, 1e-6) << n;
    }
}

// Ticks through `turns` turns of the triangle; returns the ticks between successive turns.
std::vector<int> rampLengths(RandomLfo& lfo, int turns, std::vector<float>& outputs)
{
    std::vector<int> lengths;
    float previousStep = 0.0f;
    for (int sinceTurn = 0; static_cast<int>(lengths.size()) < turns; ++sinceTurn)
    {
        outputs.push_back(lfo.tick());
        if (previousStep != 0.0f && (lfo.getStep() > 0.0f) != (previousStep > 0.0f))
        {
            lengths.push_back(sinceTurn);
            sinceTurn = 0;
        }
        previousStep = lfo.getStep();
    }
    return lengths;
}

// Seed 0 is a fixed point of the generator: every ramp takes the shortest slope, and the noise
// term vanishes even at a huge noise amount, so the output rises smoothly from the start. The
// running position picks up a few samples of rounding before it crosses each bound.
TEST(RandomLfo, SeedZeroGivesShortestRampsAndNoNoise)
{
    RandomLfo lfo(44100.0f, 1.0f, 0);
    std::vector<float> out;
    for (const int length : rampLengths(lfo, 6, out))
        EXPECT_TRUE(length >= 22188 && length < 22188 + 8) << length;
    EXPECT_EQ(lfo.getSeed(), 0u);
    EXPECT_EQ(std::abs(lfo.getStep()), 1.0f / 22188.0f);
    EXPECT_TRUE(std::is_sorted(out.begin(), out.begin() + 20000));
}

TEST(RandomLfo, RandomRampsSpreadOverTheirRangeAndOutputStaysInZeroToOne)
{
    std::srand(7);
    RandomLfo lfo(48000.0f, 0.000001f);
    std::vector<float> out;
    const auto lengths = rampLengths(lfo, 12, out);
    const auto [shortest, longest] = std::minmax_element(lengths.begin(), lengths.end());
    EXPECT_GE(*shortest, 22188);
    EXPECT_LT(*longest, 44956 + 8);
    EXPECT_GT(*longest - *shortest, 10000);
    const auto [low, high] = std::minmax_element(out.begin(), out.end());
    EXPECT_GE(*low, 0.0f);
    EXPECT_LE(*high, 1.0f + 1.0f / 22188.0f + 0.000001f);
}

TEST(TwoPoleLowPass, SettlesToAConstantAndHoldsAtSettingZero)
{
    for (const double setting : {0.2, 0.6, 0.95})
    {
        TwoPoleLowPass filter(96000.0f);
        float out = 0.0f;
        for (int n = 0; n < 20000; ++n)
            out = filter.process(0.75f, setting);
        EXPECT_NEAR(out, 0.75f, 1e-5f) << setting;
    }

    TwoPoleLowPass fresh(44100.0f);
    TwoPoleLowPass used(44100.0f);
    float held = 0.0f;
    for (int n = 0; n < 50; ++n)
        held = used.process(1.0f, 0.3);
    ASSERT_GT(held, 0.1f);
    for (int n = 0; n < 100; ++n)
    {
        EXPECT_EQ(fresh.process(signal(n), 0.0), 0.0f);
        EXPECT_EQ(used.process(signal(n), 0.0), held);
    }
}

TEST(TwoPoleLowPass, OpensFullyAtSettingOneOnlyUpTo44100)
{
    TwoPoleLowPass open(44100.0f);
    TwoPoleLowPass scaled(88200.0f);
    float openError = 0.0f;
    float scaledError = 0.0f;
    for (int n = 0; n < 1000; ++n)
    {
        openError = std::max(openError, std::abs(open.process(signal(n), 1.0) - signal(n)));
        scaledError = std::max(scaledError, std::abs(scaled.process(signal(n), 1.0) - signal(n)));
    }
    EXPECT_LT(openError, 1e-6f);
    EXPECT_GT(scaledError, 0.1f);
}

} // namespace
} // namespace morvane
