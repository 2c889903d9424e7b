// SPDX-License-Identifier: GPL-3.0-or-later
#include "ValidateOptions.h"

#include <gtest/gtest.h>

using namespace morvane::validate;

namespace
{

ValidateOptions parsed(const std::vector<std::string>& arguments)
{
    ValidateOptions options;
    std::string error;
    EXPECT_TRUE(ValidateOptions::parse(arguments, "built.so", options, error)) << error;
    return options;
}

std::string refusal(const std::vector<std::string>& arguments)
{
    ValidateOptions options;
    std::string error;
    EXPECT_FALSE(ValidateOptions::parse(arguments, "built.so", options, error));
    return error;
}

} // namespace

TEST(ValidateOptions, DefaultsRunEveryGroupButTheSoakOnTheBuiltModule)
{
    const auto options = parsed({});
    EXPECT_EQ(options.modulePath, "built.so");
    EXPECT_EQ(options.groups, (std::vector<Group>{Group::rates, Group::automation, Group::state,
                                                  Group::editor, Group::cost, Group::realtime}));
    EXPECT_EQ(options.silenceSeconds, 60.0);
    EXPECT_EQ(options.instances, 16);
    EXPECT_FALSE(options.runs(Group::soak));
}

TEST(ValidateOptions, OnlyListsGroupsOnceInTheirOwnOrder)
{
    const auto options = parsed({"--only", "realtime,rates,realtime", "--module", "other.so",
                                 "--seconds", "2.5", "--quiet"});
    EXPECT_EQ(options.groups, (std::vector<Group>{Group::rates, Group::realtime}));
    EXPECT_EQ(options.modulePath, "other.so");
    EXPECT_EQ(options.silenceSeconds, 2.5);
    EXPECT_TRUE(options.quiet);
}

TEST(ValidateOptions, SoakMinutesAskForTheSoakAlone)
{
    const auto soak = parsed({"--soak", "3", "--instances", "4"});
    EXPECT_EQ(soak.groups, std::vector<Group>{Group::soak});
    EXPECT_EQ(soak.soakMinutes, 3.0);
    EXPECT_EQ(soak.instances, 4);

    const auto named = parsed({"--only", "soak"});
    EXPECT_GT(named.soakMinutes, 0.0) << "a soak asked for by name still needs a length";
}

TEST(ValidateOptions, RefusesWhatItCannotUse)
{
    EXPECT_NE(refusal({"--only", "rates,bogus"}).find("bogus"), std::string::npos);
    EXPECT_NE(refusal({"--only", ""}).find("unknown group"), std::string::npos);
    EXPECT_NE(refusal({"--seconds"}).find("needs a value"), std::string::npos);
    EXPECT_NE(refusal({"--seconds", "ten"}).find("number"), std::string::npos);
    EXPECT_NE(refusal({"--seconds", "nan"}).find("number"), std::string::npos);
    EXPECT_NE(refusal({"--seconds", "-1"}).find("0 to 3600"), std::string::npos);
    EXPECT_NE(refusal({"--instances", "2.5"}).find("whole"), std::string::npos);
    EXPECT_NE(refusal({"--instances", "0"}).find("whole"), std::string::npos);
    EXPECT_NE(refusal({"--soak", "0"}).find("--soak"), std::string::npos);
    EXPECT_NE(refusal({"--frobnicate"}).find("unknown option"), std::string::npos);
    EXPECT_NE(refusal({"--module", ""}).find("path"), std::string::npos);

    ValidateOptions options;
    std::string error;
    EXPECT_FALSE(ValidateOptions::parse({}, "", options, error));
    EXPECT_NE(error.find("--module"), std::string::npos);
}
