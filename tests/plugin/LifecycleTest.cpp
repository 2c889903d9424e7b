// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestHost.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using namespace morvane;
using namespace morvane::test;
using namespace morvane::vst2;

namespace
{

void processSome(const Plugin& plugin, int frames = 512)
{
    auto buffer = noise(frames, 99);
    float* channels[] = {buffer[0].data(), buffer[1].data()};
    plugin.processReplacing(channels, channels, frames);
}

// The number of threads once it has come down to `expected` or below, or after two seconds: a
// thread may still be listed for a moment after its join has returned, since the kernel wakes the
// joining thread before it removes the one that ended (a user-mode emulator takes longer). A count
// taken earlier may include such a thread too, so the tests use it as an upper bound.
int threadCountOnceSettled(int expected)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int count = threadCount();
    while (count > expected && std::chrono::steady_clock::now() < deadline)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        count = threadCount();
    }
    return count;
}

} // namespace

TEST(Lifecycle, EntryPointRefusesHostsItCannotUse)
{
    const int threadsBefore = threadCount();
    {
        Module module;
        auto unusable = Plugin::options(1);
        unusable.answers.version = 0;
        EXPECT_FALSE(host::Instance(module.findEntryPoint("VSTPluginMain"), unusable).hasEffect());
        EXPECT_FALSE(host::Instance(module.findEntryPoint("main"), unusable).hasEffect());

        const auto entry = module.findEntryPoint("VSTPluginMain");
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry(nullptr), nullptr);

        host::Instance viaMain(module.findEntryPoint("main"), Plugin::options(1));
        ASSERT_TRUE(viaMain.hasEffect()) << "both exported names make a plug-in";
        EXPECT_EQ(viaMain.getEffect()->uniqueID, fourCharacters("Mvn1"));
        viaMain.close();
    }
    EXPECT_FALSE(Module::isInProcess());
    EXPECT_LE(threadCountOnceSettled(threadsBefore), threadsBefore);
}

TEST(Lifecycle, HostCallOrdersThatComeBeforeAnyResume)
{
    Module module;
    Plugin plugin(module);

    // Suspend first, chunks and programs while never resumed, then the usual start.
    plugin.suspend();
    void* chunk = nullptr;
    const auto size = plugin.dispatch(effGetChunk, 0, 0, &chunk);
    plugin.setParameter(4, 0.3f);
    if (size > 0)
    {
        EXPECT_EQ(plugin.dispatch(effSetChunk, 0, size, chunk), 0);
        EXPECT_EQ(plugin.getParameter(4), 0.85f) << "a chunk set before the first resume holds";
    }
    plugin.dispatch(effSetProgram, 0, 0);
    plugin.suspend();
    plugin.resume(48000.0, 128);
    processSome(plugin);
    plugin.suspend();
    plugin.suspend();
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, -1.0f);
    plugin.dispatch(effSetBlockSize, 0, -7);
    plugin.dispatch(effMainsChanged, 0, 1);
    processSome(plugin, 3000);
    plugin.dispatch(effStartProcess);
    plugin.dispatch(effStopProcess);
    plugin.dispatch(effSetProcessPrecision, 0, 1);
    plugin.dispatch(effIdle);
    plugin.dispatch(effEditIdle);
}

TEST(Lifecycle, TwoInstancesKeepTheirOwnState)
{
    Module module;
    Plugin first(module, 12);
    Plugin second(module, 12);
    first.resume();
    second.resume();

    first.setParameter(4, 0.1f);
    EXPECT_EQ(second.getParameter(4), 0.85f);
    EXPECT_EQ(first.getParameter(4), 0.1f);

    // The same input through two instances made with the same seed gives the same output only
    // when neither shares anything with the other.
    first.setParameter(4, 0.85f);
    auto a = noise(1024, 5);
    auto b = a;
    float* aChannels[] = {a[0].data(), a[1].data()};
    float* bChannels[] = {b[0].data(), b[1].data()};
    first.processReplacing(aChannels, aChannels, 1024);
    processSome(first);
    second.processReplacing(bChannels, bChannels, 1024);
    EXPECT_EQ(a, b);

    // Closing one leaves the other working.
    first.close();
    EXPECT_EQ(second.text(effGetParamDisplay, 4), "0.85");
    processSome(second);
}

TEST(Lifecycle, RepeatedLoadUseCloseAndUnload)
{
    // JUCE starts its message thread and queue on the first instance; every cycle must hand all
    // of it back, or a host that rescans its plug-ins leaks or crashes.
    const int threadsBefore = threadCount();
    const int filesBefore = openFileCount();

    for (int cycle = 0; cycle < 200; ++cycle)
    {
        {
            Module module;
            Plugin plugin(module, static_cast<unsigned>(cycle));
            ASSERT_NE(plugin.getEffect(), nullptr);
            plugin.resume(cycle % 2 == 0 ? 44100.0 : 48000.0, 256);
            processSome(plugin);
            void* chunk = nullptr;
            plugin.dispatch(effGetChunk, 0, 0, &chunk);
            plugin.suspend();
        }
        ASSERT_FALSE(Module::isInProcess()) << "cycle " << cycle << ": dlclose did not unload";
        ASSERT_LE(threadCountOnceSettled(threadsBefore), threadsBefore)
            << "cycle " << cycle << ": a thread was left";
    }
    EXPECT_EQ(openFileCount(), filesBefore);
}

TEST(Lifecycle, InstancesMadeAndClosedOnDifferentThreads)
{
    Module module;
    const int threadsBefore = threadCount();

    // Made without effOpen, as some hosts do.
    std::unique_ptr<host::Instance> instance;
    std::thread maker(
        [&] {
            instance = std::make_unique<host::Instance>(module.getEntryPoint(), Plugin::options(1));
        });
    maker.join();
    ASSERT_TRUE(instance->hasEffect());
    AEffect* effect = instance->getEffect();

    std::thread user(
        [&]
        {
            effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
            auto buffer = noise(256, 1);
            float* channels[] = {buffer[0].data(), buffer[1].data()};
            effect->processReplacing(effect, channels, channels, 256);
        });
    user.join();

    std::thread closer([&] { instance->close(); });
    closer.join();
    EXPECT_LE(threadCountOnceSettled(threadsBefore), threadsBefore)
        << "the shared message thread has stopped";
}
