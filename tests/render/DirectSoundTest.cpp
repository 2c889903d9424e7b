// SPDX-License-Identifier: GPL-3.0-or-later
#include "DirectSound.h"

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#include <cmath>
#include <vector>

using morvane::DirectSound;

namespace
{
constexpr double rate = 48000.0;

DirectSound find(const std::vector<float>& samples)
{
    return DirectSound::find(samples.data(), static_cast<int>(samples.size()), rate);
}
} // namespace

TEST(DirectSound, FirstArrivalIsTheFirstSampleWithin20DbOfThePeak)
{
    std::vector<float> samples(100, 0.0f);
    samples[60] = -2.0f;
    samples[30] = 0.3f; // -16.5 dB: counts
    EXPECT_EQ(DirectSound::firstArrival(samples.data(), 100), 30);
    samples[30] = 0.19f; // -20.4 dB: does not
    EXPECT_EQ(DirectSound::firstArrival(samples.data(), 100), 60);

    EXPECT_EQ(DirectSound::firstArrival(samples.data(), 0), -1);
    const std::vector<float> silent(100, 0.0f);
    EXPECT_EQ(find(silent).arrival, -1);
    samples[10] = std::nanf("");
    EXPECT_EQ(DirectSound::firstArrival(samples.data(), 100), -1) << "not a response at all";
}

TEST(DirectSound, EndsWhereTheSoundStaysDownAndFindsTheReverberationAfterTheGap)
{
    // A short ringing pulse, a gap of 20 ms, then a decaying tail 30 dB down.
    std::vector<float> samples(9600, 0.0f);
    const int start = 100;
    for (int n = 0; n < 15; ++n)
        samples[static_cast<size_t>(start + n)] =
            static_cast<float>(std::cos(0.7 * n) * std::exp(-n / 8.0));
    const int reverberation = start + 960;
    for (int n = reverberation; n < 9600; ++n)
        samples[static_cast<size_t>(n)] = static_cast<float>(
            0.03 * std::sin(1.3 * (n - reverberation)) * std::exp(-(n - reverberation) / 2000.0));

    const auto direct = find(samples);
    EXPECT_EQ(direct.arrival, start);
    // The pulse dips below -20 dB at its zero crossings, but stays there only after its end.
    EXPECT_EQ(direct.end, start + 15);
    EXPECT_EQ(direct.reverberationOnset, reverberation + 1) << "sin(0) is silent";

    // Without the tail nothing follows the direct sound.
    std::fill(samples.begin() + reverberation, samples.end(), 0.0f);
    EXPECT_EQ(find(samples).reverberationOnset, -1);
}

TEST(DirectSound, OneThatMergesWithWhatFollowsEndsAtItsFirstQuietSample)
{
    // A click into steady noise 6 dB below it: the noise never stays 20 dB down for 0.1 ms.
    std::vector<float> samples(4800, 0.0f);
    juce::Random random(3);
    for (size_t n = 50; n < samples.size(); ++n)
        samples[n] = 0.5f * (2.0f * random.nextFloat() - 1.0f);
    samples[50] = 1.0f;
    const auto direct = find(samples);
    EXPECT_EQ(direct.arrival, 50);
    ASSERT_GT(direct.end, 50);
    EXPECT_LT(direct.end, 50 + 48) << "long before the 2.5 ms limit";
    EXPECT_LT(std::abs(samples[static_cast<size_t>(direct.end)]), 0.1f);
    for (int n = 51; n < direct.end; ++n)
        EXPECT_GE(std::abs(samples[static_cast<size_t>(n)]), 0.1f) << n;
    EXPECT_GE(direct.reverberationOnset, direct.end);
}
