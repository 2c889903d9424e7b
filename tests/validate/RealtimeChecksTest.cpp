// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealtimeChecks.h"
#include "AudioPathMonitor.h"
#include "HostedInstance.h"
#include "SignalScan.h"
#include "StereoBlock.h"

#include <gtest/gtest.h>

#include <string>

using namespace morvane::validate;

namespace
{

class RealtimeChecksTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!AudioPathMonitor::isAvailable())
            GTEST_SKIP() << "nothing is counted in sanitizer builds";
        ASSERT_TRUE(module.isLoaded()) << module.getLoaderMessage();
    }

    SignalScan processNoise(HostedInstance& instance, int blocks)
    {
        SignalScan scan;
        for (int i = 0; i < blocks; ++i)
        {
            block.fillNoise(random, block.capacity());
            instance.process(block.inputs(), block.outputs(), block.capacity());
            scan.scan(block.output(0), block.capacity());
            scan.scan(block.output(1), block.capacity());
        }
        return scan;
    }

    const morvane::host::Module module{MORVANE_VST2_MODULE};
    StereoBlock block{512};
    Randomness random{5};
};

} // namespace

// Announced with a resume, a new rate costs the audio thread nothing: its engine was built on the
// host's thread. Processed at without one, it is built in the block, and the reverb plays on.
TEST_F(RealtimeChecksTest, MorvaneBuildsInTheBlockOnlyForARateNeverAnnounced)
{
    HostedInstance instance(module);
    ASSERT_TRUE(instance.isOpen());
    instance.configure(44100.0, 512);
    processNoise(instance, 20);
    instance.configure(96000.0, 512);
    processNoise(instance, 20);
    const auto& record = instance.audioPath();
    EXPECT_EQ(record.firstBlocks, 2u);
    EXPECT_EQ(record.counts.faults(), 0u)
        << record.counts.allocations << " allocations, " << record.counts.releases << " frees, "
        << record.counts.otherLocks << " other locks";

    instance.changeRateUnannounced(48000.0);
    const auto afterwards = processNoise(instance, 40);
    EXPECT_EQ(record.unannouncedBlocks, 1u);
    EXPECT_GT(record.unannouncedCounts.allocations, 0u) << "the engine is built in the block";
    EXPECT_EQ(record.counts.faults(), 0u) << "the blocks after it are held to the rules";
    EXPECT_EQ(afterwards.nonFinite(), 0u);
    EXPECT_GT(afterwards.rms(), 0.01) << "the reverb plays on at the rate nobody announced";
}

TEST_F(RealtimeChecksTest, TheGroupPassesMorvaneAndReportsTheRatesNeverAnnounced)
{
    ValidateOptions options;
    AudioPathTally tally;
    const auto result = RealtimeChecks::run({module, options, tally, nullptr});
    const auto report = result.report();
    EXPECT_FALSE(result.failed()) << report;
    EXPECT_NE(report.find("First blocks at 2 rates never announced"), std::string::npos) << report;
    EXPECT_GT(tally.record().unannouncedCounts.allocations, 0u) << report;
    EXPECT_GE(tally.record().firstBlocks, 5u) << "the first block at each announced rate counts";
}
