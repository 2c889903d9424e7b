// SPDX-License-Identifier: GPL-3.0-or-later
#include "DefaultModule.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using morvane::validate::DefaultModule;
namespace fs = std::filesystem;

namespace
{

// A folder of its own under the system's temporary folder, removed with the object.
struct Scratch
{
    fs::path root = fs::temp_directory_path() /
                    ("morvane-default-module-" + std::to_string(getpid()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());

    Scratch() { fs::create_directories(root); }
    ~Scratch() { fs::remove_all(root); }

    std::string file(const fs::path& relative) const
    {
        const auto path = root / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "module";
        return path.string();
    }
};

} // namespace

TEST(DefaultModule, AnInstalledValidatorChecksTheModuleOfItsOwnInstallation)
{
    Scratch scratch;
    const auto installed = scratch.file(fs::path("prefix") / MORVANE_TEST_VST2DIR / "Morvane.so");
    scratch.file("home/.vst/Morvane.so");
    const auto bin = (scratch.root / "prefix" / MORVANE_TEST_BINDIR).string();

    EXPECT_EQ(
        DefaultModule::choose(DefaultModule::candidates(bin, (scratch.root / "home").string())),
        installed);
}

TEST(DefaultModule, ABuiltValidatorChecksTheModuleBuiltWithItBeforeTheUsersOwn)
{
    Scratch scratch;
    scratch.file("home/.vst/Morvane.so");

    const auto chosen = DefaultModule::choose(
        DefaultModule::candidates(MORVANE_TEST_VALIDATOR_DIR, (scratch.root / "home").string()));
    EXPECT_TRUE(fs::equivalent(chosen, MORVANE_VST2_MODULE)) << chosen;
}

TEST(DefaultModule, WithoutAnInstalledModuleTheUsersOwnAndThenTheInstalledPlaceIsNamed)
{
    Scratch scratch;
    const auto bin = (scratch.root / "prefix" / MORVANE_TEST_BINDIR).string();
    const auto home = (scratch.root / "home").string();
    const auto expected =
        (scratch.root / "prefix" / MORVANE_TEST_VST2DIR / "Morvane.so").lexically_normal();

    // Nothing anywhere: the error names where an installation keeps its module.
    EXPECT_EQ(DefaultModule::choose(DefaultModule::candidates(bin, home)), expected.string());
    EXPECT_EQ(DefaultModule::candidates(bin, "").size(), 2u);

    const auto users = scratch.file("home/.vst/Morvane.so");
    EXPECT_EQ(DefaultModule::choose(DefaultModule::candidates(bin, home)), users);
    // A folder of that name is not a module.
    fs::create_directories(expected);
    EXPECT_EQ(DefaultModule::choose(DefaultModule::candidates(bin, home)), users);
}
