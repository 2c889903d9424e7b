// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/StateNumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

using morvane::StateNumbers;

namespace
{
float floatFromBits(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}
} // namespace

TEST(StateNumbers, ValuesAreWrittenAsPrintfWouldAndReadBackToTheSameFloat)
{
    std::mt19937 random(1234);
    std::vector<float> values = {0.0f,
                                 -0.0f,
                                 1.0f,
                                 0.2f,
                                 0.85f,
                                 -1.0f,
                                 1.0e-45f,
                                 std::numeric_limits<float>::min(),
                                 std::numeric_limits<float>::max(),
                                 -std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity()};
    for (int i = 0; i < 100000; ++i)
        values.push_back(floatFromBits(static_cast<std::uint32_t>(random())));

    for (float value : values)
    {
        if (std::isnan(value))
        {
            EXPECT_EQ(StateNumbers::formatDouble(value), "nan");
            EXPECT_TRUE(std::isnan(StateNumbers::readDouble(StateNumbers::formatDouble(value))));
            continue;
        }

        char expected[64];
        std::snprintf(expected, sizeof(expected), "%.20g", static_cast<double>(value));
        const auto written = StateNumbers::formatDouble(value);
        ASSERT_EQ(written, expected);

        const auto readBack = static_cast<float>(StateNumbers::readDouble(written));
        ASSERT_EQ(bitsOf(readBack), bitsOf(value)) << expected;
    }
}

TEST(StateNumbers, DecimalsReadLikeTheFrameworkReadsThem)
{
    const char* texts[] = {
        "0",
        "1",
        "-1",
        "0.5",
        "  3",
        "\t\n-2.25e3",
        "+4",
        ".5",
        "5.",
        "-.5",
        "1e5",
        "1E-5",
        "1e",
        "1e+",
        "2.5e+3x",
        "007",
        "0.000",
        "12abc",
        "abc",
        "",
        "nan",
        "NaN",
        "-nan",
        "na",
        "inf",
        "-Infinity",
        "in",
        "0x10",
        "1e308",
        "1e309",
        "1e999",
        "-1e300",
        "1e-320",
        "1e-400",
        "123456789012345678901234567890",
        "0.123456789012345678901234567890",
        "99999999999999999999",
        "1.7976931348623157e308",
        "0.20000000298023223877",
        "4.9406564584124654e-324",
        "1..2",
        "--1",
        "- 1",
        "1e0010",
        "0000000000000000000001.5",
    };
    for (const char* text : texts)
    {
        const juce::String string(text);
        const double expected = string.getDoubleValue();
        const double actual = StateNumbers::readDouble(string);
        if (std::isnan(expected))
            EXPECT_TRUE(std::isnan(actual)) << text;
        else
            EXPECT_EQ(std::memcmp(&expected, &actual, sizeof(double)), 0)
                << text << ": " << expected << " vs " << actual;
    }

    // Where the framework's exponent arithmetic would overflow, the answer is
    // the limit the number tends to.
    EXPECT_EQ(StateNumbers::readDouble("1e99999999999999999999"),
              std::numeric_limits<double>::infinity());
    EXPECT_EQ(StateNumbers::readDouble("-1e99999999999999999999"),
              -std::numeric_limits<double>::infinity());
    EXPECT_EQ(StateNumbers::readDouble("1e-99999999999999999999"), 0.0);
    EXPECT_EQ(StateNumbers::readDouble("0e99999999999999999999"), 0.0);

    // Zero digits read as zero, with their sign, whatever exponent follows;
    // the framework gives +0 for "-0" and infinity for "0e400".
    EXPECT_TRUE(std::signbit(StateNumbers::readDouble("-0")));
    EXPECT_TRUE(std::signbit(StateNumbers::readDouble("-00e5")));
    EXPECT_FALSE(std::signbit(StateNumbers::readDouble("0")));
    EXPECT_EQ(StateNumbers::readDouble("0e400"), 0.0);
    EXPECT_EQ(StateNumbers::readDouble(juce::String("1") + juce::String::repeatedString("0", 2000)),
              std::numeric_limits<double>::infinity());
    EXPECT_EQ(StateNumbers::readDouble(juce::String("1") + juce::String::repeatedString("0", 2000) +
                                       "e-1995"),
              1.0e5);
}

TEST(StateNumbers, WholeNumbersReadLikeTheCLibraryReadsThem)
{
    const char* ordinary[] = {"0",    "7",     "-5",  "  3",        "\n\t42x",     "+8",
                              "0x10", "",      "abc", "2147483647", "-2147483648", "- 3",
                              "3.9",  "00012", "-0",  "255"};
    for (const char* text : ordinary)
        EXPECT_EQ(StateNumbers::readInt(text), std::atoi(text)) << text;

    // Past the range of int the value saturates at 64 bits and keeps its low 32 bits.
    EXPECT_EQ(StateNumbers::readInt("2147483648"), std::numeric_limits<int>::min());
    EXPECT_EQ(StateNumbers::readInt("4294967296"), 0);
    EXPECT_EQ(StateNumbers::readInt("4294967303"), 7);
    EXPECT_EQ(StateNumbers::readInt("99999999999999999999"), -1);
    EXPECT_EQ(StateNumbers::readInt("-99999999999999999999"), 0);
    EXPECT_EQ(StateNumbers::readInt("-2147483649"), std::numeric_limits<int>::max());
}
