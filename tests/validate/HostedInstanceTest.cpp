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

TEST_F(HostedInstanceTest, CountsEveryBlockButTheFirstAtEachRate)
{
    if (!AudioPathMonitor::isAvailable())
        GTEST_SKIP() << "nothing is counted in sanitizer builds";

    HostedInstance instance(module);
    ASSERT_TRUE(instance.isOpen());

    instance.configure(44100.0, 64);
    processOnce(instance);
    EXPECT_EQ(instance.countedBlocks(), 0u) << "the first block at a rate may allocate";
    processOnce(instance);
    processOnce(instance);
    EXPECT_EQ(instance.countedBlocks(), 2u);
    EXPECT_EQ(instance.audioPathCounts().allocations, 2u);
    EXPECT_EQ(instance.audioPathCounts().callbackLocks, 2u)
        << "the effect's own lock is learnt as the callback lock";
    EXPECT_EQ(instance.audioPathCounts().otherLocks, 0u);

    instance.configure(44100.0, 128);
    processOnce(instance);
    EXPECT_EQ(instance.countedBlocks(), 3u) << "a new block size at the same rate is no excuse";

    instance.configure(0.0, 64);
    processOnce(instance);
    EXPECT_EQ(instance.countedBlocks(), 3u) << "0 Hz counts as a rate of its own";
    EXPECT_EQ(instance.processedFrames(), 5u * 64u);
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
