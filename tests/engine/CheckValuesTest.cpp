// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/EngineSettings.h"
#include "engine/NetworkGeometry.h"
#include "engine/ParameterShaping.h"
#include "engine/Parameters.h"
#include "engine/Primes.h"
#include "engine/ReverbEngine.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <limits>

namespace morvane
{
namespace
{

TEST(Lengths, NextPrimeAndTheLengthRule)
{
    const std::array<std::array<int, 2>, 12> primes{{{0, 0},
                                                     {1, 1},
                                                     {3, 3},
                                                     {4, 5},
                                                     {25, 29},
                                                     {49, 53},
                                                     {120, 127},
                                                     {1952, 1973},
                                                     {1968, 1973},
                                                     {1973, 1973},
                                                     {44100, 44101},
                                                     {48000, 48017}}};
    for (const auto& [n, expected] : primes)
        EXPECT_EQ(nextPrime(n), expected) << n;
    EXPECT_EQ(bufferLength(1000.0f, 44100.9f), 44101);
    EXPECT_EQ(bufferLength(5.579239f, 179.0f), 0);
    EXPECT_EQ(bufferLength(5.579239f, 180.0f), 1);
}

TEST(Lengths, BaseTimesAndEveryBufferAtThreeRates)
{
    const std::array<float, 8> times{44.282448f, 47.827690f, 51.656761f, 55.792389f,
                                     60.259113f, 65.083443f, 70.294006f, 75.921730f};
    for (int k = 0; k < 8; ++k)
        EXPECT_FLOAT_EQ(NetworkGeometry::baseTimeMs(k), times[static_cast<std::size_t>(k)]);

    // Rate, pre-delay, left lines, right lines, left all-passes, right all-passes.
    const std::array<std::array<int, 20>, 3> table{
        {{44100, 44101, 1973, 2111, 2297, 2467, 1973, 2129, 2281, 2503,
          263,   281,   307,  331,  353,  251,  269,  293,  311,  337},
         {48000, 48017, 2143, 2297, 2503, 2683, 2129, 2333, 2503, 2699,
          281,   307,   331,  359,  383,  269,  293,  313,  337,  367},
         {96000, 96001, 4289, 4591, 4999, 5381, 4253, 4637, 4967, 5399,
          563,   607,   659,  709,  769,  541,  587,  631,  677,  733}}};
    EngineSettings settings;
    for (const auto& row : table)
    {
        const ReverbEngine engine(&settings, static_cast<float>(row[0]));
        std::array<int, 20> actual{row[0], engine.getPreDelayLength()};
        for (std::size_t i = 0; i < 8; ++i)
            actual[2 + i] = engine.getLineLength(static_cast<int>(i / 4), static_cast<int>(i % 4));
        for (std::size_t i = 0; i < 10; ++i)
            actual[10 + i] =
                engine.getAllPassLength(static_cast<int>(i / 5), static_cast<int>(i % 5));
        EXPECT_EQ(actual, row);
    }
}

TEST(Shaping, TapersAndEveryParameterCurve)
{
    EXPECT_NEAR(exponentialTaper(0.25), 0.05867, 5e-6);
    EXPECT_NEAR(exponentialTaper(0.75), 0.44513, 5e-6);
    EXPECT_NEAR(invertedExponentialTaper(0.25), 0.55487, 5e-6);
    EXPECT_NEAR(invertedExponentialTaper(0.75), 0.94133, 5e-6);

    // Each parameter's setting for x = 0, 0.5 and 1, in host order; every other setting stays 0.
    const std::array<std::array<double, 3>, 7> expected{{{0.0, 0.5, 1.0},
                                                         {0.0, 0.18274, 1.0},
                                                         {0.0, 0.18274, 1.0},
                                                         {0.0, 0.25, 1.0},
                                                         {0.0, 0.81726, 1.0},
                                                         {0.1, 0.325, 1.0},
                                                         {0.0, 0.25, 1.0}}};
    for (const Parameter shaped : allParameters)
    {
        const auto& row = expected[static_cast<std::size_t>(indexOf(shaped))];
        for (std::size_t i = 0; i < 3; ++i)
        {
            EngineSettings settings;
            mapParameter(shaped, settings, 0.5f * static_cast<float>(i));
            for (const Parameter other : allParameters)
                EXPECT_NEAR(settings.get(other), other == shaped ? row[i] : 0.0, 5e-6)
                    << indexOf(shaped) << " " << i << " " << indexOf(other);
        }
    }

    // The settings the engine reads per block are the four it owns, by name.
    EngineSettings settings;
    mapParameter(Parameter::delay, settings, 0.5f);
    mapParameter(Parameter::size, settings, 1.0f);
    mapParameter(Parameter::lowPass, settings, 0.0f);
    mapParameter(Parameter::highPass, settings, 1.0f);
    mapParameter(Parameter::wet, settings, 0.7f);
    const EngineBlockSettings block = settings.forBlock();
    EXPECT_EQ(block.delay, 0.25);
    EXPECT_EQ(block.size, settings.get(Parameter::size));
    EXPECT_EQ(block.lowPass, 0.1);
    EXPECT_EQ(block.highPass, 1.0);
}

TEST(Shaping, OutOfRangeValuesClamp)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const Parameter parameter : allParameters)
    {
        EngineSettings atZero;
        EngineSettings atOne;
        EngineSettings settings;
        mapParameter(parameter, atZero, 0.0f);
        mapParameter(parameter, atOne, 1.0f);
        for (const float value : {nan, -inf, -0.5f, inf, 1.5f})
        {
            mapParameter(parameter, settings, value);
            const auto& reference = value > 0.5f ? atOne : atZero;
            EXPECT_EQ(settings.get(parameter), reference.get(parameter))
                << indexOf(parameter) << " " << value;
        }
    }
}

// Host indices 0..6 name the parameters in host order and nothing else does.
TEST(Parameters, HostIndicesConvertBothWaysAndOnlyInRange)
{
    const Parameter order[] = {Parameter::onOff,   Parameter::wet,  Parameter::dry,
                               Parameter::delay,   Parameter::size, Parameter::lowPass,
                               Parameter::highPass};
    for (int index = 0; index < parameterCount; ++index)
    {
        const auto parameter = parameterAt(index);
        ASSERT_TRUE(parameter.has_value()) << index;
        EXPECT_EQ(*parameter, order[index]);
        EXPECT_EQ(indexOf(*parameter), index);
    }
    for (const int index : {-1, 7, 1000, std::numeric_limits<int>::min()})
        EXPECT_FALSE(parameterAt(index).has_value()) << index;
}

} // namespace
} // namespace morvane
