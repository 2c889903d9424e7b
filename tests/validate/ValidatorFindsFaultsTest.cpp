// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioPathMonitor.h"
#include "CheckGroups.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace morvane::validate;

namespace
{

/** Runs check groups against the faulty test module with one fault switched on. */
class ValidatorFindsFaults : public ::testing::Test
{
protected:
    void TearDown() override { unsetenv("MORVANE_FAULT"); }

    GroupResult run(Group group, const char* fault)
    {
        if (fault != nullptr)
            setenv("MORVANE_FAULT", fault, 1);
        else
            unsetenv("MORVANE_FAULT");

        EXPECT_TRUE(module.isLoaded()) << module.getLoaderMessage();
        options.silenceSeconds = 1.0;
        AudioPathTally tally;
        const CheckContext context{module, options, tally, nullptr};
        return CheckGroups::run(group, context);
    }

    const morvane::host::Module module{MORVANE_FAULTY_MODULE};
    ValidateOptions options;
};

} // namespace

TEST_F(ValidatorFindsFaults, ASoundEffectPassesEveryGroup)
{
    for (const auto group :
         {Group::rates, Group::automation, Group::state, Group::cost, Group::realtime})
    {
        const auto result = run(group, nullptr);
        EXPECT_FALSE(result.failed()) << result.report();
    }
}

TEST_F(ValidatorFindsFaults, WithoutADisplayTheEditorGroupIsSkippedNotPassed)
{
    const auto result = run(Group::editor, nullptr);
    EXPECT_TRUE(result.skipped());
    EXPECT_NE(result.report().find("SKIP"), std::string::npos);
}

TEST_F(ValidatorFindsFaults, AllocationAndForeignLocksInTheAudioPath)
{
    if (!AudioPathMonitor::isAvailable())
        GTEST_SKIP() << "nothing is counted in sanitizer builds";

    const auto allocating = run(Group::realtime, "allocate");
    EXPECT_TRUE(allocating.failed());
    EXPECT_NE(allocating.report().find("allocations in processReplacing"), std::string::npos)
        << allocating.report();

    const auto locking = run(Group::realtime, "lock");
    EXPECT_TRUE(locking.failed());
    EXPECT_NE(locking.report().find("other than the callback lock"), std::string::npos)
        << locking.report();
}

TEST_F(ValidatorFindsFaults, AllocationInTheFirstBlockAtAnAnnouncedRate)
{
    if (!AudioPathMonitor::isAvailable())
        GTEST_SKIP() << "nothing is counted in sanitizer builds";

    const auto result = run(Group::realtime, "rebuild");
    EXPECT_TRUE(result.failed());
    EXPECT_NE(result.report().find("allocations in processReplacing"), std::string::npos)
        << result.report();
}

// Level meters that divide subnormal numbers in silence: no sample shows it, only the time.
TEST_F(ValidatorFindsFaults, ProcessingThatSlowsDownInSilence)
{
    const auto rates = run(Group::rates, "slowtail");
    EXPECT_FALSE(rates.failed()) << rates.report();

    const auto cost = run(Group::cost, "slowtail");
    EXPECT_TRUE(cost.failed()) << cost.report();
    EXPECT_NE(cost.report().find("2 s loud noise, 60 s silence at its own settings costs"),
              std::string::npos)
        << cost.report();
}

TEST_F(ValidatorFindsFaults, SubnormalsInTheTail)
{
    const auto result = run(Group::rates, "denormal");
    EXPECT_TRUE(result.failed());
    EXPECT_NE(result.report().find("silence after noise"), std::string::npos) << result.report();
}

TEST_F(ValidatorFindsFaults, OutputLeftUnwrittenInOddBlocks)
{
    const auto result = run(Group::rates, "unwritten");
    EXPECT_TRUE(result.failed());
    EXPECT_NE(result.report().find("blocks of 3"), std::string::npos) << result.report();
}

TEST_F(ValidatorFindsFaults, HostileAutomationReachingTheOutput)
{
    const auto result = run(Group::automation, "unclamped");
    EXPECT_TRUE(result.failed());
    EXPECT_NE(result.report().find("non-finite samples"), std::string::npos) << result.report();
}

TEST_F(ValidatorFindsFaults, TruncatedStateHalfApplied)
{
    const auto result = run(Group::state, "partial");
    EXPECT_TRUE(result.failed());
    EXPECT_NE(result.report().find("half changed"), std::string::npos) << result.report();
}

TEST_F(ValidatorFindsFaults, StateThatDoesNotComeBack)
{
    const auto result = run(Group::state, "forgetful");
    EXPECT_TRUE(result.failed());
    EXPECT_NE(result.report().find("restored"), std::string::npos) << result.report();
}

TEST_F(ValidatorFindsFaults, OutputThatStaysBrokenOnceTheValuesAreSane)
{
    const auto result = run(Group::automation, "poisoned");
    EXPECT_TRUE(result.failed());
    EXPECT_NE(result.report().find("after the values were sane again"), std::string::npos)
        << result.report();
}
