// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/EngineSettings.h"
#include "engine/ParameterShaping.h"
#include "engine/ReverbFrontEnd.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

namespace morvane
{
namespace
{

using test::AllocationCounts;

// A front end at 44.1 kHz with settings that make every part of the network work.
struct Fixture
{
    EngineSettings settings;
    ReverbFrontEnd frontEnd{&settings};
    std::uint32_t noiseState = 3;

    explicit Fixture(unsigned seed)
    {
        mapParameter(Parameter::delay, settings, 0.1f);
        mapParameter(Parameter::size, settings, 0.9f);
        mapParameter(Parameter::lowPass, settings, 0.7f);
        mapParameter(Parameter::highPass, settings, 0.2f);
        std::srand(seed);
        frontEnd.create(44100.0f);
    }

    // Two blocks of noise with the dither, as the processor runs them; the output of both
    // channels, one after the other.
    std::vector<float> play()
    {
        std::vector<float> left(700);
        std::vector<float> right(700);
        for (std::size_t n = 0; n < left.size(); ++n)
        {
            noiseState = noiseState * 1664525u + 1013904223u;
            const float dither = frontEnd.nextDither();
            left[n] = static_cast<float>(noiseState >> 8) / 16777216.0f - 0.5f + dither;
            right[n] = 0.25f - left[n] + dither;
        }
        frontEnd.processBlock(left.data(), right.data(), 300);
        frontEnd.processBlock(left.data() + 300, right.data() + 300, 400);
        left.insert(left.end(), right.begin(), right.end());
        return left;
    }
};

template <typename Work>
AllocationCounts countsDuring(Work work)
{
    const auto before = AllocationCounts::onThisThread();
    work();
    return AllocationCounts::onThisThread().since(before);
}

// An engine prepared ahead is the one the first block at the rate would have built: the same
// seeds in the same order, so the same output and the same generator state afterwards. The block
// that swaps it in neither allocates nor frees; the engine it replaced is freed on the host's
// thread.
TEST(ReverbFrontEndPrepare, APreparedEngineIsTheOneTheBlockWouldBuild)
{
    for (const float rate : {48000.0f, 96000.0f, 22050.0f})
    {
        Fixture announced(5);
        Fixture unannounced(5);
        EXPECT_EQ(announced.play(), unannounced.play());

        announced.frontEnd.prepare(rate);
        bool changed = false;
        const auto swap = countsDuring([&] { changed = announced.frontEnd.followRate(rate); });
        EXPECT_TRUE(changed);
        EXPECT_TRUE(swap.none()) << swap.allocations << " allocations, " << swap.frees
                                 << " frees at " << rate;
        const int afterAnnounced = std::rand();

        std::srand(5);
        for (int draw = 0; draw < 9; ++draw)
            std::rand();
        EXPECT_TRUE(unannounced.frontEnd.followRate(rate));
        EXPECT_EQ(std::rand(), afterAnnounced) << "the same draws, in the same order";

        EXPECT_EQ(announced.frontEnd.getEngineSampleRate(), rate);
        EXPECT_EQ(announced.frontEnd.getDitherSeed(), unannounced.frontEnd.getDitherSeed());
        EXPECT_EQ(announced.play(), unannounced.play()) << rate;
        EXPECT_FALSE(announced.frontEnd.followRate(rate));

        const auto release = countsDuring([&] { announced.frontEnd.releaseRetired(); });
        EXPECT_GT(release.frees, 0) << "the 44.1 kHz engine goes on the host's thread";
        EXPECT_EQ(release.allocations, 0);
    }
}

// Suspending and resuming at the running rate keeps the engine, its tail and the generator.
TEST(ReverbFrontEndPrepare, AnnouncingTheRunningRateBuildsNothing)
{
    Fixture resumed(8);
    Fixture continuous(8);
    EXPECT_EQ(resumed.play(), continuous.play());

    std::srand(21);
    const auto prepare = countsDuring([&] { resumed.frontEnd.prepare(44100.0f); });
    EXPECT_TRUE(prepare.none());
    const int next = std::rand();
    std::srand(21);
    EXPECT_EQ(std::rand(), next);

    EXPECT_FALSE(resumed.frontEnd.followRate(44100.0f));
    EXPECT_EQ(resumed.play(), continuous.play());
}

// A block at a rate nobody announced builds its engine in the block, as always; an engine
// prepared for another rate waits for blocks at that rate. Of two announcements before any block
// the last one counts.
TEST(ReverbFrontEndPrepare, OtherOrdersStillEndOnTheBlocksRate)
{
    Fixture f(13);
    f.frontEnd.prepare(96000.0f);
    const auto unannounced = countsDuring([&] { EXPECT_TRUE(f.frontEnd.followRate(48000.0f)); });
    EXPECT_GT(unannounced.allocations, 0);
    EXPECT_EQ(f.frontEnd.getEngineSampleRate(), 48000.0f);
    EXPECT_EQ(f.frontEnd.getPreDelayLength(), 48017);

    const auto later = countsDuring([&] { EXPECT_TRUE(f.frontEnd.followRate(96000.0f)); });
    EXPECT_TRUE(later.none()) << "the 96 kHz engine was still waiting";
    EXPECT_EQ(f.frontEnd.getPreDelayLength(), 96001);

    f.frontEnd.prepare(48000.0f);
    f.frontEnd.prepare(22050.0f);
    const auto last = countsDuring([&] { EXPECT_TRUE(f.frontEnd.followRate(22050.0f)); });
    EXPECT_TRUE(last.none());
    EXPECT_EQ(f.frontEnd.getEngineSampleRate(), 22050.0f);
    const auto first = countsDuring([&] { EXPECT_TRUE(f.frontEnd.followRate(48000.0f)); });
    EXPECT_GT(first.allocations, 0) << "the first announcement was dropped by the second";
}

// A rate the engine cannot run at is never built for, ahead or in the block: the engine plays on.
TEST(ReverbFrontEndPrepare, UnusableRatesBuildNothing)
{
    Fixture f(2);
    f.frontEnd.prepare(48000.0f);
    for (const float rate : {0.0f, -1.0f, 100.0f, std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity()})
    {
        const auto prepare = countsDuring([&] { f.frontEnd.prepare(rate); });
        EXPECT_EQ(prepare.allocations, 0) << rate;
        const auto block = countsDuring([&] { EXPECT_TRUE(f.frontEnd.followRate(rate)); });
        EXPECT_TRUE(block.none()) << rate;
        EXPECT_FALSE(f.frontEnd.followRate(rate)) << rate;
        EXPECT_EQ(f.frontEnd.getEngineSampleRate(), 44100.0f) << rate;
    }
    f.frontEnd.prepare(48000.0f);
    EXPECT_TRUE(f.frontEnd.followRate(48000.0f));
    EXPECT_EQ(f.frontEnd.getEngineSampleRate(), 48000.0f);
}

} // namespace
} // namespace morvane
