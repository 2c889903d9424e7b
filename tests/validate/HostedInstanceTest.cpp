// SPDX-License-Identifier: GPL-3.0-or-later
#include "HostedInstance.h"
#include "AudioPathMonitor.h"
#include "GroupResult.h"
#include "SoakRun.h"
#include "StereoBlock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace morvane::validate;

namespace
{

class HostedInstanceTest : public ::testing::Test
{
protected:
    void SetUp() override { setenv("MORVANE_FAULT", "allocate", 1); }
    void TearDown() override { unsetenv("MORVANE_FAULT"); }

    void processOnce(HostedInstance& instance)
    {
        block.fillNoise(random, 64);
        instance.process(block.inputs(), block.outputs(), 64);
    }

    const morvane::host::Module module{MORVANE_FAULTY_MODULE};
    StereoBlock block{64};
    Randomness random{3};
};

} // namespace

TEST_F(HostedInstanceTest, CountsEveryBlockButTheFirstAtARateNeverAnnounced)
{
    if (!AudioPathMonitor::isAvailable())
        GTEST_SKIP() << "nothing is counted in sanitizer builds";

    HostedInstance instance(module);
    ASSERT_TRUE(instance.isOpen());

    instance.configure(44100.0, 64);
    processOnce(instance);
    processOnce(instance);
    processOnce(instance);
    const auto& record = instance.audioPath();
    EXPECT_EQ(record.blocks, 3u) << "the first block at an announced rate counts too";
    EXPECT_EQ(record.firstBlocks, 1u);
    EXPECT_EQ(record.counts.allocations, 3u);
    EXPECT_EQ(record.counts.callbackLocks, 3u)
        << "the effect's own lock is learnt as the callback lock";
    EXPECT_EQ(record.counts.otherLocks, 0u);

    instance.configure(44100.0, 128);
    processOnce(instance);
    EXPECT_EQ(record.blocks, 4u);
    EXPECT_EQ(record.firstBlocks, 1u) << "a new block size at the same rate is no new rate";

    instance.changeRateUnannounced(96000.0);
    processOnce(instance);
    EXPECT_EQ(record.blocks, 4u) << "a rate never announced may be built for in its first block";
    EXPECT_EQ(record.unannouncedBlocks, 1u);
    EXPECT_EQ(record.unannouncedCounts.allocations, 1u);
    processOnce(instance);
    EXPECT_EQ(record.blocks, 5u) << "but only in its first";

    instance.configure(0.0, 64);
    processOnce(instance);
    EXPECT_EQ(record.blocks, 6u) << "0 Hz counts as a rate of its own";
    EXPECT_EQ(record.firstBlocks, 2u);
    EXPECT_EQ(instance.processedFrames(), 7u * 64u);
}

TEST_F(HostedInstanceTest, StateChunksAndParametersGoThroughTheDispatcher)
{
    HostedInstance first(module);
    HostedInstance second(module);
    first.setParameter(3, 0.25f);
    const auto chunk = first.saveState();
    ASSERT_EQ(chunk.size(), 32u);
    second.restoreState(chunk);
    EXPECT_EQ(second.getParameter(3), 0.25f);
    EXPECT_EQ(second.getParameters(), first.getParameters());
    EXPECT_EQ(second.numParameters(), 7);
}

TEST(GroupResult, ReportsPassFailAndSkipWithTheFirstProblems)
{
    GroupResult passing("rates");
    passing.setFigures("11 rates");
    EXPECT_EQ(passing.report(), "rates: PASS 11 rates");

    GroupResult skipped("editor");
    skipped.skip("no X display");
    EXPECT_TRUE(skipped.skipped());
    EXPECT_FALSE(skipped.failed());
    EXPECT_EQ(skipped.report(), "editor: SKIP no X display");

    GroupResult failing("state");
    failing.setFigures("3 states");
    for (int i = 0; i < 10; ++i)
        failing.fail("problem " + std::to_string(i));
    failing.skip("a skip after a failure must not hide it");
    const auto report = failing.report();
    EXPECT_TRUE(failing.failed());
    EXPECT_EQ(report.rfind("state: FAIL 3 states", 0), 0u) << report;
    EXPECT_NE(report.find("problem 7"), std::string::npos);
    EXPECT_EQ(report.find("problem 8"), std::string::npos);
    EXPECT_NE(report.find("... and 2 more"), std::string::npos);
}

TEST(SoakRun, ResidentSizeFollowsMemoryInUse)
{
    const auto before = SoakRun::residentBytes();
    ASSERT_GT(before, 0u);
    std::vector<char> touched(64u << 20);
    std::memset(touched.data(), 1, touched.size());
    const auto after = SoakRun::residentBytes();
    EXPECT_GT(after, before + (48u << 20));
    EXPECT_EQ(touched[touched.size() / 2], 1);
}
