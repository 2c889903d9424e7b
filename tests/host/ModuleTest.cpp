// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/Module.h"

#include <gtest/gtest.h>

#include <string>

using morvane::host::Module;
namespace vst2 = morvane::vst2;

namespace
{

std::string fakeModule(const char* name)
{
    return std::string(FAKE_MODULE_DIR) + "/" + name + ".so";
}

std::intptr_t noDispatch(vst2::AEffect*, std::int32_t, std::int32_t, std::intptr_t, void*, float)
{
    return 0;
}

void noProcess(vst2::AEffect*, float**, float**, std::int32_t) {}

} // namespace

TEST(Module, TellsAFileItCannotOpenFromOneWithoutAnEntryPoint)
{
    const Module missing(fakeModule("missing"));
    EXPECT_FALSE(missing.isLoaded());
    EXPECT_EQ(missing.getFailure(), Module::Failure::cannotOpen);
    EXPECT_NE(missing.getLoaderMessage().find("missing.so"), std::string::npos)
        << missing.getLoaderMessage();
    EXPECT_EQ(missing.getEntryPoint(), nullptr);
    EXPECT_EQ(missing.findEntryPoint("VSTPluginMain"), nullptr);

    const Module noEntry(fakeModule("no_entry"));
    EXPECT_EQ(noEntry.getFailure(), Module::Failure::noEntryPoint);
    EXPECT_EQ(noEntry.getEntryPoint(), nullptr);

    const Module gain(fakeModule("gain"));
    ASSERT_TRUE(gain.isLoaded()) << gain.getLoaderMessage();
    EXPECT_EQ(gain.getPath(), fakeModule("gain"));
    EXPECT_EQ(gain.getEntryPoint(), gain.findEntryPoint("VSTPluginMain"));
    EXPECT_EQ(gain.findEntryPoint("main"), nullptr) << "the fake exports the newer name only";
    EXPECT_EQ(gain.findEntryPoint(nullptr), nullptr);
}

TEST(Module, RefusesEffectsNoHostCanDriveWithOneLine)
{
    vst2::AEffect effect{};
    effect.magic = vst2::effectMagic;
    effect.dispatcher = noDispatch;
    effect.processReplacing = noProcess;
    effect.numInputs = 2;
    effect.numOutputs = 2;
    EXPECT_FALSE(Module::checkEffect(&effect));

    effect.processReplacing = nullptr;
    effect.process = noProcess;
    EXPECT_FALSE(Module::checkEffect(&effect)) << "the old accumulating call is enough";

    const auto refused = [](vst2::AEffect damaged, const std::string& expected)
    {
        const auto reason = Module::checkEffect(&damaged);
        ASSERT_TRUE(reason.has_value()) << expected;
        EXPECT_NE(reason->find(expected), std::string::npos) << *reason;
        EXPECT_EQ(reason->find('\n'), std::string::npos);
    };
    EXPECT_EQ(*Module::checkEffect(nullptr), "the module's entry point returned no effect");

    auto damaged = effect;
    damaged.magic = vst2::fourCharacters("Vstp");
    refused(damaged, "wrong magic number (0x56737470 instead of VstP)");
    damaged = effect;
    damaged.dispatcher = nullptr;
    refused(damaged, "no dispatcher");
    damaged = effect;
    damaged.process = nullptr;
    refused(damaged, "no processing function");
    damaged = effect;
    damaged.numOutputs = -1;
    refused(damaged, "claims 2 inputs and -1 outputs");
    damaged = effect;
    damaged.numInputs = 65;
    refused(damaged, "claims 65 inputs");
    damaged = effect;
    damaged.numParams = 100001;
    refused(damaged, "claims 100001 parameters");
}
